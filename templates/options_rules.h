// The rules of the Options pages that do not need a window: the values the
// pages clamp, the COBOL'85 tag example, how the Directories page shows an
// unset folder, the cache slider's label, the colour choices and which
// settings each display category edits.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/app_settings.h"
#include "documents/date_stamps.h"

namespace vandrel {

// Tab sizes outside 2-16 are stored as 4; point sizes outside 6-72 as 10.
std::int32_t StoredTabStops(std::int32_t value);
std::int32_t StoredFontSize(std::int32_t value);

// "Example: %s" of the Editor page: today's tag from `pattern` by the line
// tag expansion, its first 8 characters and "*" when it is longer, "n/a"
// for an empty pattern.
std::string TagExample(std::string_view pattern, const CalendarDate& date);
// The Cobol85Token field keeps at most this many characters.
inline constexpr std::size_t kCobol85TokenLength = 15;

// The Directories page shows an unset folder as "(none)" and stores
// "(none)" as empty.
std::string ShownFolder(std::string_view folder);
std::string StoredFolder(std::string_view shown);

// The label of the directory cache slider (kilobytes, 0 to 1000).
std::string CacheSizeLabel(std::int32_t kilobytes);

// The "Workspace" page's "Reload last project on startup": checked when
// GettingStarted is 2, stored as 2 or 0.
inline bool ReloadLastProject(std::int32_t gettingStarted) { return gettingStarted == 2; }
inline std::int32_t GettingStartedFor(bool reload) { return reload ? 2 : 0; }

// A colour drop-down's entries: the 17 named colours, then "Automatic".
struct ColourChoice {
  std::string_view name;
  std::uint32_t value;
};
inline constexpr std::uint32_t kAutomaticColour = 16777216;
std::span<const ColourChoice> NamedColours();
// The entry of `value` (0-16 named, 17 Automatic), or -1 when it is none of
// them: the drop-down then shows no selection.
int ColourChoiceIndex(std::uint32_t value);

// A display category and the settings its two drop-downs edit; a null
// member means the drop-down shows Normal's colour, disabled.
struct DisplayCategory {
  std::string_view name;
  std::uint32_t AppSettings::*foreground;
  std::uint32_t AppSettings::*background;
};
std::span<const DisplayCategory> DisplayCategories();

// The colour a category's drop-down shows: its own, or Normal's when it has
// none.
std::uint32_t ForegroundOf(const AppSettings& settings, const DisplayCategory& category);
std::uint32_t BackgroundOf(const AppSettings& settings, const DisplayCategory& category);

}  // namespace vandrel
