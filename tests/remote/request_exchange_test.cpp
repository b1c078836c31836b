// The worker's exchanges against a scripted agent: the exact command texts,
// reply forms a good agent rarely sends, peers that misbehave or vanish,
// Stop and a shut-down command connection freeing a blocked request, and
// the save-file question.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "agent_fixture.h"
#include "support/wait.h"

namespace vandrel::remote {
namespace {

using testing::Block;
using testing::ScriptedPeer;
using testing::WorkerHarness;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::int32_t kPosixHost = 2;
constexpr std::int32_t kMpeHost = 1;
const char kFileInfoReply[] = "0 10 1 2000 3 -rw-r--r-- 1 me staff 0 0";

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The command with its port argument (checked to be one) shown as "P".
std::string WithoutPort(const std::string& command) {
  for (const char* word :
       {"=LIST_DIR ", "=SEND_FILE ", "=RECV_FILE ", "=FIND_INFILES ", "=SET_PORT "}) {
    if (command.rfind(word, 0) != 0) continue;
    const std::size_t from = std::string(word).size();
    const std::size_t end = std::min(command.find(' ', from), command.size());
    const int port = std::stoi(command.substr(from, end - from));
    if (port <= 0 || port > 65535) return command;
    return command.substr(0, from) + "P" + command.substr(end);
  }
  return command;
}

std::vector<std::string> CommandsWithoutPorts(const ScriptedPeer& peer) {
  std::vector<std::string> commands;
  for (const std::string& command : peer.commands()) commands.push_back(WithoutPort(command));
  return commands;
}

// Sends a download's stream: the size, the bytes, the end.
void SendDownload(Socket data, const std::string& bytes) {
  ScriptedPeer::SendPacket(data,
                           ScriptedPeer::SizePacket(static_cast<std::uint32_t>(bytes.size())));
  if (!bytes.empty()) ScriptedPeer::SendPacket(data, bytes);
  ScriptedPeer::SendPacket(data, "");
}

// A well-behaved agent for every command until the connection goes.
void PlayGoodAgent(ScriptedPeer& peer) {
  std::uint16_t commandPort = 0;  // announced by =SET_PORT
  while (true) {
    const std::string command = peer.Command();
    if (command == "<none>") return;
    const std::vector<std::string> words = Words(command);
    const std::string& word = words.empty() ? command : words[0];
    if (word == "=LIST_DIR" || word == "=FIND_INFILES") {
      Socket data = ScriptedPeer::ConnectBack(command);
      ScriptedPeer::SendPacket(data, word == "=LIST_DIR" ? std::string("/d\0", 3) : "hit\n");
      ScriptedPeer::SendPacket(data, "");
      Close(data);
      peer.Reply("0");
    } else if (word == "=SEND_FILE") {
      Socket data = ScriptedPeer::ConnectBack(command);
      SendDownload(data, "abc");
      Close(data);
      peer.Reply(std::stoi(words[4]) & 16 ? "0 9" : "0");
    } else if (word == "=RECV_FILE") {
      Socket data = ScriptedPeer::ConnectBack(command);
      bool clean = false;
      ScriptedPeer::ReadUpload(data, &clean);
      Close(data);
      const int options = std::stoi(words[4]);
      peer.Reply(options & 4 ? "0 5" : options & 8 ? "0 /written" : "0");
    } else if (word == "=SET_PORT") {
      commandPort = static_cast<std::uint16_t>(std::stoi(words[1]));
      peer.Reply("0");
    } else if (word == "=GET_CD") {
      peer.Reply("0 /cur");
    } else if (word == "=RESOLVE_FILE") {
      peer.Reply("0 /resolved");
    } else if (word == "=GET_FILEINFO") {
      peer.Reply(kFileInfoReply);
    } else if (command.front() == '=') {
      peer.Reply("0");
    } else {
      Socket data = Connect("127.0.0.1", commandPort);
      ScriptedPeer::SendPacket(data, "out:" + command);
      ScriptedPeer::SendPacket(data, "");
      Close(data);
      peer.Reply("0");
    }
  }
}

// A harness whose worker talks to a scripted peer.
struct PeerSession {
  explicit PeerSession(std::int32_t hostKind = kPosixHost) {
    harness.worker().SetConnection(peer.clientSocket(), hostKind);
  }
  ScriptedPeer peer;  // outlives the worker
  WorkerHarness harness;
  testing::TempDir local;
};

RequestBlock Receive(std::int32_t kind, std::int32_t options, const std::string& hostPath = "/f") {
  RequestBlock block = Block(kind);
  block.options = options;
  block.hostPath = hostPath;
  return block;
}

TEST(RequestExchange, SendsEveryCommandExactly) {
  PeerSession session;
  session.peer.Play(PlayGoodAgent);
  WorkerHarness& harness = session.harness;
  const std::string upload = (session.local / "up").string();
  testing::WriteBytes(upload, {'p', 'a', 'y'});

  RequestBlock list = Block(kRequestListDirectory);
  list.hostPath = "/dir";
  list.listFlag = 5;
  EXPECT_EQ(harness.Run(list).buffer, std::string("/d\0", 3));

  EXPECT_EQ(harness.Run(Receive(kRequestReceiveToMemory, 0)).buffer, "abc");
  EXPECT_EQ(harness.Run(Receive(kRequestReceiveToMemory, 0x1 | 0x4)).buffer, "abc");
  RequestBlock locked =
      harness.Run(Receive(kRequestReceiveToFile, kOptionModeRecord | kOptionKeepLocked));
  EXPECT_EQ(locked.lockNumber, 9);
  EXPECT_EQ(testing::ReadBytes(locked.localPath), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(harness
                .Run(Receive(kRequestReceiveToMemory,
                             kOptionModeQedit | kOptionModeRecord | 0x1 | kOptionKeepLocked))
                .status,
            kStatusSuccess);

  RequestBlock send = Receive(kRequestSendFile, 0, "/h");
  send.localPath = upload;
  EXPECT_EQ(harness.Run(send).status, kStatusSuccess);
  send.options = 0x1 | 0x4 | kOptionKeepLocked | kOptionNameWritten;
  EXPECT_EQ(harness.Run(send).lockNumber, 5);
  send.options = kOptionNameWritten;
  EXPECT_EQ(harness.Run(send).hostPath, "/written");

  RequestBlock find = Block(kRequestFindInFiles);
  find.findText = "two words";
  find.fileTypes = "*.c";
  find.directory = "/d";
  find.searchFlags = kSearchMatchCase | kSearchSubdirectories;
  EXPECT_EQ(harness.Run(find).status, kStatusSuccess);
  EXPECT_EQ(harness.output.OutputOf(kPaneFindInFiles), "hit\n");

  RequestBlock run = Block(kRequestRunCommand);
  run.commandLine = "make all";
  run.echoLine = "> make";
  EXPECT_EQ(harness.Run(run).status, kStatusSuccess);
  EXPECT_EQ(harness.output.OutputOf(kPaneOutput), "out:make all");

  EXPECT_EQ(harness.Run(Block(kRequestGetDirectory)).hostPath, "/cur");
  RequestBlock resolve = Block(kRequestResolveFile);
  resolve.name = "\"x\"";
  resolve.contextPath = "\"/c";  // a lone opening quote goes too
  EXPECT_EQ(harness.Run(resolve).resolvedPath, "/resolved");
  RequestBlock command = Block(kRequestSendCommand);
  command.commandText = "=SET_ENV A=1";
  EXPECT_EQ(harness.Run(command).replyText, "0");

  EXPECT_EQ(CommandsWithoutPorts(session.peer),
            (std::vector<std::string>{
                "=LIST_DIR P 65535 1 /dir",
                "=SEND_FILE P 65535 A 1 /f",
                "=SEND_FILE P 65535 B 11 /f",
                "=SEND_FILE P 65535 M 17 /f",
                "=SEND_FILE P 65535 Q 27 /f",
                "=RECV_FILE P 32767 A 0 /h",
                "=RECV_FILE P 32767 B 14 /h",
                "=RECV_FILE P 32767 A 8 /h",
                "=FIND_INFILES P 32767 3 \"/d\" \"*.c\" two words",
                "=SET_PORT P",
                "make all",
                "=GET_CD",
                "=RESOLVE_FILE 0 \"x\" \"/c\"",
                "=SET_ENV A=1",
            }));
}

TEST(RequestExchange, AnAgentThatAnswersInsteadOfConnectingFailsTheRequest) {
  PeerSession session;
  session.peer.Play([](ScriptedPeer& peer) {
    peer.Command();
    peer.Reply("1048578 No such file or directory: /f");
    peer.Command();
    peer.Reply("0");
    peer.Command();
    peer.Reply("4294967295 odd");
  });
  WorkerHarness& harness = session.harness;

  RequestBlock memory = harness.Run(Receive(kRequestReceiveToMemory, kOptionProgress));
  EXPECT_EQ(memory.status, kStatusAgentError);
  EXPECT_EQ(memory.errorText, "1048578 No such file or directory: /f");
  EXPECT_EQ(memory.errorNumber, 1048578);
  EXPECT_EQ(harness.progress.events(),
            (std::vector<std::string>{"text:Loading /f...", "percent:0", "clear"}));

  // A success reply without a connection is still a failure, without text.
  RequestBlock file = harness.Run(Receive(kRequestReceiveToFile, 0));
  EXPECT_EQ(file.status, kStatusAgentError);
  EXPECT_TRUE(file.errorText.empty());
  EXPECT_TRUE(harness.TemporaryFolderEmpty());

  RequestBlock list = Block(kRequestListDirectory);
  list.hostPath = "/d";
  EXPECT_EQ(harness.Run(list).errorNumber, 4294967295);  // read as unsigned 32-bit
}

TEST(RequestExchange, APeerThatVanishesMidTransferLeavesNothingBehind) {
  for (const std::int32_t kind : {kRequestReceiveToFile, kRequestReceiveToMemory}) {
    PeerSession session;
    session.peer.Play([](ScriptedPeer& peer) {
      Socket data = ScriptedPeer::ConnectBack(peer.Command());
      ScriptedPeer::SendPacket(data, ScriptedPeer::SizePacket(100000));
      ScriptedPeer::SendPacket(data, std::string(5000, 'd'));
      ScriptedPeer::SendRaw(data, std::string("\x03\xe8", 2) + "only ten b");
      Close(data);
      peer.Hang();
    });
    RequestBlock done = session.harness.Run(Receive(kind, 0));
    EXPECT_EQ(done.status, kStatusReceiveFailed) << kind;
    EXPECT_TRUE(done.buffer.empty());
    EXPECT_TRUE(done.localPath.empty());
    EXPECT_TRUE(session.harness.TemporaryFolderEmpty());
  }
}

TEST(RequestExchange, AnOverlongPacketFailsTheRequestButKeepsTheConnectionInStep) {
  PeerSession session;
  session.peer.Play([](ScriptedPeer& peer) {
    const std::uint16_t port = static_cast<std::uint16_t>(std::stoi(Words(peer.Command())[1]));
    peer.Reply("0");
    peer.Command();
    Socket data = Connect("127.0.0.1", port);
    ScriptedPeer::SendPacket(data, std::string(40000, 'x'));  // more than the 32,767 asked for
    std::string ignored;
    while (ScriptedPeer::ReadPacketOrEnd(data, &ignored) > 0) {
    }
    Close(data);
    peer.Reply("0");
    peer.Command();
    peer.Reply("0 /still");
  });
  RequestBlock run = Block(kRequestRunCommand);
  run.commandLine = "cat big";
  EXPECT_EQ(session.harness.Run(run).status, kStatusBadReply);
  EXPECT_TRUE(session.harness.output.OutputOf(kPaneOutput).empty());
  EXPECT_EQ(session.harness.Run(Block(kRequestGetDirectory)).hostPath, "/still");
}

TEST(RequestExchange, ReplyFormsThatDoNotCarryWhatTheRequestNeeds) {
  PeerSession session;
  session.peer.Play([](ScriptedPeer& peer) {
    for (const char* reply : {"0 7", "0", "5 3"}) {
      Socket data = ScriptedPeer::ConnectBack(peer.Command());
      SendDownload(data, "");
      Close(data);
      peer.Reply(reply);
    }
    Socket data = ScriptedPeer::ConnectBack(peer.Command());
    bool clean = false;
    ScriptedPeer::ReadUpload(data, &clean);
    Close(data);
    peer.Reply("0");  // option 0x100, but no name
    for (const char* reply :
         {"0", "0 ", "0 12 1 2", "0 12 1 2 3 -rw-r--r-- 1 me", "0 12 1 2 3 -rw 1 me staff"}) {
      peer.Command();
      peer.Reply(reply);
    }
  });
  WorkerHarness& harness = session.harness;
  const RequestBlock lock = Receive(kRequestReceiveToMemory, kOptionKeepLocked);
  EXPECT_EQ(harness.Run(lock).lockNumber, 7);
  RequestBlock noLock = harness.Run(lock);
  EXPECT_EQ(noLock.status, kStatusAgentError);
  EXPECT_EQ(noLock.errorText, "0");
  EXPECT_EQ(harness.Run(lock).status, kStatusAgentError);  // a non-zero status is no lock

  RequestBlock send = Receive(kRequestSendFile, kOptionNameWritten, "/kept");
  send.localPath = (session.local / "up").string();
  testing::WriteBytes(send.localPath, {'u'});
  send = harness.Run(send);
  EXPECT_EQ(send.status, kStatusSuccess);
  EXPECT_EQ(send.hostPath, "/kept");

  EXPECT_EQ(harness.Run(Block(kRequestGetDirectory)).status, kStatusBadReply);
  RequestBlock resolve = Block(kRequestResolveFile);
  resolve.name = "x";
  EXPECT_EQ(harness.Run(resolve).status, kStatusBadReply);
  RequestBlock info = Receive(kRequestFileInformation, 0, "/a/b/");
  EXPECT_EQ(harness.Run(info).status, kStatusBadReply);
  EXPECT_EQ(harness.Run(info).status, kStatusBadReply);  // eight items
  info = harness.Run(info);
  EXPECT_EQ(info.status, kStatusSuccess);
  EXPECT_EQ(info.fileInfo.name, "/");
  EXPECT_EQ(info.fileInfo.group, "staff");
}

TEST(RequestExchange, OverlongFieldsAreRefusedWithoutSendingAnything) {
  PeerSession session;
  session.peer.Play(PlayGoodAgent);
  WorkerHarness& harness = session.harness;

  RequestBlock info = Receive(kRequestFileInformation, 0, "/" + std::string(259, 'p'));
  RequestBlock refused = harness.Run(info);
  EXPECT_EQ(refused.status, kStatusRefused);
  EXPECT_NE(refused.errorText.find("host path"), std::string::npos);
  RequestBlock command = Block(kRequestSendCommand);
  command.commandText = std::string(512, 'c');
  EXPECT_EQ(harness.Run(command).status, kStatusRefused);
  RequestBlock find = Block(kRequestFindInFiles);
  find.findText = std::string(128, 'f');
  EXPECT_EQ(harness.Run(find).status, kStatusRefused);
  RequestBlock run = Block(kRequestRunCommand);
  run.echoLine = std::string(512, 'e');
  EXPECT_EQ(harness.Run(run).status, kStatusRefused);
  RequestBlock save = Receive(kRequestSaveFile, 0, "/h");
  save.localPath = "/" + std::string(259, 'l');
  EXPECT_EQ(harness.Run(save).status, kStatusRefused);

  // At the limit the text goes out whole.
  info.hostPath.pop_back();
  EXPECT_EQ(harness.Run(info).status, kStatusSuccess);
  EXPECT_EQ(session.peer.commands(), (std::vector<std::string>{"=GET_FILEINFO " + info.hostPath}));
}

TEST(RequestExchange, StopFreesARequestTheAgentLeftHanging) {
  PeerSession session;
  std::atomic<bool> connected{false};
  session.peer.Play([&](ScriptedPeer& peer) {
    Socket data = ScriptedPeer::ConnectBack(peer.Command());
    connected = true;
    std::string ignored;
    ScriptedPeer::ReadPacketOrEnd(data, &ignored, 20000);  // until the editor lets go
    Close(data);
  });
  WorkerHarness& harness = session.harness;
  const std::size_t hanging = harness.Post(Receive(kRequestReceiveToFile, 0));
  const std::size_t queued = harness.Post(Block(kRequestGetDirectory));
  ASSERT_TRUE(testing::WaitUntil([&] { return connected.load(); }));

  harness.worker().Stop();
  ASSERT_TRUE(harness.Completed(queued));
  EXPECT_EQ(harness.Wait(queued).block.status, kStatusCancelled);
  EXPECT_EQ(harness.Wait(hanging, 5s).block.status, kStatusCancelled);
  EXPECT_TRUE(harness.TemporaryFolderEmpty());
}

TEST(RequestExchange, ShuttingTheCommandConnectionDownFreesAWaitingRequest) {
  for (const std::int32_t kind : {kRequestFileInformation, kRequestReceiveToMemory}) {
    PeerSession session;
    std::atomic<bool> asked{false};
    session.peer.Play([&](ScriptedPeer& peer) {
      const std::string command = peer.Command();
      Socket data =
          command.rfind("=SEND_FILE", 0) == 0 ? ScriptedPeer::ConnectBack(command) : kNoSocket;
      asked = true;
      peer.Command(20000);  // nothing comes: the editor's end goes away
      Close(data);
    });
    const std::size_t ticket = session.harness.Post(Receive(kind, 0));
    ASSERT_TRUE(testing::WaitUntil([&] { return asked.load(); }));
    // What the session's Stop and Disconnect do to the command connection.
    ::shutdown(session.peer.clientSocket(), SHUT_RDWR);
    EXPECT_EQ(session.harness.Wait(ticket, 5s).block.status, kStatusReceiveFailed) << kind;
  }
}

TEST(RequestExchange, AnUploadStoppedHalfWayIsBrokenOffNotEnded) {
  PeerSession session;
  std::atomic<int> flowing{-1};  // whether the upload's first bytes came
  std::atomic<bool> stopped{false};
  std::atomic<int> ending{-1};
  session.peer.Play([&](ScriptedPeer& peer) {
    Socket data = ScriptedPeer::ConnectBack(peer.Command());
    pollfd bytes{data, POLLIN, 0};
    flowing = ::poll(&bytes, 1, static_cast<int>(testing::kEventTimeLimit.count())) == 1;
    testing::WaitUntil([&] { return stopped.load(); });
    bool clean = true;
    ScriptedPeer::ReadUpload(data, &clean);
    ending = clean ? 1 : 0;
    Close(data);
  });
  RequestBlock send = Receive(kRequestSendFile, 0, "/h");
  send.localPath = (session.local / "big").string();
  testing::WriteBytes(send.localPath, std::vector<std::uint8_t>(16 << 20, 'b'));
  const std::size_t ticket = session.harness.Post(send);
  // Under way: more is sent than the socket buffers hold, and nobody reads.
  ASSERT_TRUE(testing::WaitUntil([&] { return flowing >= 0; }));
  ASSERT_EQ(flowing, 1);

  session.harness.worker().Stop();
  EXPECT_EQ(session.harness.Wait(ticket, 5s).block.status, kStatusCancelled);
  stopped = true;
  session.peer.Join();
  // An orderly close would have told the agent that the file was complete.
  EXPECT_EQ(ending, 0);
}

TEST(RequestExchange, SaveAsksBeforeOverwritingAndReportsAnUnchangedHostFile) {
  PeerSession session;
  session.peer.Play(PlayGoodAgent);
  WorkerHarness& harness = session.harness;

  RequestBlock save = Receive(kRequestSaveFile, 0, "/h");
  save.localPath = (session.local / "doc").string();
  testing::WriteBytes(save.localPath, {'d'});
  save.fileInfo.modifyTime = 1000;  // the host file now says 2000
  save.fileInfo.size = 7;

  harness.user.Answer(kIdNo);
  EXPECT_EQ(harness.Run(save).status, kStatusAbandoned);
  ASSERT_EQ(harness.user.shown().size(), 1u);
  EXPECT_EQ(harness.user.shown()[0].style & kMbButtonMask, kMbYesNoCancel);
  EXPECT_NE(harness.user.shown()[0].text.find("Originally loaded file :  7 bytes"),
            std::string::npos);
  EXPECT_NE(harness.user.shown()[0].text.find("Most recently modified file:  10 bytes"),
            std::string::npos);

  // Yes goes on; the agent then reports the very record it reported before.
  harness.user.Answer(kIdYes);
  RequestBlock unchanged = harness.Run(save);
  EXPECT_EQ(unchanged.status, kStatusHostUnchanged);
  EXPECT_EQ(unchanged.fileInfo.modifyTime, 1000);

  save.newFile = 1;
  RequestBlock created = harness.Run(save);
  EXPECT_EQ(created.status, kStatusSuccess);
  EXPECT_EQ(created.fileInfo.modifyTime, 2000);
  EXPECT_EQ(harness.user.shown().size(), 2u);

  EXPECT_EQ(CommandsWithoutPorts(session.peer),
            (std::vector<std::string>{
                "=CHECK_EXISTS /h", "=GET_FILEINFO /h",  // No
                "=CHECK_EXISTS /h", "=GET_FILEINFO /h", "=RECV_FILE P 32767 A 0 /h",
                "=GET_FILEINFO /h",                               // Yes
                "=RECV_FILE P 32767 A 0 /h", "=GET_FILEINFO /h",  // new
            }));
}

TEST(RequestExchange, OpenDerivesTheTransferFromTheHostAndTheRecord) {
  PeerSession session(kMpeHost);
  session.peer.Play([](ScriptedPeer& peer) {
    for (const char* info : {"0 10 1 2000 3 -rw-r--r-- 1 me staff 2 111",
                             "0 10 1 2000 3 -rw-r--r-- 1 me staff 0 0", kFileInfoReply}) {
      peer.Command();
      peer.Reply(info);
      const std::string command = peer.Command();
      Socket data = ScriptedPeer::ConnectBack(command);
      SendDownload(data, "records");
      Close(data);
      peer.Reply(std::stoi(Words(command)[4]) & 16 ? "0 4" : "0");
    }
  });
  WorkerHarness& harness = session.harness;

  // Qedit file that cannot be locked: mode Q, no lock asked for.
  RequestBlock open = Receive(kRequestOpenFile, kOptionKeepLocked | kOptionProgress, "/A/G/Q");
  RequestBlock qedit = harness.Run(open);
  ASSERT_EQ(qedit.status, kStatusSuccess);
  EXPECT_EQ(qedit.formatHint, 3);
  EXPECT_FALSE(qedit.options & kOptionKeepLocked);
  EXPECT_EQ(testing::ReadBytes(qedit.localPath).size(), 7u);
  EXPECT_EQ(harness.progress.events().front(), "text:Loading /A/G/Q...");

  open.options = kOptionKeepLocked;
  RequestBlock records = harness.Run(open);
  EXPECT_EQ(records.formatHint, 1);
  EXPECT_EQ(records.lockNumber, 4);

  // Other hosts transfer with the request's own options.
  harness.worker().SetConnection(session.peer.clientSocket(), kPosixHost);
  open.options = kOptionKeepLocked | 0x1;
  RequestBlock plain = harness.Run(open);
  EXPECT_EQ(plain.formatHint, 0);
  EXPECT_EQ(plain.lockNumber, 4);

  const std::vector<std::string> commands = CommandsWithoutPorts(session.peer);
  ASSERT_EQ(commands.size(), 6u);
  EXPECT_EQ(commands[0], "=GET_FILEINFO /A/G/Q");
  EXPECT_EQ(commands[1], "=SEND_FILE P 65535 Q 1 /A/G/Q");
  EXPECT_EQ(commands[3], "=SEND_FILE P 65535 M 17 /A/G/Q");
  EXPECT_EQ(commands[5], "=SEND_FILE P 65535 A 27 /A/G/Q");
}

TEST(RequestExchange, ProjectSearchUploadsTheListFirst) {
  PeerSession session;
  std::string uploaded;
  session.peer.Play([&](ScriptedPeer& peer) {
    Socket data = ScriptedPeer::ConnectBack(peer.Command());
    bool clean = false;
    uploaded = ScriptedPeer::ReadUpload(data, &clean);
    Close(data);
    peer.Reply("0 /tmp/list 1");
    data = ScriptedPeer::ConnectBack(peer.Command());
    ScriptedPeer::SendPacket(data, "hit\n");
    ScriptedPeer::SendPacket(data, "");
    Close(data);
    peer.Reply("0");
    peer.Command();  // the second search's upload is refused
    peer.Reply("1048604 No space left on device: upload");
  });
  RequestBlock find = Block(kRequestFindInFiles);
  find.findText = "x";
  find.fileTypes = "*.c";
  find.directory = (session.local / "files.lst").string();
  find.searchFlags = kSearchProjectFiles | kSearchSubdirectories;
  testing::WriteBytes(find.directory, {'/', 'a', '\n'});
  EXPECT_EQ(session.harness.Run(find).status, kStatusSuccess);
  RequestBlock refused = session.harness.Run(find);
  EXPECT_EQ(refused.status, kStatusAgentError);
  EXPECT_EQ(refused.errorText, "1048604 No space left on device: upload");
  session.peer.Join();

  EXPECT_EQ(uploaded, "/a\n");
  EXPECT_EQ(session.harness.output.OutputOf(kPaneFindInFiles), "hit\n");
  EXPECT_EQ(CommandsWithoutPorts(session.peer),
            (std::vector<std::string>{"=RECV_FILE P 32767 A 10 ",
                                      "=FIND_INFILES P 32767 14 \"/tmp/list 1\" \"*.c\" x",
                                      "=RECV_FILE P 32767 A 10 "}));
}

TEST(RequestExchange, RunCommandStopsWhenTheDataPortIsRefused) {
  PeerSession session;
  session.peer.Play([](ScriptedPeer& peer) {
    peer.Command();
    peer.Reply("851970 Malformed command");
    peer.Command();
    peer.Reply("0");
    peer.Command();
    peer.Reply("0");  // answered without connecting: a built-in
  });
  RequestBlock run = Block(kRequestRunCommand);
  run.commandLine = "=SET_CD /x";
  run.echoLine = "cd /x";
  run.pane = kPaneOutput;
  RequestBlock refused = session.harness.Run(run);
  EXPECT_EQ(refused.status, kStatusAgentError);
  EXPECT_EQ(refused.errorNumber, 851970);
  EXPECT_TRUE(session.harness.output.entries().empty());  // nothing echoed or sent

  EXPECT_EQ(session.harness.Run(run).status, kStatusSuccess);
  const auto entries = session.harness.output.entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].text, "cd /x");
  session.peer.Join();
  EXPECT_EQ(CommandsWithoutPorts(session.peer),
            (std::vector<std::string>{"=SET_PORT P", "=SET_PORT P", "=SET_CD /x"}));
}

}  // namespace
}  // namespace vandrel::remote
