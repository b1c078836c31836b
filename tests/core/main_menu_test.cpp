#include "core/main_menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace vandrel {
namespace {

std::map<int, std::string> MenuTexts() {
  std::map<int, std::string> texts;
  for (const MainMenuPopup& popup : BuildMainMenu()) {
    for (const MenuEntry& entry : popup.menu.Entries()) {
      if (!entry.separator) texts[entry.commandId] = entry.text;
    }
  }
  return texts;
}

TEST(MainMenu, EveryFrameCommandIsReachableOnce) {
  // The frame's commands are its menu items and the commands only keys
  // reach: each is offered once, each key-only command has a key, and every
  // key names a command of the frame.
  const std::vector<int> ids = MainFrameCommandIds();
  const std::set<int> frame(ids.begin(), ids.end());
  EXPECT_EQ(frame.size(), ids.size());

  std::multiset<int> offered;
  for (const MainMenuPopup& popup : BuildMainMenu()) {
    for (const MenuEntry& entry : popup.menu.Entries()) {
      if (!entry.separator) offered.insert(entry.commandId);
    }
  }
  std::set<int> keyed;
  for (const AcceleratorKey& key : MainAccelerators()) {
    EXPECT_TRUE(frame.contains(key.commandId)) << key.commandId;
    keyed.insert(key.commandId);
  }
  for (int id : AcceleratorOnlyCommands()) {
    EXPECT_FALSE(offered.contains(id)) << id;
    EXPECT_TRUE(keyed.contains(id)) << "no key reaches " << id;
    offered.insert(id);
  }
  EXPECT_EQ(offered, std::multiset<int>(ids.begin(), ids.end()));
}

TEST(MainMenu, TopLevelOrderAndNamedPopups) {
  std::vector<std::string> titles;
  for (const MainMenuPopup& popup : BuildMainMenu()) titles.push_back(popup.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Edit", "&Search", "&View", "&Project",
                                              "&Host", "&Tools", "&Window", "&Help"}));
}

TEST(MainMenu, TextsCarryAccessKeysAndAccelerators) {
  std::map<int, std::string> texts = MenuTexts();
  EXPECT_EQ(texts[cmd::kNewFile], "&New File...\tCtrl+N");
  EXPECT_EQ(texts[cmd::kLocalOpen], "Local Op&en...\tCtrl+Shift+O");
  EXPECT_EQ(texts[cmd::kFindPrevious], "Find Pre&vious\tShift+F3");
  EXPECT_EQ(texts[cmd::kStop], "&Stop\tCtrl+Break");
  EXPECT_EQ(texts[cmd::kProperties], "Pr&operties\tAlt+Enter");
  EXPECT_EQ(texts[cmd::kWindowClose], "&Close\tCtrl+F4");
  EXPECT_EQ(texts[cmd::kExit], "E&xit");
  EXPECT_EQ(MenuLabel(texts[cmd::kSave]), "&Save");
  EXPECT_EQ(MenuAcceleratorText(texts[cmd::kSave]), "Ctrl+S");
  EXPECT_EQ(MenuAcceleratorText(texts[cmd::kExit]), "");

  // Each menu item shows the first key the accelerator table gives it.
  std::set<int> seen;
  for (const AcceleratorKey& key : MainAccelerators()) {
    if (!seen.insert(key.commandId).second || !texts.contains(key.commandId)) continue;
    EXPECT_EQ(MenuAcceleratorText(texts[key.commandId]), key.keys) << key.commandId;
  }
  // No popup has two items with the same access key letter... at least the
  // File menu, where a clash would be most noticed.
  std::set<char> fileKeys;
  const std::vector<MainMenuPopup> popups = BuildMainMenu();
  for (const MenuEntry& entry : popups[0].menu.Entries()) {
    if (entry.separator) continue;
    const std::size_t amp = entry.text.find('&');
    ASSERT_NE(amp, std::string::npos) << entry.text;
    EXPECT_TRUE(fileKeys.insert(static_cast<char>(std::tolower(entry.text[amp + 1]))).second)
        << entry.text;
  }
}

TEST(MainMenu, AcceleratorTableKeysAreUnique) {
  std::set<std::string_view> keys;
  for (const AcceleratorKey& key : MainAccelerators()) {
    EXPECT_TRUE(keys.insert(key.keys).second) << key.keys;
  }
  EXPECT_EQ(keys.size(), 40u);
  // The ribbon switch answers to two keys.
  EXPECT_EQ(
      std::count_if(MainAccelerators().begin(), MainAccelerators().end(),
                    [](const AcceleratorKey& k) { return k.commandId == cmd::kToggleRibbon; }),
      2);
}

TEST(MainMenu, SeparatorsOnlyBetweenItems) {
  for (const MainMenuPopup& popup : BuildMainMenu()) {
    const auto& entries = popup.menu.Entries();
    ASSERT_FALSE(entries.empty()) << popup.title;
    EXPECT_FALSE(entries.front().separator) << popup.title;
    EXPECT_FALSE(entries.back().separator) << popup.title;
    for (std::size_t i = 1; i < entries.size(); ++i)
      EXPECT_FALSE(entries[i].separator && entries[i - 1].separator) << popup.title << " " << i;
  }
  // Exit closes the File menu behind its own separator.
  const std::vector<MainMenuPopup> popups = BuildMainMenu();
  const auto& file = popups[0].menu.Entries();
  EXPECT_EQ(file.back().commandId, cmd::kExit);
  EXPECT_TRUE(file[file.size() - 2].separator);
}

TEST(MainMenu, PromptIsHelpTextUpToLineBreak) {
  EXPECT_EQ(CommandPrompt(cmd::kNewFile), "Creates a new document");
  EXPECT_EQ(CommandTooltip(cmd::kNewFile), "New (Ctrl+N)");
  for (int id : MainFrameCommandIds()) {
    const std::string prompt = CommandPrompt(id);
    EXPECT_FALSE(prompt.empty()) << id;
    EXPECT_EQ(prompt.find('\n'), std::string::npos) << id;
  }
  // Without a stored tooltip the label is used, without its access key.
  EXPECT_EQ(CommandTooltip(cmd::kLocalOpen), "Local Open (Ctrl+Shift+O)");
  EXPECT_EQ(CommandPrompt(99999), "");
}

TEST(MainMenu, NothingActiveLeavesOnlyFrameCommands) {
  const FrameCommandState idle;
  EXPECT_TRUE(IsCommandEnabled(cmd::kExit, idle));
  EXPECT_TRUE(IsCommandEnabled(cmd::kAbout, idle));
  for (int id : {cmd::kSave,
                 cmd::kSaveAs,
                 cmd::kLocalSaveAs,
                 cmd::kPrint,
                 cmd::kExportPdf,
                 cmd::kPaste,
                 cmd::kFind,
                 cmd::kReplace,
                 cmd::kSelectLine,
                 cmd::kGoTo,
                 cmd::kNextBookmark,
                 cmd::kRuler,
                 cmd::kLineNumbersPhysical,
                 cmd::kUndo,
                 cmd::kRedo,
                 cmd::kCut,
                 cmd::kCopy,
                 cmd::kRenumber,
                 cmd::kNextFunction,
                 cmd::kParameterInfo,
                 cmd::kNavigatorList,
                 cmd::kCloseFile,
                 cmd::kWindowClose,
                 cmd::kSelectAll,
                 cmd::kRefresh,
                 cmd::kInsertFileIntoProject,
                 cmd::kStop,
                 cmd::kDisconnect})
    EXPECT_FALSE(IsCommandEnabled(id, idle)) << id;

  std::vector<MainMenuPopup> popups = BuildMainMenu();
  ApplyCommandState(popups, idle);
  int enabled = 0;
  for (const MainMenuPopup& popup : popups) {
    for (const MenuEntry& entry : popup.menu.Entries()) {
      if (entry.separator || !entry.enabled) continue;
      ++enabled;
      EXPECT_TRUE(IsCommandAvailable(entry.commandId)) << entry.commandId;
    }
  }
  // Exit, About, New File, Local Open, Save All, Page Setup, Workspace,
  // Output, Activate Workspace, Activate Output, New Project, Open Project,
  // Connect, Templates, Options, Tip of the Day, Help Contents, Help Search
  // and Installing Server Software.
  EXPECT_EQ(enabled, 19);
}

TEST(MainMenu, ReadOnlyDocumentsAndProjectsGateTheirCommands) {
  FrameCommandState state;
  state.documentActive = true;
  // Cut and Copy follow the selection.
  EXPECT_FALSE(IsCommandEnabled(cmd::kCut, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kCopy, state));
  state.documentSelection = true;
  for (int id : {cmd::kSave, cmd::kPaste, cmd::kCut, cmd::kUndo, cmd::kRedo})
    EXPECT_TRUE(IsCommandEnabled(id, state)) << id;
  EXPECT_FALSE(IsCommandEnabled(cmd::kLineNumbersPhysical, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kRenumber, state));
  state.documentNumbered = true;
  EXPECT_TRUE(IsCommandEnabled(cmd::kLineNumbersPhysical, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kRenumber, state));

  state.documentReadOnly = true;
  EXPECT_FALSE(IsCommandEnabled(cmd::kRenumber, state));
  for (int id : {cmd::kSave, cmd::kPaste, cmd::kCut, cmd::kUndo, cmd::kRedo})
    EXPECT_FALSE(IsCommandEnabled(id, state)) << id;
  // Reading and looking stay possible.
  for (int id : {cmd::kCopy, cmd::kSelectAll, cmd::kSelectLine, cmd::kRuler, cmd::kLocalSaveAs})
    EXPECT_TRUE(IsCommandEnabled(id, state)) << id;

  for (int id : {cmd::kSaveProject, cmd::kSaveProjectAs, cmd::kCloseProject, cmd::kNewFolder})
    EXPECT_FALSE(IsCommandEnabled(id, state)) << id;
  state.projectOpen = true;
  state.targetItem = state.targetFolder = true;  // the project, as the target
  for (int id : {cmd::kSaveProject, cmd::kSaveProjectAs, cmd::kCloseProject, cmd::kNewFolder,
                 cmd::kCopyFolder, cmd::kProjectSettings})
    EXPECT_TRUE(IsCommandEnabled(id, state)) << id;

  // Compile and build need the host; the error list needs output.
  EXPECT_FALSE(IsCommandEnabled(cmd::kBuild, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kCompile, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kFindInFiles, state));
  state.connected = true;
  EXPECT_TRUE(IsCommandEnabled(cmd::kFindInFiles, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kBuild, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kCompile, state));
  state.documentActive = false;
  EXPECT_FALSE(IsCommandEnabled(cmd::kCompile, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kBuild, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kNextErrorTag, state));
  state.outputHasText = true;
  EXPECT_TRUE(IsCommandEnabled(cmd::kNextErrorTag, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kPreviousErrorTag, state));

  // With the keyboard in the workspace its selected item decides: a file
  // that compiles, a folder for the folder commands, any item's properties.
  state.documentActive = true;
  state.workspaceFocused = true;
  state.targetFolder = false;
  EXPECT_FALSE(IsCommandEnabled(cmd::kCompile, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kBuild, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kNewFolder, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kAddFilesToFolder, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kProperties, state));
  state.targetCanCompile = state.targetCanBuild = true;
  EXPECT_TRUE(IsCommandEnabled(cmd::kCompile, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kBuild, state));
  state.targetItem = false;
  EXPECT_FALSE(IsCommandEnabled(cmd::kProperties, state));
}

TEST(MainMenu, ActiveChildEnablesWindowCommands) {
  FrameCommandState state;
  state.childActive = true;
  for (int id :
       {cmd::kCloseFile, cmd::kWindowClose, cmd::kCloseAll, cmd::kWindowNext, cmd::kWindowPrevious,
        cmd::kCascade, cmd::kTileHorizontally, cmd::kTileVertically, cmd::kActivateEditor})
    EXPECT_TRUE(IsCommandEnabled(id, state)) << id;
  // Commands whose carrying-out is not there yet stay disabled whatever the state.
  state.documentActive = state.connected = state.busy = state.navigatorActive = true;
  for (int id : {cmd::kTechnicalSupport, cmd::kOrderingInformation})
    EXPECT_FALSE(IsCommandEnabled(id, state)) << id;
}

}  // namespace
}  // namespace vandrel
