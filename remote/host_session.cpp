#include "remote/host_session.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/message_box.h"
#include "core/string_ids.h"

namespace vandrel::remote {

namespace {

// How long Disconnect lets a request that was using the connection notice
// that it is gone before the socket is closed (and its number can be reused).
constexpr auto kDisconnectGrace = std::chrono::seconds(2);

// The connect request a connect thread carries out for `parameters`.
RequestBlock ConnectRequest(const ConnectParameters& parameters) {
  RequestBlock request;
  request.kind = kRequestConnect;
  request.options = kOptionProgress;
  request.hostName = parameters.hostName;
  request.port = parameters.port;
  request.userName = parameters.userName;
  request.password = parameters.password;
  return request;
}

// A login as a hash: which host, port, user and password were refused,
// without keeping the password itself.
std::size_t LoginHash(const RequestBlock& request) {
  std::string key = request.hostName;
  key += '\0';
  key += std::to_string(request.port);
  key += '\0';
  key += request.userName;
  key += '\0';
  key += request.password;
  return std::hash<std::string>{}(key);
}

}  // namespace

void HostSession::PrepareLogin(RequestBlock& request) {
  std::lock_guard guard(lock_);
  request.failedLogins = failedLogins_;
  request.askLogin = refusedLogins_.count(LoginHash(request)) != 0;
}

void HostSession::NoteLoginOutcome(const RequestBlock& request) {
  if (!request.loginRefused) return;
  std::lock_guard guard(lock_);
  ++failedLogins_;
  refusedLogins_.insert(LoginHash(request));
}

HostSession::HostSession(ThreadManager& manager, RequestWorker& worker, SessionFrame& frame,
                         LoginPrompt* login, TraceWriter* trace, ListingCache* cache)
    : manager_(manager),
      worker_(worker),
      frame_(frame),
      login_(login),
      trace_(trace),
      cache_(cache) {}

HostSession::~HostSession() {
  closing_ = true;
  // A running attempt is completed now, so its completion never reaches a
  // session that is gone.
  if (const std::uint32_t thread = connectThread_.exchange(0)) manager_.StopThread(thread);
  std::uint32_t heldThread = 0;
  Socket heldSocket = kNoSocket;
  {
    std::lock_guard guard(lock_);
    heldThread = held_.thread;
    if (held_.open) heldSocket = held_.connect.socket;
    held_ = Held{};
  }
  if (heldThread != 0) manager_.StopThread(heldThread);
  const Socket socket = worker_.commandSocket();
  worker_.SetConnection(kNoSocket, 0);
  if (socket != kNoSocket && connected_) Close(socket);
  if (heldSocket != kNoSocket) Close(heldSocket);
}

std::int32_t HostSession::hostKind() const {
  std::lock_guard guard(lock_);
  return session_.hostKind;
}
std::int32_t HostSession::securityFlags() const {
  std::lock_guard guard(lock_);
  return session_.securityFlags;
}
bool HostSession::mpeNames() const {
  std::lock_guard guard(lock_);
  return session_.mpeNames;
}
bool HostSession::qeditAvailable() const {
  std::lock_guard guard(lock_);
  return session_.qeditAvailable;
}
std::string HostSession::connectionInformation() const {
  std::lock_guard guard(lock_);
  return session_.connectionInformation;
}
std::string HostSession::hostName() const {
  std::lock_guard guard(lock_);
  return hostName_;
}
ConnectParameters HostSession::openedParameters() const {
  std::lock_guard guard(lock_);
  return opened_;
}
ConnectOutcome HostSession::lastOutcome() const {
  std::lock_guard guard(lock_);
  return lastOutcome_;
}

void HostSession::Connect(const ConnectParameters& parameters) {
  // The session's connection replaces one held for a caller.
  ReleaseHeld();
  frame_.EnableCommand(kCommandDisconnect, false);
  frame_.EnableCommand(kCommandConnectionInfo, false);
  frame_.EnableCommand(kCommandConnect, false);
  if (cache_) cache_->Clear();

  RequestBlock request = ConnectRequest(parameters);
  PrepareLogin(request);
  std::uint64_t attempt = 0;
  {
    std::lock_guard guard(lock_);
    hostName_ = parameters.hostName;
    preferences_ = parameters.preferences;
    attempt = ++attempt_;
  }
  request.completion = [this, attempt](RequestBlock& done) {
    {
      std::lock_guard guard(lock_);
      finishedAttempt_ = attempt;
    }
    OnConnectCompleted(done);
  };

  frame_.SetBusy(true);
  if (parameters.showConnectingBox) {
    frame_.ShowConnectingBox(FormatText(LoadText(kStrConnectingToServer), parameters.hostName));
  }
  const std::uint32_t thread = manager_.Start(std::make_unique<ConnectThread>(
      std::move(request), parameters.loginPrompt ? login_ : nullptr, trace_));
  std::lock_guard guard(lock_);
  // A quick attempt may have ended already; its identity is then gone.
  if (finishedAttempt_ != attempt) connectThread_ = thread;
}

void HostSession::OnConnectCompleted(RequestBlock& request) {
  connectThread_ = 0;
  NoteLoginOutcome(request);
  {
    std::lock_guard guard(lock_);
    lastOutcome_ = {request.status, request.loginRefused};
  }
  if (closing_) {
    if (request.status == kStatusSuccess) Close(request.socket);
    return;
  }
  bool queued = false;
  if (request.status == kStatusSuccess) {
    SessionPreferences preferences;
    {
      std::lock_guard guard(lock_);
      preferences = preferences_;
      session_ = DescribeOpenedSession(request, preferences.hpfsSupport);
      opened_ = ConnectParameters{};
      opened_.hostName = request.hostName;
      opened_.port = request.port;
      opened_.userName = request.userName;
      opened_.password = request.password;
      opened_.preferences = preferences;
    }
    worker_.SetConnection(request.socket, request.hostKind);
    connected_ = true;
    std::vector<RequestBlock> setup = BuildSessionRequests(preferences, request.hostKind);
    for (std::size_t i = 0; i < setup.size(); ++i) {
      // Only the last one's completion may enter idle: the worker can finish
      // a request before the next one is posted, and the queue then looks
      // drained while the setup is not.
      if (i + 1 == setup.size()) {
        setup[i].completion = [this](RequestBlock& done) { OnSessionRequestCompleted(done); };
      } else {
        setup[i].completion = [this](RequestBlock& done) {
          if (done.status != kStatusSuccess) frame_.ReportFailure(done, __FILE__, __LINE__);
        };
      }
      worker_.Post(setup[i]);
      queued = true;
    }
    if (!queued) frame_.EnableHostCommands(true);
  }

  const bool open = connected_;
  frame_.EnableCommand(kCommandDisconnect, open);
  frame_.EnableCommand(kCommandConnectionInfo, open);
  frame_.EnableCommand(kCommandConnect, !open);
  frame_.RefreshStatusBar();
  if (!queued) {
    frame_.SetBusy(false);
    frame_.CloseConnectingBox();
  }
  if (request.status != kStatusSuccess) frame_.ReportFailure(request, __FILE__, __LINE__);
  frame_.ConnectionFinished(open);
}

bool HostSession::ConnectHeld(const ConnectParameters& parameters,
                              std::shared_ptr<LoginPrompt> login, HeldOutcome outcome) {
  if (closing_ || connected_ || connecting() || holding()) return false;
  if (cache_) cache_->Clear();

  RequestBlock request = ConnectRequest(parameters);
  PrepareLogin(request);
  std::uint64_t attempt = 0;
  {
    std::lock_guard guard(lock_);
    attempt = ++attempt_;
    held_ = Held{};
    held_.attempt = attempt;
  }
  request.completion = [this, attempt, outcome = std::move(outcome)](RequestBlock& done) {
    OnHeldCompleted(attempt, done, outcome);
  };
  const std::uint32_t thread =
      manager_.Start(std::make_unique<ConnectThread>(std::move(request), std::move(login), trace_));
  std::lock_guard guard(lock_);
  if (held_.attempt != attempt) return thread != 0;  // ended already
  if (thread == 0) {
    held_ = Held{};  // no thread, no outcome
    return false;
  }
  if (!held_.open) held_.thread = thread;
  return true;
}

void HostSession::OnHeldCompleted(std::uint64_t attempt, RequestBlock& request,
                                  const HeldOutcome& outcome) {
  NoteLoginOutcome(request);
  std::lock_guard guard(lock_);
  if (held_.attempt != attempt || closing_) {
    // Released meanwhile: whatever the attempt opened is nobody's.
    if (request.status == kStatusSuccess) Close(request.socket);
    return;
  }
  held_.thread = 0;
  if (request.status == kStatusSuccess) {
    held_.open = true;
    held_.connect = request;
    held_.connect.completion = nullptr;
    worker_.SetConnection(request.socket, request.hostKind);
  } else {
    held_ = Held{};
  }
  if (outcome) outcome(request);
}

bool HostSession::holding() const {
  std::lock_guard guard(lock_);
  return held_.attempt != 0;
}

bool HostSession::heldOpen() const {
  std::lock_guard guard(lock_);
  return held_.open;
}

void HostSession::ReleaseHeld() {
  std::uint32_t thread = 0;
  Socket socket = kNoSocket;
  {
    std::lock_guard guard(lock_);
    if (held_.attempt == 0) return;
    thread = held_.thread;
    if (held_.open) socket = held_.connect.socket;
    held_ = Held{};
  }
  // The stopped attempt completes at once; its completion finds nothing
  // held and delivers nothing.
  if (thread != 0) manager_.StopThread(thread);
  if (socket != kNoSocket) CloseWorkerConnection(socket, true);
}

bool HostSession::AdoptHeld(const SessionPreferences& preferences) {
  RequestBlock connect;
  {
    std::lock_guard guard(lock_);
    if (!held_.open) return false;
    connect = held_.connect;
    held_ = Held{};
    hostName_ = connect.hostName;
    preferences_ = preferences;
  }
  // From here on as after Connect: busy until the session set-up has run.
  frame_.SetBusy(true);
  OnConnectCompleted(connect);
  return true;
}

void HostSession::OnSessionRequestCompleted(RequestBlock& request) {
  EnterIdleIfDrained();
  if (request.status != kStatusSuccess) frame_.ReportFailure(request, __FILE__, __LINE__);
}

void HostSession::EnterIdleIfDrained() {
  if (worker_.AnyQueued()) return;
  frame_.SetBusy(false);
  if (connected_) frame_.EnableHostCommands(true);
  frame_.CloseConnectingBox();
  frame_.SessionIdle();
}

void HostSession::Stop() {
  if (connected_) {
    // A request that is still running after an earlier Stop has an agent
    // that does not answer the abort: the session is given up, which frees
    // whatever waits on it.
    if (worker_.AnyPending() && abortedRequest_ == worker_.requestsTaken()) {
      Disconnect();
      return;
    }
    worker_.CancelAll();
    if (worker_.AnyPending()) {
      worker_.SendAbort();
      abortedRequest_ = worker_.requestsTaken();
    } else {
      frame_.SetBusy(false);
    }
    return;
  }
  if (heldOpen()) {
    worker_.CancelAll();
    if (worker_.AnyPending()) worker_.SendAbort();
    return;
  }
  if (const std::uint32_t thread = connectThread_.exchange(0)) {
    manager_.StopThread(thread);
    frame_.SetBusy(false);
    frame_.CloseConnectingBox();
  }
}

bool HostSession::WaitIdle(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (worker_.AnyPending()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void HostSession::CloseWorkerConnection(Socket socket, bool abortPending) {
  if (abortPending && worker_.AnyPending()) {
    // The request in progress is aborted and given a moment to end in an
    // orderly way (its completion then reports nothing) before the
    // connection goes.
    worker_.CancelAll();
    worker_.SendAbort();
    WaitIdle(kDisconnectGrace);
  }
  if (socket != kNoSocket) {
    // Whatever still waits on the connection returns now; the socket is
    // closed once the worker has let go of it.
    ::shutdown(socket, SHUT_RDWR);
    worker_.SetConnection(kNoSocket, 0);
    WaitIdle(kDisconnectGrace);
    ::close(socket);
  }
}

void HostSession::Disconnect() {
  ReleaseHeld();
  CloseWorkerConnection(worker_.commandSocket(), connected_);
  abortedRequest_ = 0;
  connected_ = false;
  frame_.SessionEnded();
  frame_.EnableCommand(kCommandOpen, false);
  frame_.EnableCommand(kCommandFindInFiles, false);
  frame_.EnableCommand(kCommandCommandLine, false);
  frame_.EnableCommand(kCommandDisconnect, false);
  frame_.EnableCommand(kCommandConnectionInfo, false);
  frame_.EnableCommand(kCommandConnect, true);
  frame_.EnableHostCommands(false);
  frame_.RefreshStatusBar();
}

}  // namespace vandrel::remote
