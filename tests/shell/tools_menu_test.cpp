// The Tools menu in the frame against a real agent: the tools' entries as
// the settings keep them, remote tools greyed until the host is there, a
// remote tool run in the command line window after its "cd", and a local
// tool given the document's facts, its prompt honoured.
#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "core/settings_store.h"
#include "editor/ui/command_line_window.h"
#include "editor/ui/editor_window.h"
#include "project/ui/workspace_window.h"
#include "shell/frame_tools.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "support/event_wait.h"
#include "support/posix_host.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"
#include "templates/tools/tool_list.h"

namespace vandrel::shell {
namespace {

using testing::ScriptedUserInterface;
using testing::WaitFor;

ToolRecord Tool(const char* caption, const char* command = "", const char* arguments = "",
                const char* directory = "", bool remote = false, bool prompt = false) {
  ToolRecord tool;
  tool.caption = caption;
  tool.command = command;
  tool.arguments = arguments;
  tool.directory = directory;
  tool.remote = remote ? 1 : 0;
  tool.prompt = prompt ? 1 : 0;
  return tool;
}

// The menu's entries as "text", "-" for a separator, "[text: ...]" for a
// submenu, "(text)" for a greyed entry.
std::string Shape(const QMenu& menu) {
  std::string shape;
  for (QAction* action : menu.actions()) {
    if (!shape.empty()) shape += " ";
    if (action->isSeparator()) {
      shape += "-";
    } else if (action->menu()) {
      shape += "[" + action->text().toStdString() + ": " + Shape(*action->menu()) + "]";
    } else if (!action->isEnabled()) {
      shape += "(" + action->text().toStdString() + ")";
    } else {
      shape += action->text().toStdString();
    }
  }
  return shape;
}

using ToolsMenuTest = testing::PosixHostTest;

TEST_F(ToolsMenuTest, EntriesFollowTheSettingsAndTheConnectionAndToolsRunForTheDocument) {
  SettingsStore store(dir_ / "settings.reg");
  const std::vector<ToolRecord> tools = {
      Tool("Build", "make"),
      Tool(">Host"),
      Tool("List", "ls", "-1 $(FileName)", "$(FileDir)", /*remote=*/true),
      Tool("<"),
      Tool("-"),
      Tool("Edit", "vi", "-l $(CurLine) $(FileName)", "", false, /*prompt=*/true),
  };
  ASSERT_EQ(SaveToolList(store, tools), 6);

  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();
  QMenu* menu = frame.mainMenu()->PopupTitled("&Tools");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(Shape(*menu), "&Templates... Build [Host: (List)] - Edit - &Options...");

  struct Started {
    std::string program;
    std::vector<std::string> parameters;
    std::string directory;
  };
  std::vector<Started> started;
  frame.tools().SetLocalStarter([&](const std::string& program,
                                    const std::vector<std::string>& parameters,
                                    const std::string& directory) {
    started.push_back({program, parameters, directory});
    return true;
  });
  std::optional<std::string> answer;
  int asked = 0;
  frame.tools().SetArgumentsPrompt([&](const std::string& command, const std::string& arguments) {
    ++asked;
    EXPECT_EQ(command, "vi");
    EXPECT_EQ(arguments, "-l $(CurLine) $(FileName)");
    return answer;
  });

  // Connected: the remote tool can be chosen.
  ASSERT_TRUE(frame.OpenProject((dir_ / "host.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  EXPECT_EQ(Shape(*menu), "&Templates... Build [Host: List] - Edit - &Options...");

  ASSERT_TRUE(frame.OpenHostFile("/src/hello.c"));
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().size() == 1 && !frame.busy(); }));
  frame.EditorWindows().front()->setFocus();

  // The remote tool: "cd" to the document's folder first, then the command,
  // both in the command line window.
  frame.RunCommand(kFirstToolCommand + 2);
  ui::CommandLineWindow* window = frame.commandLineWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitFor(
      [&] { return !window->running() && window->Text().find("hello.c\n") != std::string::npos; }));
  EXPECT_NE(window->Text().find(">cd /src\n"), std::string::npos) << window->Text();
  EXPECT_NE(window->Text().find(">ls -1 hello.c\nhello.c\n"), std::string::npos) << window->Text();

  // The prompting local tool: Cancel runs nothing; OK runs with the
  // arguments given, expanded for the document at its caret.
  ui::EditorWindow* editor = frame.EditorWindows().front();
  frame.documentArea()->setActiveSubWindow(frame.documentArea()->subWindowList().front());
  ASSERT_EQ(frame.ActiveEditor(), editor);
  frame.RunCommand(kFirstToolCommand + 5);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(started.empty());
  answer = "-l $(CurLine) $(FileName) \"two words\"";
  frame.RunCommand(kFirstToolCommand + 5);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].program, "vi");
  EXPECT_EQ(started[0].parameters, (std::vector<std::string>{"-l", "1", "hello.c", "two words"}));

  // From the workspace the tool runs without the document's facts; the
  // separator and the submenu's ends run nothing.
  frame.RunCommand(kFirstToolCommand + 0);
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[1].program, "make");
  frame.workspace()->tree()->setFocus();
  ASSERT_TRUE(WaitFor([&] { return frame.workspace()->TreeHasFocus(); }));
  frame.RunCommand(kFirstToolCommand + 5);
  ASSERT_EQ(started.size(), 3u);
  EXPECT_EQ(started[2].parameters, (std::vector<std::string>{"-l", "two words"}));
  frame.RunCommand(kFirstToolCommand + 4);
  frame.RunCommand(kFirstToolCommand + 9);
  EXPECT_EQ(started.size(), 3u);

  // Disconnected: greyed again. Deleting the last of the tools and
  // rebuilding leaves the menu without it.
  frame.RunCommand(3081);
  ASSERT_TRUE(WaitFor([&] { return !frame.connected(); }));
  std::vector<ToolRecord> fewer(tools.begin(), tools.begin() + 3);
  ASSERT_EQ(SaveToolList(store, fewer), 3);
  frame.RebuildToolsMenu();
  EXPECT_EQ(Shape(*menu), "&Templates... Build [Host: (List)] - &Options...");
}

}  // namespace
}  // namespace vandrel::shell
