#include "core/app_settings.h"

#include <bit>
#include <cstdio>
#include <limits>
#include <optional>

#include "platform/ascii_text.h"

namespace vandrel {

// PrintMargins and "Window" are stored as the bytes of 32-bit integers in the
// little-endian order that stored files use.
static_assert(std::endian::native == std::endian::little,
              "stored byte order equals memory order only on little-endian machines");

namespace {

enum RowKind { kColour, kFlag, kNumber, kText, kMargins };

constexpr RowKind kKinds[kAppSettingCount] = {
    kColour,   // BackgroundColor
    kColour,   // TextColor
    kColour,   // CommentColor
    kColour,   // Keyword1Color
    kColour,   // Keyword2Color
    kColour,   // Keyword3Color
    kColour,   // Keyword4Color
    kColour,   // LineNoColor
    kColour,   // LineNoTextColor
    kColour,   // VirtualNoColor
    kColour,   // VirtualNoTextColor
    kColour,   // JumpTagColor
    kColour,   // JumpTagTextColor
    kColour,   // ErrorColor
    kColour,   // ErrorTextColor
    kColour,   // BookmarkColor
    kColour,   // BookmarkTextColor
    kText,     // EditorFont
    kNumber,   // EditorFontSize
    kColour,   // TerminalColor
    kColour,   // TerminalTextColor
    kColour,   // SelectionColor
    kColour,   // SelectionTextColor
    kColour,   // MarginColor
    kColour,   // MarginTextColor
    kColour,   // TokenColor
    kColour,   // TokenTextColor
    kColour,   // LimitArea
    kNumber,   // VerticalDivider
    kNumber,   // HorizontalDivider
    kFlag,     // ShowConnectionDlg
    kFlag,     // OpenFirstFileMax
    kFlag,     // ShowRuler
    kNumber,   // DefaultTabStops
    kFlag,     // ConfirmDelete
    kFlag,     // ShowLineBreaks
    kFlag,     // SmartIndent
    kFlag,     // SaveBeforeBuild
    kFlag,     // AllowDuplicateOpen
    kFlag,     // AllowProjectRename
    kFlag,     // MirrorProperties
    kFlag,     // ProjectChangeWarn
    kNumber,   // GettingStarted
    kMargins,  // PrintMargins
    kFlag,     // PrintPortrait
    kText,     // PrintHeader
    kText,     // PrintFooter
    kFlag,     // Debugging
    kText,     // PrintHeaderFont
    kNumber,   // PrintHeaderSize
    kText,     // PrintFont
    kNumber,   // PrintPointSize
    kFlag,     // WildcardCase
    kFlag,     // DetailedFileLists
    kFlag,     // AutoNumberCobol
    kFlag,     // DetectLineNoPrompt
    kNumber,   // FolderCacheSize
    kFlag,     // FirstRun
    kFlag,     // ShowTips
    kNumber,   // NextTipNumber
    kText,     // TemplatesFolder
    kFlag,     // SelectionMargin
    kFlag,     // EchoCommands
    kText,     // Cobol85Token
    kText,     // VDXFolder
    kFlag,     // RenumberMarkers
    kFlag,     // StartupDialog
    kFlag,     // InitialDirList
    kFlag,     // EmptyOutput
    kFlag,     // CountErrors
    kFlag,     // Select1stError
    kNumber,   // FindSettings
    kFlag,     // RememberFind
    kFlag,     // TemplateInCaption
    kFlag,     // KeepFindSelVisible
    kNumber,   // SpecialOptions
    kText,     // ProjectsFolder
    kText,     // LocalFolder
    kText,     // LocalTemplates
    kFlag,     // EditRangeTips
    kFlag,     // CodeNavigatorTips
    kNumber,   // CodeNavTreeParams
    kFlag,     // DragDropEditing
    kFlag,     // ShowViewsOnStartup
    kFlag,     // BackupProjectFiles
    kFlag,     // SoundOutputBell
    kFlag,     // SoundErrors
    kText,     // NLSDefaultCharSet
    kText,     // NLSFiles
    kFlag,     // VirtualLineNumbers
    kNumber,   // FolderDialogWidth
    kNumber,   // FolderDialogHeight
    kFlag,     // AutoReconnect
};

struct NumberRange {
  std::string_view name;
  std::int64_t low;
  std::int64_t high;
};
constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();
// Numbers not listed take any 32-bit value (option bits, for example).
constexpr NumberRange kRanges[] = {
    {"EditorFontSize", 1, kIntMax},     {"VerticalDivider", 0, kIntMax},
    {"HorizontalDivider", 0, kIntMax},  {"DefaultTabStops", 1, kIntMax},
    {"GettingStarted", 0, 2},           {"PrintHeaderSize", 1, kIntMax},
    {"PrintPointSize", 1, kIntMax},     {"FolderCacheSize", 0, kIntMax},
    {"NextTipNumber", 0, kIntMax},      {"FolderDialogWidth", 0, kIntMax},
    {"FolderDialogHeight", 0, kIntMax},
};

std::span<std::uint8_t> MarginBytes(std::array<std::int32_t, 4>& margins) {
  return {reinterpret_cast<std::uint8_t*>(margins.data()), sizeof margins};
}

// A decimal integer (optional sign) within [low, high].
std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t low,
                                         std::int64_t high) {
  text = platform::TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 12) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (!platform::IsAsciiDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::optional<std::uint32_t> ParseColour(std::string_view text) {
  text = platform::TrimBlanks(text);
  if (text.size() >= 4 && platform::EqualsIgnoreCase(text.substr(0, 3), "rgb")) {
    std::string_view rest = platform::TrimBlanks(text.substr(3));
    if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') return std::nullopt;
    rest = rest.substr(1, rest.size() - 2);
    std::uint8_t parts[3];
    for (int i = 0; i < 3; ++i) {
      std::size_t comma = rest.find(',');
      if ((i < 2) != (comma != std::string_view::npos)) return std::nullopt;
      std::optional<std::int64_t> part = ParseInteger(rest.substr(0, comma), 0, 255);
      if (!part) return std::nullopt;
      parts[i] = static_cast<std::uint8_t>(*part);
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return Rgb(parts[0], parts[1], parts[2]);
  }
  std::optional<std::int64_t> value =
      ParseInteger(text, 0, std::numeric_limits<std::uint32_t>::max());
  if (!value) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

}  // namespace

void AppSettings::AssignDefaults() { *this = AppSettings{}; }

std::vector<SettingDescriptor> AppSettings::Table() {
  return {
      BytesRow("BackgroundColor", &BackgroundColor),
      BytesRow("TextColor", &TextColor),
      BytesRow("CommentColor", &CommentColor),
      BytesRow("Keyword1Color", &Keyword1Color),
      BytesRow("Keyword2Color", &Keyword2Color),
      BytesRow("Keyword3Color", &Keyword3Color),
      BytesRow("Keyword4Color", &Keyword4Color),
      BytesRow("LineNoColor", &LineNoColor),
      BytesRow("LineNoTextColor", &LineNoTextColor),
      BytesRow("VirtualNoColor", &VirtualNoColor),
      BytesRow("VirtualNoTextColor", &VirtualNoTextColor),
      BytesRow("JumpTagColor", &JumpTagColor),
      BytesRow("JumpTagTextColor", &JumpTagTextColor),
      BytesRow("ErrorColor", &ErrorColor),
      BytesRow("ErrorTextColor", &ErrorTextColor),
      BytesRow("BookmarkColor", &BookmarkColor),
      BytesRow("BookmarkTextColor", &BookmarkTextColor),
      TextRow("EditorFont", &EditorFont, 128),
      BytesRow("EditorFontSize", &EditorFontSize),
      BytesRow("TerminalColor", &TerminalColor),
      BytesRow("TerminalTextColor", &TerminalTextColor),
      BytesRow("SelectionColor", &SelectionColor),
      BytesRow("SelectionTextColor", &SelectionTextColor),
      BytesRow("MarginColor", &MarginColor),
      BytesRow("MarginTextColor", &MarginTextColor),
      BytesRow("TokenColor", &TokenColor),
      BytesRow("TokenTextColor", &TokenTextColor),
      BytesRow("LimitArea", &LimitArea),
      BytesRow("VerticalDivider", &VerticalDivider),
      BytesRow("HorizontalDivider", &HorizontalDivider),
      BytesRow("ShowConnectionDlg", &ShowConnectionDlg),
      BytesRow("OpenFirstFileMax", &OpenFirstFileMax),
      BytesRow("ShowRuler", &ShowRuler),
      BytesRow("DefaultTabStops", &DefaultTabStops),
      BytesRow("ConfirmDelete", &ConfirmDelete),
      BytesRow("ShowLineBreaks", &ShowLineBreaks),
      BytesRow("SmartIndent", &SmartIndent),
      BytesRow("SaveBeforeBuild", &SaveBeforeBuild),
      BytesRow("AllowDuplicateOpen", &AllowDuplicateOpen),
      BytesRow("AllowProjectRename", &AllowProjectRename),
      BytesRow("MirrorProperties", &MirrorProperties),
      BytesRow("ProjectChangeWarn", &ProjectChangeWarn),
      BytesRow("GettingStarted", &GettingStarted),
      BytesRow("PrintMargins", MarginBytes(PrintMargins)),
      BytesRow("PrintPortrait", &PrintPortrait),
      TextRow("PrintHeader", &PrintHeader, 128),
      TextRow("PrintFooter", &PrintFooter, 128),
      BytesRow("Debugging", &Debugging),
      TextRow("PrintHeaderFont", &PrintHeaderFont, 128),
      BytesRow("PrintHeaderSize", &PrintHeaderSize),
      TextRow("PrintFont", &PrintFont, 128),
      BytesRow("PrintPointSize", &PrintPointSize),
      BytesRow("WildcardCase", &WildcardCase),
      BytesRow("DetailedFileLists", &DetailedFileLists),
      BytesRow("AutoNumberCobol", &AutoNumberCobol),
      BytesRow("DetectLineNoPrompt", &DetectLineNoPrompt),
      BytesRow("FolderCacheSize", &FolderCacheSize),
      BytesRow("FirstRun", &FirstRun),
      BytesRow("ShowTips", &ShowTips),
      BytesRow("NextTipNumber", &NextTipNumber),
      TextRow("TemplatesFolder", &TemplatesFolder, 260),
      BytesRow("SelectionMargin", &SelectionMargin),
      BytesRow("EchoCommands", &EchoCommands),
      TextRow("Cobol85Token", &Cobol85Token, 32),
      TextRow("VDXFolder", &VDXFolder, 260),
      BytesRow("RenumberMarkers", &RenumberMarkers),
      BytesRow("StartupDialog", &StartupDialog),
      BytesRow("InitialDirList", &InitialDirList),
      BytesRow("EmptyOutput", &EmptyOutput),
      BytesRow("CountErrors", &CountErrors),
      BytesRow("Select1stError", &Select1stError),
      BytesRow("FindSettings", &FindSettings),
      BytesRow("RememberFind", &RememberFind),
      BytesRow("TemplateInCaption", &TemplateInCaption),
      BytesRow("KeepFindSelVisible", &KeepFindSelVisible),
      BytesRow("SpecialOptions", &SpecialOptions),
      TextRow("ProjectsFolder", &ProjectsFolder, 260),
      TextRow("LocalFolder", &LocalFolder, 260),
      TextRow("LocalTemplates", &LocalTemplates, 260),
      BytesRow("EditRangeTips", &EditRangeTips),
      BytesRow("CodeNavigatorTips", &CodeNavigatorTips),
      BytesRow("CodeNavTreeParams", &CodeNavTreeParams),
      BytesRow("DragDropEditing", &DragDropEditing),
      BytesRow("ShowViewsOnStartup", &ShowViewsOnStartup),
      BytesRow("BackupProjectFiles", &BackupProjectFiles),
      BytesRow("SoundOutputBell", &SoundOutputBell),
      BytesRow("SoundErrors", &SoundErrors),
      TextRow("NLSDefaultCharSet", &NLSDefaultCharSet, 128),
      TextRow("NLSFiles", &NLSFiles, 260),
      BytesRow("VirtualLineNumbers", &VirtualLineNumbers),
      BytesRow("FolderDialogWidth", &FolderDialogWidth),
      BytesRow("FolderDialogHeight", &FolderDialogHeight),
      BytesRow("AutoReconnect", &AutoReconnect),
  };
}

int AppSettings::Read(SettingsStore& store) {
  AssignDefaults();
  return store.ReadTable("", Table());
}

bool AppSettings::Write(SettingsStore& store) { return store.WriteTable("", Table()) == 1; }

int FindAppSetting(std::string_view name) {
  AppSettings probe;
  std::vector<SettingDescriptor> rows = probe.Table();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (platform::EqualsIgnoreCase(rows[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string FormatAppSetting(const AppSettings& settings, int row) {
  if (row < 0 || row >= kAppSettingCount) return {};
  AppSettings copy = settings;
  SettingDescriptor descriptor = copy.Table()[static_cast<std::size_t>(row)];
  switch (kKinds[row]) {
    case kColour: {
      std::uint32_t colour = *std::get<std::uint32_t*>(descriptor.target);
      if (colour > 0xFFFFFF) return std::to_string(colour);
      return "RGB(" + std::to_string(colour & 0xFF) + "," + std::to_string(colour >> 8 & 0xFF) +
             "," + std::to_string(colour >> 16 & 0xFF) + ")";
    }
    case kFlag:
    case kNumber:
      return std::to_string(*std::get<std::int32_t*>(descriptor.target));
    case kText:
      return *std::get<std::string*>(descriptor.target);
    case kMargins: {
      const auto& m = copy.PrintMargins;
      return std::to_string(m[0]) + "," + std::to_string(m[1]) + "," + std::to_string(m[2]) + "," +
             std::to_string(m[3]);
    }
  }
  return {};
}

bool ParseAppSetting(AppSettings& settings, int row, std::string_view text, std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error) *error = message;
    return false;
  };
  if (row < 0 || row >= kAppSettingCount) return fail("no such setting");
  SettingDescriptor descriptor = settings.Table()[static_cast<std::size_t>(row)];
  const std::string& name = descriptor.name;
  switch (kKinds[row]) {
    case kColour: {
      std::optional<std::uint32_t> colour = ParseColour(text);
      if (!colour) {
        return fail(name + " expects a colour as RGB(red,green,blue) with parts from 0 to 255, " +
                    "or a colour value in decimal; got " + Quoted(text));
      }
      *std::get<std::uint32_t*>(descriptor.target) = *colour;
      return true;
    }
    case kFlag: {
      std::optional<std::int64_t> flag = ParseInteger(text, 0, 1);
      if (!flag) return fail(name + " expects 0 or 1; got " + Quoted(text));
      *std::get<std::int32_t*>(descriptor.target) = static_cast<std::int32_t>(*flag);
      return true;
    }
    case kNumber: {
      std::int64_t low = kIntMin, high = kIntMax;
      for (const NumberRange& range : kRanges) {
        if (range.name == name) low = range.low, high = range.high;
      }
      std::optional<std::int64_t> number = ParseInteger(text, low, high);
      if (!number) {
        return fail(name + " expects a whole number from " + std::to_string(low) + " to " +
                    std::to_string(high) + "; got " + Quoted(text));
      }
      *std::get<std::int32_t*>(descriptor.target) = static_cast<std::int32_t>(*number);
      return true;
    }
    case kText: {
      std::size_t limit = descriptor.size - 1;
      if (text.size() > limit) {
        return fail(name + " holds at most " + std::to_string(limit) + " characters; got " +
                    std::to_string(text.size()));
      }
      for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          return fail(name + " may not contain control characters");
        }
      }
      *std::get<std::string*>(descriptor.target) = std::string(text);
      return true;
    }
    case kMargins: {
      std::array<std::int32_t, 4> margins{};
      std::string_view rest = text;
      for (int i = 0; i < 4; ++i) {
        std::size_t comma = rest.find(',');
        std::optional<std::int64_t> margin;
        if ((i < 3) == (comma != std::string_view::npos)) {
          margin = ParseInteger(rest.substr(0, comma), 0, kIntMax);
        }
        if (!margin) {
          return fail(name + " expects four whole numbers from 0 up, left,top,right,bottom; got " +
                      Quoted(text));
        }
        margins[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(*margin);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
      }
      settings.PrintMargins = margins;
      return true;
    }
  }
  return fail("no such setting");
}

namespace {
constexpr std::string_view kMaximizedName = "Maximized";
constexpr std::string_view kWindowName = "Window";
}  // namespace

bool ReadMaximized(SettingsStore& store, std::int32_t* maximized) {
  return store.ReadValue("", NumberRow(std::string(kMaximizedName), maximized));
}

bool WriteMaximized(SettingsStore& store, std::int32_t maximized) {
  return store.WriteValue("", NumberRow(std::string(kMaximizedName), &maximized));
}

bool ReadWindowRect(SettingsStore& store, WindowRect* rect) {
  auto value = store.ReadRaw("", kWindowName);
  if (!value || value->first != kStorageBytes || value->second.size() != 16) return false;
  std::int32_t parts[4];
  for (int i = 0; i < 4; ++i) {
    std::uint32_t bits = 0;
    for (int b = 3; b >= 0; --b)
      bits = bits << 8 | value->second[static_cast<std::size_t>(4 * i + b)];
    parts[i] = static_cast<std::int32_t>(bits);
  }
  *rect = WindowRect{parts[0], parts[1], parts[2], parts[3]};
  return true;
}

bool WriteWindowRect(SettingsStore& store, const WindowRect& rect) {
  std::vector<std::uint8_t> bytes;
  for (std::int32_t part : {rect.left, rect.top, rect.right, rect.bottom}) {
    auto bits = static_cast<std::uint32_t>(part);
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * b)));
  }
  return store.WriteValue("", kWindowName, kStorageBytes, bytes);
}

}  // namespace vandrel
