// The agent's side of the session set-up, spoken over real sockets: the
// greeting, the login with its slow-down, the session port, the system
// information, and the tandrill executable itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdlib>

#include "agent/agent_errors.h"
#include "agent/login.h"
#include "platform/atomic_file.h"
#include "raw_client.h"
#include "support/run_process.h"
#include "support/wait.h"

namespace vandrel::testing {
namespace {

using agent::Personality;

const std::string kByteOrder = std::endian::native == std::endian::little ? "0" : "1";

TEST(AgentHandshake, GreetingTellsVersionHostKindByteOrderAndSecurity) {
  struct Case {
    Personality personality;
    bool login;
    int version;
    std::string expected;
  } cases[] = {
      {Personality::kPosix, true, 10300, "0 10300 2 " + kByteOrder + " 2"},
      {Personality::kPosix, false, 10300, "0 10300 2 " + kByteOrder + " 0"},
      {Personality::kMpe, true, 10300, "0 10300 1 " + kByteOrder + " 26"},
      {Personality::kMpe, false, 10400, "0 10400 1 " + kByteOrder + " 24"},
  };
  for (const Case& c : cases) {
    TestAgent agent(c.personality);
    agent.options.loginRequired = c.login;
    agent.options.agentVersion = c.version;
    ASSERT_TRUE(agent.Start()) << agent.lastError;
    RawClient client(agent.port());
    EXPECT_EQ(client.Receive().value_or("<none>"), c.expected);
    if (!c.login) {
      EXPECT_EQ(client.Receive().value_or("<none>"), "0 0");
    }
  }
}

TEST(AgentHandshake, PosixLoginChecksUserAndPasswordAndStartsAtTheRoot) {
  TestAgent agent;
  ASSERT_TRUE(agent.Start());
  ::testing::internal::CaptureStderr();
  RawClient client = agent.Open("alice secret");
  ASSERT_TRUE(client.connected());
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");

  RawClient wrongCase(agent.port());
  wrongCase.Receive();
  const std::string reply = wrongCase.Command("ALICE secret");
  EXPECT_NE(reply.rfind("0", 0), 0u) << reply;
  EXPECT_EQ(std::stoul(reply) & 0xffff, agent::kErrorLoginFailed);

  // Logins and refusals are logged whatever the verbosity, never a password.
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("login of alice from 127.0.0.1"), std::string::npos) << log;
  EXPECT_NE(log.find("login refused for ALICE from 127.0.0.1 (Login failed: unknown user or wrong "
                     "password); answered after"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("secret"), std::string::npos) << log;
}

TEST(AgentHandshake, MpeLogonStringStartsInAccountAndGroup) {
  TestAgent agent(Personality::kMpe);
  std::filesystem::create_directories(agent.root() / "DEV" / "PUB");
  std::filesystem::create_directories(agent.root() / "DEV" / "SRC");
  ASSERT_TRUE(agent.Start());

  // The user password in its MPE place; the password field left empty.
  RawClient inGroup = agent.Open("jobs, mgr/mpepass.dev/acctpw, src ");
  ASSERT_TRUE(inGroup.connected());
  EXPECT_EQ(inGroup.Command("=GET_CD"), "0 /DEV/SRC");
  // The password in the separate field; group PUB by default.
  RawClient inPub = agent.Open("MGR.DEV mpepass");
  ASSERT_TRUE(inPub.connected());
  EXPECT_EQ(inPub.Command("=GET_CD"), "0 /DEV/PUB");

  for (const std::string line : {"MGR.DEV wrong", "MGR/wrong.DEV mpepass", "MGR.NOACCT mpepass",
                                 "MGR.DEV,NOGROUP mpepass", "not a logon", "MGR.DE/V/X mpepass"}) {
    RawClient client(agent.port());
    client.Receive();
    const std::string reply = client.Command(line);
    EXPECT_NE(reply, "0") << line;
    EXPECT_NE(std::stoul(reply), 0u) << line;
  }
}

TEST(AgentHandshake, FailedLoginsAreSlowedDownAndEndTheConnectionAfterThree) {
  TestAgent agent;
  agent.options.failureDelayUnit = std::chrono::milliseconds(150);
  agent.options.failureDelayCap = std::chrono::milliseconds(2000);
  ASSERT_TRUE(agent.Start());
  RawClient client(agent.port());
  client.Receive();
  std::vector<std::chrono::milliseconds> delays;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = client.Command("alice wrong");
    delays.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start));
    EXPECT_EQ(std::stoul(reply) & 0xffff, agent::kErrorLoginFailed) << reply;
  }
  EXPECT_GE(delays[0].count(), 140);
  EXPECT_GE(delays[1].count(), 290);
  EXPECT_GE(delays[2].count(), 440);
  EXPECT_TRUE(client.WaitClosed());

  // The address is remembered across connections: the next failure waits
  // longer still. (That a success forgets them is LoginThrottle's, below: a
  // shorter wait is no proof on a loaded machine.)
  RawClient again(agent.port());
  again.Receive();
  const auto start = std::chrono::steady_clock::now();
  again.Command("alice wrong");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(590));
  EXPECT_EQ(again.Command("alice secret"), "0");
}

TEST(LoginThrottle, DelayGrowsPerAddressUpToTheCapAndASuccessForgetsIt) {
  agent::ServerOptions options;
  options.failureDelayUnit = std::chrono::milliseconds(150);
  options.failureDelayCap = std::chrono::milliseconds(500);
  agent::LoginThrottle throttle(options);
  using std::chrono::milliseconds;
  EXPECT_EQ(throttle.RecordFailure("127.0.0.1"), milliseconds(150));
  EXPECT_EQ(throttle.RecordFailure("127.0.0.1"), milliseconds(300));
  EXPECT_EQ(throttle.RecordFailure("127.0.0.2"), milliseconds(150));
  EXPECT_EQ(throttle.RecordFailure("127.0.0.1"), milliseconds(450));
  EXPECT_EQ(throttle.RecordFailure("127.0.0.1"), milliseconds(500));
  throttle.RecordSuccess("127.0.0.1");
  EXPECT_EQ(throttle.RecordFailure("127.0.0.1"), milliseconds(150));
  EXPECT_EQ(throttle.RecordFailure("127.0.0.2"), milliseconds(300));
}

TEST(AgentHandshake, SessionPortTakesOverTheSessionFromTheSameClient) {
  TestAgent agent;
  agent.options.sessionPorts = true;
  ASSERT_TRUE(agent.Start());
  RawClient first(agent.port());
  ASSERT_TRUE(first.Receive());
  ASSERT_EQ(first.Command("alice secret"), "0");
  const std::string portReply = first.Receive().value_or("");
  ASSERT_EQ(portReply.rfind("0 ", 0), 0u) << portReply;
  const int sessionPort = std::stoi(portReply.substr(2));
  ASSERT_GT(sessionPort, 0);
  ASSERT_NE(sessionPort, agent.port());

  RawClient second(static_cast<std::uint16_t>(sessionPort));
  EXPECT_EQ(second.Command("=SET_CD /"), "0");
  EXPECT_EQ(second.Command("=GET_CD"), "0 /");
  // The first connection is done with, and the port takes no second client.
  EXPECT_TRUE(first.WaitClosed());
  RawClient third;
  EXPECT_FALSE(third.Connect(static_cast<std::uint16_t>(sessionPort)) && !third.WaitClosed());
}

TEST(AgentHandshake, SessionPortNotVisitedEndsTheSession) {
  TestAgent agent;
  agent.options.sessionPorts = true;
  agent.options.handOverTimeout = std::chrono::seconds(1);
  ASSERT_TRUE(agent.Start());
  RawClient first(agent.port());
  first.Receive();
  ASSERT_EQ(first.Command("alice secret"), "0");
  ASSERT_TRUE(first.Receive());
  EXPECT_TRUE(first.WaitClosed(5000));
  EXPECT_TRUE(WaitUntil([&] { return agent.server().activeSessions() == 0; }))
      << agent.server().activeSessions();
}

TEST(AgentHandshake, SystemInformationHasNineFieldsTheLastACaptionAndValue) {
  TestAgent agent;
  agent.options.loginRequired = false;
  ASSERT_TRUE(agent.Start());
  RawClient client = agent.Open();
  const std::string reply = client.Command("=GET_OSINFO");
  ASSERT_EQ(reply.rfind("0 ", 0), 0u) << reply;
  const auto fields = SplitQuotedFields(reply.substr(2));
  ASSERT_EQ(fields.size(), 9u) << reply;
  EXPECT_EQ(fields[0], "Linux");
  EXPECT_EQ(fields[7], std::to_string(agent.options.maxSessions));
  EXPECT_NE(fields[8].find('\t'), std::string::npos);
  EXPECT_LE(reply.size(), 1023u);
}

TEST(AgentHandshake, TooManySessionsAreTurnedAwayWithAnErrorGreeting) {
  TestAgent agent;
  agent.options.loginRequired = false;
  agent.options.maxSessions = 1;
  ASSERT_TRUE(agent.Start());
  RawClient first = agent.Open();
  ASSERT_TRUE(first.connected());
  RawClient second(agent.port());
  const std::string greeting = second.Receive().value_or("<none>");
  EXPECT_EQ(std::stoul(greeting) & 0xffff, agent::kErrorTooManySessions) << greeting;
  EXPECT_TRUE(second.WaitClosed());
}

TEST(AgentHandshake, StartRefusesAMissingRootOrAPublicUsersFile) {
  TestAgent missingRoot;
  missingRoot.options.root = missingRoot.dir() / "nowhere";
  EXPECT_FALSE(missingRoot.Start());

  TestAgent publicUsers;
  ::chmod(publicUsers.options.usersFile.c_str(), 0644);
  EXPECT_FALSE(publicUsers.Start());
  EXPECT_NE(publicUsers.lastError.find("chmod"), std::string::npos) << publicUsers.lastError;
}

TEST(AgentExecutable, PortZeroPrintsThePortAndServesUntilTerminated) {
  TempDir dir;
  std::filesystem::create_directories(dir / "root");
  AgentProcess process({"--root", (dir / "root").string(), "--port", "0", "--no-login"});
  const std::string line = process.ReadLine();
  ASSERT_EQ(line.rfind("listening on 127.0.0.1:", 0), 0u) << line;
  const int port = std::stoi(line.substr(line.rfind(':') + 1));
  RawClient client(static_cast<std::uint16_t>(port));
  EXPECT_EQ(client.Receive().value_or("<none>").substr(0, 8), "0 10300 ");
  EXPECT_EQ(client.Receive().value_or("<none>"), "0 0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
  EXPECT_EQ(process.Terminate(), 0);
}

TEST(AgentExecutable, PasswdWritesAPrivateFileOfSaltedHashes) {
  TempDir dir;
  const auto users = dir / "users";
  const std::string command =
      ShellQuote(VANDREL_TANDRILL_PATH) + " passwd --users " + ShellQuote(users.string()) + " bob";
  ASSERT_EQ(std::system(("printf 'first\\n' | " + command + " 2>/dev/null").c_str()), 0);
  ASSERT_EQ(std::system(("printf 'hunter2\\n' | " + command + " 2>/dev/null").c_str()), 0);
  struct stat info {};
  ASSERT_EQ(::stat(users.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::string text;
  platform::ReadWholeFile(users, &text);
  EXPECT_EQ(text.rfind("bob:$6$", 0), 0u) << text;
  EXPECT_EQ(text.find("hunter2"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);

  agent::UsersFile file;
  ASSERT_TRUE(file.Load(users, false, nullptr));
  EXPECT_TRUE(file.Verify("bob", "hunter2", false));
  EXPECT_FALSE(file.Verify("bob", "first", false));
  EXPECT_FALSE(file.Verify("BOB", "hunter2", false));
  EXPECT_TRUE(file.Verify("BOB", "hunter2", true));

  // A bad user name or an empty password is refused and changes nothing.
  EXPECT_NE(std::system(("printf '\\n' | " + command + " 2>/dev/null").c_str()), 0);
  EXPECT_NE(
      RunProgram(VANDREL_TANDRILL_PATH, {"passwd", "--users", users.string(), "a:b"}).exitCode, 0);
  std::string after;
  platform::ReadWholeFile(users, &after);
  EXPECT_EQ(after, text);
}

TEST(AgentExecutable, HelpVersionAndMissingArguments) {
  auto help = RunProgram(VANDREL_TANDRILL_PATH, {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--personality"), std::string::npos);
  auto version = RunProgram(VANDREL_TANDRILL_PATH, {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_NE(version.out.find("1.03.00"), std::string::npos) << version.out;
  EXPECT_NE(RunProgram(VANDREL_TANDRILL_PATH, {"--port", "0"}).exitCode, 0);
  EXPECT_NE(RunProgram(VANDREL_TANDRILL_PATH, {"--root", "/tmp"}).exitCode, 0);
  EXPECT_NE(RunProgram(VANDREL_TANDRILL_PATH, {"--root", "/tmp", "--personality", "vms"}).exitCode,
            0);
}

}  // namespace
}  // namespace vandrel::testing
