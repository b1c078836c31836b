// Host commands and the abort line: a command line after "=SET_PORT" runs in
// the session's directory with its environment and streams its output; "=!"
// ends a running command (its whole process group), a download or an
// upload, and the session goes on.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "agent/agent_errors.h"
#include "data_port.h"
#include "raw_client.h"

namespace vandrel::testing {
namespace {

using namespace std::chrono_literals;
using agent::Personality;

// Whether the process has ended (gone, or a zombie nobody reaped yet).
bool ProcessEnded(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

bool WaitEnded(pid_t pid) {
  for (int i = 0; i < 500 && !ProcessEnded(pid); ++i) std::this_thread::sleep_for(10ms);
  return ProcessEnded(pid);
}

// The process id a command wrote into a file, once it is there.
pid_t WaitPidFile(const std::filesystem::path& path) {
  for (int i = 0; i < 500; ++i) {
    const std::string text = ReadTextFile(path);
    if (!text.empty() && text.back() == '\n') return static_cast<pid_t>(std::stol(text));
    std::this_thread::sleep_for(10ms);
  }
  return -1;
}

class HostCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(agent.root() / "src");
    agent.options.allowCommands = true;
    ASSERT_TRUE(agent.Start()) << agent.lastError;
    client = agent.Open();
    ASSERT_TRUE(client.connected());
  }

  // Announces the data port and sends the command line; true when the agent
  // connected for the output.
  bool Start(DataPort& port, const std::string& line) {
    if (client.Command("=SET_PORT " + std::to_string(port.port())) != "0") return false;
    return client.Send(line) && port.AcceptOrReply(client);
  }
  // Runs a command to its end: its output and the final reply.
  std::pair<std::string, std::string> Run(const std::string& line) {
    DataPort port;
    if (!Start(port, line)) return {"", client.Receive().value_or("<none>")};
    bool ended = false;
    std::string output = JoinedPackets(port.ReadStream(&ended));
    if (!ended) output += "<stream not ended>";
    return {output, client.Receive().value_or("<none>")};
  }

  TestAgent agent{Personality::kPosix};
  RawClient client;
};

TEST_F(HostCommands, OutputStreamsFromTheSessionDirectoryWithItsEnvironment) {
  auto [output, reply] = Run("echo out; echo err >&2; echo again");
  EXPECT_EQ(output, "out\nerr\nagain\n");
  EXPECT_EQ(reply, "0");

  EXPECT_EQ(client.Command("=SET_CD /src"), "0");
  EXPECT_EQ(client.Command("=SET_ENV GREETING=hello there"), "0");
  std::tie(output, reply) = Run("echo \"$GREETING\"; pwd");
  const std::string directory = std::filesystem::canonical(agent.root() / "src").string();
  EXPECT_EQ(output, "hello there\n" + directory + "\n");
  EXPECT_EQ(reply, "0");

  // Output larger than one packet arrives whole and in order.
  std::tie(output, reply) = Run("i=0; while [ $i -lt 20000 ]; do echo line$i; i=$((i+1)); done");
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 20000);
  EXPECT_TRUE(output.starts_with("line0\nline1\n"));
  EXPECT_TRUE(output.ends_with("line19999\n"));
  EXPECT_EQ(reply, "0");
}

TEST_F(HostCommands, ExitStatusAndRefusals) {
  // A command that ran but failed says so after the status 0.
  auto [output, reply] = Run("echo failing; exit 3");
  EXPECT_EQ(output, "failing\n");
  EXPECT_EQ(reply, "0 3");
  std::tie(output, reply) = Run("kill -9 $$");
  EXPECT_EQ(reply, "0 137");
  std::tie(output, reply) = Run("no-such-command-here");
  EXPECT_NE(output.find("not found"), std::string::npos) << output;
  EXPECT_EQ(reply, "0 127");

  // A command line without an announced data port has nowhere to write.
  reply = client.Command("echo lost");
  EXPECT_EQ(ReplyCode(reply), agent::kErrorBadArguments) << reply;
  // The port belongs to the next line only; agent commands answer at once
  // and make no connection.
  DataPort port;
  EXPECT_EQ(client.Command("=SET_PORT " + std::to_string(port.port())), "0");
  EXPECT_EQ(client.Command("=SET_CD /src"), "0");
  EXPECT_TRUE(port.NoConnection(100));
  EXPECT_EQ(ReplyCode(client.Command("echo lost")), agent::kErrorBadArguments);
}

TEST_F(HostCommands, AbortEndsTheWholeProcessGroup) {
  const auto pidFile = agent.dir() / "child.pid";
  DataPort port;
  ASSERT_TRUE(Start(
      port, "sleep 60 & echo $! > '" + pidFile.string() + "'; echo started; sleep 60; echo never"));
  const pid_t background = WaitPidFile(pidFile);
  ASSERT_GT(background, 0);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(client.Send("=!"));
  bool ended = false;
  const std::string output = JoinedPackets(port.ReadStream(&ended));
  EXPECT_EQ(output.find("never"), std::string::npos);
  const std::string reply = client.Receive().value_or("<none>");
  EXPECT_EQ(ReplyCode(reply), agent::kErrorAborted) << reply;
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  EXPECT_TRUE(WaitEnded(background));
  // The abort line itself is not answered, and the session goes on.
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
}

TEST_F(HostCommands, LinesSentDuringACommandRunAfterIt) {
  DataPort port;
  ASSERT_TRUE(Start(port, "sleep 0.3; echo done"));
  ASSERT_TRUE(client.Send("=GET_CD"));
  bool ended = false;
  EXPECT_EQ(JoinedPackets(port.ReadStream(&ended)), "done\n");
  EXPECT_EQ(client.Receive().value_or("<none>"), "0");
  EXPECT_EQ(client.Receive().value_or("<none>"), "0 /");
}

TEST_F(HostCommands, AClientThatGoesAwayEndsItsCommand) {
  const auto pidFile = agent.dir() / "shell.pid";
  DataPort port;
  ASSERT_TRUE(Start(port, "echo $$ > '" + pidFile.string() + "'; sleep 60"));
  const pid_t shell = WaitPidFile(pidFile);
  ASSERT_GT(shell, 0);
  client.Close();
  EXPECT_TRUE(WaitEnded(shell));
}

TEST(HostCommandsRefused, WithoutPermissionNothingRuns) {
  TestAgent agent;
  ASSERT_TRUE(agent.Start()) << agent.lastError;
  RawClient client = agent.Open();
  DataPort port;
  EXPECT_EQ(client.Command("=SET_PORT " + std::to_string(port.port())), "0");
  const std::string reply = client.Command("touch '" + (agent.dir() / "ran").string() + "'");
  EXPECT_EQ(ReplyCode(reply), agent::kErrorCommandsNotAllowed) << reply;
  EXPECT_TRUE(port.NoConnection(100));
  EXPECT_FALSE(std::filesystem::exists(agent.dir() / "ran"));
}

// Aborting transfers: the agent closes the data connection and answers
// with code 103; an aborted upload leaves the file as it was.
class AbortedTransfers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(agent.Start()) << agent.lastError;
    client = agent.Open();
    ASSERT_TRUE(client.connected());
  }
  TestAgent agent{Personality::kPosix};
  RawClient client;
};

TEST_F(AbortedTransfers, ADownloadEndsWithTheAbortCode) {
  // Large enough that the agent is still sending when the abort comes.
  WriteTextFile(agent.root() / "big.bin", std::string(64 << 20, 'x'));
  DataPort port;
  ASSERT_TRUE(client.Send("=SEND_FILE " + std::to_string(port.port()) + " 65535 B 1 big.bin"));
  ASSERT_TRUE(port.Accept());
  ASSERT_TRUE(client.Send("=!"));
  bool ended = false;
  const std::string received = JoinedPackets(port.ReadStream(&ended));
  EXPECT_FALSE(ended);  // closed without the end packet
  EXPECT_LT(received.size(), static_cast<std::size_t>(64 << 20));
  const std::string reply = client.Receive().value_or("<none>");
  EXPECT_EQ(ReplyCode(reply), agent::kErrorAborted) << reply;
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
}

TEST_F(AbortedTransfers, AnAbortedUploadLeavesTheFile) {
  WriteTextFile(agent.root() / "kept.txt", "old content\n");
  DataPort port;
  ASSERT_TRUE(client.Send("=RECV_FILE " + std::to_string(port.port()) + " 32767 A 0 kept.txt"));
  ASSERT_TRUE(port.Accept());
  ASSERT_TRUE(port.SendBytes(RawClient::Frame("new content, never finished\n")));
  ASSERT_TRUE(client.Send("=!"));
  const std::string reply = client.Receive().value_or("<none>");
  EXPECT_EQ(ReplyCode(reply), agent::kErrorAborted) << reply;
  EXPECT_EQ(ReadTextFile(agent.root() / "kept.txt"), "old content\n");
  for (const auto& entry : std::filesystem::directory_iterator(agent.root())) {
    EXPECT_EQ(entry.path().filename(), "kept.txt");  // no temporary file left
  }
}

TEST_F(AbortedTransfers, AnUploadWithoutAPathIsKeptForTheSession) {
  DataPort port;
  ASSERT_TRUE(client.Send("=RECV_FILE " + std::to_string(port.port()) + " 32767 A 10 "));
  ASSERT_TRUE(port.Accept());
  ASSERT_TRUE(port.SendBytes(RawClient::Frame("/src/a.c\n/src/b.c\n")));
  port.CloseData();
  const std::string reply = client.Receive().value_or("<none>");
  ASSERT_TRUE(reply.starts_with("0 /")) << reply;
  // The name is the session's own: it is not a file of the tree.
  EXPECT_NE(client.Command("=CHECK_EXISTS " + reply.substr(2)).substr(0, 2), "0");
  // Without options 8 there is nowhere to write it.
  EXPECT_EQ(ReplyCode(client.Command("=RECV_FILE " + std::to_string(port.port()) + " 32767 A 0 ")),
            agent::kErrorBadArguments);
}

}  // namespace
}  // namespace vandrel::testing
