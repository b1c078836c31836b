// The command line window against a real agent: commands typed after the
// prompt run on the host and their output lands in the window, Stop ends a
// command on the host, and the window's own keys keep the history intact.
#include "editor/ui/command_line_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/main_menu.h"
#include "core/settings_store.h"
#include "project/project.h"
#include "project/project_file.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "support/event_wait.h"
#include "support/posix_host.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::shell {
namespace {

using testing::ScriptedUserInterface;
using testing::WaitFor;

void Press(QWidget* view, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(view, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(view, &release);
}

// Types `command` as the user would and presses Enter.
void TypeCommand(ui::CommandLineWindow& window, const std::string& command) {
  for (const char c : command) Press(window.view(), 0, QString(QChar(c)));
  Press(window.view(), Qt::Key_Return);
}

// Whether a process runs whose arguments are exactly `arguments`.
bool ProcessRunning(const std::vector<std::string>& arguments) {
  std::string wanted;
  for (const std::string& argument : arguments) wanted += argument + '\0';
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream file(entry.path() / "cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(file)), {});
    if (line == wanted) return true;
  }
  return false;
}

using CommandLineWindowTest = testing::PosixHostTest;

TEST_F(CommandLineWindowTest, CommandsRunOnTheHostAndStopEndsThem) {
  SettingsStore store(dir_ / "settings.reg");
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();
  EXPECT_FALSE(frame.mainMenu()->Action(cmd::kCommandLine)->isEnabled());
  ASSERT_TRUE(frame.OpenProject((dir_ / "host.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  ASSERT_TRUE(frame.mainMenu()->Action(cmd::kCommandLine)->isEnabled());

  frame.RunCommand(cmd::kCommandLine);
  ui::CommandLineWindow* window = frame.commandLineWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Text(), ">");
  EXPECT_EQ(window->parentWidget()->windowTitle(), "Command Line");
  // There is only one: the command again brings the same window forward.
  frame.RunCommand(cmd::kCommandLine);
  EXPECT_EQ(frame.commandLineWindow(), window);

  // Backspace at the prompt leaves it; Enter on an empty line only prompts.
  Press(window->view(), Qt::Key_Backspace);
  EXPECT_EQ(window->Text(), ">");
  Press(window->view(), Qt::Key_Return);
  EXPECT_EQ(window->Text(), ">\n>");
  EXPECT_FALSE(window->running());
  EXPECT_FALSE(frame.busy());

  // "cd" sets the host's directory; the listing then shows its files, and
  // a new prompt follows the output.
  TypeCommand(*window, "cd /src");
  ASSERT_TRUE(WaitFor([&] { return !window->running() && !frame.busy(); }));
  TypeCommand(*window, "ls");
  ASSERT_TRUE(WaitFor([&] { return !window->running(); }));
  EXPECT_EQ(window->Text(), ">\n>cd /src\n>ls\nhello.c\nnotes.txt\n>");
  EXPECT_TRUE(ui.shown().empty());
  // Cutting in the history only copies.
  window->view()->selectAll();
  QKeyEvent cut(QEvent::KeyPress, Qt::Key_X, Qt::ControlModifier);
  QApplication::sendEvent(window->view(), &cut);
  EXPECT_EQ(window->Text(), ">\n>cd /src\n>ls\nhello.c\nnotes.txt\n>");
  // A picture of the window for whoever runs the test by hand.
  if (const char* shot = std::getenv("VANDREL_COMMAND_LINE_SHOT")) frame.grab().save(shot);

  // A zero byte shows as byte 1 and cuts nothing.
  TypeCommand(*window, "printf 'a\\000b\\n'");
  ASSERT_TRUE(WaitFor([&] { return !window->running(); }));
  EXPECT_NE(window->Text().find("\na\x01"
                                "b\n>"),
            std::string::npos)
      << window->Text();

  // A directory the host does not have: the agent's error in the window.
  TypeCommand(*window, "cd /nowhere");
  ASSERT_TRUE(WaitFor([&] { return !window->running(); }));
  const std::string afterError = window->Text();
  EXPECT_NE(afterError.find(">cd /nowhere\n"), std::string::npos);
  EXPECT_GT(afterError.size(), afterError.find(">cd /nowhere\n") + 15) << afterError;
  EXPECT_EQ(afterError.back(), '>');

  // A long command: read-only and busy while it runs; Stop ends it on the
  // host and the prompt comes back.
  TypeCommand(*window, "sleep 613.25");
  ASSERT_TRUE(WaitFor([&] { return ProcessRunning({"sleep", "613.25"}); }));
  EXPECT_TRUE(window->isReadOnly());
  EXPECT_TRUE(frame.busy());
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kStop)->isEnabled());
  const std::string whileRunning = window->Text();
  TypeCommand(*window, "ls");
  EXPECT_EQ(window->Text(), whileRunning);
  frame.RunCommand(cmd::kStop);
  ASSERT_TRUE(WaitFor([&] { return !window->running() && !frame.busy(); }));
  EXPECT_FALSE(window->isReadOnly());
  EXPECT_EQ(window->Text().back(), '>');
  EXPECT_TRUE(WaitFor([&] { return !ProcessRunning({"sleep", "613.25"}); }));
  EXPECT_TRUE(ui.shown().empty());

  // Select All and Copy follow the window; Clear leaves a fresh prompt.
  EXPECT_FALSE(frame.mainMenu()->Action(cmd::kCopy)->isEnabled());
  frame.RunCommand(cmd::kSelectAll);
  EXPECT_TRUE(window->HasSelection());
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kCopy)->isEnabled());
  frame.RunCommand(cmd::kClear);
  EXPECT_EQ(window->Text(), ">");

  // Without a connection nothing is sent, and the window says so.
  frame.RunCommand(cmd::kDisconnect);
  ASSERT_FALSE(frame.connected());
  TypeCommand(*window, "ls");
  EXPECT_EQ(window->Text(), ">ls\n" + std::string(kCommandNotConnected) + "\n>");
  EXPECT_FALSE(frame.busy());
}

}  // namespace
}  // namespace vandrel::shell
