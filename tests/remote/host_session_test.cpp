// The host session as the frame sees it: connecting to tandrill, the
// session requests queued after the handshake and the commands enabled once
// they have drained; Stop while connecting; Disconnect; a failed attempt
// reported with the product's message.
#include "remote/host_session.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <condition_variable>
#include <cstdlib>
#include <future>
#include <map>
#include <mutex>

#include "agent_fixture.h"
#include "remote/error_report.h"
#include "support/run_process.h"

namespace vandrel::testing {
namespace {

using namespace remote;

// Records what the session asks of the frame.
class RecordingFrame : public SessionFrame {
 public:
  void SetBusy(bool busy) override {
    Note([&] { this->busy = busy; });
  }
  void EnableCommand(int command, bool enabled) override {
    Note([&] { commands[command] = enabled; });
  }
  void EnableHostCommands(bool enabled) override {
    Note([&] { hostCommands = enabled; });
  }
  void ShowConnectingBox(const std::string& text) override {
    Note([&] { connectingBox = text; });
  }
  void CloseConnectingBox() override {
    Note([&] { connectingBox.clear(); });
  }
  void RefreshStatusBar() override {}
  void SessionEnded() override {
    Note([&] { ++ended; });
  }
  void ConnectionFinished(bool open) override {
    Note([&] {
      ++finished;
      this->open = open;
    });
  }
  // Only reports that show something are kept.
  void ReportFailure(const RequestBlock& request, const char* source, int line) override {
    ErrorReport report = DescribeRequestFailure(request, source, line);
    if (report.kind != ErrorReportKind::kNothing) Note([&] { reports.push_back(report); });
  }
  void SessionIdle() override {
    Note([&] { ++idle; });
  }

  bool WaitUntil(const std::function<bool()>& condition) {
    std::unique_lock guard(lock);
    return changed.wait_for(guard, 10s, condition);
  }

  std::mutex lock;
  std::condition_variable changed;
  bool busy = false;
  std::map<int, bool> commands;
  bool hostCommands = false;
  std::string connectingBox;
  int ended = 0;
  int finished = 0;
  bool open = false;
  int idle = 0;
  std::vector<ErrorReport> reports;

 private:
  void Note(const std::function<void()>& change) {
    std::lock_guard guard(lock);
    change();
    changed.notify_all();
  }
};

class HostSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto owned = std::make_unique<RequestWorker>(RequestServices{});
    worker = owned.get();
    manager.Start(std::move(owned));
    session = std::make_unique<HostSession>(manager, *worker, frame, nullptr, nullptr, &cache);
  }
  void TearDown() override {
    session.reset();
    manager.StopAllAndWait();
  }

  ThreadManager manager;
  RequestWorker* worker = nullptr;
  RecordingFrame frame;
  ListingCache cache{1 << 20};
  std::unique_ptr<HostSession> session;
};

TEST_F(HostSessionTest, ConnectsRunsTheSessionRequestsAndDisconnects) {
  LiveAgent agent("posix");
  ASSERT_NE(agent.port(), 0);
  HostListing cached;
  cached.folder = "/old";
  cache.Store(cached);

  ConnectParameters parameters;
  parameters.hostName = "127.0.0.1";
  parameters.port = agent.port();
  parameters.preferences.environment = "ALPHA=1\tBETA=two\n";
  parameters.preferences.autoexecCommand = "echo autoexec > autoexec.out";
  session->Connect(parameters);
  EXPECT_EQ(cache.count(), 0u);  // every attempt starts with an empty cache
  ASSERT_TRUE(frame.WaitUntil([&] { return frame.finished == 1 && frame.idle == 1; }));

  EXPECT_TRUE(frame.open);
  EXPECT_TRUE(session->connected());
  EXPECT_FALSE(frame.busy);
  EXPECT_TRUE(frame.hostCommands);
  EXPECT_TRUE(frame.commands[kCommandDisconnect]);
  EXPECT_TRUE(frame.commands[kCommandConnectionInfo]);
  EXPECT_FALSE(frame.commands[kCommandConnect]);
  EXPECT_TRUE(frame.connectingBox.empty());
  EXPECT_TRUE(frame.reports.empty());
  EXPECT_EQ(session->hostKind(), 2);
  EXPECT_NE(session->connectionInformation().find("\"10300\" \"2\""), std::string::npos)
      << session->connectionInformation();
  // The autoexec command ran in the session, after the environment.
  EXPECT_EQ(agent.Read("/autoexec.out"), "autoexec\n");

  session->Disconnect();
  EXPECT_FALSE(session->connected());
  EXPECT_EQ(frame.ended, 1);
  EXPECT_FALSE(frame.hostCommands);
  EXPECT_TRUE(frame.commands[kCommandConnect]);
  EXPECT_FALSE(frame.commands[kCommandDisconnect]);
  EXPECT_FALSE(frame.commands[kCommandOpen]);
  EXPECT_EQ(worker->commandSocket(), kNoSocket);
}

TEST_F(HostSessionTest, StopWhileConnectingReportsNothing) {
  // A peer that accepts but never greets.
  const Socket listener = Listen(10, "127.0.0.1");
  ASSERT_NE(listener, kNoSocket);
  ConnectParameters parameters;
  parameters.hostName = "127.0.0.1";
  parameters.port = LocalPort(listener);
  session->Connect(parameters);
  EXPECT_TRUE(frame.busy);
  EXPECT_NE(frame.connectingBox.find("127.0.0.1"), std::string::npos);
  EXPECT_TRUE(session->connecting());

  session->Stop();
  ASSERT_TRUE(frame.WaitUntil([&] { return frame.finished == 1; }));
  EXPECT_FALSE(frame.open);
  EXPECT_FALSE(frame.busy);
  EXPECT_TRUE(frame.connectingBox.empty());
  EXPECT_TRUE(frame.reports.empty());
  EXPECT_TRUE(frame.commands[kCommandConnect]);
  EXPECT_FALSE(session->connecting());
  Close(listener);
}

TEST_F(HostSessionTest, AFailedAttemptIsReported) {
  // A port that is bound but does not listen refuses the connection.
  const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), length), 0);
  ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);

  ConnectParameters parameters;
  parameters.hostName = "127.0.0.1";
  parameters.port = port;
  session->Connect(parameters);
  ASSERT_TRUE(frame.WaitUntil([&] { return frame.finished == 1; }));
  EXPECT_FALSE(frame.open);
  ASSERT_EQ(frame.reports.size(), 1u);
  EXPECT_EQ(frame.reports[0].status, kStatusConnectFailed);
  EXPECT_EQ(frame.reports[0].text, "Failed to connect to '127.0.0.1' on port " +
                                       std::to_string(port) +
                                       ". Please check the connection profile and try again.");
  EXPECT_FALSE(frame.busy);
  ::close(holder);
}

// The outcomes of held attempts as they arrive.
class HeldOutcomes {
 public:
  HostSession::HeldOutcome Routine() {
    return [this](const RequestBlock& done) {
      std::lock_guard guard(lock_);
      blocks_.push_back(done);
      changed_.notify_all();
    };
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, 10s, [&] { return blocks_.size() >= count; });
  }
  RequestBlock At(std::size_t i) {
    std::lock_guard guard(lock_);
    return blocks_.at(i);
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<RequestBlock> blocks_;
};

TEST_F(HostSessionTest, AHeldConnectionServesRequestsAndIsAdoptedAsTheSession) {
  LiveAgent agent("posix");
  ASSERT_NE(agent.port(), 0);
  ConnectParameters parameters;
  parameters.hostName = "127.0.0.1";
  parameters.port = agent.port();
  HeldOutcomes outcomes;
  ASSERT_TRUE(session->ConnectHeld(parameters, nullptr, outcomes.Routine()));
  EXPECT_FALSE(session->ConnectHeld(parameters, nullptr, outcomes.Routine()));  // one at a time
  ASSERT_TRUE(outcomes.WaitFor(1));
  const RequestBlock connect = outcomes.At(0);
  ASSERT_EQ(connect.status, kStatusSuccess);

  // Held and lent: the worker runs requests on it, the session stays closed.
  EXPECT_TRUE(session->heldOpen());
  EXPECT_FALSE(session->connected());
  EXPECT_EQ(worker->commandSocket(), connect.socket);
  std::promise<RequestBlock> asked;
  RequestBlock directory;
  directory.kind = kRequestGetDirectory;
  directory.completion = [&](RequestBlock& done) { asked.set_value(done); };
  worker->Post(directory);
  const RequestBlock answered = asked.get_future().get();
  EXPECT_EQ(answered.status, kStatusSuccess);
  EXPECT_EQ(answered.hostPath, "/");
  EXPECT_EQ(frame.finished, 0);

  // Adopted: the set-up of a connect runs on the same connection.
  SessionPreferences preferences;
  preferences.autoexecCommand = "echo adopted > adopted.out";
  ASSERT_TRUE(session->AdoptHeld(preferences));
  ASSERT_TRUE(frame.WaitUntil([&] { return frame.finished == 1 && frame.idle == 1; }));
  EXPECT_TRUE(frame.open);
  EXPECT_TRUE(session->connected());
  EXPECT_FALSE(session->holding());
  EXPECT_EQ(worker->commandSocket(), connect.socket);
  EXPECT_TRUE(frame.commands[kCommandDisconnect]);
  EXPECT_FALSE(frame.busy);
  EXPECT_EQ(agent.Read("/adopted.out"), "adopted\n");
  EXPECT_FALSE(session->AdoptHeld(preferences));  // nothing held any more
}

// A login the agent refused is not sent again: the next attempt asks for
// it, with the password left out and the refusals counted, and sends only
// what was typed.
class AskedLogins : public LoginPrompt {
 public:
  std::optional<LoginAnswer> answer;  // nothing: cancelled
  std::vector<LoginForm> asked;
  std::optional<LoginAnswer> AskLogin(const LoginForm& form) override {
    asked.push_back(form);
    return answer;
  }
};

TEST_F(HostSessionTest, ARefusedPasswordIsNeverSentAgainUntyped) {
  TempDir dir;
  const std::string users = (dir / "users").string();
  const std::string add = "printf 'hunter2\\n' | " + ShellQuote(VANDREL_TANDRILL_PATH) +
                          " passwd --users " + ShellQuote(users) + " bob 2>/dev/null";
  ASSERT_EQ(std::system(add.c_str()), 0);
  std::filesystem::create_directories(dir / "root");
  AgentProcess agent({"--root", (dir / "root").string(), "--port", "0", "--users", users});
  const std::uint16_t port = agent.ReadPort();
  ASSERT_NE(port, 0);
  AskedLogins login;
  session = std::make_unique<HostSession>(manager, *worker, frame, &login, nullptr, &cache);

  ConnectParameters parameters;
  parameters.hostName = "127.0.0.1";
  parameters.port = port;
  parameters.userName = "bob";
  parameters.password = "wrong";
  session->Connect(parameters);
  ASSERT_TRUE(frame.WaitUntil([&] { return frame.finished == 1; }));
  EXPECT_FALSE(frame.open);
  EXPECT_TRUE(login.asked.empty());  // the stored login went as it was, once

  session->Connect(parameters);  // asked, and cancelled: nothing sent
  ASSERT_TRUE(frame.WaitUntil([&] { return frame.finished == 2; }));
  ASSERT_EQ(login.asked.size(), 1u);
  EXPECT_EQ(login.asked[0].password, "");
  EXPECT_NE(login.asked[0].text.find("refused 1 login(s)"), std::string::npos);

  login.answer = LoginAnswer{"bob", "hunter2"};
  session->Connect(parameters);
  ASSERT_TRUE(frame.WaitUntil([&] { return frame.finished == 3; }));
  EXPECT_TRUE(frame.open);
  EXPECT_EQ(login.asked.size(), 2u);
  session->Disconnect();
}

}  // namespace
}  // namespace vandrel::testing
