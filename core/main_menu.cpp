#include "core/main_menu.h"

#include <algorithm>
#include <array>
#include <set>

#include "core/recent_list.h"
#include "core/string_table.h"

namespace vandrel {
namespace {

// A menu item (or a separator when id is 0) with its own prompt, used when
// the string table holds no help text for the command.
struct ItemSpec {
  int id;
  std::string_view label;
  std::string_view prompt;
};

struct PopupSpec {
  std::string_view title;
  std::span<const ItemSpec> items;
};

constexpr ItemSpec kSeparator{0, {}, {}};

constexpr std::array kFileItems{
    ItemSpec{cmd::kNewFile, "&New File...", "Creates a new document"},
    ItemSpec{cmd::kOpenFile, "&Open File...", "Opens a file from the host"},
    ItemSpec{cmd::kLocalOpen, "Local Op&en...", "Opens a local file"},
    ItemSpec{cmd::kCloseFile, "&Close File", "Closes the active document"},
    kSeparator,
    ItemSpec{cmd::kSave, "&Save", "Saves the active document"},
    ItemSpec{cmd::kSaveAs, "Save &As...", "Saves the active document on the host under a new name"},
    ItemSpec{cmd::kLocalSaveAs, "&Local Save As...", "Saves the active document as a local file"},
    ItemSpec{cmd::kSaveAll, "Sa&ve All", "Saves the project and every modified document"},
    kSeparator,
    ItemSpec{cmd::kPageSetup, "Page Set&up...", "Changes the page layout for printing"},
    ItemSpec{cmd::kPrint, "&Print...", "Prints the active document"},
    ItemSpec{cmd::kExportPdf, "Export as P&DF...", "Prints the active document into a PDF file"},
    kSeparator,
    ItemSpec{cmd::kExit, "E&xit", "Quits the application"},
};

constexpr std::array kEditItems{
    ItemSpec{cmd::kUndo, "&Undo", "Undoes the last change"},
    ItemSpec{cmd::kRedo, "&Redo", "Redoes the last undone change"},
    kSeparator,
    ItemSpec{cmd::kCut, "Cu&t", "Moves the selection to the clipboard"},
    ItemSpec{cmd::kCopy, "&Copy", "Copies the selection to the clipboard"},
    ItemSpec{cmd::kPaste, "&Paste", "Inserts the clipboard contents"},
    kSeparator,
    ItemSpec{cmd::kSelectAll, "Select &All", "Selects the whole document"},
    ItemSpec{cmd::kSelectLine, "Select &Line", "Selects the line of the caret"},
    kSeparator,
    ItemSpec{cmd::kRenumber, "Re&number...", "Renumbers the lines of the document"},
    ItemSpec{cmd::kProperties, "Pr&operties", "Shows the properties of the document"},
};

constexpr std::array kSearchItems{
    ItemSpec{cmd::kFind, "&Find...", "Finds text in the document"},
    ItemSpec{cmd::kFindNext, "Find &Next", "Finds the next occurrence"},
    ItemSpec{cmd::kFindPrevious, "Find Pre&vious", "Finds the previous occurrence"},
    ItemSpec{cmd::kReplace, "&Replace...", "Replaces text in the document"},
    ItemSpec{cmd::kFindInFiles, "Find in F&iles...", "Finds text in host files"},
    kSeparator,
    ItemSpec{cmd::kGoTo, "&Line...", "Moves to a line, bookmark or definition"},
    kSeparator,
    ItemSpec{cmd::kToggleBookmark, "Toggle &Bookmark", "Sets or clears a bookmark on the line"},
    ItemSpec{cmd::kNextBookmark, "Next Book&mark", "Moves to the next bookmark"},
    ItemSpec{cmd::kPreviousBookmark, "Previous Bookmark", "Moves to the previous bookmark"},
    ItemSpec{cmd::kClearBookmarks, "&Clear Bookmarks", "Clears every bookmark of the document"},
    kSeparator,
    ItemSpec{cmd::kNextFunction, "Next F&unction", "Moves to the next function"},
    ItemSpec{cmd::kPreviousFunction, "Previous Fun&ction", "Moves to the previous function"},
    ItemSpec{cmd::kParameterInfo, "Para&meter Info", "Shows the parameters of the function"},
    kSeparator,
    ItemSpec{cmd::kNextErrorTag, "Next &Error/Tag", "Moves to the next error or tag"},
    ItemSpec{cmd::kPreviousErrorTag, "Previous Erro&r/Tag", "Moves to the previous error or tag"},
};

constexpr std::array kViewItems{
    ItemSpec{cmd::kWorkspace, "&Workspace", "Shows or hides the workspace"},
    ItemSpec{cmd::kOutput, "&Output", "Shows or hides the output window"},
    ItemSpec{cmd::kCommandLine, "&Command Line", "Opens the host command line"},
    kSeparator,
    ItemSpec{cmd::kLineNumbersOff, "Line Numbers O&ff", "Hides the line numbers"},
    ItemSpec{cmd::kLineNumbersVirtual, "&Virtual Line Numbers", "Shows virtual line numbers"},
    ItemSpec{cmd::kLineNumbersPhysical, "&Physical Line Numbers",
             "Shows the document's own line numbers"},
    ItemSpec{cmd::kRuler, "&Ruler", "Shows or hides the ruler"},
    kSeparator,
    ItemSpec{cmd::kRefresh, "Re&fresh", "Refreshes the Code Navigator"},
    kSeparator,
    ItemSpec{cmd::kActivateWorkspace, "Activate Wor&kspace", "Moves the focus to the workspace"},
    ItemSpec{cmd::kActivateEditor, "Activate &Editor", "Moves the focus to the editor"},
    ItemSpec{cmd::kActivateOutput, "Activate O&utput", "Moves the focus to the output window"},
};

constexpr std::array kProjectItems{
    ItemSpec{cmd::kNewProject, "&New Project...", "Creates a new project"},
    ItemSpec{cmd::kOpenProject, "&Open Project...", "Opens a project"},
    ItemSpec{cmd::kSaveProject, "&Save Project", "Saves the project"},
    ItemSpec{cmd::kSaveProjectAs, "Save Project &As...", "Saves the project under a new name"},
    ItemSpec{cmd::kCloseProject, "&Close Project", "Closes the project"},
    kSeparator,
    ItemSpec{cmd::kNewFolder, "New &Folder", "Adds a folder to the project"},
    ItemSpec{cmd::kAddFilesToFolder, "Add F&iles to Folder...",
             "Adds files to the selected folder"},
    ItemSpec{cmd::kInsertFileIntoProject, "Insert File into &Project",
             "Adds the document to the project"},
    ItemSpec{cmd::kCopyFolder, "Cop&y Folder", "Copies the selected folder"},
    kSeparator,
    ItemSpec{cmd::kCompile, "Co&mpile", "Compiles the file on the host"},
    ItemSpec{cmd::kBuild, "&Build", "Builds the target on the host"},
    kSeparator,
    ItemSpec{cmd::kProjectSettings, "Se&ttings...", "Edits the settings of the project"},
};

constexpr std::array kHostItems{
    ItemSpec{cmd::kConnect, "&Connect", "Connects to the host"},
    ItemSpec{cmd::kDisconnect, "&Disconnect", "Disconnects from the host"},
    ItemSpec{cmd::kStop, "&Stop", "Stops the host request in progress"},
    kSeparator,
    ItemSpec{cmd::kConnectionInfo, "Connection &Info...", "Shows details of the host connection"},
};

constexpr std::array kToolsItems{
    ItemSpec{cmd::kTemplates, "&Templates...", "Creates and edits templates"},
    ItemSpec{cmd::kOptions, "&Options...", "Changes the editor's options"},
};

constexpr std::array kWindowItems{
    ItemSpec{cmd::kWindowClose, "&Close", "Closes the active window"},
    ItemSpec{cmd::kCloseAll, "Close A&ll", "Closes every window"},
    kSeparator,
    ItemSpec{cmd::kWindowNext, "&Next", "Activates the next window"},
    ItemSpec{cmd::kWindowPrevious, "&Previous", "Activates the previous window"},
    kSeparator,
    ItemSpec{cmd::kCascade, "C&ascade", "Arranges the windows overlapping"},
    ItemSpec{cmd::kTileHorizontally, "Tile &Horizontally",
             "Arranges the windows one above the other"},
    ItemSpec{cmd::kTileVertically, "&Tile Vertically", "Arranges the windows side by side"},
};

constexpr std::array kHelpItems{
    ItemSpec{cmd::kHelpContents, "&Contents", "Shows the help contents"},
    ItemSpec{cmd::kHelpSearch, "&Search...", "Searches the help"},
    kSeparator,
    ItemSpec{cmd::kWhatsNew, "&What's New", "Shows what is new in this version"},
    ItemSpec{cmd::kTipOfTheDay, "&Tip of the Day...", "Shows a tip"},
    ItemSpec{cmd::kInstallingServerSoftware, "&Installing Server Software",
             "Shows how to install the host agent"},
    kSeparator,
    ItemSpec{cmd::kTechnicalSupport, "Technical Su&pport", "Shows how to reach technical support"},
    ItemSpec{cmd::kOrderingInformation, "&Ordering Information", "Shows how to order"},
    kSeparator,
    ItemSpec{cmd::kAbout, "&About Vandrel...", "Shows the program version"},
};

constexpr std::array kPopups{
    PopupSpec{"&File", kFileItems},       PopupSpec{"&Edit", kEditItems},
    PopupSpec{"&Search", kSearchItems},   PopupSpec{"&View", kViewItems},
    PopupSpec{"&Project", kProjectItems}, PopupSpec{"&Host", kHostItems},
    PopupSpec{"&Tools", kToolsItems},     PopupSpec{"&Window", kWindowItems},
    PopupSpec{"&Help", kHelpItems},
};

// Commands without a menu item, with their prompts.
constexpr std::array kAcceleratorOnlyItems{
    ItemSpec{cmd::kNavigatorList, {}, "Drops down the Code Navigator list"},
    ItemSpec{cmd::kEscape, {}, "Cancels the current operation"},
    ItemSpec{cmd::kContextHelp, {}, "Shows help for the word at the caret"},
    ItemSpec{cmd::kToggleRibbon, {}, "Switches the ribbon between editor and structure"},
};

constexpr std::array kAccelerators{
    AcceleratorKey{"Ctrl+N", cmd::kNewFile},
    AcceleratorKey{"Ctrl+O", cmd::kOpenFile},
    AcceleratorKey{"Ctrl+S", cmd::kSave},
    AcceleratorKey{"Ctrl+P", cmd::kPrint},
    AcceleratorKey{"Ctrl+Shift+O", cmd::kLocalOpen},
    AcceleratorKey{"Ctrl+Shift+S", cmd::kLocalSaveAs},
    AcceleratorKey{"Ctrl+A", cmd::kSelectAll},
    AcceleratorKey{"Ctrl+C", cmd::kCopy},
    AcceleratorKey{"Ctrl+V", cmd::kPaste},
    AcceleratorKey{"Ctrl+F", cmd::kFind},
    AcceleratorKey{"F3", cmd::kFindNext},
    AcceleratorKey{"Shift+F3", cmd::kFindPrevious},
    AcceleratorKey{"Ctrl+H", cmd::kReplace},
    AcceleratorKey{"Ctrl+Shift+F", cmd::kFindInFiles},
    AcceleratorKey{"Ctrl+G", cmd::kGoTo},
    AcceleratorKey{"Ctrl+L", cmd::kSelectLine},
    AcceleratorKey{"Ctrl+R", cmd::kRenumber},
    AcceleratorKey{"Ctrl+T", cmd::kParameterInfo},
    AcceleratorKey{"Ctrl+Q", cmd::kNavigatorList},
    AcceleratorKey{"F2", cmd::kNextBookmark},
    AcceleratorKey{"Shift+F2", cmd::kPreviousBookmark},
    AcceleratorKey{"Ctrl+F2", cmd::kToggleBookmark},
    AcceleratorKey{"F4", cmd::kNextErrorTag},
    AcceleratorKey{"Shift+F4", cmd::kPreviousErrorTag},
    AcceleratorKey{"F5", cmd::kRefresh},
    AcceleratorKey{"F7", cmd::kBuild},
    AcceleratorKey{"Ctrl+F7", cmd::kCompile},
    AcceleratorKey{"Alt+F7", cmd::kProjectSettings},
    AcceleratorKey{"F12", cmd::kCommandLine},
    AcceleratorKey{"Ctrl+Break", cmd::kStop},
    AcceleratorKey{"Escape", cmd::kEscape},
    AcceleratorKey{"F1", cmd::kContextHelp},
    AcceleratorKey{"Ctrl+F4", cmd::kWindowClose},
    AcceleratorKey{"Ctrl+Tab", cmd::kWindowNext},
    AcceleratorKey{"Alt+1", cmd::kActivateWorkspace},
    AcceleratorKey{"Alt+2", cmd::kActivateEditor},
    AcceleratorKey{"Alt+3", cmd::kActivateOutput},
    AcceleratorKey{"Alt+Enter", cmd::kProperties},
    AcceleratorKey{"Alt+=", cmd::kToggleRibbon},
    AcceleratorKey{"Ctrl+W", cmd::kToggleRibbon},
};

// Commands whose carrying-out is built: the frame and its document area, the
// editor windows, the docked views, projects, the host connection, compile
// and build, and the output window's error list.
constexpr std::array kAvailable{
    cmd::kExit,
    cmd::kAbout,
    cmd::kContextHelp,
    cmd::kHelpContents,
    cmd::kHelpSearch,
    cmd::kInstallingServerSoftware,
    cmd::kNewFile,
    cmd::kLocalOpen,
    cmd::kCloseFile,
    cmd::kSave,
    cmd::kSaveAs,
    cmd::kLocalSaveAs,
    cmd::kSaveAll,
    cmd::kPageSetup,
    cmd::kPrint,
    cmd::kExportPdf,
    cmd::kInsertFileIntoProject,
    cmd::kOpenFile,
    cmd::kAddFilesToFolder,
    cmd::kProperties,
    cmd::kUndo,
    cmd::kRedo,
    cmd::kCut,
    cmd::kCopy,
    cmd::kPaste,
    cmd::kSelectAll,
    cmd::kSelectLine,
    cmd::kFind,
    cmd::kReplace,
    cmd::kFindNext,
    cmd::kFindPrevious,
    cmd::kGoTo,
    cmd::kToggleBookmark,
    cmd::kNextBookmark,
    cmd::kPreviousBookmark,
    cmd::kClearBookmarks,
    cmd::kNextFunction,
    cmd::kPreviousFunction,
    cmd::kParameterInfo,
    cmd::kRefresh,
    cmd::kToggleRibbon,
    cmd::kNavigatorList,
    cmd::kRuler,
    cmd::kLineNumbersOff,
    cmd::kLineNumbersVirtual,
    cmd::kLineNumbersPhysical,
    cmd::kWorkspace,
    cmd::kOutput,
    cmd::kActivateWorkspace,
    cmd::kActivateEditor,
    cmd::kActivateOutput,
    cmd::kNewProject,
    cmd::kOpenProject,
    cmd::kSaveProject,
    cmd::kSaveProjectAs,
    cmd::kCloseProject,
    cmd::kNewFolder,
    cmd::kCopyFolder,
    cmd::kProjectSettings,
    cmd::kConnect,
    cmd::kDisconnect,
    cmd::kStop,
    cmd::kConnectionInfo,
    cmd::kCompile,
    cmd::kBuild,
    cmd::kNextErrorTag,
    cmd::kPreviousErrorTag,
    cmd::kTipOfTheDay,
    cmd::kTemplates,
    cmd::kOptions,
    cmd::kWindowClose,
    cmd::kCloseAll,
    cmd::kWindowNext,
    cmd::kWindowPrevious,
    cmd::kCascade,
    cmd::kTileHorizontally,
    cmd::kTileVertically,
    cmd::kCommandLine,
    cmd::kClear,
    cmd::kFindInFiles,
    cmd::kRenumber,
};

// Enabled only while an editor window is active.
constexpr std::array kDocumentOnly{
    cmd::kSave,
    cmd::kSaveAs,
    cmd::kLocalSaveAs,
    cmd::kPrint,
    cmd::kExportPdf,
    cmd::kPaste,
    cmd::kFind,
    cmd::kFindNext,
    cmd::kFindPrevious,
    cmd::kReplace,
    cmd::kSelectLine,
    cmd::kGoTo,
    cmd::kToggleBookmark,
    cmd::kNextBookmark,
    cmd::kPreviousBookmark,
    cmd::kClearBookmarks,
    cmd::kLineNumbersOff,
    cmd::kLineNumbersVirtual,
    cmd::kLineNumbersPhysical,
    cmd::kRuler,
    cmd::kUndo,
    cmd::kRedo,
    cmd::kCut,
    cmd::kCopy,
    cmd::kRenumber,
    cmd::kInsertFileIntoProject,
    cmd::kCompile,
    cmd::kProperties,
    cmd::kContextHelp,
    cmd::kToggleRibbon,
};

// Enabled only while some document child (editor or command line) is active.
constexpr std::array kChildOnly{
    cmd::kCloseFile,        cmd::kWindowClose,    cmd::kCloseAll,
    cmd::kWindowNext,       cmd::kWindowPrevious, cmd::kCascade,
    cmd::kTileHorizontally, cmd::kTileVertically, cmd::kActivateEditor,
};

// Enabled only while the active editor's Code Navigator has entries.
constexpr std::array kNavigatorOnly{
    cmd::kNextFunction,
    cmd::kPreviousFunction,
    cmd::kParameterInfo,
    cmd::kNavigatorList,
};

template <typename Range>
bool Contains(const Range& range, int id) {
  return std::find(std::begin(range), std::end(range), id) != std::end(range);
}

const ItemSpec* FindSpec(int commandId) {
  for (const PopupSpec& popup : kPopups) {
    for (const ItemSpec& item : popup.items) {
      if (item.id == commandId) return &item;
    }
  }
  for (const ItemSpec& item : kAcceleratorOnlyItems) {
    if (item.id == commandId) return &item;
  }
  return nullptr;
}

std::string_view FirstAcceleratorOf(int commandId) {
  for (const AcceleratorKey& key : kAccelerators) {
    if (key.commandId == commandId) return key.keys;
  }
  return {};
}

}  // namespace

std::vector<MainMenuPopup> BuildMainMenu() {
  std::vector<MainMenuPopup> popups;
  popups.reserve(kPopups.size());
  for (const PopupSpec& spec : kPopups) {
    MainMenuPopup popup{std::string(spec.title), {}};
    for (const ItemSpec& item : spec.items) {
      if (item.id == 0) {
        popup.menu.Append(MenuEntry::Separator());
        continue;
      }
      std::string text(item.label);
      if (std::string_view keys = FirstAcceleratorOf(item.id); !keys.empty()) {
        text += '\t';
        text += keys;
      }
      popup.menu.Append(MenuEntry::Item(std::move(text), item.id));
    }
    popups.push_back(std::move(popup));
  }
  return popups;
}

std::span<const AcceleratorKey> MainAccelerators() { return kAccelerators; }

std::span<const RecentPopupSpec> RecentPopups() {
  static constexpr std::array kRecent{
      RecentPopupSpec{"Recent &Files", kRecentFiles, cmd::kRecentHostFileBase},
      RecentPopupSpec{"Recent &Local Files", kRecentLocalFiles, cmd::kRecentLocalFileBase},
      RecentPopupSpec{"Recent Pro&jects", kRecentProjects, cmd::kRecentProjectBase},
  };
  return kRecent;
}

std::string WindowListText(int index, std::string_view caption) {
  // "&1" ... "&9" give access keys; later windows are listed without one.
  std::string text = index < 9 ? "&" + std::to_string(index + 1) : std::to_string(index + 1);
  text += ' ';
  // A literal '&' in a caption is doubled so it shows and keys nothing.
  for (char c : caption) {
    if (c == '&') text += '&';
    text += c;
  }
  return text;
}

std::vector<int> AcceleratorOnlyCommands() {
  std::vector<int> ids;
  for (const ItemSpec& item : kAcceleratorOnlyItems) ids.push_back(item.id);
  return ids;
}

std::vector<int> MainFrameCommandIds() {
  std::vector<int> ids;
  for (const PopupSpec& popup : kPopups) {
    for (const ItemSpec& item : popup.items) {
      if (item.id != 0) ids.push_back(item.id);
    }
  }
  for (const ItemSpec& item : kAcceleratorOnlyItems) ids.push_back(item.id);
  return ids;
}

std::string_view MenuLabel(std::string_view menuText) {
  return menuText.substr(0, menuText.find('\t'));
}

std::string_view MenuAcceleratorText(std::string_view menuText) {
  const std::size_t tab = menuText.find('\t');
  return tab == std::string_view::npos ? std::string_view{} : menuText.substr(tab + 1);
}

std::string CommandPrompt(int commandId) {
  if (HasStringTableText(commandId)) {
    std::string_view text = StringTableText(commandId);
    return std::string(text.substr(0, text.find('\n')));
  }
  const ItemSpec* spec = FindSpec(commandId);
  return spec ? std::string(spec->prompt) : std::string();
}

std::string CommandTooltip(int commandId) {
  if (HasStringTableText(commandId)) {
    std::string_view text = StringTableText(commandId);
    const std::size_t lineBreak = text.find('\n');
    if (lineBreak != std::string_view::npos) return std::string(text.substr(lineBreak + 1));
  }
  // Without a stored tooltip: the item's label without access key, plus keys.
  const ItemSpec* spec = FindSpec(commandId);
  if (!spec || spec->label.empty()) return {};
  std::string tooltip;
  for (char c : spec->label) {
    if (c != '&') tooltip += c;
  }
  while (tooltip.ends_with('.')) tooltip.pop_back();
  if (std::string_view keys = FirstAcceleratorOf(commandId); !keys.empty()) {
    tooltip += " (";
    tooltip += keys;
    tooltip += ')';
  }
  return tooltip;
}

bool IsCommandAvailable(int commandId) { return Contains(kAvailable, commandId); }

bool IsCommandEnabled(int commandId, const FrameCommandState& state) {
  if (!IsCommandAvailable(commandId)) return false;
  if (Contains(kChildOnly, commandId)) return state.childActive || state.documentActive;
  if (Contains(kNavigatorOnly, commandId)) return state.documentActive && state.navigatorActive;
  switch (commandId) {
    case cmd::kCut:
      // A selection to cut, in a document that may change.
      return state.documentActive && !state.documentReadOnly && state.documentSelection;
    case cmd::kCopy:
      // The command line window's selection counts as the document's.
      return (state.documentActive || state.commandLineActive) && state.documentSelection;
    case cmd::kPaste:
      return (state.documentActive || state.commandLineActive) && !state.documentReadOnly;
    case cmd::kClear:
      return state.commandLineActive;
    case cmd::kCommandLine:
      return state.connected;
    case cmd::kSave:
    case cmd::kUndo:
    case cmd::kRedo:
      // Nothing may change a read-only document.
      return state.documentActive && !state.documentReadOnly;
    case cmd::kRenumber:
      // Only a document that carries its own numbers, and may change.
      return state.documentActive && state.documentNumbered && !state.documentReadOnly;
    case cmd::kLineNumbersPhysical:
      return state.documentActive && state.documentNumbered;
    case cmd::kReplace:
      return state.documentActive && !state.documentReadOnly;
    case cmd::kFindNext:
    case cmd::kFindPrevious:
      return state.documentActive && state.searchRemembered;
    case cmd::kSaveProject:
    case cmd::kSaveProjectAs:
    case cmd::kCloseProject:
    case cmd::kProjectSettings:
      return state.projectOpen;
    case cmd::kNewFolder:
    case cmd::kCopyFolder:
      return state.projectOpen && state.targetFolder;
    case cmd::kProperties:
      // The workspace's item while it has the keyboard, else the document.
      return state.workspaceFocused ? state.targetItem : state.documentActive;
    case cmd::kNextErrorTag:
    case cmd::kPreviousErrorTag:
      return state.outputHasText;
    case cmd::kCompile:
      // The workspace's file while it has the keyboard, else the active
      // document, compiled on the host.
      return state.connected &&
             (state.workspaceFocused ? state.targetCanCompile : state.documentActive);
    case cmd::kBuild:
      return state.connected && state.projectOpen &&
             (!state.workspaceFocused || state.targetCanBuild);
    case cmd::kAddFilesToFolder:
      return state.connected && state.projectOpen && state.targetFolder;
    case cmd::kOpenFile:
    case cmd::kFindInFiles:
      // Host files come from the host.
      return state.connected;
    case cmd::kSelectAll:
      return state.documentActive || state.outputActive || state.commandLineActive;
    case cmd::kRefresh:
      return state.documentActive || state.navigatorActive;
    case cmd::kConnect:
      return !state.connected;
    case cmd::kDisconnect:
      // Disconnect also gives up restoring a dropped session.
      return state.connected || state.sessionLost;
    case cmd::kConnectionInfo:
      return state.connected;
    case cmd::kStop:
      return state.busy;
    default:
      return !Contains(kDocumentOnly, commandId) || state.documentActive;
  }
}

void ApplyCommandState(std::vector<MainMenuPopup>& popups, const FrameCommandState& state) {
  for (MainMenuPopup& popup : popups) {
    std::set<int> seen;
    for (const MenuEntry& entry : popup.menu.Entries()) {
      if (!entry.separator && seen.insert(entry.commandId).second)
        popup.menu.SetEnabled(entry.commandId, IsCommandEnabled(entry.commandId, state));
    }
  }
}

}  // namespace vandrel
