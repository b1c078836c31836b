// The "Network Security" dialog end to end: a session to a tandrill that
// wants a login asks through the dialog on this thread while the connect
// thread waits; the right password connects, a wrong one is reported once
// and never sent again by itself; the MPE/iX host gets its logon string.
#include "remote/ui/login_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "remote/error_report.h"
#include "remote/host_session.h"
#include "support/agent_process.h"
#include "support/modal_dialog.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel::ui {
namespace {

using namespace remote;
using testing::ModalAnswer;

template <typename Condition>
bool WaitFor(Condition done, int limitMs = 15000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// What the session tells the frame, from its threads.
class CountingFrame : public SessionFrame {
 public:
  void SetBusy(bool) override {}
  void EnableCommand(int, bool) override {}
  void EnableHostCommands(bool) override {}
  void ShowConnectingBox(const std::string&) override {}
  void CloseConnectingBox() override {}
  void RefreshStatusBar() override {}
  void SessionEnded() override {}
  void ConnectionFinished(bool open) override {
    opened = open;
    ++finished;
  }
  void ReportFailure(const RequestBlock& request, const char* source, int line) override {
    std::lock_guard guard(lock);
    reports.push_back(DescribeRequestFailure(request, source, line));
  }
  void SessionIdle() override {}

  std::atomic<int> finished{0};
  std::atomic<bool> opened{false};
  std::mutex lock;
  std::vector<ErrorReport> reports;
};

// A tandrill with a users file holding one user.
class LoginAgent {
 public:
  LoginAgent(const std::string& user, const std::string& password, const std::string& personality,
             std::vector<std::string> extra = {}) {
    std::filesystem::create_directories(dir_ / "root" / "DEV" / "PUB");
    const std::string users = (dir_ / "users").string();
    const std::string add = "printf '%s\\n' " + testing::ShellQuote(password) + " | " +
                            testing::ShellQuote(VANDREL_TANDRILL_PATH) + " passwd --users " +
                            testing::ShellQuote(users) + " " + testing::ShellQuote(user) +
                            " 2>/dev/null";
    added_ = std::system(add.c_str()) == 0;
    std::vector<std::string> arguments{
        "--root", (dir_ / "root").string(), "--port",   "0", "--users",
        users,    "--personality",          personality};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    process_ = std::make_unique<testing::AgentProcess>(arguments, (dir_ / "agent.log").string());
    port_ = process_->ReadPort();
  }
  bool ready() const { return added_ && port_ != 0; }
  std::uint16_t port() const { return port_; }
  // The lines of the agent's log that hold `text`.
  std::vector<std::string> LogLines(const std::string& text) const {
    std::vector<std::string> lines;
    std::ifstream log(dir_ / "agent.log");
    for (std::string line; std::getline(log, line);) {
      if (line.find(text) != std::string::npos) lines.push_back(line);
    }
    return lines;
  }

 private:
  testing::TempDir dir_;
  bool added_ = false;
  std::unique_ptr<testing::AgentProcess> process_;
  std::uint16_t port_ = 0;
};

class LoginDialogSession : public ::testing::Test {
 protected:
  void SetUp() override {
    prompt = MakeDialogLoginPrompt(&context);
    auto owned = std::make_unique<RequestWorker>(RequestServices{});
    worker = owned.get();
    manager.Start(std::move(owned));
    session = std::make_unique<HostSession>(manager, *worker, frame, prompt.get());
  }
  void TearDown() override {
    if (session->connected()) session->Disconnect();
    session.reset();
    manager.StopAllAndWait([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
  }

  // Connects and waits for the outcome, answering whatever dialog stays
  // open afterwards (a retry would show one) by rejecting it.
  bool ConnectAndWait(std::uint16_t port, const std::string& user, const std::string& password) {
    ConnectParameters parameters;
    parameters.hostName = "127.0.0.1";
    parameters.port = port;
    parameters.userName = user;
    parameters.password = password;
    parameters.showConnectingBox = false;
    const int before = frame.finished;
    session->Connect(parameters);
    return WaitFor([&] { return frame.finished > before; });
  }

  QObject context;
  std::unique_ptr<LoginPrompt> prompt;
  ThreadManager manager;
  RequestWorker* worker = nullptr;
  CountingFrame frame;
  std::unique_ptr<HostSession> session;
};

TEST_F(LoginDialogSession, RightPasswordConnectsAndAWrongOneIsReportedOnceWithoutRetry) {
  LoginAgent agent("bob", "hunter2", "posix");
  ASSERT_TRUE(agent.ready());

  {
    ModalAnswer<LoginDialog> answer([](LoginDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), "Network Security");
      ASSERT_NE(dialog.passwordField(), nullptr);
      EXPECT_EQ(dialog.userField()->text(), "bob");
      EXPECT_EQ(dialog.passwordField()->echoMode(), QLineEdit::Password);
      // A user name is there: the password is the field to type in.
      EXPECT_EQ(dialog.focusWidget(), dialog.passwordField());
      bool texts = false;
      for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        texts |= label->text() == "Please enter your network password for Tandrill";
      }
      EXPECT_TRUE(texts);
      dialog.passwordField()->setText("hunter2");
      dialog.accept();
    });
    ASSERT_TRUE(ConnectAndWait(agent.port(), "bob", ""));
  }
  EXPECT_TRUE(frame.opened);
  EXPECT_TRUE(session->connected());
  EXPECT_TRUE(frame.reports.empty());
  session->Disconnect();

  int dialogs = 0;
  {
    ModalAnswer<LoginDialog> answer([&](LoginDialog& dialog) {
      ++dialogs;
      dialog.passwordField()->setText("wrong");
      dialog.accept();
    });
    ASSERT_TRUE(ConnectAndWait(agent.port(), "bob", ""));
  }
  EXPECT_FALSE(frame.opened);
  EXPECT_FALSE(session->connected());
  // No second question comes by itself: the attempt has ended.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 1500) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      ADD_FAILURE() << "a second login dialog came";
      open->reject();
    }
  }
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(frame.finished, 2);
  {
    std::lock_guard guard(frame.lock);
    ASSERT_EQ(frame.reports.size(), 1u);
    EXPECT_EQ(frame.reports[0].kind, ErrorReportKind::kServerError);
  }

  // Cancel ends the attempt silently.
  {
    ModalAnswer<LoginDialog> answer([](LoginDialog& dialog) { dialog.reject(); });
    ASSERT_TRUE(ConnectAndWait(agent.port(), "", ""));
  }
  EXPECT_FALSE(frame.opened);
  std::lock_guard guard(frame.lock);
  ASSERT_EQ(frame.reports.size(), 2u);
  EXPECT_EQ(frame.reports[1].kind, ErrorReportKind::kNothing);
}

// Whatever the user types is sent once: five wrong passwords are five
// logins, a refused one is never resent by itself, the dialog counts the
// refusals, and the agent answers each further failure from the address
// later than the one before.
TEST_F(LoginDialogSession, FiveWrongPasswordsAreFiveLoginsAndTheAgentSlowsTheSixth) {
  LoginAgent agent("bob", "hunter2", "posix", {"--failed-login-delay", "100"});
  ASSERT_TRUE(agent.ready());
  for (int attempt = 0; attempt < 5; ++attempt) {
    ModalAnswer<LoginDialog> answer([&](LoginDialog& dialog) {
      EXPECT_TRUE(dialog.passwordField()->text().isEmpty());
      bool counted = attempt == 0;
      for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        counted |= label->text().contains(
            QString("The host refused %1 login(s) in this session.").arg(attempt));
      }
      EXPECT_TRUE(counted) << "attempt " << attempt;
      dialog.passwordField()->setText(QString("wrong%1").arg(attempt));
      dialog.accept();
    });
    ASSERT_TRUE(ConnectAndWait(agent.port(), "bob", ""));
    EXPECT_FALSE(frame.opened);
  }
  // The same wrong password given by the caller is not sent again untyped:
  // the dialog comes, and Cancel sends nothing.
  {
    ModalAnswer<LoginDialog> answer([](LoginDialog& dialog) { dialog.reject(); });
    ASSERT_TRUE(ConnectAndWait(agent.port(), "bob", "wrong4"));
  }
  EXPECT_EQ(agent.LogLines("login refused for bob").size(), 5u);

  // The sixth failure from this address waits longer than any before.
  QElapsedTimer waited;
  {
    ModalAnswer<LoginDialog> answer([&](LoginDialog& dialog) {
      dialog.passwordField()->setText("wrong5");
      waited.start();
      dialog.accept();
    });
    ASSERT_TRUE(ConnectAndWait(agent.port(), "bob", ""));
  }
  EXPECT_GE(waited.elapsed(), 600);
  const std::vector<std::string> refused = agent.LogLines("login refused for bob");
  ASSERT_EQ(refused.size(), 6u);
  EXPECT_NE(refused.back().find("answered after 600 ms"), std::string::npos) << refused.back();
  for (int typed = 0; typed < 6; ++typed) {  // passwords never reach the log
    EXPECT_TRUE(agent.LogLines("wrong" + std::to_string(typed)).empty());
  }
}

TEST_F(LoginDialogSession, MpeHostAsksForTheLogonStringAlone) {
  LoginAgent agent("MGR", "mpepass", "mpe");
  ASSERT_TRUE(agent.ready());
  ModalAnswer<LoginDialog> answer([](LoginDialog& dialog) {
    EXPECT_EQ(dialog.passwordField(), nullptr);
    EXPECT_EQ(dialog.focusWidget(), dialog.userField());
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains("&Login:"));
    EXPECT_TRUE(texts.contains(
        "MPE/iX user logon accounts are in the form:\n\nsessname,username.acctname,groupname"));
    dialog.userField()->setText("MGR/mpepass.DEV");
    dialog.accept();
  });
  // No stored logon: the dialog asks for one.
  ASSERT_TRUE(ConnectAndWait(agent.port(), "", ""));
  EXPECT_TRUE(frame.opened);
  EXPECT_EQ(session->hostKind(), kHostKindMpe);
  EXPECT_EQ(session->securityFlags() & kSecurityMpeLogon, kSecurityMpeLogon);
}

TEST(LoginDialog, AnswersAreCutTo255Characters) {
  const LoginForm form = MakeLoginForm(false, std::string(300, 'u'), "");
  LoginDialog dialog(form);
  EXPECT_EQ(dialog.focusWidget(), dialog.passwordField());
  dialog.passwordField()->setText(QString(300, QLatin1Char('p')));
  const LoginAnswer answer = dialog.answer();
  EXPECT_EQ(answer.userName, std::string(255, 'u'));
  EXPECT_EQ(answer.password, std::string(255, 'p'));
}

}  // namespace
}  // namespace vandrel::ui
