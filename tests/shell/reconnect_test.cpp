// A host session lost under open documents and restored against a real
// agent: the agent is killed while a numbered COBOL source is being edited
// and started again on the same port and tree. The document keeps its
// edit and its record format, the drop is told in the status bar without
// an error box per request, Connect (or the automatic retry) brings back
// the session with its folder and the document's lock, and a save writes
// the records with their numbers. A lock that cannot be taken again marks
// the document and is reported once.
#include <Qsci/qsciscintilla.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <sstream>

#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/string_ids.h"
#include "editor/ui/editor_window.h"
#include "remote/request_block.h"
#include "remote/socket_transport.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_reconnect.h"
#include "shell/main_frame.h"
#include "shell/status_bar.h"
#include "support/host_frame.h"

namespace vandrel::shell {
namespace {

using testing::AgentProcess;
using testing::HostFrameTest;
using testing::kPayrollSource;
using testing::Lines;
using testing::LockedOnHost;
using testing::ReadTextFile;
using testing::Record;
using testing::RecordsOf;
using testing::WaitFor;
using testing::WriteTextFile;
using namespace std::chrono_literals;

class Reconnect : public HostFrameTest {
 protected:
  void SetUp() override {
    source_ = dir_ / "root" / "DEMO" / "SOURCE";
    std::filesystem::create_directories(source_ / ".tandrill");
    WriteTextFile(source_ / "PAYROLL", Lines(kPayrollSource));
    WriteTextFile(source_ / ".tandrill" / "PAYROLL", testing::kCobolAttributes);
    // A port of its own, named: an agent given its port reuses it at once
    // after a restart, while connections of the killed one still linger.
    const remote::Socket probe = remote::Listen(1, "127.0.0.1", 0);
    ASSERT_NE(probe, remote::kNoSocket);
    port_ = remote::LocalPort(probe);
    remote::Close(probe);
    RestartAgent("mpe");
    project::Project saved;
    saved.projectSettings().server = "127.0.0.1";
    saved.projectSettings().port = port_;
    saved.projectSettings().fileLocking = 1;
    ASSERT_TRUE(project::SaveProjectFile(saved, dir_ / "mpe.vdp"));
  }

  // The agent on the port and tree (again after it was killed).
  void RestartAgent(const char* personality) {
    agent_ = std::make_unique<AgentProcess>(std::vector<std::string>{
        "--root", (dir_ / "root").string(), "--port", std::to_string(port_), "--bind", "127.0.0.1",
        "--no-login", "--personality", personality});
    ASSERT_EQ(agent_->ReadPort(), port_);
  }

  ui::EditorWindow* OpenSource(MainFrame& frame) {
    frame.settings().SpecialOptions = 1;
    return OpenInProject(frame, "mpe.vdp", "/DEMO/SOURCE/PAYROLL");
  }

  // Carries out `request` on the frame's worker and waits for it.
  static remote::RequestBlock Run(MainFrame& frame, remote::RequestBlock request) {
    auto result = std::make_shared<remote::RequestBlock>();
    auto done = std::make_shared<std::atomic<bool>>(false);
    request.completion = [result, done](remote::RequestBlock& finished) {
      *result = finished;
      result->completion = nullptr;
      *done = true;
    };
    frame.hostConnection()->worker().Post(request);
    EXPECT_TRUE(WaitFor([&] { return done->load(); }));
    return *result;
  }

  static std::string StatusText(MainFrame& frame) {
    return frame.frameStatusBar()->currentMessage().toStdString();
  }

  // Lets the frame take up a drop and waits for the session to be gone.
  static bool WaitForDrop(MainFrame& frame) {
    return WaitFor([&] { return !frame.connected() && frame.reconnect()->lost(); });
  }
  static bool WaitForRestore(MainFrame& frame) {
    return WaitFor(
        [&] { return frame.connected() && !frame.busy() && !frame.reconnect()->restoring(); }, 20s);
  }

  std::string HostText() const { return ReadTextFile(source_ / "PAYROLL"); }

  std::filesystem::path source_;
};

TEST_F(Reconnect, KilledAgentLeavesTheEditAndConnectRestoresFolderLockAndSaves) {
  MainFrame& frame = NewFrame();
  frame.settings().AutoReconnect = 0;
  ui::EditorWindow* editor = OpenSource(frame);
  ASSERT_NE(editor, nullptr);
  ASSERT_NE(editor->hostLock(), -1);
  ASSERT_TRUE(LockedOnHost(source_ / "PAYROLL"));
  // The session works in a folder of its own.
  remote::RequestBlock change;
  change.kind = remote::kRequestSendCommand;
  change.commandText = "=SET_CD /DEMO/SOURCE";
  ASSERT_EQ(Run(frame, change).status, remote::kStatusSuccess);

  QsciScintilla* text = editor->control()->scintilla();
  const int at = text->text(1).indexOf("PAYROLL");
  text->setSelection(1, at, 1, at + 7);
  text->replaceSelectedText("PAYCALC");

  agent_->Kill();
  // What was queued when the agent went fails or is cancelled without a box
  // per request: a save and three look-ups reported as the frame reports them.
  frame.RunCommand(cmd::kSave);
  for (int i = 0; i < 3; ++i) {
    remote::RequestBlock information;
    information.kind = remote::kRequestFileInformation;
    information.hostPath = "/DEMO/SOURCE/PAYROLL";
    FrameHostConnection* connection = frame.hostConnection();
    information.completion = [connection](remote::RequestBlock& done) {
      remote::RequestBlock copy = done;
      RunOnUiThread(connection, [&] { connection->Report(copy, __FILE__, __LINE__); });
    };
    frame.hostConnection()->worker().Post(information);
  }
  ASSERT_TRUE(WaitForDrop(frame));
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  EXPECT_EQ(StatusText(frame), LoadText(kStrConnectionLost));
  EXPECT_EQ(frame.reconnect()->secondsToRetry(), 0);  // retrying is off
  // The document is as it was: its edit, its records and numbers; its lock
  // died with the agent.
  ASSERT_EQ(frame.EditorWindows().size(), 1u);
  EXPECT_TRUE(editor->isModified());
  EXPECT_TRUE(editor->HasLineNumbers());
  EXPECT_EQ(editor->format().mpe.reclen, 80);
  EXPECT_EQ(editor->hostLock(), -1);
  EXPECT_FALSE(LockedOnHost(source_ / "PAYROLL"));
  EXPECT_EQ(HostText(), Lines(kPayrollSource));

  RestartAgent("mpe");
  frame.RunCommand(cmd::kConnect);
  ASSERT_TRUE(WaitForRestore(frame));
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  // The lock is held again, by the new session.
  EXPECT_NE(editor->hostLock(), -1);
  EXPECT_TRUE(LockedOnHost(source_ / "PAYROLL"));
  EXPECT_FALSE(editor->lockLost());
  EXPECT_EQ(editor->Caption().toStdString(), "/DEMO/SOURCE/PAYROLL *");
  // The session is back in its folder.
  remote::RequestBlock where;
  where.kind = remote::kRequestGetDirectory;
  EXPECT_EQ(Run(frame, where).hostPath, "/DEMO/SOURCE");

  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  EXPECT_FALSE(editor->isModified());
  const std::vector<std::string> records = RecordsOf(HostText());
  ASSERT_EQ(records.size(), kPayrollSource.size()) << HostText();
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].size(), 80u) << i;
    EXPECT_EQ(records[i], i == 1 ? Record("000200", " PROGRAM-ID. PAYCALC.") : kPayrollSource[i])
        << i;
  }
  EXPECT_NE(editor->hostLock(), -1);
  EXPECT_TRUE(LockedOnHost(source_ / "PAYROLL"));
}

TEST_F(Reconnect, RetryRestoresByItselfAndAFileChangedMeanwhileStaysUnlockedAndAsks) {
  MainFrame& frame = NewFrame();
  ASSERT_EQ(frame.settings().AutoReconnect, 1);  // on unless turned off
  ui::EditorWindow* editor = OpenSource(frame);
  ASSERT_NE(editor, nullptr);
  ASSERT_NE(editor->hostLock(), -1);
  editor->control()->scintilla()->insertAt("*", 0, 1);

  agent_->Kill();
  // Noticed while nothing runs: the connection is watched.
  ASSERT_TRUE(WaitForDrop(frame));
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  EXPECT_GT(frame.reconnect()->secondsToRetry(), 0);
  EXPECT_NE(StatusText(frame).find("Reconnecting in"), std::string::npos) << StatusText(frame);

  // Someone changes the file while the host is away.
  std::vector<std::string> theirs = kPayrollSource;
  theirs[4] = Record("000500", "     GOBACK.");
  WriteTextFile(source_ / "PAYROLL", Lines(theirs));
  std::filesystem::last_write_time(
      source_ / "PAYROLL",
      std::filesystem::last_write_time(source_ / "PAYROLL") + std::chrono::seconds(5));
  RestartAgent("mpe");
  ASSERT_TRUE(WaitForRestore(frame));

  // Reported once; the document stays editable, marked, and unlocked.
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_NE(ui_.shown()[0].text.find("/DEMO/SOURCE/PAYROLL"), std::string::npos)
      << ui_.shown()[0].text;
  EXPECT_EQ(editor->hostLock(), -1);
  // The lock taken to look at the file goes back; the agent lets go of it
  // once the release has run.
  EXPECT_TRUE(WaitFor([&] { return !LockedOnHost(source_ / "PAYROLL"); }));
  EXPECT_TRUE(editor->lockLost());
  EXPECT_FALSE(editor->isReadOnly());
  EXPECT_EQ(editor->Caption().toStdString(),
            "/DEMO/SOURCE/PAYROLL *" + LoadText(kStrNotLockedSuffix));

  // The save still asks before it overwrites the other writer's file; Yes
  // writes it and takes a lock, and the mark goes.
  ui_.Answer(kIdYes);
  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  ASSERT_EQ(ui_.shown().size(), 2u);
  EXPECT_NE(ui_.shown()[1].text.find("has been altered on the server"), std::string::npos);
  EXPECT_FALSE(editor->isModified());
  EXPECT_EQ(HostText().substr(0, 8), "000100 *");
  EXPECT_NE(editor->hostLock(), -1);
  EXPECT_FALSE(editor->lockLost());
  EXPECT_EQ(editor->Caption().toStdString(), "/DEMO/SOURCE/PAYROLL");
}

TEST_F(Reconnect, DisconnectingStopsTheRetries) {
  MainFrame& frame = NewFrame();
  ASSERT_NE(OpenSource(frame), nullptr);
  agent_->Kill();
  ASSERT_TRUE(WaitForDrop(frame));
  ASSERT_GT(frame.reconnect()->secondsToRetry(), 0);
  frame.RunCommand(cmd::kDisconnect);
  EXPECT_FALSE(frame.reconnect()->lost());
  EXPECT_EQ(frame.reconnect()->secondsToRetry(), 0);
  RestartAgent("mpe");
  // Nothing connects by itself any more.
  WaitFor([] { return false; }, 3s);
  EXPECT_FALSE(frame.connected());
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
}

}  // namespace
}  // namespace vandrel::shell
