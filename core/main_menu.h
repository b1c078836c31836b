// The main frame's menu bar and keyboard accelerators as data: the top-level
// popups in order, each with its items (text with '&' access key and, after
// a tab, the accelerator) and separators, the accelerator table, the
// status-bar prompt of each command, and which commands are enabled for a
// given frame state. The user interface renders this; nothing here needs Qt.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/menu_model.h"

namespace vandrel {

// Command ids of the main frame's menus and accelerators.
namespace cmd {
inline constexpr int kNewFile = 1001;
inline constexpr int kOpenFile = 1002;
inline constexpr int kCloseFile = 1003;
inline constexpr int kSave = 1004;
inline constexpr int kSaveAs = 1005;
inline constexpr int kPrint = 1006;
inline constexpr int kPageSetup = 1007;
inline constexpr int kExportPdf = 1008;  // the printout into a PDF file
inline constexpr int kExit = 1009;
inline constexpr int kSaveAll = 1011;
inline constexpr int kSelectAll = 1013;
inline constexpr int kFind = 1014;
inline constexpr int kReplace = 1015;
inline constexpr int kFindNext = 1016;
inline constexpr int kUndo = 1017;
inline constexpr int kCut = 1018;
inline constexpr int kCopy = 1019;
inline constexpr int kPaste = 1020;
inline constexpr int kClear = 1021;  // the command line window's own
inline constexpr int kWindowNext = 1023;
inline constexpr int kCloseAll = 1024;
inline constexpr int kWindowPrevious = 1025;
inline constexpr int kCascade = 1026;
inline constexpr int kTileHorizontally = 1027;
inline constexpr int kWindowClose = 1029;
inline constexpr int kAbout = 1030;
inline constexpr int kContextHelp = 1031;
inline constexpr int kNewProject = 3005;
inline constexpr int kNewFolder = 3006;
inline constexpr int kAddFilesToFolder = 3007;
inline constexpr int kProjectSettings = 3010;
inline constexpr int kSaveProject = 3013;
inline constexpr int kOpenProject = 3014;
inline constexpr int kOptions = 3017;
inline constexpr int kCompile = 3018;
inline constexpr int kGoTo = 3021;
inline constexpr int kToggleBookmark = 3022;
inline constexpr int kNextBookmark = 3023;
inline constexpr int kProperties = 3026;
inline constexpr int kCloseProject = 3027;
inline constexpr int kRedo = 3036;
inline constexpr int kSaveProjectAs = 3038;
inline constexpr int kLocalSaveAs = 3039;
inline constexpr int kLocalOpen = 3040;
inline constexpr int kRuler = 3041;
inline constexpr int kClearBookmarks = 3044;
inline constexpr int kFindInFiles = 3045;
inline constexpr int kBuild = 3046;
inline constexpr int kTileVertically = 3073;
inline constexpr int kNextFunction = 3074;
inline constexpr int kPreviousFunction = 3075;
inline constexpr int kRefresh = 3078;
inline constexpr int kStop = 3079;
inline constexpr int kConnect = 3080;
inline constexpr int kDisconnect = 3081;
inline constexpr int kOutput = 3082;
inline constexpr int kNextErrorTag = 3083;
inline constexpr int kCommandLine = 3089;
inline constexpr int kCopyFolder = 3090;
inline constexpr int kWorkspace = 3094;
inline constexpr int kInsertFileIntoProject = 3095;
inline constexpr int kHelpContents = 3098;
inline constexpr int kHelpSearch = 3099;
inline constexpr int kTechnicalSupport = 3100;
inline constexpr int kOrderingInformation = 3101;
inline constexpr int kLineNumbersOff = 3104;
inline constexpr int kLineNumbersVirtual = 3105;
inline constexpr int kLineNumbersPhysical = 3106;
inline constexpr int kConnectionInfo = 3109;
inline constexpr int kPreviousErrorTag = 3117;
inline constexpr int kWhatsNew = 3122;
inline constexpr int kTipOfTheDay = 3123;
inline constexpr int kRenumber = 3127;
inline constexpr int kTemplates = 3130;
inline constexpr int kNavigatorList = 3132;
inline constexpr int kSelectLine = 3133;
inline constexpr int kEscape = 3134;
inline constexpr int kFindPrevious = 3136;
inline constexpr int kInstallingServerSoftware = 3137;
inline constexpr int kPreviousBookmark = 3139;
inline constexpr int kToggleRibbon = 3161;
inline constexpr int kActivateWorkspace = 3163;
inline constexpr int kActivateEditor = 3164;
inline constexpr int kActivateOutput = 3165;
inline constexpr int kParameterInfo = 3169;

// Ranges of commands whose items are filled in at run time.
inline constexpr int kFirstWindowChild = 10293;
inline constexpr int kRecentProjectBase = 10500;
inline constexpr int kRecentHostFileBase = 10600;
inline constexpr int kRecentLocalFileBase = 10700;
inline constexpr int kToolBase = 10800;
}  // namespace cmd

struct MainMenuPopup {
  std::string title;  // with '&' access key
  MenuModel menu;
};

// One row of the accelerator table; a command may have several keys.
struct AcceleratorKey {
  std::string_view keys;  // e.g. "Ctrl+Shift+O", "F3", "Alt+="
  int commandId;
};

// What the frame knows when it decides which commands are enabled.
struct FrameCommandState {
  bool documentActive = false;     // the active child is an editor window
  bool childActive = false;        // any document child is active
  bool outputActive = false;       // the output window has the focus
  bool navigatorActive = false;    // the active editor has Code Navigator entries
  bool connected = false;          // the host connection is open
  bool sessionLost = false;        // a dropped session waits to be restored
  bool busy = false;               // host requests are pending
  bool documentReadOnly = false;   // the active editor's document cannot be changed
  bool documentNumbered = false;   // the active editor's document has its own line numbers
  bool documentSelection = false;  // the active editor has a selection
  bool projectOpen = false;        // a project is open in the workspace
  bool outputHasText = false;      // the output window's current pane holds text
  bool commandLineActive = false;  // the active child is the command line window
  bool searchRemembered = false;   // a search is remembered for Find Next and Find Previous
  // The workspace: whether it has the keyboard, and what its command target
  // (the selected item while it has the keyboard, else the project) allows.
  bool workspaceFocused = false;
  bool targetItem = false;        // there is a target item
  bool targetFolder = false;      // the target is a folder or the project
  bool targetCanCompile = false;  // the target is a file that can be compiled
  bool targetCanBuild = false;    // something builds the target
};

// The File menu's popups of recently used projects, host files and local
// files: their titles, the settings list each shows and the command base
// (entry n has id base + n).
struct RecentPopupSpec {
  std::string_view title;
  std::string_view list;
  int commandBase = 0;
};
std::span<const RecentPopupSpec> RecentPopups();
// The File menu item the recent popups come before.
inline constexpr int kRecentPopupsBefore = cmd::kExit;

// The Window menu's list of document children: "&1 caption" ... with ids
// from cmd::kFirstWindowChild, after a separator; at most this many.
inline constexpr int kWindowListEntries = 9;
std::string WindowListText(int index, std::string_view caption);

// The whole menu bar, every entry enabled; texts carry the first accelerator
// key of their command after a tab.
std::vector<MainMenuPopup> BuildMainMenu();

// The keyboard accelerator table, in table order.
std::span<const AcceleratorKey> MainAccelerators();

// Commands reached only through the accelerator table.
std::vector<int> AcceleratorOnlyCommands();

// Every command the frame offers (menu items and accelerator-only commands),
// each once.
std::vector<int> MainFrameCommandIds();

// The command's text before the tab and the accelerator after it.
std::string_view MenuLabel(std::string_view menuText);
std::string_view MenuAcceleratorText(std::string_view menuText);

// The status-bar prompt while the command's item is highlighted (the help
// text up to its first line break) and the tooltip (the text after it).
std::string CommandPrompt(int commandId);
std::string CommandTooltip(int commandId);

// True for commands whose carrying-out is built; the others show disabled.
bool IsCommandAvailable(int commandId);

// Whether the command is enabled in `state`: available and allowed there.
bool IsCommandEnabled(int commandId, const FrameCommandState& state);

// Sets the enabled flag of every item of `popups` for `state`.
void ApplyCommandState(std::vector<MainMenuPopup>& popups, const FrameCommandState& state);

}  // namespace vandrel
