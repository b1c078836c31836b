#include "core/tips.h"

#include <limits>

#include "core/app_settings.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

// The first `limit` bytes of `text`, shortened further so that a character
// of several bytes is never cut in two.
std::string_view CutToLimit(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && platform::IsUtf8ContinuationByte(text[end])) --end;
  return text.substr(0, end);
}

}  // namespace

std::string ExpandTipEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't')) {
      out += text[i + 1] == 'n' ? '\n' : '\t';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

TipFile TipFile::Parse(std::string_view text) {
  TipFile tips;
  tips.ini_ = platform::IniFile::Parse(text);
  return tips;
}

bool TipFile::Load(const std::filesystem::path& path, std::string* error) {
  platform::IniFile ini;
  if (!ini.Load(path, error)) {
    ini_ = platform::IniFile();
    return false;
  }
  ini_ = std::move(ini);
  return true;
}

std::optional<std::string> TipFile::Tip(std::int64_t number) const {
  std::optional<std::string> raw = ini_.Get(kTipSection, std::to_string(number));
  if (!raw) return std::nullopt;
  return ExpandTipEscapes(CutToLimit(*raw, kMaxTipLength));
}

TipTaken TakeNextTip(const TipFile& tips, std::int32_t& nextTipNumber) {
  TipTaken taken;
  taken.number = nextTipNumber;
  std::optional<std::string> text = tips.Tip(taken.number);
  if (text) {
    nextTipNumber =
        nextTipNumber == std::numeric_limits<std::int32_t>::max() ? 1 : nextTipNumber + 1;
  } else {
    taken.number = 1;
    text = tips.Tip(1);
    nextTipNumber = 2;
  }
  taken.found = text.has_value();
  if (text) taken.text = std::move(*text);
  return taken;
}

void ApplyFirstRunToTips(AppSettings& settings) {
  if (settings.FirstRun == 0) return;
  settings.NextTipNumber = 1;
  settings.ShowTips = 1;
}

bool ShouldShowTipDialog(AppSettings& settings, bool forced) {
  ApplyFirstRunToTips(settings);
  return forced || settings.ShowTips != 0;
}

std::filesystem::path TipFileIn(const std::filesystem::path& folder) {
  return folder / std::string(kTipFileName);
}

}  // namespace vandrel
