#include "shell/frame_reconnect.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cctype>
#include <cerrno>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/transfer_options.h"
#include "editor/ui/editor_window.h"
#include "remote/connect_thread.h"
#include "remote/document_requests.h"
#include "remote/operation_support.h"
#include "shell/frame_documents.h"
#include "shell/frame_host_connection.h"
#include "shell/status_bar.h"

namespace vandrel::shell {

namespace {

constexpr std::string_view kSetFolderCommand = "=SET_CD ";
// A long session's folder changes are kept up to this many.
constexpr std::size_t kMostFolders = 64;
constexpr int kWatchMilliseconds = 500;
constexpr std::int32_t kQeditFileCode = 111;

// Statuses of a connection that failed under a request (socket and
// protocol failures), as opposed to the agent's own errors.
bool IsConnectionFailure(std::int32_t status) {
  return (status >= 101 && status <= 199) || (status >= 301 && status <= 399);
}

// The file is the one the document was loaded from: a new lock on a file
// changed meanwhile would protect a version nobody is editing.
bool SameHostFile(const HostFileInfo& loaded, const HostFileInfo& now) {
  return loaded.size == now.size && loaded.modifyTime == now.modifyTime &&
         loaded.fileCode == now.fileCode;
}

// A dead host is noticed within about a minute even when nothing is sent.
void KeepAlive(remote::Socket socket) {
  if (socket == remote::kNoSocket) return;
  int on = 1;
  int idle = 30;
  int interval = 10;
  int count = 3;
  ::setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

QString Text(int id) { return QString::fromStdString(LoadText(id)); }

}  // namespace

// ---- SessionFolders -----------------------------------------------------------

void SessionFolders::Observe(std::string_view line) {
  std::lock_guard guard(lock_);
  if (line.starts_with(kSetFolderCommand)) {
    pending_ = std::string(line.substr(kSetFolderCommand.size()));
    return;
  }
  if (!pending_) return;
  // Only the reply ends the wait: it starts with its status number.
  if (line.empty() ||
      !(std::isdigit(static_cast<unsigned char>(line.front())) || line.front() == '-')) {
    return;
  }
  if (remote::IsSuccessReply(line) && !pending_->empty()) {
    // An absolute folder makes the changes before it irrelevant.
    if (pending_->front() == '/') folders_.clear();
    folders_.push_back(std::move(*pending_));
    if (folders_.size() > kMostFolders) folders_.erase(folders_.begin());
  }
  pending_.reset();
}

std::vector<std::string> SessionFolders::folders() const {
  std::lock_guard guard(lock_);
  return folders_;
}

void SessionFolders::Clear() {
  std::lock_guard guard(lock_);
  pending_.reset();
  folders_.clear();
}

// ---- FrameReconnect -----------------------------------------------------------

FrameReconnect::FrameReconnect(FrameHostConnection& connection, StatusBar& status,
                               FrameDocuments& documents, UserInterface& ui,
                               const AppSettings& settings, QObject* parent)
    : QObject(parent),
      connection_(connection),
      status_(status),
      documents_(documents),
      ui_(ui),
      settings_(settings) {
  watch_.setInterval(kWatchMilliseconds);
  connect(&watch_, &QTimer::timeout, this, [this] {
    if (stopped_ || connection_.shutDown()) return;
    // The set-up's end may have been announced before the outcome arrived.
    if (waitingForIdle_ && !connection_.AnyPending()) {
      waitingForIdle_ = false;
      StartRestore();
    }
    if (connection_.connected() && !connection_.ending() && (dropped_ || ConnectionGone())) {
      TakeUpDrop();
    }
  });
  watch_.start();
  countdown_.setInterval(1000);
  connect(&countdown_, &QTimer::timeout, this, &FrameReconnect::CountDown);
}

FrameReconnect::~FrameReconnect() = default;

bool FrameReconnect::ConnectionGone() const {
  const remote::Socket socket = connection_.worker().commandSocket();
  if (socket == remote::kNoSocket) return false;
  char byte = 0;
  const ssize_t got = ::recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got > 0) return false;
  if (got == 0) return true;  // the agent closed its end
  return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
}

bool FrameReconnect::AbsorbFailure(const remote::RequestBlock& request) {
  if (stopped_) return false;
  if (request.kind == remote::kRequestConnect) return automatic_ && !request.loginRefused;
  if (!IsConnectionFailure(request.status)) return false;
  if (dropped_) return true;
  if (connection_.ending() || !ConnectionGone()) return false;
  dropped_ = true;
  QMetaObject::invokeMethod(
      this, [this] { TakeUpDrop(); }, Qt::QueuedConnection);
  return true;
}

void FrameReconnect::TakeUpDrop() {
  if (stopped_ || !connection_.connected() || connection_.ending()) {
    if (!connection_.connected()) dropped_ = false;
    return;
  }
  dropped_ = true;
  // What is queued would only fail; the request in progress fails on its
  // own, and the watch comes back once it has.
  connection_.worker().CancelAll();
  if (connection_.worker().AnyPending()) return;

  LostSession lost;
  lost.parameters = connection_.session().openedParameters();
  lost.folders = folders_.folders();
  for (ui::EditorWindow* window : documents_.EditorWindows()) {
    if (window->IsHostDocument() && window->hostLock() != -1) {
      lost.locked.push_back({window, window->documentName(), window->format().fileInfo});
    }
  }
  // A restore cut short: its documents still wait for their locks.
  if (restoring_) {
    for (LockedDocument& document : toLock_) lost.locked.push_back(std::move(document));
  }
  ++generation_;
  toLock_.clear();
  restoring_.reset();
  waitingForIdle_ = false;

  // The documents forget their locks: they died with the agent's session.
  // Lost first, so the commands the frame enables afterwards know it.
  lost_ = std::move(lost);
  connection_.Disconnect();
  if (settings_.AutoReconnect != 0) {
    schedule_.Start();
    ScheduleNextAttempt();
  } else {
    ShowLost();
  }
}

void FrameReconnect::ShowLost() { status_.showMessage(Text(kStrConnectionLost)); }

void FrameReconnect::ScheduleNextAttempt() {
  remaining_ = schedule_.NextDelay();
  if (remaining_ <= 0) {
    ShowLost();
    return;
  }
  status_.showMessage(QString::fromStdString(FormatText(LoadText(kStrReconnectingIn), remaining_)));
  countdown_.start();
}

void FrameReconnect::CountDown() {
  if (--remaining_ > 0) {
    status_.showMessage(
        QString::fromStdString(FormatText(LoadText(kStrReconnectingIn), remaining_)));
    return;
  }
  countdown_.stop();
  Attempt(false);
}

void FrameReconnect::Attempt(bool byHand) {
  if (!lost_ || stopped_ || connection_.shutDown()) return;
  if (connection_.connected() || connection_.connecting()) return;
  remote::ConnectParameters parameters = lost_->parameters;
  parameters.showConnectingBox = settings_.ShowConnectionDlg != 0;
  // Nobody is asked during an automatic attempt: a login that needs typing
  // ends it.
  parameters.loginPrompt = byHand;
  automatic_ = !byHand;
  attempting_ = true;
  connection_.Connect(parameters);
}

bool FrameReconnect::ConnectByHand() {
  if (!lost_ || stopped_) return false;
  countdown_.stop();
  schedule_.Stop();
  Attempt(true);
  return true;
}

void FrameReconnect::Forget() {
  // An automatic attempt under way ends too.
  if (automatic_ && connection_.connecting()) connection_.Stop();
  countdown_.stop();
  schedule_.Stop();
  lost_.reset();
  ++generation_;
  attempting_ = false;
  restoring_.reset();
  toLock_.clear();
  notLocked_.clear();
  waitingForIdle_ = false;
  dropped_ = false;
}

void FrameReconnect::Stop() {
  stopped_ = true;
  watch_.stop();
  Forget();
}

void FrameReconnect::ConnectionFinished(bool open) {
  const bool automatic = automatic_.exchange(false);
  attempting_ = false;
  if (stopped_) return;
  if (open) {
    dropped_ = false;
    countdown_.stop();
    schedule_.Stop();
    KeepAlive(connection_.worker().commandSocket());
    std::optional<LostSession> lost = std::move(lost_);
    lost_.reset();
    folders_.Clear();
    if (!lost) return;
    const remote::ConnectParameters now = connection_.session().openedParameters();
    if (now.hostName != lost->parameters.hostName || now.port != lost->parameters.port) {
      // Another host: the folders and locks of the lost session are not its.
      lost->folders.clear();
      for (const LockedDocument& document : lost->locked) LockNotRetaken(document);
      lost->locked.clear();
    }
    restoring_ = std::move(lost);
    // The restore follows the session set-up.
    if (connection_.AnyPending()) {
      waitingForIdle_ = true;
    } else {
      StartRestore();
    }
    return;
  }
  if (!lost_) return;
  const remote::ConnectOutcome outcome = connection_.session().lastOutcome();
  if (outcome.loginRefused || (automatic && outcome.status == remote::kStatusAbandoned)) {
    // The login must be typed: Connect asks for it.
    countdown_.stop();
    schedule_.Stop();
    status_.showMessage(Text(kStrReconnectLoginRefused));
    return;
  }
  if (automatic && schedule_.active()) {
    ScheduleNextAttempt();
  } else {
    ShowLost();
  }
}

void FrameReconnect::SessionIdle() {
  if (!waitingForIdle_ || stopped_) return;
  waitingForIdle_ = false;
  StartRestore();
}

void FrameReconnect::StartRestore() {
  if (!restoring_ || !connection_.connected()) return;
  // Replayed in order, the folder changes end where the lost session was.
  for (const std::string& folder : restoring_->folders) {
    remote::RequestBlock change;
    change.kind = remote::kRequestSendCommand;
    change.commandText = std::string(kSetFolderCommand) + folder;
    connection_.worker().Post(change);
  }
  toLock_.assign(restoring_->locked.begin(), restoring_->locked.end());
  RestoreNextLock();
}

void FrameReconnect::RestoreNextLock() {
  while (!toLock_.empty() && !toLock_.front().window) toLock_.pop_front();  // closed meanwhile
  if (toLock_.empty()) {
    FinishRestore();
    return;
  }
  LockedDocument document = toLock_.front();
  toLock_.pop_front();
  // The file received to memory with the lock kept: the lock's number
  // comes with it, as when the document was opened.
  remote::RequestBlock receive;
  receive.kind = remote::kRequestReceiveToMemory;
  receive.hostPath = document.hostPath;
  receive.options = kOptionKeepLocked;
  if (connection_.hostKind() == remote::kHostKindMpe) {
    receive.options |= kOptionModeRecord;
    if (document.fileInfo.fileCode == kQeditFileCode) receive.options |= kOptionModeQedit;
  }
  const std::uint64_t generation = generation_;
  receive.completion = [this, document, generation](remote::RequestBlock& done) {
    const std::int32_t status = done.status;
    const std::int32_t lock = done.lockNumber;
    QMetaObject::invokeMethod(
        this,
        [this, document, generation, status, lock] {
          if (generation == generation_) LockTaken(document, status, lock);
        },
        Qt::QueuedConnection);
  };
  connection_.worker().Post(receive);
}

void FrameReconnect::LockTaken(LockedDocument document, std::int32_t status, std::int32_t lock) {
  if (status != remote::kStatusSuccess || !document.window) {
    if (status == remote::kStatusSuccess) connection_.worker().Post(remote::UnlockRequest(lock));
    LockNotRetaken(document);
    RestoreNextLock();
    return;
  }
  // Locked now; whether it is still the file the document was loaded from.
  remote::RequestBlock information;
  information.kind = remote::kRequestFileInformation;
  information.hostPath = document.hostPath;
  const std::uint64_t generation = generation_;
  information.completion = [this, document, generation, lock](remote::RequestBlock& done) {
    const bool unchanged =
        done.status == remote::kStatusSuccess && SameHostFile(document.fileInfo, done.fileInfo);
    QMetaObject::invokeMethod(
        this,
        [this, document, generation, lock, unchanged] {
          if (generation == generation_) LockChecked(document, lock, unchanged);
        },
        Qt::QueuedConnection);
  };
  connection_.worker().Post(information);
}

void FrameReconnect::LockChecked(LockedDocument document, std::int32_t lock, bool unchanged) {
  if (unchanged && document.window && document.window->hostLock() == -1) {
    document.window->RestoreHostLock(lock);
  } else {
    connection_.worker().Post(remote::UnlockRequest(lock));
    LockNotRetaken(document);
  }
  RestoreNextLock();
}

void FrameReconnect::LockNotRetaken(const LockedDocument& document) {
  if (document.window) document.window->MarkLockLost();
  notLocked_.push_back(document.hostPath);
}

void FrameReconnect::FinishRestore() {
  restoring_.reset();
  if (notLocked_.empty()) {
    status_.showMessage(Text(kStrSessionRestored), 5000);
    return;
  }
  std::string paths;
  for (const std::string& path : notLocked_) paths += path + "\n";
  notLocked_.clear();
  status_.clearMessage();
  MessageBox(ui_, kMbOk | kMbIconWarning, kStrLocksNotRetaken, paths);
}

}  // namespace vandrel::shell
