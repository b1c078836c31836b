// The new project wizard in the frame against a real tandrill: New project
// runs it, the pages follow the host (a login and the MPE/iX options only
// where the host has them), the host dialogs run on the wizard's
// connection, and Finish fills the project and leaves the frame connected
// on that same connection. A wrong password, a cancelled attempt, Back and
// Cancel close what the wizard held.
#include "project/ui/new_project_wizard.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <fstream>
#include <set>
#include <sstream>

#include "core/settings_store.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "project/project_controller.h"
#include "remote/request_worker.h"
#include "remote/socket_transport.h"
#include "remote/ui/remote_file_dialog.h"
#include "shell/frame_host_connection.h"
#include "shell/main_frame.h"
#include "support/agent_process.h"
#include "support/event_wait.h"
#include "support/modal_dialog.h"
#include "support/run_process.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::testing {
namespace {

using project::WizardPage;
using ui::NewProjectWizard;

// Connections of this machine to `port` that are open (state ESTABLISHED
// on the connecting side), as the kernel lists them.
int OpenConnectionsTo(std::uint16_t port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the heading
  int open = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    const std::size_t colon = remote.find(':');
    if (colon == std::string::npos) continue;
    if (std::stoul(remote.substr(colon + 1), nullptr, 16) == port && state == "01") ++open;
  }
  return open;
}

class NewProjectWizardTest : public ::testing::Test {
 protected:
  // A tandrill on dir_/root; with a user, it wants a login from a users
  // file holding that user, otherwise it wants none.
  void StartAgent(const char* personality, const std::string& user = {},
                  const std::string& password = {}) {
    std::filesystem::create_directories(dir_ / "root");
    std::vector<std::string> arguments = {"--root", (dir_ / "root").string(), "--port",
                                          "0",      "--personality",          personality};
    if (user.empty()) {
      arguments.push_back("--no-login");
    } else {
      const std::string users = (dir_ / "users").string();
      const std::string add = "printf '%s\\n' " + ShellQuote(password) + " | " +
                              ShellQuote(VANDREL_TANDRILL_PATH) + " passwd --users " +
                              ShellQuote(users) + " " + ShellQuote(user) + " 2>/dev/null";
      ASSERT_EQ(std::system(add.c_str()), 0);
      arguments.insert(arguments.end(), {"--users", users});
    }
    agent_ = std::make_unique<AgentProcess>(arguments);
    port_ = agent_->ReadPort();
    ASSERT_NE(port_, 0);
    frame_ = std::make_unique<shell::MainFrame>(&store_);
    frame_->SetUserInterface(&ui_);
    frame_->settings().Debugging = 1;  // the Debug pane shows the commands
    frame_->show();
  }

  void Write(const std::string& hostPath, const std::string& text) {
    const std::filesystem::path path = dir_ / ("root" + hostPath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }

  // New project, with the wizard answered by `drive`; whether New succeeded.
  bool RunWizard(const std::function<void(NewProjectWizard&)>& drive) {
    bool created = false;
    {
      ModalAnswer<NewProjectWizard> answer(drive, 60000);
      created = frame_->projectController().New();
    }
    return created;
  }

  // Fills the Server page with the agent's address and goes on.
  void Connect(NewProjectWizard& wizard, std::uint16_t port) {
    ASSERT_EQ(wizard.page(), WizardPage::kServer);
    wizard.serverBox()->setEditText("127.0.0.1");
    wizard.portBox()->setValue(port);
    wizard.nextButton()->click();
  }

  // Waits for `page` with nothing awaited, noting every page passed.
  bool ReachPage(NewProjectWizard& wizard, WizardPage page, std::set<WizardPage>* seen = nullptr) {
    return WaitFor([&] {
      if (seen) seen->insert(wizard.page());
      return wizard.page() == page && !wizard.waiting();
    });
  }

  shell::FrameHostConnection& host() { return *frame_->hostConnection(); }
  project::Project& project() { return frame_->project(); }

  TempDir dir_;
  std::unique_ptr<AgentProcess> agent_;
  std::uint16_t port_ = 0;
  SettingsStore store_{dir_ / "settings.reg"};
  ScriptedUserInterface ui_;
  std::unique_ptr<shell::MainFrame> frame_;  // goes first
};

TEST_F(NewProjectWizardTest, MpeHostWithLoginBuildsTheProjectAndKeepsTheConnection) {
  Write("/DEV/PUB/PROG", "       IDENTIFICATION DIVISION.\n");
  Write("/DEV/PUB/COPYLIB", "      * copy\n");
  ASSERT_NO_FATAL_FAILURE(StartAgent("mpe", "bob", "hunter2"));
  remote::Socket lent = remote::kNoSocket;

  const bool created = RunWizard([&](NewProjectWizard& wizard) {
    EXPECT_EQ(wizard.windowTitle(), "New Project Wizard");
    EXPECT_EQ(wizard.portBox()->value(), 11000);
    Connect(wizard, port_);

    // The agent wants a logon: the Security page with the MPE/iX hints.
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kSecurity));
    EXPECT_FALSE(wizard.mpeHints()->isHidden());
    EXPECT_FALSE(wizard.nextButton()->isEnabled());  // no user yet
    wizard.userEdit()->setText("BOB.DEV");
    wizard.passwordEdit()->setText("hunter2");
    wizard.savePasswordBox()->setChecked(true);
    wizard.nextButton()->click();

    // The MPE/iX options; the logon levels follow UDC support.
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kMpe));
    EXPECT_FALSE(wizard.hpfsBox()->isChecked());
    EXPECT_FALSE(wizard.udcSystemBox()->isEnabled());
    wizard.udcBox()->setChecked(true);
    EXPECT_TRUE(wizard.udcSystemBox()->isEnabled());
    wizard.udcUserBox()->setChecked(false);
    wizard.nextButton()->click();

    // The root proposed is the host's current directory after the logon.
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kProjectRoot));
    EXPECT_EQ(wizard.rootEdit()->text(), "/DEV/PUB");
    EXPECT_TRUE(wizard.createFoldersBox()->isChecked());
    wizard.nextButton()->click();
    ASSERT_EQ(wizard.page(), WizardPage::kInitialFiles);
    EXPECT_FALSE(wizard.nextButton()->isEnabled());
    EXPECT_TRUE(wizard.finishButton()->isEnabled());

    // A file added through the host's open dialog, on the wizard's connection.
    {
      ModalAnswer<ui::RemoteFileDialog> pick([](ui::RemoteFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Add Files to Project");
        EXPECT_EQ(dialog.fileTypeBox()->currentText(), "All Files (*.*)");
        ASSERT_TRUE(WaitFor([&] { return dialog.selectEntry("PROG"); }));
        EXPECT_EQ(dialog.currentFolder(), "/DEV/PUB");
        dialog.accept();
      });
      wizard.addButton()->click();
    }
    ASSERT_EQ(wizard.filesList()->count(), 1);
    EXPECT_EQ(wizard.filesList()->item(0)->text(), "PROG");
    lent = host().worker().commandSocket();
    EXPECT_NE(lent, remote::kNoSocket);
    EXPECT_FALSE(frame_->connected());
    wizard.finishButton()->click();
  });
  ASSERT_TRUE(created);

  const project::ProjectSettings& values = project().projectSettings();
  EXPECT_EQ(values.server, "127.0.0.1");
  EXPECT_EQ(values.port, port_);
  EXPECT_EQ(values.user, "BOB.DEV");
  EXPECT_EQ(values.password, "hunter2");
  EXPECT_EQ(values.hpfsSupport, 0);
  EXPECT_EQ(values.udcEnabled, 1);
  EXPECT_EQ(values.udcLogon, project::kUdcSystem | project::kUdcAccount);
  EXPECT_EQ(project().RootDirectory(), "/DEV/PUB");
  ASSERT_EQ(project().ChildCount(), 4u);
  EXPECT_EQ(project().Child(0)->Name(), "Source Files");
  EXPECT_EQ(project().Child(3)->Name(), "Dependancies");
  ASSERT_EQ(project().Child(0)->ChildCount(), 1u);
  EXPECT_EQ(*project().Child(0)->Child(0)->FullPath(), "/DEV/PUB/PROG");
  EXPECT_TRUE(project().Modified());

  // The frame is connected on the wizard's connection, set up as after a
  // connect: "=MPE_SET_FS M" went out from the MPE/iX page and again from
  // the set-up.
  ASSERT_TRUE(WaitFor([&] { return frame_->connected() && !frame_->busy(); }));
  EXPECT_EQ(host().worker().commandSocket(), lent);
  EXPECT_EQ(OpenConnectionsTo(port_), 1);
  const std::string debug = frame_->outputPanes().Text(remote::kPaneDebug);
  const std::size_t first = debug.find("=MPE_SET_FS M");
  ASSERT_NE(first, std::string::npos) << debug;
  EXPECT_NE(debug.find("=MPE_SET_FS M", first + 1), std::string::npos) << debug;
  EXPECT_NE(debug.find("=MPE_SET_UDC T"), std::string::npos) << debug;
  EXPECT_TRUE(ui_.shown().empty());
  ASSERT_TRUE(frame_->OpenHostFile("/DEV/PUB/COPYLIB"));
  ASSERT_TRUE(WaitFor([&] { return frame_->EditorWindows().size() == 1 && !frame_->busy(); }));

  // Saved, the project reads back with the values chosen.
  const std::string saved = (dir_ / "wizard.vdp").string();
  ASSERT_TRUE(frame_->projectController().SaveAs(saved));
  const ProcessResult shown = RunProgram(
      VANDREL_CLI_PATH, {"--config", (dir_ / "config").string(), "project", "show", saved});
  ASSERT_EQ(shown.exitCode, 0) << shown.out;
  for (const std::string& expected :
       {std::string("Connection: \"127.0.0.1\""), std::string("User: \"BOB.DEV\""),
        std::string("PortNo: ") + std::to_string(port_), std::string("MPEUdcLogon: 6"),
        std::string("MPEUdcEnabled: 1"), std::string("Location: \"/DEV/PUB\""),
        std::string("FullPath: \"/DEV/PUB/PROG\""), std::string("Name: \"Dependancies\"")}) {
    EXPECT_NE(shown.out.find(expected), std::string::npos) << expected << "\n" << shown.out;
  }
}

TEST_F(NewProjectWizardTest, PosixHostWithoutLoginGoesStraightToTheRoot) {
  ASSERT_NO_FATAL_FAILURE(StartAgent("posix"));
  std::set<WizardPage> seen;
  const bool created = RunWizard([&](NewProjectWizard& wizard) {
    Connect(wizard, port_);
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kProjectRoot, &seen));
    EXPECT_EQ(wizard.rootEdit()->text(), "/");
    wizard.createFoldersBox()->setChecked(false);
    wizard.nextButton()->click();
    ASSERT_EQ(wizard.page(), WizardPage::kInitialFiles);
    wizard.finishButton()->click();
  });
  ASSERT_TRUE(created);
  EXPECT_EQ(seen.count(WizardPage::kSecurity), 0u);
  EXPECT_EQ(seen.count(WizardPage::kMpe), 0u);
  EXPECT_EQ(project().ChildCount(), 0u);
  EXPECT_EQ(project().RootDirectory(), "/");
  EXPECT_EQ(project().User(), "");
  ASSERT_TRUE(WaitFor([&] { return frame_->connected() && !frame_->busy(); }));
  // The address is the first of the history the next wizard offers.
  EXPECT_EQ(project::NewProjectWizardModel::LoadConnectionHistory(&store_),
            std::vector<std::string>{"127.0.0.1"});
}

TEST_F(NewProjectWizardTest, AWrongPasswordIsReportedAndClosesTheConnection) {
  ASSERT_NO_FATAL_FAILURE(StartAgent("posix", "bob", "hunter2"));
  const bool created = RunWizard([&](NewProjectWizard& wizard) {
    Connect(wizard, port_);
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kSecurity));
    EXPECT_TRUE(wizard.mpeHints()->isHidden());
    EXPECT_EQ(OpenConnectionsTo(port_), 1);
    wizard.userEdit()->setText("bob");
    wizard.passwordEdit()->setText("wrong");
    wizard.nextButton()->click();
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kServer));
    ASSERT_EQ(ui_.shown().size(), 1u);
    EXPECT_NE(ui_.shown()[0].text.find("Login failed"), std::string::npos) << ui_.shown()[0].text;
    EXPECT_EQ(host().worker().commandSocket(), remote::kNoSocket);
    EXPECT_TRUE(WaitFor([&] { return OpenConnectionsTo(port_) == 0; }));
    wizard.cancelButton()->click();
  });
  EXPECT_FALSE(created);
  EXPECT_FALSE(frame_->connected());
  EXPECT_EQ(project().ChildCount(), 0u);
  EXPECT_EQ(project().ServerAddress(), "");
}

TEST_F(NewProjectWizardTest, CancelBackAndAFailedAttemptLeaveNothingOpen) {
  ASSERT_NO_FATAL_FAILURE(StartAgent("posix"));
  // A peer that takes the connection and never greets, and a port that
  // refuses it.
  const remote::Socket silent = remote::Listen(4, "127.0.0.1");
  ASSERT_NE(silent, remote::kNoSocket);
  const remote::Socket refusing = remote::Listen(4, "127.0.0.1");
  const std::uint16_t refusedPort = remote::LocalPort(refusing);
  remote::Close(refusing);

  const bool created = RunWizard([&](NewProjectWizard& wizard) {
    // Cancel while connecting stops the attempt and keeps the wizard open.
    Connect(wizard, remote::LocalPort(silent));
    ASSERT_EQ(wizard.page(), WizardPage::kConnecting);
    EXPECT_EQ(wizard.statusLabel()->text(), "Connecting...");
    EXPECT_FALSE(wizard.nextButton()->isEnabled());
    wizard.cancelButton()->click();
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(wizard.statusLabel()->text(), "Connection cancelled !");
    EXPECT_FALSE(host().session().holding());
    wizard.backButton()->click();

    // A refused connection shows the failure page with its checklist.
    Connect(wizard, refusedPort);
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kConnectionFailed));
    EXPECT_NE(wizard.failureLabel()->text().toStdString().find("Failed to connect"),
              std::string::npos);
    EXPECT_FALSE(wizard.nextButton()->isEnabled());
    wizard.backButton()->click();
    ASSERT_EQ(wizard.page(), WizardPage::kServer);

    // Back from the root of a host that is not MPE/iX closes the connection.
    Connect(wizard, port_);
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kProjectRoot));
    EXPECT_EQ(OpenConnectionsTo(port_), 1);
    wizard.backButton()->click();
    ASSERT_EQ(wizard.page(), WizardPage::kServer);
    EXPECT_TRUE(WaitFor([&] { return OpenConnectionsTo(port_) == 0; }));

    // Cancel after connecting closes the connection and the wizard.
    Connect(wizard, port_);
    ASSERT_TRUE(ReachPage(wizard, WizardPage::kProjectRoot));
    wizard.nextButton()->click();
    wizard.cancelButton()->click();
  });
  EXPECT_FALSE(created);
  EXPECT_TRUE(WaitFor([&] { return OpenConnectionsTo(port_) == 0; }));
  EXPECT_FALSE(frame_->connected());
  EXPECT_FALSE(host().session().holding());
  EXPECT_EQ(host().worker().commandSocket(), remote::kNoSocket);
  EXPECT_EQ(project().ChildCount(), 0u);
  EXPECT_TRUE(ui_.shown().empty());
  remote::Close(silent);
}

}  // namespace
}  // namespace vandrel::testing
