// The Project menu's item commands in the frame: a project opened without a
// server address asks for its settings, Properties, Settings and Compile go
// to the workspace's selected item while the workspace has the keyboard, and
// OK in the settings dialog reaches the live project.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/settings_store.h"
#include "project/project.h"
#include "project/project_file.h"
#include "project/project_operations.h"
#include "project/ui/project_settings_dialog.h"
#include "project/ui/workspace_window.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "support/event_wait.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::shell {
namespace {

using testing::ScriptedUserInterface;
using testing::TempDir;
using testing::WaitFor;

void Type(QWidget* field, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(field, &press);
  }
}

// Runs `answer` on the settings dialog once it is shown modally; the tab
// titles it showed are kept.
class SettingsDialogWatch {
 public:
  explicit SettingsDialogWatch(std::function<void(ui::ProjectSettingsDialog&)> answer)
      : answer_(std::move(answer)) {
    QTimer::singleShot(0, [this] { Look(); });
  }
  QStringList tabs;
  bool seen = false;

 private:
  void Look() {
    auto* dialog = qobject_cast<ui::ProjectSettingsDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      QTimer::singleShot(10, [this] { Look(); });
      return;
    }
    seen = true;
    for (int i = 0; i < dialog->pages()->count(); ++i) tabs << dialog->pages()->tabText(i);
    answer_(*dialog);
  }
  std::function<void(ui::ProjectSettingsDialog&)> answer_;
};

TEST(ProjectCommands, SettingsAndPropertiesFollowTheWorkspaceFocus) {
  TempDir dir;
  project::Project saved;  // no server address
  project::ProjectItem* src = project::NewFolder(saved, "Sources", "src");
  ASSERT_NE(src, nullptr);
  project::AddFiles(*src, project::AddFilesChoice{"/src", {"main.c"}, "", false});
  ASSERT_TRUE(project::SaveProjectFile(saved, dir / "local.vdp"));

  SettingsStore store(dir / "settings.reg");
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();

  // Without a server address the project's settings are offered at once.
  ui.Answer(kIdYes);
  {
    SettingsDialogWatch watch([](ui::ProjectSettingsDialog& dialog) {
      auto* server = dialog.findChild<QLineEdit*>("server");
      ASSERT_NE(server, nullptr);
      dialog.reject();
    });
    ASSERT_TRUE(frame.OpenProject((dir / "local.vdp").string()));
    EXPECT_TRUE(watch.seen);
    EXPECT_EQ(watch.tabs,
              (QStringList{"Connection", "Environment", "Build", "Advanced", "MPE/iX"}));
  }
  project::Project& project = frame.project();
  project::ProjectItem* sources = project.Child(0);
  ASSERT_NE(sources, nullptr);

  // Settings (Alt+F7) without the keyboard in the workspace: the project.
  {
    SettingsDialogWatch watch([](ui::ProjectSettingsDialog& dialog) { dialog.reject(); });
    frame.RunCommand(cmd::kProjectSettings);
    EXPECT_EQ(watch.tabs.value(0), "Connection");
  }

  // With the keyboard on a folder: its pages; a compile command typed there
  // reaches the live folder on OK.
  ui::WorkspaceWindow* workspace = frame.workspace();
  frame.activateWindow();
  ASSERT_TRUE(WaitFor([&] { return frame.isActiveWindow(); }));
  workspace->tree()->setFocus();
  ASSERT_TRUE(WaitFor([&] { return workspace->TreeHasFocus(); }));
  workspace->SelectItem(sources);
  frame.UpdateCommandState();
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kProperties)->isEnabled());
  EXPECT_FALSE(frame.mainMenu()->Action(cmd::kCompile)->isEnabled());  // no host, no command
  {
    SettingsDialogWatch watch([](ui::ProjectSettingsDialog& dialog) {
      dialog.pages()->setCurrentIndex(2);
      auto* override = dialog.findChild<QAbstractButton*>("overrideCompile");
      auto* command = dialog.findChild<QLineEdit*>("compile");
      ASSERT_NE(override, nullptr);
      ASSERT_NE(command, nullptr);
      override->click();
      ASSERT_TRUE(command->isEnabled());
      Type(command, "gcc -c $(FileName)");
      dialog.accept();
    });
    frame.RunCommand(cmd::kProperties);
    EXPECT_EQ(watch.tabs, (QStringList{"General", "Build", "Compile", "Advanced"}));
  }
  EXPECT_EQ(sources->settings().compile, "gcc -c $(FileName)");
  EXPECT_TRUE(project.Modified());
  // The keyboard is back where it was.
  EXPECT_TRUE(WaitFor([&] { return workspace->TreeHasFocus(); }));
}

}  // namespace
}  // namespace vandrel::shell
