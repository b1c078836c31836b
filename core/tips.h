// The tip of the day: short texts kept in an initialisation file,
// "Vandrel.tip", section "Tips", under the keys "1", "2", ... The settings
// NextTipNumber and ShowTips remember where the user is in the list and
// whether the tips are offered at start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ini_file.h"

namespace vandrel {

struct AppSettings;

inline constexpr std::string_view kTipFileName = "Vandrel.tip";
inline constexpr std::string_view kTipSection = "Tips";
// At most this many bytes of a tip are read (never splitting a character).
inline constexpr std::size_t kMaxTipLength = 512;

// Turns the two-character sequences "\n" and "\t" into a line break and a
// tab; every other character, backslashes included, stays as it is.
std::string ExpandTipEscapes(std::string_view text);

class TipFile {
 public:
  TipFile() = default;
  static TipFile Parse(std::string_view text);
  // False (with a message in `error`) when the file is missing or cannot be
  // read; the object then holds no tips.
  bool Load(const std::filesystem::path& path, std::string* error = nullptr);

  // Tip `number`, cut to kMaxTipLength and with its escapes expanded;
  // nothing when the key is missing.
  std::optional<std::string> Tip(std::int64_t number) const;

 private:
  platform::IniFile ini_;
};

struct TipTaken {
  std::int64_t number = 0;  // the key shown
  std::string text;         // empty when not even tip 1 exists
  bool found = false;
};

// What showing the dialog and its Next Tip button do: reads the tip
// `nextTipNumber` names and moves the number on by one. When that key is
// missing, tip 1 is shown instead and the number becomes 2. After the
// largest number the count starts again at 1.
TipTaken TakeNextTip(const TipFile& tips, std::int32_t& nextTipNumber);

// During a first run the tips start from the beginning and are offered at
// start-up: NextTipNumber becomes 1 and ShowTips 1. Nothing changes otherwise.
void ApplyFirstRunToTips(AppSettings& settings);

// Whether the tip dialog opens: always when `forced` (the Help menu's
// command), otherwise when ShowTips is set. The first-run rule is applied
// first.
bool ShouldShowTipDialog(AppSettings& settings, bool forced);

// The tip file in `folder`.
std::filesystem::path TipFileIn(const std::filesystem::path& folder);

}  // namespace vandrel
