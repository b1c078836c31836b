#include "remote/connect_thread.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "remote/connection_info.h"
#include "remote/error_report.h"
#include "remote/session_setup.h"
#include "remote/thread_manager.h"
#include "scripted_agent.h"
#include "support/agent_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace vandrel::remote {
namespace {

using testing::ScriptedAgent;
using testing::TempDir;

constexpr const char* kSystemInfo =
    "Linux host 6.1 \"#1 SMP\" x86_64 1234 \"8 GB\" 64 \"Uptime:\t3 days\"";

// Closes a command connection the attempt handed over.
struct OwnedSocket {
  Socket socket = kNoSocket;
  explicit OwnedSocket(Socket s) : socket(s) {}
  ~OwnedSocket() { Close(socket); }
};

class ScriptedLogin : public LoginPrompt {
 public:
  std::optional<LoginAnswer> answer;  // nothing: the user cancels
  std::vector<LoginForm> asked;

  std::optional<LoginAnswer> AskLogin(const LoginForm& form) override {
    asked.push_back(form);
    return answer;
  }
};

class RecordingTrace : public TraceWriter {
 public:
  std::vector<std::string> lines;
  void WriteTraceLine(std::string_view line) override { lines.emplace_back(line); }
};

// Completions as they arrive, from whichever thread calls them.
class Completions {
 public:
  CompletionRoutine Routine() {
    return [this](RequestBlock& block) {
      std::lock_guard lock(mutex_);
      blocks_.push_back(block);
      threads_.push_back(std::this_thread::get_id());
      arrived_.notify_all();
    };
  }
  bool WaitFor(std::size_t count, std::chrono::milliseconds limit = testing::kEventTimeLimit) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, limit, [&] { return blocks_.size() >= count; });
  }
  std::size_t count() {
    std::lock_guard lock(mutex_);
    return blocks_.size();
  }
  RequestBlock block(std::size_t i) {
    std::lock_guard lock(mutex_);
    return blocks_.at(i);
  }
  std::thread::id thread(std::size_t i) {
    std::lock_guard lock(mutex_);
    return threads_.at(i);
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<RequestBlock> blocks_;
  std::vector<std::thread::id> threads_;
};

RequestBlock ConnectRequest(std::uint16_t port, std::string user = {}, std::string password = {}) {
  RequestBlock request;
  request.kind = kRequestConnect;
  request.options = kOptionProgress;
  request.hostName = "127.0.0.1";
  request.port = port;
  request.userName = std::move(user);
  request.password = std::move(password);
  return request;
}

// Runs an attempt on this thread; the block its completion was called with.
RequestBlock Attempt(RequestBlock request, LoginPrompt* login = nullptr,
                     TraceWriter* trace = nullptr) {
  std::vector<RequestBlock> completed;
  request.completion = [&completed](RequestBlock& block) { completed.push_back(block); };
  ConnectThread thread(request, login, trace);
  thread.Run();
  EXPECT_EQ(completed.size(), 1u);
  return completed.empty() ? RequestBlock{} : completed.front();
}

// The rest of a good session after the greeting (and login): no session
// port, the system information, then one command the test sends itself.
void ScriptSessionAfterGreeting(ScriptedAgent& agent) {
  agent.Send("0 0").Receive().Send(std::string("0 ") + kSystemInfo).Receive();
}

// Sends a command on a connection the attempt returned, so the scripted
// agent can show that it arrived on the connection it expects.
void SendOn(Socket socket, const std::string& text) {
  EXPECT_EQ(SendCommandText(socket, text, nullptr), text.size());
}

bool WaitUntilEnded(ThreadManager& manager, std::uint32_t identity) {
  return testing::WaitUntil([&] { return manager.Find(identity) == nullptr; });
}

// Connections from this host to `port` whose connect is still waiting for an
// answer (SYN sent, nothing back), as the kernel lists them.
int ConnectsWaitingOn(std::uint16_t port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the heading
  int waiting = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    const std::size_t colon = remote.find(':');
    if (colon == std::string::npos || state != "02") continue;  // 02: SYN_SENT
    if (std::stoul(remote.substr(colon + 1), nullptr, 16) == port) ++waiting;
  }
  return waiting;
}

TEST(ConnectThread, OpensASessionAndReturnsTheCommandConnection) {
  ScriptedAgent agent;
  agent.Send("0 10300 2 0 8");
  ScriptSessionAfterGreeting(agent);
  agent.Start();

  const RequestBlock result = Attempt(ConnectRequest(agent.port()));
  OwnedSocket socket(result.socket);
  ASSERT_EQ(result.status, kStatusSuccess) << result.errorText;
  ASSERT_NE(result.socket, kNoSocket);
  EXPECT_EQ(result.agentVersion, 10300);
  EXPECT_EQ(result.hostKind, 2);
  EXPECT_EQ(result.byteOrder, 0);
  EXPECT_EQ(result.securityFlags, 8);
  EXPECT_EQ(result.systemInfo, kSystemInfo);

  // A vanished peer must be noticed on the session's connection.
  int keepAlive = 0;
  socklen_t size = sizeof keepAlive;
  ASSERT_EQ(::getsockopt(result.socket, SOL_SOCKET, SO_KEEPALIVE, &keepAlive, &size), 0);
  EXPECT_EQ(keepAlive, 1);

  SendOn(result.socket, "=GET_CD");
  ASSERT_TRUE(agent.Finish()) << agent.failure();
  EXPECT_EQ(agent.received(), (std::vector<std::string>{"=GET_OSINFO", "=GET_CD"}));
  EXPECT_FALSE(agent.acceptedOnSessionPort());
}

TEST(ConnectThread, AcceptsVersions10200To10399AndNamesBothVersionsWhenRefusing) {
  for (const int accepted : {10200, 10399}) {
    ScriptedAgent agent;
    agent.Send("0 " + std::to_string(accepted) + " 2 0 0");
    ScriptSessionAfterGreeting(agent);
    agent.Start();
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    OwnedSocket socket(result.socket);
    EXPECT_EQ(result.status, kStatusSuccess) << accepted;
    SendOn(result.socket, "=GET_CD");
    EXPECT_TRUE(agent.Finish()) << agent.failure();
  }

  struct Refusal {
    int version;
    int textId;
    std::string bound;
    std::string installed;
  } refusals[] = {
      {10400, kStrAgentVersionTooNew, "1.03.99", "1.04.00"},
      {10199, kStrAgentVersionTooOld, "1.02.00", "1.01.99"},
  };
  for (const Refusal& refusal : refusals) {
    ScriptedAgent agent;
    agent.Send("0 " + std::to_string(refusal.version) + " 2 0 0").Hold();
    agent.Start();
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    EXPECT_EQ(result.status, kStatusRefused);
    EXPECT_EQ(result.errorNumber, 0);
    EXPECT_EQ(result.socket, kNoSocket);
    EXPECT_EQ(VersionText(refusal.version), refusal.installed);
    const std::string b = refusal.bound, v = refusal.installed;
    EXPECT_EQ(result.errorText, FormatText(LoadText(refusal.textId), b[0], b[2], b[3], b[5], b[6],
                                           v[0], v[2], v[3], v[5], v[6]));
    EXPECT_NE(result.errorText.find(refusal.bound), std::string::npos) << result.errorText;
    EXPECT_NE(result.errorText.find(refusal.installed), std::string::npos) << result.errorText;
    // The refused connection is closed.
    EXPECT_TRUE(agent.Finish()) << agent.failure();

    const ErrorReport report = DescribeRequestFailure(result, "connect.cpp", 1);
    EXPECT_EQ(report.kind, ErrorReportKind::kMessage);
    EXPECT_EQ(report.style, kMbOk | kMbIconWarning);
    EXPECT_EQ(report.caption, MessageCaption());
    EXPECT_EQ(report.text, result.errorText);
  }
}

TEST(ConnectThread, GreetingThatIsNotFiveNumbersIsACommunicationsError) {
  for (const std::string greeting : {"0 10300 2 0", "hello", ""}) {
    ScriptedAgent agent;
    agent.Send(greeting).Hold();
    agent.Start();
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    EXPECT_EQ(result.status, greeting.empty() ? kStatusReceiveFailed : kStatusBadReply) << greeting;
    EXPECT_TRUE(agent.Finish()) << agent.failure();

    const ErrorReport report = DescribeRequestFailure(result, "connect.cpp", 1);
    EXPECT_EQ(report.kind, ErrorReportKind::kMessage);
    EXPECT_EQ(report.text,
              FormatText(LoadText(kStrCommunicationsError), static_cast<long>(result.status)));
  }
}

TEST(ConnectThread, AgentThatTurnsTheSessionAwayShowsItsOwnMessage) {
  for (const std::string greeting : {"65546 Too many sessions; try again later", "7 10300 2 0 0"}) {
    ScriptedAgent agent;
    agent.Send(greeting).Hold();
    agent.Start();
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    EXPECT_EQ(result.status, kStatusAgentError) << greeting;
    EXPECT_EQ(result.errorText, greeting);
    EXPECT_EQ(result.errorNumber, std::stol(greeting));
    EXPECT_TRUE(agent.Finish()) << agent.failure();
    const ErrorReport report = DescribeRequestFailure(result, "connect.cpp", 1);
    EXPECT_EQ(report.kind, ErrorReportKind::kServerError);
    EXPECT_EQ(report.text, ServerErrorText(greeting));
  }
}

TEST(ConnectThread, StoredMpeLogonIsSentWithoutAskingEvenWithAnEmptyPassword) {
  ScriptedAgent agent;
  agent.Send("0 10300 1 1 26").Receive().Send("0");
  ScriptSessionAfterGreeting(agent);
  agent.Start();

  ScriptedLogin login;
  const RequestBlock result = Attempt(ConnectRequest(agent.port(), "MGR.DEV", ""), &login);
  OwnedSocket socket(result.socket);
  ASSERT_EQ(result.status, kStatusSuccess) << result.errorText;
  EXPECT_TRUE(login.asked.empty());
  SendOn(result.socket, "=GET_CD");
  ASSERT_TRUE(agent.Finish()) << agent.failure();
  EXPECT_EQ(agent.received(), (std::vector<std::string>{"MGR.DEV ", "=GET_OSINFO", "=GET_CD"}));
}

TEST(ConnectThread, IncompleteLoginAsksWithTheFormTheHostWants) {
  // A plain host with a user name but no password: the plain form, the
  // password focused, and the values typed are used and returned.
  {
    ScriptedAgent agent;
    agent.Send("0 10300 2 0 2").Receive().Send("0");
    ScriptSessionAfterGreeting(agent);
    agent.Start();
    ScriptedLogin login;
    login.answer = LoginAnswer{"alice", "secret"};
    const RequestBlock result = Attempt(ConnectRequest(agent.port(), "alice", ""), &login);
    OwnedSocket socket(result.socket);
    ASSERT_EQ(result.status, kStatusSuccess) << result.errorText;
    ASSERT_EQ(login.asked.size(), 1u);
    const LoginForm& form = login.asked[0];
    EXPECT_FALSE(form.mpeLogon);
    EXPECT_EQ(form.caption, LoadText(kStrNetworkSecurityCaption));
    EXPECT_EQ(form.text, LoadText(kStrEnterNetworkPassword));
    EXPECT_EQ(form.userLabel, "&User name:");
    EXPECT_EQ(form.passwordLabel, "&Password:");
    EXPECT_EQ(form.userName, "alice");
    EXPECT_TRUE(form.focusPassword);
    EXPECT_EQ(result.userName, "alice");
    EXPECT_EQ(result.password, "secret");
    SendOn(result.socket, "=GET_CD");
    ASSERT_TRUE(agent.Finish()) << agent.failure();
    EXPECT_EQ(agent.received().at(0), "alice secret");
  }
  // An MPE/iX logon without a user: the one-field form; the password stays
  // as it was whatever the prompt returns for it.
  {
    ScriptedAgent agent;
    agent.Send("0 10300 1 1 26").Receive().Send("0");
    ScriptSessionAfterGreeting(agent);
    agent.Start();
    ScriptedLogin login;
    login.answer = LoginAnswer{"MGR.DEV", "typed"};
    const RequestBlock result = Attempt(ConnectRequest(agent.port(), "", "kept"), &login);
    OwnedSocket socket(result.socket);
    ASSERT_EQ(result.status, kStatusSuccess) << result.errorText;
    ASSERT_EQ(login.asked.size(), 1u);
    const LoginForm& form = login.asked[0];
    EXPECT_TRUE(form.mpeLogon);
    EXPECT_EQ(form.userLabel, "&Login:");
    EXPECT_TRUE(form.passwordLabel.empty());
    EXPECT_EQ(form.formatExplanation, LoadText(kStrMpeLogonForm));
    EXPECT_EQ(form.passwordExplanation, LoadText(kStrMpeLogonPasswords));
    EXPECT_FALSE(form.focusPassword);
    SendOn(result.socket, "=GET_CD");
    ASSERT_TRUE(agent.Finish()) << agent.failure();
    EXPECT_EQ(agent.received().at(0), "MGR.DEV kept");
  }
  // Cancelled, or nobody to ask: abandoned silently, connection closed.
  for (const bool withPrompt : {true, false}) {
    ScriptedAgent agent;
    agent.Send("0 10300 2 0 2").Hold();
    agent.Start();
    ScriptedLogin login;
    const RequestBlock result =
        Attempt(ConnectRequest(agent.port(), "alice", ""), withPrompt ? &login : nullptr);
    EXPECT_EQ(result.status, kStatusAbandoned);
    EXPECT_EQ(result.socket, kNoSocket);
    EXPECT_TRUE(agent.Finish()) << agent.failure();
    EXPECT_EQ(DescribeRequestFailure(result, "connect.cpp", 1).kind, ErrorReportKind::kNothing);
  }
}

TEST(ConnectThread, RefusedLoginIsTheAgentsErrorAndThePasswordIsNotTraced) {
  ScriptedAgent agent;
  agent.Send("0 10300 2 0 2").Receive().Send("65541 Login failed").Hold();
  agent.Start();
  RecordingTrace trace;
  const RequestBlock result =
      Attempt(ConnectRequest(agent.port(), "alice", "wrong"), nullptr, &trace);
  EXPECT_EQ(result.status, kStatusAgentError);
  EXPECT_EQ(result.errorText, "65541 Login failed");
  EXPECT_EQ(result.errorNumber, 65541);
  ASSERT_TRUE(agent.Finish()) << agent.failure();
  EXPECT_EQ(agent.received(), std::vector<std::string>{"alice wrong"});
  for (const std::string& line : trace.lines) {
    EXPECT_EQ(line.find("wrong"), std::string::npos) << line;
  }
  EXPECT_NE(std::find(trace.lines.begin(), trace.lines.end(), "alice *****"), trace.lines.end());
}

TEST(ConnectThread, UnsupportedPasswordSchemeIsRefused) {
  ScriptedAgent agent;
  agent.Send("0 10300 2 0 3").Hold();
  agent.Start();
  const RequestBlock result = Attempt(ConnectRequest(agent.port(), "alice", "secret"));
  EXPECT_EQ(result.status, kStatusRefused);
  EXPECT_EQ(result.errorText, LoadText(kStrPasswordSecurityNotSupported));
  EXPECT_EQ(result.errorNumber, kErrorUnsupportedSecurity);
  EXPECT_TRUE(agent.Finish()) << agent.failure();
}

TEST(ConnectThread, ProbeEndsAfterTheGreetingWithTheConnectionOpen) {
  ScriptedAgent agent;
  agent.Send("0 10300 2 0 2").Receive();
  agent.Start();
  RequestBlock request = ConnectRequest(agent.port());
  request.options |= kOptionProbe;
  ScriptedLogin login;
  const RequestBlock result = Attempt(request, &login);
  OwnedSocket socket(result.socket);
  ASSERT_EQ(result.status, kStatusSuccess);
  EXPECT_TRUE(login.asked.empty());
  EXPECT_EQ(result.securityFlags, 2);
  SendOn(result.socket, "alice secret");
  ASSERT_TRUE(agent.Finish()) << agent.failure();
  EXPECT_EQ(agent.received(), std::vector<std::string>{"alice secret"});
}

TEST(ConnectThread, NonZeroSessionPortMovesTheSessionToIt) {
  ScriptedAgent agent;
  agent.Send("0 10300 2 0 0").Send("0 " + std::to_string(agent.sessionPort()));
  // The first connection is given up before the session port is visited.
  agent.Hold().AcceptOnSessionPort().Receive().Send("0 info").Receive();
  agent.Start();
  const RequestBlock result = Attempt(ConnectRequest(agent.port()));
  OwnedSocket socket(result.socket);
  ASSERT_EQ(result.status, kStatusSuccess) << result.errorText;
  EXPECT_EQ(result.systemInfo, "info");
  SendOn(result.socket, "=GET_CD");
  ASSERT_TRUE(agent.Finish()) << agent.failure();
  EXPECT_TRUE(agent.acceptedOnSessionPort());
  EXPECT_EQ(agent.received(), (std::vector<std::string>{"=GET_OSINFO", "=GET_CD"}));
}

TEST(ConnectThread, UnusableSessionPortRepliesFailTheAttempt) {
  struct Case {
    std::string reply;
    std::int32_t status;
  } cases[] = {{"0", kStatusAgentError}, {"x y", kStatusAgentError}, {"0 70000", kStatusBadReply}};
  for (const Case& c : cases) {
    ScriptedAgent agent;
    agent.Send("0 10300 2 0 0").Send(c.reply).Hold();
    agent.Start();
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    EXPECT_EQ(result.status, c.status) << c.reply;
    EXPECT_EQ(result.errorText, c.reply);
    EXPECT_TRUE(agent.Finish()) << agent.failure();
  }
}

TEST(ConnectThread, SystemInformationErrorAndALostConnectionFail) {
  {
    ScriptedAgent agent;
    agent.Send("0 10300 2 0 0").Send("0 0").Receive().Send("5 no information").Hold();
    agent.Start();
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    EXPECT_EQ(result.status, kStatusAgentError);
    EXPECT_EQ(result.errorText, "5 no information");
    EXPECT_TRUE(agent.Finish()) << agent.failure();
  }
  {
    ScriptedAgent agent;
    agent.Send("0 10300 2 0 0").Drop();
    agent.Start();
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    EXPECT_EQ(result.status, kStatusReceiveFailed);
    EXPECT_TRUE(agent.Finish()) << agent.failure();
    EXPECT_EQ(DescribeRequestFailure(result, "connect.cpp", 1).text,
              FormatText(LoadText(kStrCommunicationsError), 302L));
  }
}

TEST(ConnectThread, ConnectFailureNamesHostAndPort) {
  // A port that was just free: nobody listens on it.
  const Socket listener = Listen(1, "127.0.0.1");
  const std::uint16_t port = LocalPort(listener);
  Close(listener);

  const RequestBlock result = Attempt(ConnectRequest(port));
  EXPECT_EQ(result.status, kStatusConnectFailed);
  EXPECT_EQ(result.socket, kNoSocket);
  const ErrorReport report = DescribeRequestFailure(result, "connect.cpp", 1);
  EXPECT_EQ(report.kind, ErrorReportKind::kMessage);
  EXPECT_EQ(report.text, FormatText(LoadText(kStrConnectFailed), "127.0.0.1", port));
  EXPECT_NE(report.text.find("'127.0.0.1' on port " + std::to_string(port)), std::string::npos);
}

TEST(ConnectThread, CompletesOnItsOwnThreadWhenStartedThroughTheManager) {
  ScriptedAgent agent;
  agent.Send("0 10300 2 0 0");
  ScriptSessionAfterGreeting(agent);
  agent.Start();
  ThreadManager manager;
  Completions completions;
  RequestBlock request = ConnectRequest(agent.port());
  request.completion = completions.Routine();
  const std::uint32_t identity = manager.Start(std::make_unique<ConnectThread>(request));
  ASSERT_NE(identity, 0u);
  ASSERT_TRUE(completions.WaitFor(1));
  const RequestBlock result = completions.block(0);
  OwnedSocket socket(result.socket);
  EXPECT_EQ(result.status, kStatusSuccess);
  EXPECT_NE(completions.thread(0), std::this_thread::get_id());
  EXPECT_TRUE(WaitUntilEnded(manager, identity));
  SendOn(result.socket, "=GET_CD");
  EXPECT_TRUE(agent.Finish()) << agent.failure();
  EXPECT_EQ(completions.count(), 1u);
}

TEST(ConnectThread, StopFreesAnAttemptWaitingForAGreetingThatNeverComes) {
  ScriptedAgent agent;
  agent.Hold();
  agent.Start();
  ThreadManager manager;
  Completions completions;
  RequestBlock request = ConnectRequest(agent.port());
  request.completion = completions.Routine();
  const std::uint32_t identity = manager.Start(std::make_unique<ConnectThread>(request));
  ASSERT_TRUE(testing::WaitUntil([&] { return agent.accepted(); }));
  // Connected, and waiting: nothing ends the attempt but Stop.
  EXPECT_FALSE(completions.WaitFor(1, std::chrono::milliseconds(50)));

  ASSERT_TRUE(manager.StopThread(identity));
  // Completed at once, on the thread that stopped it.
  ASSERT_EQ(completions.count(), 1u);
  const RequestBlock result = completions.block(0);
  EXPECT_EQ(result.status, kStatusCancelled);
  EXPECT_EQ(result.socket, kNoSocket);
  EXPECT_EQ(completions.thread(0), std::this_thread::get_id());
  EXPECT_EQ(DescribeRequestFailure(result, "connect.cpp", 1).kind, ErrorReportKind::kNothing);

  // The blocked attempt ends promptly, closes its connection, and does not
  // complete a second time.
  EXPECT_TRUE(WaitUntilEnded(manager, identity));
  EXPECT_TRUE(agent.Finish()) << agent.failure();
  EXPECT_EQ(completions.count(), 1u);
  EXPECT_FALSE(manager.StopThread(identity));
}

TEST(ConnectThread, StopFreesAnAttemptWhoseConnectionIsNeverAccepted) {
  // A listener whose queue is full drops further connection requests, so a
  // connect to it waits as one to an unreachable host does.
  const Socket listener = Listen(0, "127.0.0.1");
  const std::uint16_t port = LocalPort(listener);
  std::vector<Socket> fillers;
  for (int i = 0; i < 3; ++i) {
    const Socket filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(filler, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    fillers.push_back(filler);
  }
  // The first filler fills the queue; the connects of the others wait.
  ASSERT_TRUE(testing::WaitUntil([&] { return ConnectsWaitingOn(port) >= 2; }));
  const int waiting = ConnectsWaitingOn(port);

  ThreadManager manager;
  Completions completions;
  RequestBlock request = ConnectRequest(port);
  request.completion = completions.Routine();
  const std::uint32_t identity = manager.Start(std::make_unique<ConnectThread>(request));
  ASSERT_TRUE(testing::WaitUntil([&] { return ConnectsWaitingOn(port) > waiting; }));
  EXPECT_EQ(completions.count(), 0u);
  ASSERT_TRUE(manager.StopThread(identity));
  ASSERT_EQ(completions.count(), 1u);
  EXPECT_EQ(completions.block(0).status, kStatusCancelled);
  EXPECT_TRUE(WaitUntilEnded(manager, identity));
  EXPECT_EQ(completions.count(), 1u);

  for (const Socket filler : fillers) Close(filler);
  Close(listener);
}

TEST(ConnectThread, StoppedBeforeItRunsDoesNothing) {
  Completions completions;
  RequestBlock request = ConnectRequest(1);
  request.completion = completions.Routine();
  ConnectThread thread(request);
  thread.Stop();
  thread.Stop();
  EXPECT_EQ(completions.count(), 1u);
  thread.Run();
  EXPECT_EQ(completions.count(), 1u);
  EXPECT_EQ(completions.block(0).status, kStatusCancelled);
}

// -- Against the agent itself.

// The tandrill executable serving a temporary tree on a port of its own,
// ended by its process id.
class Tandrill {
 public:
  explicit Tandrill(std::vector<std::string> arguments)
      : process_(WithRoot(dir_, std::move(arguments))), port_(process_.ReadPort()) {}

  std::uint16_t port() const { return port_; }
  std::filesystem::path root() const { return dir_ / "root"; }

  // Adds a user to a users file the way an administrator does.
  static bool AddUser(const std::filesystem::path& users, const std::string& user,
                      const std::string& password) {
    const std::string command = "printf '%s\\n' " + testing::ShellQuote(password) + " | " +
                                testing::ShellQuote(VANDREL_TANDRILL_PATH) + " passwd --users " +
                                testing::ShellQuote(users.string()) + " " +
                                testing::ShellQuote(user) + " 2>/dev/null";
    return std::system(command.c_str()) == 0;
  }

 private:
  static std::vector<std::string> WithRoot(const TempDir& dir, std::vector<std::string> arguments) {
    std::filesystem::create_directories(dir / "root");
    arguments.insert(arguments.begin(), {"--root", (dir / "root").string(), "--port", "0"});
    return arguments;
  }

  TempDir dir_;  // before the process: removed after it has ended
  testing::AgentProcess process_;
  std::uint16_t port_ = 0;
};

// Sends a command on the session and returns the agent's reply.
std::string Command(Socket socket, const std::string& text) {
  if (SendCommandText(socket, text, nullptr) != text.size()) return "<send failed>";
  std::string reply;
  ReceiveReply(socket, reply, 1024, nullptr);
  return reply;
}

TEST(ConnectToTandrill, WithoutLoginTheSessionIsReadyWithItsSystemInformation) {
  Tandrill agent({"--no-login"});
  ASSERT_NE(agent.port(), 0);
  const RequestBlock result = Attempt(ConnectRequest(agent.port()));
  OwnedSocket socket(result.socket);
  ASSERT_EQ(result.status, kStatusSuccess) << result.errorText;
  EXPECT_EQ(result.hostKind, 2);
  EXPECT_EQ(result.securityFlags, 0);
  EXPECT_EQ(Command(result.socket, "=GET_CD"), "0 /");

  const ConnectionInformation info = DescribeConnection(ConnectionInformationText(result));
  ASSERT_EQ(info.system.size(), 9u);
  EXPECT_EQ(info.system[0].value, "Linux");
  EXPECT_NE(info.system[8].caption, "System label:");  // the agent names its own
  EXPECT_EQ(info.agent[0].value, VersionText(result.agentVersion));
  EXPECT_EQ(info.agent[1].value, "2");
  EXPECT_EQ(info.agent[3].value, "0");
}

TEST(ConnectToTandrill, UsersFileLoginAndARefusedPassword) {
  TempDir dir;
  const auto users = dir / "users";
  ASSERT_TRUE(Tandrill::AddUser(users, "bob", "hunter2"));
  Tandrill agent({"--users", users.string()});
  ASSERT_NE(agent.port(), 0);

  const RequestBlock good = Attempt(ConnectRequest(agent.port(), "bob", "hunter2"));
  OwnedSocket socket(good.socket);
  ASSERT_EQ(good.status, kStatusSuccess) << good.errorText;
  EXPECT_EQ(good.securityFlags & kSecurityLoginRequired, kSecurityLoginRequired);
  EXPECT_EQ(Command(good.socket, "=GET_CD"), "0 /");

  const RequestBlock bad = Attempt(ConnectRequest(agent.port(), "bob", "wrong"));
  EXPECT_EQ(bad.status, kStatusAgentError);
  const ErrorReport report = DescribeRequestFailure(bad, "connect.cpp", 1);
  EXPECT_EQ(report.kind, ErrorReportKind::kServerError) << bad.errorText;
  EXPECT_TRUE(bad.loginRefused);
  EXPECT_FALSE(good.loginRefused);

  // The refused login is asked for again, its password not offered, with
  // the refusals counted; without anyone to ask nothing is sent.
  RequestBlock again = ConnectRequest(agent.port(), "bob", "wrong");
  again.askLogin = true;
  again.failedLogins = 1;
  EXPECT_EQ(Attempt(again).status, kStatusAbandoned);
  ScriptedLogin login;
  login.answer = LoginAnswer{"bob", "hunter2"};
  const RequestBlock retyped = Attempt(again, &login);
  OwnedSocket retypedSocket(retyped.socket);
  ASSERT_EQ(retyped.status, kStatusSuccess) << retyped.errorText;
  ASSERT_EQ(login.asked.size(), 1u);
  EXPECT_EQ(login.asked[0].password, "");
  EXPECT_EQ(login.asked[0].userName, "bob");
  EXPECT_NE(login.asked[0].text.find("refused 1 login(s) in this session"), std::string::npos)
      << login.asked[0].text;
}

TEST(ConnectToTandrill, MpeLogonWithThePasswordInItsPlaceOrInTheLogonString) {
  TempDir dir;
  const auto users = dir / "users";
  ASSERT_TRUE(Tandrill::AddUser(users, "MGR", "mpepass"));
  Tandrill agent({"--users", users.string(), "--personality", "mpe"});
  std::filesystem::create_directories(agent.root() / "DEV" / "PUB");
  ASSERT_NE(agent.port(), 0);

  struct Logon {
    std::string user;
    std::string password;
  } logons[] = {{"MGR.DEV", "mpepass"}, {"MGR/mpepass.DEV", ""}};
  for (const Logon& logon : logons) {
    ScriptedLogin login;
    const RequestBlock result =
        Attempt(ConnectRequest(agent.port(), logon.user, logon.password), &login);
    OwnedSocket socket(result.socket);
    ASSERT_EQ(result.status, kStatusSuccess) << logon.user << ": " << result.errorText;
    EXPECT_TRUE(login.asked.empty());
    EXPECT_EQ(result.hostKind, kHostKindMpe);
    EXPECT_EQ(result.securityFlags & kSecurityMpeLogon, kSecurityMpeLogon);
    EXPECT_EQ(Command(result.socket, "=GET_CD"), "0 /DEV/PUB");
  }
}

TEST(ConnectToTandrill, SessionPortsAndAVersionOutOfRange) {
  {
    Tandrill agent({"--no-login", "--session-ports"});
    ASSERT_NE(agent.port(), 0);
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    OwnedSocket socket(result.socket);
    ASSERT_EQ(result.status, kStatusSuccess) << result.errorText;
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    ASSERT_EQ(::getpeername(result.socket, reinterpret_cast<sockaddr*>(&peer), &size), 0);
    EXPECT_NE(ntohs(peer.sin_port), agent.port());
    EXPECT_EQ(Command(result.socket, "=GET_CD"), "0 /");
  }
  {
    Tandrill agent({"--no-login", "--agent-version", "10400"});
    ASSERT_NE(agent.port(), 0);
    const RequestBlock result = Attempt(ConnectRequest(agent.port()));
    EXPECT_EQ(result.status, kStatusRefused);
    EXPECT_NE(result.errorText.find(VersionText(10400)), std::string::npos);
  }
}

}  // namespace
}  // namespace vandrel::remote
