// The application settings: the 93 preferences read at start-up from the base
// key (after the defaults are assigned) and written back there at exit, in the
// table's row order. Colours are Windows colour values (red in the lowest
// byte, then green, then blue); flags hold 0 or 1. Colours, flags and numbers
// are stored as 4 raw bytes, PrintMargins as 16 raw bytes (left, top, right,
// bottom), texts as text with the destination sizes of the table.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/setting_descriptor.h"
#include "core/settings_store.h"

namespace vandrel {

constexpr std::uint32_t Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8 |
         static_cast<std::uint32_t>(blue) << 16;
}

inline constexpr int kAppSettingCount = 93;

struct AppSettings {
  // Members carry their defaults.
  std::uint32_t BackgroundColor = Rgb(255, 255, 255);
  std::uint32_t TextColor = Rgb(0, 0, 0);
  std::uint32_t CommentColor = Rgb(0, 128, 0);
  std::uint32_t Keyword1Color = Rgb(0, 0, 255);
  std::uint32_t Keyword2Color = Rgb(255, 0, 0);
  std::uint32_t Keyword3Color = Rgb(0, 128, 128);
  std::uint32_t Keyword4Color = Rgb(128, 128, 0);
  std::uint32_t LineNoColor = Rgb(255, 255, 255);
  std::uint32_t LineNoTextColor = Rgb(192, 192, 192);
  std::uint32_t VirtualNoColor = Rgb(0, 0, 128);
  std::uint32_t VirtualNoTextColor = Rgb(255, 255, 255);
  std::uint32_t JumpTagColor = Rgb(255, 255, 0);
  std::uint32_t JumpTagTextColor = Rgb(0, 0, 0);
  std::uint32_t ErrorColor = Rgb(255, 0, 0);
  std::uint32_t ErrorTextColor = Rgb(255, 255, 255);
  std::uint32_t BookmarkColor = Rgb(0, 255, 255);
  std::uint32_t BookmarkTextColor = Rgb(0, 0, 0);
  std::string EditorFont = "Courier";
  std::int32_t EditorFontSize = 10;
  std::uint32_t TerminalColor = Rgb(0, 0, 0);
  std::uint32_t TerminalTextColor = Rgb(255, 255, 255);
  std::uint32_t SelectionColor = Rgb(0, 0, 0);
  std::uint32_t SelectionTextColor = Rgb(255, 255, 255);
  std::uint32_t MarginColor = Rgb(255, 255, 255);
  std::uint32_t MarginTextColor = Rgb(255, 0, 0);
  std::uint32_t TokenColor = Rgb(192, 192, 192);
  std::uint32_t TokenTextColor = Rgb(0, 0, 0);
  std::uint32_t LimitArea = Rgb(225, 225, 225);
  std::int32_t VerticalDivider = 200;
  std::int32_t HorizontalDivider = 100;
  std::int32_t ShowConnectionDlg = 1;
  std::int32_t OpenFirstFileMax = 0;
  std::int32_t ShowRuler = 1;
  std::int32_t DefaultTabStops = 4;
  std::int32_t ConfirmDelete = 1;
  std::int32_t ShowLineBreaks = 0;
  std::int32_t SmartIndent = 1;
  std::int32_t SaveBeforeBuild = 1;
  std::int32_t AllowDuplicateOpen = 0;
  std::int32_t AllowProjectRename = 0;
  std::int32_t MirrorProperties = 0;
  std::int32_t ProjectChangeWarn = 1;
  std::int32_t GettingStarted = 1;
  std::array<std::int32_t, 4> PrintMargins = {20, 20, 20, 20};
  std::int32_t PrintPortrait = 1;
  std::string PrintHeader = "&F";
  std::string PrintFooter = "Page &P";
  std::int32_t Debugging = 0;
  std::string PrintHeaderFont = "Arial";
  std::int32_t PrintHeaderSize = 8;
  std::string PrintFont = "Courier";
  std::int32_t PrintPointSize = 10;
  std::int32_t WildcardCase = 1;
  std::int32_t DetailedFileLists = 0;
  std::int32_t AutoNumberCobol = 1;
  std::int32_t DetectLineNoPrompt = 1;
  std::int32_t FolderCacheSize = 0;
  std::int32_t FirstRun = 1;
  std::int32_t ShowTips = 1;
  std::int32_t NextTipNumber = 1;
  std::string TemplatesFolder = "";
  std::int32_t SelectionMargin = 1;
  std::int32_t EchoCommands = 1;
  std::string Cobol85Token = "";
  std::string VDXFolder = "";
  std::int32_t RenumberMarkers = 1;
  std::int32_t StartupDialog = 1;
  std::int32_t InitialDirList = 1;
  std::int32_t EmptyOutput = 1;
  std::int32_t CountErrors = 1;
  std::int32_t Select1stError = 0;
  std::int32_t FindSettings = 5;
  std::int32_t RememberFind = 0;
  std::int32_t TemplateInCaption = 1;
  std::int32_t KeepFindSelVisible = 1;
  std::int32_t SpecialOptions = 0;
  std::string ProjectsFolder = "";
  std::string LocalFolder = "";
  std::string LocalTemplates = "";
  std::int32_t EditRangeTips = 1;
  std::int32_t CodeNavigatorTips = 1;
  std::int32_t CodeNavTreeParams = 0;
  std::int32_t DragDropEditing = 1;
  std::int32_t ShowViewsOnStartup = 1;
  std::int32_t BackupProjectFiles = 1;
  std::int32_t SoundOutputBell = 1;
  std::int32_t SoundErrors = 1;
  std::string NLSDefaultCharSet = "";
  std::string NLSFiles = "";
  std::int32_t VirtualLineNumbers = 0;
  std::int32_t FolderDialogWidth = 0;
  std::int32_t FolderDialogHeight = 0;
  // A lost host session is restored automatically, after a growing wait.
  std::int32_t AutoReconnect = 1;

  // Puts every setting back to its default.
  void AssignDefaults();
  // The table rows, in row order, pointing at the members of this object.
  std::vector<SettingDescriptor> Table();
  // Assigns the defaults, then reads the table from the base key; returns the
  // number of rows found (0 when the base key does not exist yet).
  int Read(SettingsStore& store);
  // Writes the whole table to the base key in one replacement of the file.
  bool Write(SettingsStore& store);
};

// Row index of a setting by name, ignoring case; -1 when there is none.
int FindAppSetting(std::string_view name);
// The value of row `row` as text: colours "RGB(r,g,b)" (decimal when the
// value is not a plain colour), flags and numbers in decimal, texts as they
// are, PrintMargins "left,top,right,bottom".
std::string FormatAppSetting(const AppSettings& settings, int row);
// Sets row `row` from text in the forms FormatAppSetting prints (a colour also
// as a decimal number). On bad input returns false, leaves `settings`
// unchanged and describes the problem in `error`.
bool ParseAppSetting(AppSettings& settings, int row, std::string_view text, std::string* error);

// The main window's state at the last orderly exit, two values directly under
// the base key: "Maximized" (32-bit number) and "Window" (16 raw bytes: left,
// top, right, bottom in screen pixels).
struct WindowRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const WindowRect&) const = default;
};
bool ReadMaximized(SettingsStore& store, std::int32_t* maximized);
bool WriteMaximized(SettingsStore& store, std::int32_t maximized);
// True only when "Window" holds exactly 16 raw bytes.
bool ReadWindowRect(SettingsStore& store, WindowRect* rect);
bool WriteWindowRect(SettingsStore& store, const WindowRect& rect);

}  // namespace vandrel
