#include "remote/connect_thread.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <string_view>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "platform/ascii_text.h"

namespace vandrel::remote {
namespace {

// The product's reply buffer: 1,024 bytes with the terminator.
constexpr std::size_t kReplyBufferSize = 1024;

// An idle command connection is probed after a minute of silence, then
// every ten seconds; after six unanswered probes the connection counts as
// lost and the next request on it fails instead of waiting for ever.
constexpr int kKeepAliveIdleSeconds = 60;
constexpr int kKeepAliveIntervalSeconds = 10;
constexpr int kKeepAliveProbes = 6;

// How often a connection being made looks at the stop flag, should the
// shutdown that Stop sends not wake it.
constexpr int kConnectPollMilliseconds = 100;

constexpr std::string_view kGetSystemInformation = "=GET_OSINFO";

// Reads up to `count` decimal numbers from the start of a reply, the way a
// "%d %d ..." scan does: blanks before each number are skipped, a sign is
// allowed, and reading stops at the first thing that is not a number. The
// numbers read; values beyond 64 bits saturate.
int ScanNumbers(std::string_view text, std::int64_t* values, int count) {
  std::size_t at = 0;
  int read = 0;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max();
  while (read < count) {
    const auto number = platform::ScanDecimal(text, &at);
    if (!number) break;
    values[read++] = number->Clamped(-kLimit, kLimit);
  }
  return read;
}

std::int32_t ToInt32(std::int64_t value) {
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

// A dotted IPv4 address as it is, any other text through the resolver.
bool ResolveIPv4(const std::string& host, in_addr* address) {
  if (host.empty()) return false;
  if (inet_pton(AF_INET, host.c_str(), address) == 1) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return true;
}

// Commands and replies are small packets, each answered before the next
// goes out; the session's connection also has to notice a peer that is gone.
void PrepareCommandConnection(Socket socket) {
  const int on = 1;
  ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ::setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepAliveIdleSeconds,
               sizeof kKeepAliveIdleSeconds);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepAliveIntervalSeconds,
               sizeof kKeepAliveIntervalSeconds);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPCNT, &kKeepAliveProbes, sizeof kKeepAliveProbes);
}

std::string FiveDigits(std::int64_t version) {
  std::string digits = std::to_string(version);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  return digits.substr(0, 5);
}

// A version refusal: the table text filled with the digits of the supported
// bound and of the agent's version.
std::string VersionRefusal(int textId, std::int64_t bound, std::int64_t version) {
  const std::string b = FiveDigits(bound);
  const std::string v = FiveDigits(version);
  return FormatText(LoadText(textId), b[0], b[1], b[2], b[3], b[4], v[0], v[1], v[2], v[3], v[4]);
}

std::string Limited(const std::string& text) { return text.substr(0, kMaxLoginField); }

}  // namespace

LoginForm MakeLoginForm(bool mpeLogon, const std::string& userName, const std::string& password) {
  LoginForm form;
  form.mpeLogon = mpeLogon;
  form.caption = LoadText(kStrNetworkSecurityCaption);
  form.text = LoadText(kStrEnterNetworkPassword);
  if (mpeLogon) {
    form.userLabel = kLoginLogonLabel;
    form.formatExplanation = LoadText(kStrMpeLogonForm);
    form.passwordExplanation = LoadText(kStrMpeLogonPasswords);
  } else {
    form.userLabel = kLoginUserNameLabel;
    form.passwordLabel = kLoginPasswordLabel;
  }
  form.userName = userName;
  form.password = password;
  form.focusPassword = !mpeLogon && !userName.empty();
  return form;
}

std::string VersionText(std::int64_t version) {
  const std::string d = FiveDigits(version);
  return FormatText(LoadText(kStrAgentVersionFormat), d[0], d[1], d[2], d[3], d[4]);
}

ConnectThread::ConnectThread(RequestBlock request, LoginPrompt* login, TraceWriter* trace)
    : request_(std::move(request)), login_(login), trace_(trace) {}

ConnectThread::ConnectThread(RequestBlock request, std::shared_ptr<LoginPrompt> login,
                             TraceWriter* trace)
    : request_(std::move(request)),
      ownedLogin_(std::move(login)),
      login_(ownedLogin_.get()),
      trace_(trace) {}

ConnectThread::~ConnectThread() = default;

void ConnectThread::Stop() {
  RequestBlock cancelled;
  {
    // The flag, the claim and the copy of the request under the lock: Run
    // takes it before it ends, and once it is released Run may end and the
    // object go with its request.
    std::lock_guard lock(lock_);
    stop_ = 1;
    if (completed_) return;  // Run has finished and handed its outcome over
    completed_ = true;
    cancelled = request_;
    // Wakes a connect, send or receive the attempt is blocked in; Run
    // closes the socket itself, so its number cannot be reused under it.
    if (activeSocket_ != kNoSocket) ::shutdown(activeSocket_, SHUT_RDWR);
  }
  cancelled.status = kStatusCancelled;
  cancelled.socket = kNoSocket;
  if (cancelled.completion) cancelled.completion(cancelled);
}

void ConnectThread::Run() {
  RequestBlock block = request_;
  block.socket = kNoSocket;
  Socket socket = kNoSocket;
  const std::int32_t status = Handshake(block, socket);
  if (status != kStatusSuccess) Release(socket);  // a failed attempt keeps nothing open
  block.status = status;
  block.socket = socket;
  {
    std::lock_guard lock(lock_);
    activeSocket_ = kNoSocket;
    if (stop_ != 0 || completed_) {
      // Stopped: Stop has completed the request already.
      Close(socket);
      return;
    }
    completed_ = true;
  }
  if (block.completion) block.completion(block);
}

bool ConnectThread::Adopt(Socket socket) {
  std::lock_guard lock(lock_);
  if (stop_ != 0 || completed_) {
    ::close(socket);
    return false;
  }
  activeSocket_ = socket;
  return true;
}

void ConnectThread::Release(Socket& socket) {
  if (socket == kNoSocket) return;
  {
    std::lock_guard lock(lock_);
    if (activeSocket_ == socket) activeSocket_ = kNoSocket;
  }
  Close(socket);
  socket = kNoSocket;
}

bool ConnectThread::ReadReply(Socket socket, std::string& reply, std::int64_t& error) {
  errno = 0;
  if (ReceiveReply(socket, reply, kReplyBufferSize, trace_) == 0) {
    error = errno;
    return false;
  }
  return true;
}

// The socket is made non-blocking for the connect alone, so the attempt can
// look at its stop flag while a host that does not answer keeps it waiting.
std::int32_t ConnectThread::OpenConnection(RequestBlock& block, std::uint16_t port,
                                           Socket& socket) {
  socket = kNoSocket;
  if (stopping()) return kStatusCancelled;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (port == 0 || !ResolveIPv4(block.hostName, &address.sin_addr)) {
    block.errorNumber = 0;
    return stopping() ? kStatusCancelled : kStatusConnectFailed;
  }
  const Socket fresh = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fresh < 0) {
    block.errorNumber = errno;
    return kStatusConnectFailed;
  }
  if (!Adopt(fresh)) return kStatusCancelled;
  socket = fresh;

  int error = 0;
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = errno;
    if (error == EINPROGRESS || error == EINTR) {
      error = 0;
      while (true) {
        if (stopping()) break;
        pollfd waiting{socket, POLLOUT, 0};
        const int ready = ::poll(&waiting, 1, kConnectPollMilliseconds);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
          error = errno;
          break;
        }
        if (ready == 0) continue;
        socklen_t size = sizeof error;
        if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        break;
      }
    }
  }
  if (stopping()) {
    Release(socket);
    return kStatusCancelled;
  }
  if (error != 0) {
    block.errorNumber = error;
    Release(socket);
    return kStatusConnectFailed;
  }
  const int flags = ::fcntl(socket, F_GETFL);
  if (flags >= 0) ::fcntl(socket, F_SETFL, flags & ~O_NONBLOCK);
  PrepareCommandConnection(socket);
  return kStatusSuccess;
}

std::int32_t ConnectThread::ReadGreeting(RequestBlock& block, Socket socket) {
  std::string greeting;
  if (!ReadReply(socket, greeting, block.errorNumber)) return kStatusReceiveFailed;
  std::int64_t numbers[5] = {};
  const int read = ScanNumbers(greeting, numbers, 5);
  // An agent that turns the session away greets with its error number and
  // a message rather than five numbers; that message is what the user must
  // see, not a complaint about the reply's form.
  if (read >= 1 && numbers[0] != 0) {
    block.errorText = greeting;
    block.errorNumber = numbers[0];
    return kStatusAgentError;
  }
  if (read < 5) {
    block.errorText = greeting;
    block.errorNumber = 0;
    return kStatusBadReply;
  }
  block.agentVersion = ToInt32(numbers[1]);
  block.hostKind = ToInt32(numbers[2]);
  block.byteOrder = ToInt32(numbers[3]);
  block.securityFlags = ToInt32(numbers[4]);

  const std::int64_t version = numbers[1];
  if (version < kLowestAgentVersion || version > kHighestAgentVersion) {
    block.errorText = version < kLowestAgentVersion
                          ? VersionRefusal(kStrAgentVersionTooOld, kLowestAgentVersion, version)
                          : VersionRefusal(kStrAgentVersionTooNew, kHighestAgentVersion, version);
    block.errorNumber = 0;
    return kStatusRefused;
  }
  return kStatusSuccess;
}

// The agent's status for an unknown user or a wrong password.
constexpr std::int64_t kAgentLoginFailed = 1005;

std::int32_t ConnectThread::Login(RequestBlock& block, Socket socket) {
  const bool mpeLogon = (block.securityFlags & kSecurityMpeLogon) != 0;
  // An MPE/iX logon string may carry its passwords inside it, so there an
  // empty password is complete.
  // A login the agent refused before is never sent again untyped: too many
  // refusals can lock the account on the host.
  const bool complete = !block.askLogin && !block.userName.empty() &&
                        (block.hostKind == kHostKindMpe || !block.password.empty());
  if (!complete) {
    if (login_ == nullptr) return kStatusAbandoned;
    // A refused password is not offered again: it has to be typed.
    LoginForm form =
        MakeLoginForm(mpeLogon, block.userName, block.askLogin ? std::string() : block.password);
    form.hostKind = block.hostKind;
    if (block.failedLogins > 0) {
      form.text += "\n" + FormatText(LoadText(kStrFailedLogins), block.failedLogins);
    }
    const std::optional<LoginAnswer> answer = login_->AskLogin(form);
    if (!answer) return kStatusAbandoned;
    if (stopping()) return kStatusCancelled;
    block.userName = Limited(answer->userName);
    // The MPE/iX form edits the logon string alone, unless the prompt asked
    // for the password as well.
    if (!mpeLogon || answer->passwordAsked) {
      block.password = Limited(answer->password);
    } else if (block.askLogin) {
      block.password.clear();  // the refused one stays unsent
    }
  }

  const std::string line = block.userName + " " + block.password;
  // The trace shows who logged in, never the password.
  if (trace_ != nullptr) {
    trace_->WriteTraceLine(block.userName + " " + std::string(block.password.size(), '*'));
  }
  errno = 0;
  if (SendCommandText(socket, line, nullptr) != line.size()) {
    block.errorNumber = errno;
    return kStatusSendFailed;
  }
  std::string reply;
  if (!ReadReply(socket, reply, block.errorNumber)) return kStatusReceiveFailed;
  std::int64_t status = 0;
  if (ScanNumbers(reply, &status, 1) != 1 || status != 0) {
    block.errorText = reply;
    block.errorNumber = status;
    block.loginRefused = (status & 0xffff) == kAgentLoginFailed;
    return kStatusAgentError;
  }
  return kStatusSuccess;
}

std::int32_t ConnectThread::TakeSessionPort(RequestBlock& block, Socket& socket) {
  std::string reply;
  if (!ReadReply(socket, reply, block.errorNumber)) return kStatusReceiveFailed;
  std::int64_t numbers[2] = {};
  const int read = ScanNumbers(reply, numbers, 2);
  if (read < 2) {
    block.errorText = reply;
    block.errorNumber = read == 1 ? numbers[0] : 0;
    return kStatusAgentError;
  }
  const std::int64_t port = numbers[1];
  if (port == 0) return kStatusSuccess;
  // A port no connection can be made to is not taken modulo 65,536.
  if (port < 0 || port > 65535) {
    block.errorText = reply;
    block.errorNumber = 0;
    return kStatusBadReply;
  }
  Release(socket);
  return OpenConnection(block, static_cast<std::uint16_t>(port), socket);
}

std::int32_t ConnectThread::ReadSystemInformation(RequestBlock& block, Socket socket) {
  errno = 0;
  if (SendCommandText(socket, kGetSystemInformation, trace_) != kGetSystemInformation.size()) {
    block.errorNumber = errno;
    return kStatusSendFailed;
  }
  std::string reply;
  if (!ReadReply(socket, reply, block.errorNumber)) return kStatusReceiveFailed;
  std::int64_t status = 0;
  if (ScanNumbers(reply, &status, 1) != 1 || status != 0) {
    block.errorText = reply;
    block.errorNumber = status;
    return kStatusAgentError;
  }
  block.systemInfo = reply.size() > 2 ? reply.substr(2) : std::string();
  return kStatusSuccess;
}

std::int32_t ConnectThread::Handshake(RequestBlock& block, Socket& socket) {
  if (block.port <= 0 || block.port > 65535) {
    block.errorNumber = 0;
    return kStatusConnectFailed;
  }
  std::int32_t status = OpenConnection(block, static_cast<std::uint16_t>(block.port), socket);
  if (status != kStatusSuccess) return status;
  status = ReadGreeting(block, socket);
  if (status != kStatusSuccess) return status;

  const std::int32_t flags = block.securityFlags;
  if (flags != 0) {
    // A probe wants to know only whether an agent it can speak with is
    // there; the caller takes the connection as it is.
    if ((block.options & kOptionProbe) != 0) return kStatusSuccess;
    if ((flags & kSecurityUnsupportedScheme) != 0) {
      block.errorText = LoadText(kStrPasswordSecurityNotSupported);
      block.errorNumber = kErrorUnsupportedSecurity;
      return kStatusRefused;
    }
    if ((flags & kSecurityLoginRequired) != 0) {
      status = Login(block, socket);
      if (status != kStatusSuccess) return status;
    }
  }
  status = TakeSessionPort(block, socket);
  if (status != kStatusSuccess) return status;
  return ReadSystemInformation(block, socket);
}

}  // namespace vandrel::remote
