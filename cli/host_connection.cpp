#include "cli/host_connection.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "remote/error_report.h"

namespace vandrel::cli {

using namespace vandrel::remote;

int StandardErrorUser::ShowMessage(const std::string& caption, const std::string& text,
                                   unsigned style) {
  const unsigned buttons = style & kMbButtonMask;
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  if (buttons != kMbYesNo && buttons != kMbYesNoCancel) return kIdOk;
  if (answer) return *answer ? kIdYes : kIdNo;
  if (!::isatty(STDIN_FILENO)) return kIdNo;
  std::fprintf(stderr, "[y/N] ");
  char line[16] = {};
  if (!std::fgets(line, sizeof line, stdin)) return kIdNo;
  return (line[0] == 'y' || line[0] == 'Y') ? kIdYes : kIdNo;
}

void WaitingFrame::ConnectionFinished(bool open) {
  std::lock_guard guard(lock_);
  finished_ = true;
  open_ = open;
  changed_.notify_all();
}

void WaitingFrame::ReportFailure(const RequestBlock& request, const char* source, int line) {
  ReportRequestFailure(request, source, line, user_, debug_);
}

bool WaitingFrame::WaitConnected(HostSession& session) {
  {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return finished_; });
    if (!open_) return false;
  }
  // The session's own requests (environment, start-up command) come first.
  while (session.worker().AnyPending()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

HostConnection::HostConnection(const HostConnectionServices& services)
    : frame_(user_, services.trace) {
  RequestServices requests;
  requests.user = &user_;
  requests.output = services.output;
  requests.progress = services.progress;
  requests.trace = services.trace;
  auto worker = std::make_unique<RequestWorker>(requests);
  worker_ = worker.get();
  manager_.Start(std::move(worker));
  session_ = std::make_unique<HostSession>(manager_, *worker_, frame_, services.login,
                                           services.trace, nullptr);
}

HostConnection::~HostConnection() {
  if (session_->connected()) session_->Disconnect();
  session_.reset();
  manager_.StopAllAndWait();
}

bool HostConnection::Connect(const ConnectParameters& parameters) {
  ConnectParameters quiet = parameters;
  quiet.showConnectingBox = false;
  session_->Connect(quiet);
  return frame_.WaitConnected(*session_);
}

RequestBlock HostConnection::Carry(RequestBlock request) {
  std::mutex lock;
  std::condition_variable done;
  std::optional<RequestBlock> result;
  request.completion = [&](RequestBlock& finished) {
    std::lock_guard guard(lock);
    result = finished;
    done.notify_all();
  };
  worker_->Post(request);
  std::unique_lock guard(lock);
  done.wait(guard, [&] { return result.has_value(); });
  RequestBlock finished = std::move(*result);
  finished.completion = nullptr;
  return finished;
}

}  // namespace vandrel::cli
