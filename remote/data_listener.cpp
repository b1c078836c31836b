#include "remote/data_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/byte_order.h"

namespace vandrel::remote {

namespace {

// How long one wait lasts before the stop flag is looked at again.
constexpr int kWaitSliceMs = 100;

// Keep-alive on a data connection: probes after 30 idle seconds, every 10
// seconds, 6 of them; and unacknowledged data gives up after two minutes.
// A host that has gone away is then noticed in about a minute and a half
// instead of never.
void KeepAlive(Socket socket) {
  int on = 1;
  int idle = 30;
  int interval = 10;
  int count = 6;
  unsigned int userTimeoutMs = 120000;
  ::setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  ::setsockopt(socket, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
  ::setsockopt(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
}

// The dotted local address of a TCP connection; empty when it has none.
std::string LocalAddressOf(Socket socket) {
  if (socket == kNoSocket) return {};
  sockaddr_storage storage{};
  socklen_t size = sizeof storage;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&storage), &size) != 0 ||
      storage.ss_family != AF_INET) {
    return {};
  }
  const auto* address = reinterpret_cast<const sockaddr_in*>(&storage);
  char text[INET_ADDRSTRLEN] = {};
  if (::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) == nullptr) return {};
  return text;
}

}  // namespace

WaitResult WaitForSocket(const Thread& worker, Socket socket, short events, Socket command) {
  if (socket == kNoSocket) {
    errno = EBADF;
    return WaitResult::kFailed;
  }
  pollfd watched[2] = {{socket, events, 0}, {command, POLLRDHUP, 0}};
  const nfds_t count = command == kNoSocket ? 1 : 2;
  while (true) {
    if (worker.stopping()) return WaitResult::kStopped;
    watched[0].revents = 0;
    watched[1].revents = 0;
    const int ready = ::poll(watched, count, kWaitSliceMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return WaitResult::kFailed;
    }
    if (ready == 0) continue;
    if (watched[0].revents & POLLNVAL) {
      errno = EBADF;
      return WaitResult::kFailed;
    }
    // Errors and hang-ups count as ready: the call that follows reports them.
    if (watched[0].revents != 0) return WaitResult::kReady;
    if (count == 2 && watched[1].revents != 0) {
      errno = ECONNRESET;
      return WaitResult::kLost;
    }
  }
}

bool DataListener::Listen() {
  listener_ = remote::Listen(10, LocalAddressOf(command_));
  if (listener_ == kNoSocket) return false;
  // The wait below decides when to accept; a connection that was reset in
  // between must make the accept fail rather than block.
  const int flags = ::fcntl(listener_, F_GETFL);
  if (flags < 0 || ::fcntl(listener_, F_SETFL, flags | O_NONBLOCK) != 0 ||
      (port_ = LocalPort(listener_)) == 0) {
    const int error = errno;
    CloseListener();
    errno = error;
    return false;
  }
  return true;
}

DataListener::Arrival DataListener::WaitForAgent() {
  pollfd watched[2] = {{listener_, POLLIN, 0}, {command_, POLLIN, 0}};
  const nfds_t count = command_ == kNoSocket ? 1 : 2;
  while (true) {
    if (worker_.stopping()) return Arrival::kStopped;
    watched[0].revents = 0;
    watched[1].revents = 0;
    const int ready = ::poll(watched, count, kWaitSliceMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Arrival::kFailed;
    }
    if (ready == 0) continue;
    if (watched[0].revents & POLLIN) return Arrival::kConnected;
    if (watched[0].revents != 0) {
      errno = EBADF;
      return Arrival::kFailed;
    }
    if (count == 2 && watched[1].revents != 0) return Arrival::kAnswered;
  }
}

bool DataListener::Accept() {
  data_ = remote::Accept(listener_);
  const int error = errno;
  CloseListener();
  if (data_ == kNoSocket) {
    errno = error;
    return false;
  }
  KeepAlive(data_);
  return true;
}

DataListener::Io DataListener::Waited(WaitResult result) {
  switch (result) {
    case WaitResult::kReady:
      return Io::kDone;
    case WaitResult::kStopped:
      return Io::kStopped;
    case WaitResult::kLost:
      return Io::kLost;
    case WaitResult::kFailed:
      break;
  }
  return Io::kFailed;
}

DataListener::Io DataListener::ReadExactly(void* buffer, std::size_t count, std::size_t* got) {
  char* next = static_cast<char*>(buffer);
  *got = 0;
  while (*got < count) {
    const WaitResult waited = WaitForSocket(worker_, data_, POLLIN, command_);
    if (waited != WaitResult::kReady) return Waited(waited);
    const ssize_t received = ::recv(data_, next + *got, count - *got, MSG_DONTWAIT);
    if (received > 0) {
      *got += static_cast<std::size_t>(received);
    } else if (received == 0) {
      return Io::kClosed;
    } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return Io::kFailed;
    }
  }
  return Io::kDone;
}

DataListener::Io DataListener::WriteAll(const char* bytes, std::size_t count) {
  while (count > 0) {
    const WaitResult waited = WaitForSocket(worker_, data_, POLLOUT, command_);
    if (waited != WaitResult::kReady) return Waited(waited);
    const ssize_t sent = ::send(data_, bytes, count, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      bytes += sent;
      count -= static_cast<std::size_t>(sent);
    } else if (sent == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
      return Io::kFailed;
    }
  }
  return Io::kDone;
}

DataListener::Read DataListener::ReceivePacket(std::string& payload, std::size_t capacity) {
  unsigned char header[2];
  std::size_t got = 0;
  switch (ReadExactly(header, sizeof header, &got)) {
    case Io::kDone:
      break;
    case Io::kClosed:
      return got == 0 ? Read::kEnd : Read::kBroken;
    case Io::kFailed:
      return Read::kBroken;
    case Io::kStopped:
      return Read::kStopped;
    case Io::kLost:
      return Read::kLost;
  }
  const std::size_t length = platform::ReadBigEndian16(header);
  payload.resize(length <= capacity ? length : 0);
  if (length == 0) return Read::kEnd;
  if (length > capacity) return Read::kTooLong;
  switch (ReadExactly(payload.data(), length, &got)) {
    case Io::kDone:
      return Read::kPacket;
    case Io::kClosed:
    case Io::kFailed:
      return Read::kBroken;
    case Io::kStopped:
      return Read::kStopped;
    case Io::kLost:
      return Read::kLost;
  }
  return Read::kBroken;
}

DataListener::Io DataListener::SendPacket(std::string_view bytes) {
  if (bytes.size() > kMaxPacketPayload) {
    errno = EMSGSIZE;
    return Io::kFailed;
  }
  frame_.resize(2 + bytes.size());
  platform::WriteBigEndian16(frame_.data(), static_cast<std::uint16_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(frame_.data() + 2, bytes.data(), bytes.size());
  return WriteAll(frame_.data(), frame_.size());
}

void DataListener::CloseData() {
  Close(data_);
  data_ = kNoSocket;
}

void DataListener::BreakData() {
  if (data_ == kNoSocket) return;
  // Half a length header first: whatever the agent has read so far, the
  // stream now stops inside a packet. Then a reset instead of an orderly
  // close, which the agent would take for the end of the file.
  const char half = 0;
  (void)::send(data_, &half, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
  linger reset{1, 0};
  ::setsockopt(data_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  ::close(data_);
  data_ = kNoSocket;
}

void DataListener::CloseListener() {
  Close(listener_);
  listener_ = kNoSocket;
}

void DataListener::CloseAll() {
  CloseData();
  CloseListener();
}

}  // namespace vandrel::remote
