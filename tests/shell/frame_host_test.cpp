// The frame against a real agent: a project connects when it opens, host
// files download into editor windows, failures are reported, and
// Disconnect ends the session.
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <fstream>

#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "editor/ui/editor_window.h"
#include "project/error_navigation.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "project/project_file.h"
#include "project/project_menu.h"
#include "project/project_operations.h"
#include "shell/connection_info_dialog.h"
#include "shell/frame_host_connection.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "support/agent_process.h"
#include "support/event_wait.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::shell {
namespace {

using testing::AgentProcess;
using testing::ScriptedUserInterface;
using testing::TempDir;
using testing::WaitFor;

class FrameHost : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "root" / "src");
    std::ofstream(dir_ / "root" / "src" / "hello.c", std::ios::binary)
        << "int main(void)\n{\n  return 0;\n}\n";
    agent_ = std::make_unique<AgentProcess>(std::vector<std::string>{
        "--root", (dir_ / "root").string(), "--port", "0", "--bind", "127.0.0.1", "--no-login",
        "--allow-commands", "--personality", "posix"});
    port_ = agent_->ReadPort();
    ASSERT_NE(port_, 0);
    project::Project saved;
    saved.projectSettings().server = "127.0.0.1";
    saved.projectSettings().port = port_;
    ASSERT_TRUE(project::SaveProjectFile(saved, dir_ / "host.vdp"));
  }

  // A project on the agent with the folder "C sources" holding /src/hello.c.
  project::ProjectItem* SourceFolder(project::Project& project) const {
    project.projectSettings().server = "127.0.0.1";
    project.projectSettings().port = port_;
    project::ProjectItem* folder = project::NewFolder(project, "C sources", "src");
    if (folder == nullptr) return nullptr;
    project::AddFilesChoice files;
    files.directory = "/src";
    files.names = {"hello.c"};
    return project::AddFiles(*folder, files) == 1 ? folder : nullptr;
  }

  TempDir dir_;
  std::unique_ptr<AgentProcess> agent_;
  int port_ = 0;
};

TEST_F(FrameHost, ProjectConnectsAndHostFilesOpen) {
  SettingsStore store(dir_ / "settings.reg");
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kConnect)->isEnabled());
  EXPECT_FALSE(frame.mainMenu()->Action(cmd::kDisconnect)->isEnabled());

  ASSERT_TRUE(frame.OpenProject((dir_ / "host.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kDisconnect)->isEnabled());
  EXPECT_FALSE(frame.mainMenu()->Action(cmd::kConnect)->isEnabled());

  // Connection Information shows what the agent told about itself.
  ASSERT_TRUE(frame.mainMenu()->Action(cmd::kConnectionInfo)->isEnabled());
  ConnectionInfoDialog info(frame.hostConnection()->session().connectionInformation());
  QStringList texts;
  for (QLabel* label : info.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains("Version:")) << texts.join("|").toStdString();
  EXPECT_GT(texts.size() - texts.count("Unknown"), texts.size() / 2)
      << texts.join("|").toStdString();

  ASSERT_TRUE(frame.OpenHostFile("/src/hello.c", std::string(), 3));
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().size() == 1 && !frame.busy(); }));
  ui::EditorWindow* editor = frame.EditorWindows().front();
  EXPECT_EQ(editor->documentName(), "/src/hello.c");
  EXPECT_FALSE(editor->isReadOnly());
  EXPECT_EQ(editor->Caption(), "/src/hello.c");
  EXPECT_EQ(editor->control()->scintilla()->text().toStdString(),
            "int main(void)\n{\n  return 0;\n}");
  EXPECT_EQ(editor->CaretLine(), 3);
  std::string recent;
  ASSERT_TRUE(RecentListEntry(store, kRecentFiles, 1, &recent));
  EXPECT_EQ(recent, "/src/hello.c");

  // The same file again only activates its window.
  EXPECT_TRUE(frame.OpenHostFile("/src/hello.c"));
  EXPECT_EQ(frame.EditorWindows().size(), 1);

  // A file the host does not have is reported, and nothing opens.
  ASSERT_TRUE(frame.OpenHostFile("/src/missing.c"));
  ASSERT_TRUE(WaitFor([&] { return !ui.shown().empty() && !frame.busy(); }));
  EXPECT_EQ(frame.EditorWindows().size(), 1);

  frame.RunCommand(cmd::kDisconnect);
  EXPECT_FALSE(frame.connected());
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kConnect)->isEnabled());
  // Without a session nothing is asked of the host.
  EXPECT_FALSE(frame.OpenHostFile("/src/other.c"));
}

TEST_F(FrameHost, BuildListsErrorsAndF4OpensTheirFile) {
  // A folder whose build prints a compiler-style error for a file in it.
  std::filesystem::path projectPath = dir_ / "build.vdp";
  {
    project::Project saved;
    project::ProjectItem* folder = SourceFolder(saved);
    ASSERT_NE(folder, nullptr);
    saved.projectSettings().outputMasks = {"Ansi - C"};
    folder->settings().buildFlags = project::kBuildOverride;
    folder->settings().build = "echo 'hello.c:3:3: error: expected declaration'";
    ASSERT_TRUE(project::SaveProjectFile(saved, projectPath));
  }
  SettingsStore store(dir_ / "settings.reg");
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();
  ASSERT_TRUE(frame.OpenProject(projectPath.string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  project::ProjectItem* folder = frame.project().FindItem("C sources", 0);
  ASSERT_NE(folder, nullptr);
  frame.BuildItem(*folder);
  ASSERT_TRUE(WaitFor([&] {
    return !frame.busy() &&
           frame.outputPanes().Text(0).find(">> Command completed") != std::string::npos;
  })) << frame.outputPanes().Text(0)
      << "|" << (ui.shown().empty() ? "" : ui.shown().back().text) << "|" << frame.busy();
  EXPECT_EQ(frame.errorNavigator().CountErrors(), 1u);
  EXPECT_TRUE(frame.mainMenu()->Action(cmd::kNextErrorTag)->isEnabled());

  frame.RunCommand(cmd::kNextErrorTag);
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().size() == 1 && !frame.busy(); }));
  ui::EditorWindow* editor = frame.EditorWindows().front();
  EXPECT_EQ(editor->documentName(), "/src/hello.c");
  EXPECT_EQ(editor->CaretLine(), 3);
}

TEST_F(FrameHost, DocumentOutsideTheProjectCompilesWithItsOwnCommand) {
  // An entry with a compile command of its own.
  std::filesystem::path projectPath = dir_ / "own.vdp";
  {
    project::Project saved;
    ASSERT_NE(SourceFolder(saved), nullptr);
    project::ProjectItem* file = saved.FindItem("hello.c", 0);
    ASSERT_NE(file, nullptr);
    file->settings().compileFlags = project::kCompileOverride;
    file->settings().compile = "echo own-compile-$((40 + 2))";
    ASSERT_TRUE(project::SaveProjectFile(saved, projectPath));
  }
  SettingsStore store(dir_ / "settings.reg");
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();
  ASSERT_TRUE(frame.OpenProject(projectPath.string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  ASSERT_TRUE(frame.OpenHostFile("/src/hello.c"));
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().size() == 1 && !frame.busy(); }));

  // The entry leaves the project; the document keeps the entry's command.
  project::ProjectItem* file = frame.project().FindItem("hello.c", 0);
  ASSERT_NE(file, nullptr);
  ui.Answer(kIdYes);  // "Remove ... from the project?"
  static_cast<ScriptDesktop&>(frame).RunProjectCommand(*file, project::kCommandRemove);
  ASSERT_EQ(frame.project().FindItem("/src/hello.c", 0), nullptr);
  frame.UpdateCommandState();
  ASSERT_TRUE(frame.mainMenu()->Action(cmd::kCompile)->isEnabled());
  frame.RunCommand(cmd::kCompile);
  EXPECT_TRUE(WaitFor([&] {
    return !frame.busy() && frame.outputPanes().Text(0).find("own-compile-42") != std::string::npos;
  })) << frame.outputPanes().Text(0);
  EXPECT_EQ(ui.shown().size(), 1u);  // the removal's question alone
}

TEST_F(FrameHost, ClosingTheFrameEndsTheSession) {
  SettingsStore store(dir_ / "settings.reg");
  ScriptedUserInterface ui;
  auto frame = std::make_unique<MainFrame>(&store);
  frame->SetUserInterface(&ui);
  frame->show();
  ASSERT_TRUE(frame->OpenProject((dir_ / "host.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame->connected() && !frame->busy(); }));
  EXPECT_TRUE(frame->close());
  EXPECT_FALSE(frame->hostConnection()->connected());
  frame.reset();
}

}  // namespace
}  // namespace vandrel::shell
