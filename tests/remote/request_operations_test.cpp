// The worker's operations against the real agent, in both personalities:
// each request kind's exchange end to end, composite open and save, and
// Stop during a download.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "agent_fixture.h"

namespace vandrel::remote {
namespace {

using testing::Block;
using testing::LiveAgent;
using testing::WorkerHarness;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadLocal(const std::string& path) {
  const std::vector<std::uint8_t> bytes = testing::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteLocal(const fs::path& path, const std::string& bytes) {
  testing::WriteBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

// Sets a host file's modification time an hour back, so that a save within
// the same second still changes it.
void Age(const LiveAgent& agent, const std::string& hostPath) {
  const fs::path path = agent.root() / hostPath.substr(1);
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
}

class LiveSession : public ::testing::Test {
 protected:
  explicit LiveSession(const std::string& personality) : agent(personality) {}
  void SetUp() override {
    ASSERT_NE(agent.port(), 0) << "tandrill did not start";
    socket = testing::OpenSession(agent.port(), &hostKind);
    ASSERT_NE(socket, kNoSocket);
    harness.worker().SetConnection(socket, hostKind);
  }
  void TearDown() override {
    harness.worker().SetConnection(kNoSocket, 0);
    Close(socket);
  }

  RequestBlock FileInfo(const std::string& hostPath) {
    RequestBlock block = Block(kRequestFileInformation);
    block.hostPath = hostPath;
    return harness.Run(block);
  }

  LiveAgent agent;
  WorkerHarness harness;
  testing::TempDir local;
  Socket socket = kNoSocket;
  std::int32_t hostKind = 0;
};

class PosixAgent : public LiveSession {
 protected:
  PosixAgent() : LiveSession("posix") {}
};

class MpeAgent : public LiveSession {
 protected:
  MpeAgent() : LiveSession("mpe") {}
};

TEST_F(PosixAgent, CommandRequestsReadTheirReplies) {
  agent.Write("/src/a file.txt", "hello\n");

  RequestBlock directory = harness.Run(Block(kRequestGetDirectory));
  EXPECT_EQ(directory.status, kStatusSuccess);
  EXPECT_EQ(directory.hostPath, "/");

  RequestBlock info = FileInfo("/src/a file.txt");
  ASSERT_EQ(info.status, kStatusSuccess) << info.errorText;
  EXPECT_EQ(info.fileInfo.name, "a file.txt");
  EXPECT_EQ(info.fileInfo.size, 6);
  EXPECT_EQ(info.fileInfo.permissions.substr(0, 3), "-rw");
  EXPECT_NE(info.fileInfo.modifyTime, 0);

  RequestBlock missing = FileInfo("/src/missing");
  EXPECT_EQ(missing.status, kStatusAgentError);
  EXPECT_EQ(missing.errorNumber & 0xffff, 2);  // no such file
  EXPECT_EQ(std::to_string(missing.errorNumber),
            missing.errorText.substr(0, missing.errorText.find(' ')));

  RequestBlock resolve = Block(kRequestResolveFile);
  resolve.name = "\"a file.txt\"";
  resolve.contextPath = "\"/src\"";
  resolve = harness.Run(resolve);
  EXPECT_EQ(resolve.status, kStatusSuccess) << resolve.errorText;
  EXPECT_EQ(resolve.resolvedPath, "/src/a file.txt");
  resolve.name = "nothing.txt";
  EXPECT_EQ(harness.Run(resolve).status, kStatusAgentError);

  RequestBlock command = Block(kRequestSendCommand);
  command.commandText = "=SET_CD /src";
  command = harness.Run(command);
  EXPECT_EQ(command.status, kStatusSuccess);
  EXPECT_EQ(command.replyText, "0");  // no blank: the whole reply
  command.commandText = "=GET_CD";
  EXPECT_EQ(harness.Run(command).replyText, "/src");
  EXPECT_EQ(harness.Run(Block(kRequestGetDirectory)).hostPath, "/src");
  command.commandText = "=CHECK_EXISTS /nothing";
  EXPECT_EQ(harness.Run(command).status, kStatusAgentError);
}

TEST_F(PosixAgent, ListsDirectories) {
  agent.Write("/src/a.txt", "a");
  agent.Write("/src/with blank.c", "b");
  fs::create_directories(agent.root() / "src" / "sub");

  RequestBlock list = Block(kRequestListDirectory);
  list.hostPath = "/src";
  RequestBlock all = harness.Run(list);
  ASSERT_EQ(all.status, kStatusSuccess) << all.errorText;
  EXPECT_EQ(all.buffer.substr(0, 5), std::string("/src\0", 5));
  EXPECT_NE(all.buffer.find("Y 12 with blank.c "), std::string::npos);
  EXPECT_NE(all.buffer.find("Y 5 a.txt "), std::string::npos);
  EXPECT_EQ(all.buffer.back(), '\0');  // every string of the listing is terminated

  list.listFlag = 7;  // any non-zero flag asks for folders only
  RequestBlock folders = harness.Run(list);
  EXPECT_NE(folders.buffer.find("Y 3 sub "), std::string::npos);
  EXPECT_EQ(folders.buffer.find("a.txt"), std::string::npos);

  list.hostPath = "/nothing";
  RequestBlock missing = harness.Run(list);
  EXPECT_EQ(missing.status, kStatusAgentError);
  EXPECT_TRUE(missing.buffer.empty());
}

TEST_F(PosixAgent, ReceivesIntoMemoryAndIntoATemporaryFile) {
  std::string content(200000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251);
  agent.Write("/bin/data.bin", content);
  agent.Write("/bin/empty", "");

  RequestBlock memory = Block(kRequestReceiveToMemory);
  memory.hostPath = "/bin/data.bin";
  memory.options = kOptionProgress;
  memory = harness.Run(memory);
  ASSERT_EQ(memory.status, kStatusSuccess) << memory.errorText;
  EXPECT_EQ(memory.buffer, content);
  // Four blocks of at most 65,535 bytes; truncated percentages; the display
  // ends with the transfer.
  EXPECT_EQ(harness.progress.events(),
            (std::vector<std::string>{"text:Loading /bin/data.bin...", "percent:0", "percent:32",
                                      "percent:65", "percent:98", "percent:100", "clear"}));

  RequestBlock file = Block(kRequestReceiveToFile);
  file.hostPath = "/bin/data.bin";
  file = harness.Run(file);
  ASSERT_EQ(file.status, kStatusSuccess) << file.errorText;
  EXPECT_EQ(fs::path(file.localPath).parent_path(), harness.temp.path());
  EXPECT_EQ(ReadLocal(file.localPath), content);
  fs::remove(file.localPath);

  memory.hostPath = file.hostPath = "/bin/empty";
  memory.options = 0;
  memory = harness.Run(memory);
  EXPECT_EQ(memory.status, kStatusSuccess);
  EXPECT_TRUE(memory.buffer.empty());
  file = harness.Run(file);
  EXPECT_EQ(file.status, kStatusSuccess);
  EXPECT_EQ(fs::file_size(file.localPath), 0u);
  fs::remove(file.localPath);

  file.hostPath = "/bin/missing";
  file = harness.Run(file);
  EXPECT_EQ(file.status, kStatusAgentError);
  EXPECT_TRUE(file.localPath.empty());
  EXPECT_TRUE(harness.TemporaryFolderEmpty());
}

TEST_F(PosixAgent, SendsFilesAndLearnsTheNameWritten) {
  const std::string content(100000, 'z');
  WriteLocal(local / "up.txt", content);

  RequestBlock send = Block(kRequestSendFile);
  send.hostPath = "/dst/up.txt";
  send.localPath = (local / "up.txt").string();
  send.options = kOptionProgress;
  fs::create_directories(agent.root() / "dst");
  RequestBlock sent = harness.Run(send);
  ASSERT_EQ(sent.status, kStatusSuccess) << sent.errorText;
  EXPECT_EQ(agent.Read("/dst/up.txt"), content);
  EXPECT_EQ(harness.progress.events(),
            (std::vector<std::string>{"text:Saving /dst/up.txt...", "percent:0", "percent:32",
                                      "percent:65", "percent:98", "percent:100", "clear"}));

  send.options = kOptionNameWritten;
  send.hostPath = "/dst/named.txt";
  EXPECT_EQ(harness.Run(send).hostPath, "/dst/named.txt");
  // Without a host path the agent keeps the upload for the session and
  // names it.
  send.hostPath.clear();
  RequestBlock kept = harness.Run(send);
  EXPECT_EQ(kept.status, kStatusSuccess) << kept.errorText;
  EXPECT_FALSE(kept.hostPath.empty());

  send.localPath = (local / "missing").string();
  EXPECT_EQ(harness.Run(send).status, kStatusLocalOpenFailed);
}

TEST_F(PosixAgent, KeepsFilesLockedWithOption0x80) {
  agent.Write("/src/locked.txt", "x\n");
  RequestBlock receive = Block(kRequestReceiveToMemory);
  receive.hostPath = "/src/locked.txt";
  receive.options = kOptionKeepLocked;
  receive = harness.Run(receive);
  ASSERT_EQ(receive.status, kStatusSuccess) << receive.errorText;
  EXPECT_GE(receive.lockNumber, 1);
  EXPECT_EQ(receive.buffer, "x\n");

  // An agent built-in sent as a command line is answered without output.
  RequestBlock unlock = Block(kRequestRunCommand);
  unlock.commandLine = "=FILE_UNLOCK " + std::to_string(receive.lockNumber);
  EXPECT_EQ(harness.Run(unlock).status, kStatusSuccess);
  EXPECT_TRUE(harness.output.entries().empty());

  WriteLocal(local / "new.txt", "new\n");
  RequestBlock send = Block(kRequestSendFile);
  send.hostPath = "/src/locked.txt";
  send.localPath = (local / "new.txt").string();
  send.options = kOptionKeepLocked;
  send = harness.Run(send);
  EXPECT_EQ(send.status, kStatusSuccess) << send.errorText;
  EXPECT_GE(send.lockNumber, 1);
  EXPECT_EQ(agent.Read("/src/locked.txt"), "new\n");
}

TEST_F(PosixAgent, RunsCommandsIntoTheirPane) {
  RequestBlock run = Block(kRequestRunCommand);
  run.echoLine = "> greet";
  run.commandLine = "printf 'hi\\n'; printf 'err\\n' >&2";
  run.pane = kPaneOutput;
  run = harness.Run(run);
  ASSERT_EQ(run.status, kStatusSuccess) << run.errorText;
  const auto entries = harness.output.entries();
  ASSERT_FALSE(entries.empty());
  EXPECT_TRUE(entries.front().line);
  EXPECT_EQ(entries.front().text, "> greet");
  EXPECT_EQ(harness.output.OutputOf(kPaneOutput), "hi\nerr\n");

  // The command-line window echoes what was typed itself.
  harness.output.Clear();
  run.pane = kPaneCommandLine;
  run.commandLine = "echo again";
  EXPECT_EQ(harness.Run(run).status, kStatusSuccess);
  for (const auto& entry : harness.output.entries()) EXPECT_FALSE(entry.line);
  EXPECT_EQ(harness.output.OutputOf(kPaneCommandLine), "again\n");

  run.commandLine = "=SET_CD /nothing";
  EXPECT_EQ(harness.Run(run).status, kStatusAgentError);
}

TEST_F(PosixAgent, FindsInAFolderAndInAProjectList) {
  agent.Write("/src/a.txt", "one needle here\n");
  agent.Write("/src/b.txt", "nothing\n");
  agent.Write("/other/c.txt", "x\nneedle too\n");

  RequestBlock find = Block(kRequestFindInFiles);
  find.findText = "needle";
  find.fileTypes = "*.txt";
  find.directory = "/src";
  find = harness.Run(find);
  ASSERT_EQ(find.status, kStatusSuccess) << find.errorText;
  const std::string hits = harness.output.OutputOf(kPaneFindInFiles);
  EXPECT_NE(hits.find("/src/a.txt(1): one needle here"), std::string::npos) << hits;
  EXPECT_EQ(hits.find("c.txt"), std::string::npos);

  harness.output.Clear();
  WriteLocal(local / "project.lst", "/src/a.txt\n/other/c.txt\n");
  find.directory = (local / "project.lst").string();
  find.searchFlags = kSearchProjectFiles;
  find = harness.Run(find);
  ASSERT_EQ(find.status, kStatusSuccess) << find.errorText;
  const std::string listed = harness.output.OutputOf(kPaneFindInFiles);
  EXPECT_NE(listed.find("/src/a.txt(1): one needle here"), std::string::npos) << listed;
  EXPECT_NE(listed.find("/other/c.txt(2): needle too"), std::string::npos) << listed;
}

TEST_F(PosixAgent, OpensAndSavesAFileAskingWhenItChangedOnTheHost) {
  agent.Write("/src/doc.txt", "first\n");
  Age(agent, "/src/doc.txt");

  RequestBlock open = Block(kRequestOpenFile);
  open.hostPath = "/src/doc.txt";
  open.options = kOptionProgress;
  open = harness.Run(open);
  ASSERT_EQ(open.status, kStatusSuccess) << open.errorText;
  EXPECT_EQ(ReadLocal(open.localPath), "first\n");
  EXPECT_EQ(open.fileInfo.size, 6);
  EXPECT_EQ(open.formatHint, 0);

  WriteLocal(local / "edited.txt", "second version\n");
  RequestBlock save = Block(kRequestSaveFile);
  save.hostPath = open.hostPath;
  save.localPath = (local / "edited.txt").string();
  save.fileInfo = open.fileInfo;
  RequestBlock saved = harness.Run(save);
  ASSERT_EQ(saved.status, kStatusSuccess) << saved.errorText;
  EXPECT_EQ(agent.Read("/src/doc.txt"), "second version\n");
  EXPECT_EQ(saved.fileInfo.size, 15);
  EXPECT_TRUE(harness.user.shown().empty());

  // Someone else changes the file: the save asks, and No leaves it alone.
  agent.Write("/src/doc.txt", "someone else\n");
  Age(agent, "/src/doc.txt");
  save.fileInfo = saved.fileInfo;
  harness.user.Answer(kIdNo);
  EXPECT_EQ(harness.Run(save).status, kStatusAbandoned);
  EXPECT_EQ(agent.Read("/src/doc.txt"), "someone else\n");
  ASSERT_EQ(harness.user.shown().size(), 1u);
  const std::string question = harness.user.shown()[0].text;
  EXPECT_EQ(harness.user.shown()[0].caption, "File Has Been Changed");
  EXPECT_NE(question.find("The file '/src/doc.txt' has been altered on the server"),
            std::string::npos);
  EXPECT_NE(question.find("Originally loaded file :  15 bytes, modified on "), std::string::npos)
      << question;
  EXPECT_NE(question.find("Most recently modified file:  13 bytes, modified on "),
            std::string::npos);

  harness.user.Answer(kIdYes);
  EXPECT_EQ(harness.Run(save).status, kStatusSuccess);
  EXPECT_EQ(agent.Read("/src/doc.txt"), "second version\n");

  // A new file is written without a question.
  save.hostPath = "/src/new.txt";
  save.newFile = 1;
  EXPECT_EQ(harness.Run(save).status, kStatusSuccess);
  EXPECT_EQ(agent.Read("/src/new.txt"), "second version\n");
  EXPECT_EQ(harness.user.shown().size(), 2u);
}

TEST_F(PosixAgent, StopDuringADownloadCancelsTheQueueAndEndsWithTheAgentsAbort) {
  agent.Write("/big.bin", std::string(24 << 20, 'x'));
  harness.progress.HoldAtFirstBlock();

  RequestBlock download = Block(kRequestReceiveToFile);
  download.hostPath = "/big.bin";
  download.options = kOptionProgress;
  const std::size_t running = harness.Post(download);
  RequestBlock next = Block(kRequestSendCommand);
  next.commandText = "=GET_CD";
  const std::size_t second = harness.Post(next);
  const std::size_t third = harness.Post(next);
  ASSERT_TRUE(harness.progress.WaitHeld());

  // Stop as the user presses it: the queue is cancelled on this thread, then
  // the abort line goes to the agent.
  harness.worker().CancelAll();
  ASSERT_TRUE(harness.Completed(second));
  ASSERT_TRUE(harness.Completed(third));
  EXPECT_EQ(harness.Wait(second).block.status, kStatusCancelled);
  EXPECT_EQ(harness.Wait(third).block.status, kStatusCancelled);
  EXPECT_EQ(harness.Wait(third).thread, std::this_thread::get_id());
  EXPECT_TRUE(harness.worker().SendAbort());
  harness.progress.Release();

  const WorkerHarness::Done aborted = harness.Wait(running);
  EXPECT_EQ(aborted.block.status, kStatusAgentError) << aborted.block.errorText;
  EXPECT_EQ(aborted.block.errorNumber & 0xffff, 103);
  EXPECT_NE(aborted.thread, std::this_thread::get_id());
  EXPECT_TRUE(harness.TemporaryFolderEmpty());
  EXPECT_EQ(harness.progress.events().back(), "clear");

  // The session goes on.
  RequestBlock after = harness.Run(next);
  EXPECT_EQ(after.status, kStatusSuccess);
  EXPECT_EQ(after.replyText, "/");
}

TEST_F(MpeAgent, OpensRecordAndQeditFilesAndSavesThemBack) {
  ASSERT_EQ(hostKind, 1);
  agent.Write("/ACCT/GRP/SRC", "LINE ONE\nLINE TWO\n");
  agent.Write("/ACCT/GRP/QFILE", "QEDIT LINE\n");
  agent.Write("/ACCT/GRP/.tandrill/QFILE", "FCODE=111\n");
  Age(agent, "/ACCT/GRP/SRC");

  RequestBlock open = Block(kRequestOpenFile);
  open.hostPath = "/ACCT/GRP/SRC";
  open.options = kOptionKeepLocked;
  open = harness.Run(open);
  ASSERT_EQ(open.status, kStatusSuccess) << open.errorText;
  EXPECT_EQ(open.formatHint, 1);
  EXPECT_GE(open.lockNumber, 1);
  EXPECT_TRUE(open.options & kOptionKeepLocked);
  // Record form: length-prefixed records, the header first.
  const std::string records = ReadLocal(open.localPath);
  EXPECT_NE(records, "LINE ONE\nLINE TWO\n");
  EXPECT_NE(records.find(std::string("\0\x08LINE ONE", 10)), std::string::npos);

  RequestBlock qedit = Block(kRequestOpenFile);
  qedit.hostPath = "/ACCT/GRP/QFILE";
  qedit = harness.Run(qedit);
  ASSERT_EQ(qedit.status, kStatusSuccess) << qedit.errorText;
  EXPECT_EQ(qedit.formatHint, 3);
  EXPECT_EQ(qedit.fileInfo.fileCode, 111);

  // The downloaded records go back as they came; the host text is the same.
  RequestBlock save = Block(kRequestSaveFile);
  save.hostPath = open.hostPath;
  save.localPath = open.localPath;
  save.fileInfo = open.fileInfo;
  save.options = kOptionModeRecord | kOptionKeepLocked;
  save = harness.Run(save);
  ASSERT_EQ(save.status, kStatusSuccess) << save.errorText;
  EXPECT_EQ(agent.Read("/ACCT/GRP/SRC"), "LINE ONE\nLINE TWO\n");
  EXPECT_TRUE(harness.user.shown().empty());
  fs::remove(open.localPath);
  fs::remove(qedit.localPath);
}

}  // namespace
}  // namespace vandrel::remote
