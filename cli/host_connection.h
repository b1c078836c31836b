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

#include "core/progress.h"
#include "core/user_interface.h"
#include "remote/host_session.h"
#include "remote/output_writer.h"
#include "remote/request_worker.h"
#include "remote/thread_manager.h"

namespace vandrel::cli {

// Messages go to standard error; questions take the given answer (--yes /
// --no), else are asked on a terminal, else answered No.
class StandardErrorUser final : public UserInterface {
 public:
  std::optional<bool> answer;

  int ShowMessage(const std::string& caption, const std::string& text, unsigned style) override;
};

// Reports to standard error, and waits for the connection's outcome.
class WaitingFrame final : public remote::SessionFrame {
 public:
  // `debug` gets the Debug line of each failure (null: none).
  explicit WaitingFrame(UserInterface& user, remote::TraceWriter* debug = nullptr)
      : user_(user), debug_(debug) {}

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
  remote::TraceWriter* debug_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool finished_ = false;
  bool open_ = false;
};

// What the requests and the session report to; any may be null.
struct HostConnectionServices {
  remote::OutputWriter* output = nullptr;  // the requests' output
  ProgressReporter* progress = nullptr;    // transfers' progress
  remote::TraceWriter* trace = nullptr;    // commands and replies, and failures' Debug lines
  remote::LoginPrompt* login = nullptr;    // a login the stored values do not give
};

class HostConnection {
 public:
  // Requests write their output to `output` (may be null).
  explicit HostConnection(remote::OutputWriter* output)
      : HostConnection(HostConnectionServices{output}) {}
  explicit HostConnection(const HostConnectionServices& services);
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
  StandardErrorUser& user() { return user_; }

 private:
  StandardErrorUser user_;
  WaitingFrame frame_;
  remote::ThreadManager manager_;
  remote::RequestWorker* worker_ = nullptr;
  std::unique_ptr<remote::HostSession> session_;
};

}  // namespace vandrel::cli
