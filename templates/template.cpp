#include "templates/template.h"

#include <new>

#include "core/store_file.h"

namespace vandrel {

namespace {

constexpr char kKeywordSeparator = '\n';

// The rows of a settings record; the keyword rows point at `keywordTexts`.
std::vector<SettingDescriptor> SettingRows(TemplateSettings& s,
                                           std::array<std::string, 4>& keywordTexts) {
  std::vector<SettingDescriptor> rows;
  rows.reserve(kTemplateValueCount);
  rows.push_back(TextRow("Name", &s.Name, kTemplateNameSize));
  rows.push_back(TextRow("ContextHelpFile", &s.ContextHelpFile, kTemplateLongTextSize));
  rows.push_back(TextRow("SyntaxParser", &s.SyntaxParser, kTemplateLongTextSize));
  rows.push_back(TextRow("CompilerOutputMask", &s.CompilerOutputMask, kTemplateLongTextSize));
  rows.push_back(NumberRow("TabStops", &s.TabStops));
  rows.push_back(NumberRow("CustomEdit", &s.CustomEdit));
  rows.push_back(NumberRow("SmartIndenting", &s.SmartIndenting));
  rows.push_back(NumberRow("Ruler", &s.Ruler));
  rows.push_back(NumberRow("SaveTabsAsSpaces", &s.SaveTabsAsSpaces));
  rows.push_back(NumberRow("AddTabsAsSpaces", &s.AddTabsAsSpaces));
  rows.push_back(NumberRow("Cobol85", &s.Cobol85));
  rows.push_back(NumberRow("Trim", &s.Trim));
  rows.push_back(TextRow("TabPositions", &s.TabPositions, kTabPositionsSize));
  rows.push_back(NumberRow("MPEFileSupport", &s.MPEFileSupport));
  rows.push_back(NumberRow("MPEFileCode", &s.MPEFileCode));
  rows.push_back(NumberRow("MPERecordLen", &s.MPERecordLen));
  rows.push_back(NumberRow("MPEType", &s.MPEType));
  rows.push_back(NumberRow("MPEMode", &s.MPEMode));
  rows.push_back(NumberRow("RemoveLineNumbers", &s.RemoveLineNumbers));
  rows.push_back(NumberRow("KeepSequence", &s.KeepSequence));
  rows.push_back(NumberRow("MPELineNoFormat", &s.MPELineNoFormat));
  rows.push_back(NumberRow("HideLineNumbers", &s.HideLineNumbers));
  rows.push_back(NumberRow("LineNumberPosition", &s.LineNumberPosition));
  rows.push_back(NumberRow("LineNumberDigits", &s.LineNumberDigits));
  rows.push_back(NumberRow("LineNumberStart", &s.LineNumberStart));
  rows.push_back(NumberRow("LineNumberIncrement", &s.LineNumberIncrement));
  rows.push_back(NumberRow("IntelliSequence", &s.IntelliSequence));
  rows.push_back(NumberRow("QeditType", &s.QeditType));
  rows.push_back(NumberRow("MaximumLineLength", &s.MaximumLineLength));
  rows.push_back(TextRow("OpenComment", &s.OpenComment, kCommentMarkerSize));
  rows.push_back(TextRow("CloseComment", &s.CloseComment, kCommentMarkerSize));
  rows.push_back(TextRow("LineComment", &s.LineComment, kCommentMarkerSize));
  rows.push_back(NumberRow("LineCommentPos", &s.LineCommentPos));
  rows.push_back(TextRow("Delimiters", &s.Delimiters, kDelimitersSize));
  rows.push_back(NumberRow("CaseSensitive", &s.CaseSensitive));
  rows.push_back(NumberRow("SingleQuotes", &s.SingleQuotes));
  rows.push_back(NumberRow("DoubleQuotes", &s.DoubleQuotes));
  rows.push_back(NumberRow("PartialMatchLen", &s.PartialMatchLen));
  rows.push_back(NumberRow("PartialMatch", &s.PartialMatch));
  for (int i = 0; i < 4; ++i) {
    rows.push_back(
        TextRow("KeywordList" + std::to_string(i + 1), &keywordTexts[i], kKeywordTextSize));
  }
  return rows;
}

// A text row can be stored whole when it fits its row with the terminator
// and holds no zero byte (a zero would end the stored text early).
bool FitsRow(const SettingDescriptor& row) {
  const auto* text = std::get_if<std::string*>(&row.target);
  if (text == nullptr) return true;
  return (*text)->size() < row.size && (*text)->find('\0') == std::string::npos;
}

}  // namespace

Template::Template(std::filesystem::path path) : path(std::move(path)) {}

bool Template::Load() { return Transfer(true); }

bool Template::Save() { return Transfer(false); }

void Template::Clear() {
  for (KeywordList& list : keywords) list.Clear();
  settings = TemplateSettings{};
  userFlag = 0;
}

std::vector<SettingDescriptor> Template::Descriptors(std::array<std::string, 4>& keywordTexts) {
  return SettingRows(settings, keywordTexts);
}

std::string Template::UnstorableValue() const {
  TemplateSettings copy = settings;
  std::array<std::string, 4> texts;
  for (std::size_t i = 0; i < keywords.size(); ++i) {
    texts[i] = keywords[i].Join(keywords[i].Size(), kKeywordSeparator);
  }
  for (const SettingDescriptor& row : SettingRows(copy, texts)) {
    if (!FitsRow(row)) return row.name;
  }
  return {};
}

// Saving refuses a record that cannot be stored whole – a text longer than
// its row (a name over 62 characters, joined keywords over 16,383
// characters, ...) – before the file is opened, so an existing file is never
// replaced by a shortened copy. UnstorableValue() names the value at fault.
bool Template::Transfer(bool load) {
  try {
    std::array<std::string, 4> texts;
    if (load) {
      Clear();
      StoreFile file = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
      if (!file.IsValid()) return false;
      const std::vector<SettingDescriptor> rows = Descriptors(texts);
      if (!ReadValues(file, kTemplateSection, rows)) return false;
      bool parsed = true;
      for (std::size_t i = 0; i < keywords.size(); ++i) {
        parsed = keywords[i].Parse(texts[i], kKeywordSeparator, false) && parsed;
      }
      return parsed;
    }
    if (!UnstorableValue().empty()) return false;
    StoreFile file = StoreFile::Open(path, false, StoreCreation::kCreateAlways);
    if (!file.IsValid()) return false;
    for (std::size_t i = 0; i < keywords.size(); ++i) {
      texts[i] = keywords[i].Join(kKeywordTextSize, kKeywordSeparator);
    }
    const std::vector<SettingDescriptor> rows = Descriptors(texts);
    return WriteValues(file, kTemplateSection, rows);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void Template::CopyFrom(const Template& other) {
  if (&other == this) return;
  for (std::size_t i = 0; i < keywords.size(); ++i) keywords[i].CopyFrom(other.keywords[i]);
  path = other.path;
  settings = other.settings;
  userFlag = other.userFlag;
}

bool Template::Differs(const Template& other) const {
  if (settings != other.settings || userFlag != other.userFlag) return true;
  for (std::size_t i = 0; i < keywords.size(); ++i) {
    if (keywords[i].Differs(other.keywords[i])) return true;
  }
  return false;
}

}  // namespace vandrel
