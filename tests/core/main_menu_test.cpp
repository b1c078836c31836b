#include "core/main_menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace vandrel {
namespace {

// Every command the frame's command and accelerator tables name.
const std::set<int> kFrameCommands{
    1001, 1002, 1003, 1004, 1005, 1006, 1007, 1009, 1011, 1013, 1014, 1015, 1016, 1017,
    1018, 1019, 1020, 1023, 1024, 1025, 1026, 1027, 1029, 1030, 1031, 3005, 3006, 3007,
    3010, 3013, 3014, 3017, 3018, 3021, 3022, 3023, 3026, 3027, 3036, 3038, 3039, 3040,
    3041, 3044, 3045, 3046, 3073, 3074, 3075, 3078, 3079, 3080, 3081, 3082, 3083, 3089,
    3090, 3094, 3095, 3098, 3099, 3100, 3101, 3104, 3105, 3106, 3109, 3117, 3122, 3123,
    3127, 3130, 3132, 3133, 3134, 3136, 3137, 3139, 3161, 3163, 3164, 3165, 3169};

std::map<int, std::string> MenuTexts() {
  std::map<int, std::string> texts;
  for (const MainMenuPopup& popup : BuildMainMenu()) {
    for (const MenuEntry& entry : popup.menu.Entries()) {
      if (!entry.separator) texts[entry.commandId] = entry.text;
    }
  }
  return texts;
}

TEST(MainMenu, EveryFrameCommandAppearsExactlyOnce) {
  std::vector<int> ids = MainFrameCommandIds();
  std::multiset<int> counted(ids.begin(), ids.end());
  for (int id : kFrameCommands) EXPECT_EQ(counted.count(id), 1u) << id;
  EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), kFrameCommands);

  // Menu items and accelerator-only commands do not overlap.
  std::map<int, std::string> texts = MenuTexts();
  for (int id : AcceleratorOnlyCommands()) EXPECT_FALSE(texts.contains(id)) << id;
  EXPECT_EQ(texts.size() + AcceleratorOnlyCommands().size(), kFrameCommands.size());
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

TEST(MainMenu, AcceleratorTableKeysAreUniqueAndRowsKnown) {
  std::set<std::string_view> keys;
  for (const AcceleratorKey& key : MainAccelerators()) {
    EXPECT_TRUE(keys.insert(key.keys).second) << key.keys;
    EXPECT_TRUE(kFrameCommands.contains(key.commandId)) << key.commandId;
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
  for (int id : kFrameCommands) {
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
  // Exit, About, New File, Local Open, Save All, Workspace, Output, Activate
  // Workspace, Activate Output, Open Project, Connect and Tip of the Day.
  EXPECT_EQ(enabled, 12);
}

TEST(MainMenu, ReadOnlyDocumentsAndProjectsGateTheirCommands) {
  FrameCommandState state;
  state.documentActive = true;
  for (int id : {cmd::kSave, cmd::kPaste, cmd::kCut, cmd::kUndo, cmd::kRedo})
    EXPECT_TRUE(IsCommandEnabled(id, state)) << id;
  EXPECT_FALSE(IsCommandEnabled(cmd::kLineNumbersPhysical, state));
  state.documentNumbered = true;
  EXPECT_TRUE(IsCommandEnabled(cmd::kLineNumbersPhysical, state));

  state.documentReadOnly = true;
  for (int id : {cmd::kSave, cmd::kPaste, cmd::kCut, cmd::kUndo, cmd::kRedo})
    EXPECT_FALSE(IsCommandEnabled(id, state)) << id;
  // Reading and looking stay possible.
  for (int id : {cmd::kCopy, cmd::kSelectAll, cmd::kSelectLine, cmd::kRuler, cmd::kLocalSaveAs})
    EXPECT_TRUE(IsCommandEnabled(id, state)) << id;

  for (int id : {cmd::kSaveProject, cmd::kSaveProjectAs, cmd::kCloseProject, cmd::kNewFolder})
    EXPECT_FALSE(IsCommandEnabled(id, state)) << id;
  state.projectOpen = true;
  for (int id : {cmd::kSaveProject, cmd::kSaveProjectAs, cmd::kCloseProject, cmd::kNewFolder})
    EXPECT_TRUE(IsCommandEnabled(id, state)) << id;

  // Compile and build need the host; the error list needs output.
  EXPECT_FALSE(IsCommandEnabled(cmd::kBuild, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kCompile, state));
  state.connected = true;
  EXPECT_TRUE(IsCommandEnabled(cmd::kBuild, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kCompile, state));
  state.documentActive = false;
  EXPECT_FALSE(IsCommandEnabled(cmd::kCompile, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kBuild, state));
  EXPECT_FALSE(IsCommandEnabled(cmd::kNextErrorTag, state));
  state.outputHasText = true;
  EXPECT_TRUE(IsCommandEnabled(cmd::kNextErrorTag, state));
  EXPECT_TRUE(IsCommandEnabled(cmd::kPreviousErrorTag, state));
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
  for (int id : {cmd::kSaveAs, cmd::kPrint, cmd::kFind, cmd::kNewProject, cmd::kOptions})
    EXPECT_FALSE(IsCommandEnabled(id, state)) << id;
}

}  // namespace
}  // namespace vandrel
