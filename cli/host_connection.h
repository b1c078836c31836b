// One host session for a vandrel-cli command: the request worker, the
// connection made as the editor makes it (connect thread, session set-up),
// messages on standard error, and the session's end when the command is
// done. The output of requests goes where the command says.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/user_interface.h"
#include "remote/host_session.h"
#include "remote/output_writer.h"
#include "remote/request_worker.h"
#include "remote/thread_manager.h"

namespace vandrel::cli {

// Messages go to standard error; questions are answered No unless asked on
// a terminal.
class StandardErrorUser final : public UserInterface {
 public:
  int ShowMessage(const std::string& caption, const std::string& text, unsigned style) override;
};

// Reports to standard error, and waits for the connection's outcome.
class WaitingFrame final : public remote::SessionFrame {
 public:
  explicit WaitingFrame(UserInterface& user) : user_(user) {}

  void SetBusy(bool) override {}
  void EnableCommand(int, bool) override {}
  void EnableHostCommands(bool) override {}
  void ShowConnectingBox(const std::string&) override {}
  void CloseConnectingBox() override {}
  void RefreshStatusBar() override {}
  void SessionEnded() override {}
  void SessionIdle() override {}
  void ConnectionFinished(bool open) override;
  void ReportFailure(const remote::RequestBlock& request, const char* source, int line) override;

  // Waits for the attempt's outcome, then for the session's own requests.
  bool WaitConnected(remote::HostSession& session);

 private:
  UserInterface& user_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool finished_ = false;
  bool open_ = false;
};

class HostConnection {
 public:
  // Requests write their output to `output` (may be null).
  explicit HostConnection(remote::OutputWriter* output);
  ~HostConnection();
  HostConnection(const HostConnection&) = delete;
  HostConnection& operator=(const HostConnection&) = delete;

  // Connects and waits until the session is set up; false (reported) when
  // it could not be opened.
  bool Connect(const remote::ConnectParameters& parameters);

  // Carries one request out and waits for it; the completed block (without
  // its completion routine). Failures are left to the caller.
  remote::RequestBlock Carry(remote::RequestBlock request);

  remote::HostSession& session() { return *session_; }
  remote::RequestWorker& worker() { return *worker_; }
  UserInterface& user() { return user_; }

 private:
  StandardErrorUser user_;
  WaitingFrame frame_;
  remote::ThreadManager manager_;
  remote::RequestWorker* worker_ = nullptr;
  std::unique_ptr<remote::HostSession> session_;
};

}  // namespace vandrel::cli
