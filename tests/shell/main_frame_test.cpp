#include "shell/main_frame.h"

#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "core/main_menu.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "core/toolbar_placement.h"
#include "editor/ui/editor_window.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "project/project_file.h"
#include "project/project_operations.h"
#include "project/startup_script_runner.h"
#include "project/ui/workspace_window.h"
#include "shell/frame_script_application.h"
#include "shell/main_menu_bar.h"
#include "shell/main_toolbars.h"
#include "shell/status_bar.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::shell {
namespace {

using testing::ScriptedUserInterface;
using testing::TempDir;

QString WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  return QString::fromStdString(path.string());
}

int Buttons(QToolBar* bar) {
  int buttons = 0;
  for (QAction* action : bar->actions()) {
    if (!action->isSeparator() && action->text() != QString()) ++buttons;
  }
  return buttons;
}

TEST(MainFrame, CaptionAndEmptyDocumentArea) {
  MainFrame frame;
  frame.show();
  EXPECT_EQ(frame.windowTitle(), "Zorvant Vandrel");
  ASSERT_NE(frame.documentArea(), nullptr);
  EXPECT_EQ(frame.centralWidget(), frame.documentArea());
  EXPECT_TRUE(frame.documentArea()->subWindowList().isEmpty());
  EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
}

TEST(MainFrame, ViewsFollowTheSettingAndTheirToggles) {
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  {
    MainFrame frame(&store);
    frame.show();
    EXPECT_TRUE(frame.WorkspaceShown());
    EXPECT_TRUE(frame.OutputShown());
    EXPECT_TRUE(frame.mainMenu()->Action(cmd::kWorkspace)->isChecked());
    EXPECT_EQ(frame.dockWidgetArea(frame.workspaceDock()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame.dockWidgetArea(frame.outputDock()), Qt::BottomDockWidgetArea);

    frame.RunCommand(cmd::kOutput);
    EXPECT_FALSE(frame.OutputShown());
    EXPECT_FALSE(frame.outputDock()->isVisible());
    EXPECT_FALSE(frame.mainMenu()->Action(cmd::kOutput)->isChecked());
    // Closing the view by its own button is a toggle too.
    frame.workspaceDock()->close();
    EXPECT_FALSE(frame.WorkspaceShown());
    EXPECT_FALSE(frame.mainMenu()->Action(cmd::kWorkspace)->isChecked());
    // Activating a hidden view shows it.
    frame.RunCommand(cmd::kActivateOutput);
    EXPECT_TRUE(frame.OutputShown());
    EXPECT_TRUE(frame.outputDock()->isVisible());
  }
  AppSettings settings;
  settings.ShowViewsOnStartup = 0;
  settings.Write(store);
  MainFrame frame(&store);
  frame.show();
  EXPECT_FALSE(frame.WorkspaceShown());
  EXPECT_FALSE(frame.OutputShown());
  EXPECT_FALSE(frame.workspaceDock()->isVisible());
  EXPECT_FALSE(frame.mainMenu()->Action(cmd::kOutput)->isChecked());
}

TEST(MainFrame, DividersAreStoredAndRestoredWithinBounds) {
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  AppSettings settings;
  settings.VerticalDivider = 260;
  settings.HorizontalDivider = 150;
  settings.Write(store);
  MainFrame frame(&store);
  frame.resize(1000, 700);
  frame.RestoreLayout();
  frame.show();
  QCoreApplication::processEvents();
  EXPECT_NEAR(frame.workspaceDock()->width(), 260, 12);
  EXPECT_NEAR(frame.outputDock()->height(), 150, 12);

  frame.resizeDocks({frame.workspaceDock()}, {300}, Qt::Horizontal);
  QCoreApplication::processEvents();
  const int width = frame.workspaceDock()->width();
  frame.close();
  EXPECT_EQ(frame.settings().VerticalDivider, width);

  // A stored width beyond the window is kept inside it.
  MainFrame narrow(&store);
  narrow.settings().VerticalDivider = 5000;
  narrow.resize(800, 600);
  narrow.RestoreLayout();
  narrow.show();
  QCoreApplication::processEvents();
  EXPECT_LE(narrow.workspaceDock()->width(), 700);
}

TEST(MainFrame, ToolbarsShareTheMenuActionsAndKeepTheirPlacement) {
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  {
    MainFrame frame(&store);
    frame.RestoreLayout();
    frame.show();
    QToolBar* main = frame.toolbars()->mainBar();
    QToolBar* navigator = frame.toolbars()->navigatorBar();
    EXPECT_EQ(main->objectName(), "Main");
    EXPECT_EQ(navigator->objectName(), "Navigator");
    EXPECT_EQ(Buttons(main), 22);
    EXPECT_EQ(Buttons(navigator), 10);
    EXPECT_EQ(main->iconSize(), QSize(16, 16));
    EXPECT_TRUE(main->actions().contains(frame.mainMenu()->Action(cmd::kSave)));
    EXPECT_EQ(frame.toolbars()->navigatorList()->width(), kNavigatorListWidth);
    EXPECT_FALSE(frame.toolbars()->navigatorList()->isEnabled());
    // Enabling follows the menu: Save is off without a document.
    EXPECT_FALSE(frame.mainMenu()->Action(cmd::kSave)->isEnabled());
    frame.close();
  }
  ToolbarPlacement placement;
  ASSERT_TRUE(ReadToolbarPlacement(store, "Main", &placement));
  EXPECT_TRUE(placement.docked);
  ASSERT_TRUE(ReadToolbarPlacement(store, "Navigator", &placement));
  EXPECT_TRUE(placement.docked);

  // A bar left floating comes back floating where it was.
  ASSERT_TRUE(WriteToolbarPlacement(store, "Navigator", {false, 300, 200}));
  MainFrame frame(&store);
  frame.RestoreLayout();
  frame.show();
  EXPECT_TRUE(frame.toolbars()->navigatorBar()->isFloating());
  EXPECT_FALSE(frame.toolbars()->mainBar()->isFloating());
}

TEST(MainFrame, RecentLocalFilesAndTheWindowList) {
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  const QString first = WriteFile(dir / "first.txt", "one\n");
  const QString second = WriteFile(dir / "second.txt", "two\n");
  MainFrame frame(&store);
  frame.show();
  ASSERT_TRUE(frame.OpenLocalFile(first));
  ASSERT_TRUE(frame.OpenLocalFile(second));

  frame.mainMenu()->RefreshRecentPopup(cmd::kRecentLocalFileBase);
  QMenu* recent = frame.mainMenu()->RecentPopup(cmd::kRecentLocalFileBase);
  ASSERT_NE(recent, nullptr);
  QStringList texts;
  for (QAction* action : recent->actions()) texts << action->text();
  EXPECT_EQ(texts, (QStringList{"&1 " + second, "&2 " + first}));
  EXPECT_EQ(recent->actions()[1]->objectName(), "command10702");

  // The window list names both children and marks the active one.
  frame.mainMenu()->RefreshWindowList();
  QMenu* window = frame.mainMenu()->PopupTitled("&Window");
  QList<QAction*> listed;
  for (QAction* action : window->actions()) {
    if (action->objectName().startsWith("command1029") && action->isCheckable()) listed << action;
  }
  ASSERT_EQ(listed.size(), 2);
  EXPECT_EQ(listed[0]->text(), "&1 " + first);
  EXPECT_FALSE(listed[0]->isChecked());
  EXPECT_TRUE(listed[1]->isChecked());
  // Rebuilding replaces the list rather than adding to it.
  frame.mainMenu()->RefreshWindowList();
  int again = 0;
  for (QAction* action : window->actions()) again += action->isCheckable() ? 1 : 0;
  EXPECT_EQ(again, 2);

  frame.RunCommand(cmd::kFirstWindowChild);
  ASSERT_NE(frame.ActiveEditor(), nullptr);
  EXPECT_EQ(frame.frameStatusBar()->PartText(StatusBar::kPosition), "Ln 1, Col 1");
  EXPECT_EQ(QString::fromStdString(frame.ActiveEditor()->documentName()), first);
  // A recent entry of a file already open activates its window.
  frame.RunCommand(cmd::kRecentLocalFileBase + 1);
  EXPECT_EQ(QString::fromStdString(frame.ActiveEditor()->documentName()), second);
  EXPECT_EQ(frame.EditorWindows().size(), 2);
}

TEST(MainFrame, ProjectOpensIntoTheWorkspaceAndGuardsTheClose) {
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  const std::filesystem::path path = dir / "demo.vdp";
  {
    project::Project saved;
    saved.projectSettings().server = "127.0.0.1";
    project::NewFolder(saved, "C sources", "src");
    ASSERT_TRUE(project::SaveProjectFile(saved, path));
  }
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();
  EXPECT_FALSE(frame.mainMenu()->Action(cmd::kCloseProject)->isEnabled());
  ASSERT_TRUE(frame.OpenProject(path.string()));
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kCloseProject)->isEnabled());
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kSaveProject)->isEnabled());
  EXPECT_EQ(frame.windowTitle(), "demo - Zorvant Vandrel");
  QTreeWidget* tree = frame.workspace()->tree();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "demo files");
  ASSERT_EQ(tree->topLevelItem(0)->childCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "C sources");
  std::string recent;
  ASSERT_TRUE(RecentListEntry(store, kRecentProjects, 1, &recent));
  EXPECT_EQ(recent, path.string());

  // A modified project asks before the frame closes; Cancel keeps it.
  frame.project().SetModified(true);
  ui.Answer(kIdCancel);
  EXPECT_FALSE(frame.close());
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0].text,
            "You have made changes to the project 'demo.vdp'. Do you want to save changes ?");
  EXPECT_TRUE(frame.isVisible());

  // Pending host requests keep the frame too.
  frame.project().SetModified(false);
  frame.SetBusy(true);
  EXPECT_FALSE(frame.close());
  ASSERT_EQ(ui.shown().size(), 2u);
  EXPECT_NE(ui.shown()[1].text.find("pending requests"), std::string::npos);
  frame.SetBusy(false);
  EXPECT_TRUE(frame.close());
}

TEST(MainFrame, StartupScriptOpensFilesAndSavesThem) {
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  const QString file = WriteFile(dir / "notes.txt", "first line\n");
  MainFrame frame(&store);
  frame.show();
  ScriptedUserInterface ui;
  FrameScriptApplication application(frame);
  project::StartupScriptRunner runner(application, ui);
  std::istringstream open("LoadFile \"" + file.toStdString() + "\"\n");
  EXPECT_EQ(runner.Run(open).outcome, project::ScriptOutcome::kFinished);
  ASSERT_EQ(frame.EditorWindows().size(), 1);
  ui::EditorWindow* editor = frame.EditorWindows().front();
  editor->control()->scintilla()->insertAt("new ", 0, 0);
  ASSERT_TRUE(editor->isModified());
  std::istringstream save("SaveAll\n");
  EXPECT_EQ(runner.Run(save).outcome, project::ScriptOutcome::kFinished);
  EXPECT_FALSE(editor->isModified());
  std::ifstream in(dir / "notes.txt");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "new first line\n");
}

// A script learns of the close from the frame itself: an application that
// has gone before the frame closes leaves nothing behind to be told.
TEST(MainFrame, StartupScriptSeesTheFrameClose) {
  MainFrame frame;
  frame.show();
  { FrameScriptApplication gone(frame); }
  FrameScriptApplication application(frame);
  EXPECT_FALSE(application.QuitRequested());
  EXPECT_TRUE(frame.close());
  EXPECT_TRUE(application.QuitRequested());
}

}  // namespace
}  // namespace vandrel::shell
