#include "remote/socket_transport.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/byte_order.h"

namespace vandrel::remote {
namespace {

// Turns a host text into an IPv4 address: a dotted address as it is, any
// other text through the resolver, taking its first IPv4 address.
bool ResolveIPv4(const std::string& host, in_addr* address) {
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

// Sockets are close-on-exec: the agent and the build front end start child
// processes, which must not inherit (and keep open) a connection or a
// listening port.
Socket NewStreamSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }

// Closes a socket after a failure without losing the error that caused it,
// which callers read for their reports.
void CloseKeepingError(Socket socket) {
  int error = errno;
  ::close(socket);
  errno = error;
}

// Commands and replies are small request/reply packets, each answered before
// the next goes out; Nagle's algorithm would hold every one of them back
// waiting for an acknowledgement, so it is turned off.
void SetNoDelay(Socket socket) {
  int on = 1;
  ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// A connect interrupted by a signal goes on in the background; wait for it
// to end and take its outcome.
bool FinishInterruptedConnect(Socket socket) {
  pollfd waiting{socket, POLLOUT, 0};
  int ready;
  do {
    ready = ::poll(&waiting, 1, -1);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return false;
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return false;
  if (error != 0) {
    errno = error;
    return false;
  }
  return true;
}

// Reads and throws away `count` bytes; false when the stream ended first.
bool Discard(Socket socket, std::size_t count) {
  char scratch[4096];
  while (count > 0) {
    std::size_t chunk = count < sizeof scratch ? count : sizeof scratch;
    std::size_t got = ReceiveAll(socket, scratch, chunk);
    count -= got;
    if (got < chunk) return false;
  }
  return true;
}

}  // namespace

int StartSockets() { return 0; }
int StopSockets() { return 0; }

Socket Connect(const std::string& host, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (!ResolveIPv4(host, &address.sin_addr)) return kNoSocket;

  Socket socket = NewStreamSocket();
  if (socket < 0) return kNoSocket;
  int rc = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (rc != 0 && !(errno == EINTR && FinishInterruptedConnect(socket))) {
    CloseKeepingError(socket);
    return kNoSocket;
  }
  SetNoDelay(socket);
  return socket;
}

Socket Listen(int backlog, const std::string& bindAddress, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  if (!bindAddress.empty() && !ResolveIPv4(bindAddress, &address.sin_addr)) return kNoSocket;

  Socket socket = NewStreamSocket();
  if (socket < 0) return kNoSocket;
  if (port != 0) {
    // A restarted agent must get its well-known port back while connections
    // of the previous run are still in TIME_WAIT.
    int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  }
  if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(socket, backlog) != 0) {
    CloseKeepingError(socket);
    return kNoSocket;
  }
  return socket;
}

Socket Accept(Socket listener) {
  Socket socket;
  do {
    socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  } while (socket < 0 && errno == EINTR);
  if (socket < 0) return kNoSocket;
  SetNoDelay(socket);
  return socket;
}

std::uint16_t LocalPort(Socket socket) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
      address.sin_family != AF_INET) {
    return 0;
  }
  return ntohs(address.sin_port);
}

void Close(Socket socket) {
  if (socket == kNoSocket) return;
  ::shutdown(socket, SHUT_RDWR);
  ::close(socket);
}

// MSG_NOSIGNAL: a peer that has gone away makes the send fail with EPIPE
// instead of raising SIGPIPE, whose default action would end the process.
std::size_t SendAll(Socket socket, const void* bytes, std::size_t count) {
  const char* next = static_cast<const char*>(bytes);
  std::size_t total = 0;
  while (total < count) {
    ssize_t sent = ::send(socket, next + total, count - total, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) break;
    total += static_cast<std::size_t>(sent);
  }
  return total;
}

std::size_t ReceiveAll(Socket socket, void* buffer, std::size_t count) {
  char* next = static_cast<char*>(buffer);
  std::size_t total = 0;
  while (total < count) {
    ssize_t got = ::recv(socket, next + total, count - total, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += static_cast<std::size_t>(got);
  }
  return total;
}

// The header and the payload go out in one gathered send, so a short packet
// leaves as one segment rather than a 2-byte one and its payload, and a
// packet sent from another thread (the abort line) is not cut into it.
std::size_t SendPacket(Socket socket, const void* bytes, std::size_t length) {
  if (length > kMaxPacketPayload) return 0;
  unsigned char header[2];
  platform::WriteBigEndian16(header, static_cast<std::uint16_t>(length));
  const char* payload = static_cast<const char*>(bytes);
  const std::size_t wanted = sizeof header + length;
  std::size_t total = 0;
  while (total < wanted) {
    iovec parts[2];
    int partCount = 0;
    if (total < sizeof header) {
      parts[partCount++] = {const_cast<unsigned char*>(header) + total, sizeof header - total};
      if (length > 0) parts[partCount++] = {const_cast<char*>(payload), length};
    } else {
      parts[partCount++] = {const_cast<char*>(payload) + (total - sizeof header), wanted - total};
    }
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = static_cast<decltype(message.msg_iovlen)>(partCount);
    ssize_t sent = ::sendmsg(socket, &message, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) break;
    total += static_cast<std::size_t>(sent);
  }
  return total < sizeof header ? total : total - sizeof header;
}

PacketResult ReceivePacket(Socket socket, void* buffer, std::size_t capacity) {
  PacketResult result;
  unsigned char header[2];
  std::size_t got = ReceiveAll(socket, header, sizeof header);
  if (got < sizeof header) {
    result.received = got;
    return result;
  }
  result.headerComplete = true;
  result.announced = platform::ReadBigEndian16(header);
  if (result.announced > capacity) {
    // Never written past the buffer: the payload is drained so the next
    // packet is read from its own header, and the caller decides.
    result.tooLong = true;
    Discard(socket, result.announced);
    return result;
  }
  result.received = ReceiveAll(socket, buffer, result.announced);
  return result;
}

std::size_t SendCommandText(Socket socket, std::string_view text, TraceWriter* trace) {
  if (text.size() >= kCommandBufferSize) return 0;
  if (trace != nullptr) trace->WriteTraceLine(text);
  return SendPacket(socket, text.data(), text.size());
}

std::size_t ReceiveReply(Socket socket, std::string& reply, std::size_t size, TraceWriter* trace) {
  std::size_t capacity = size > 0 ? size - 1 : 0;
  reply.assign(capacity, '\0');
  PacketResult result = ReceivePacket(socket, reply.data(), capacity);
  if (!result.Complete()) {
    reply.clear();
    return 0;
  }
  reply.resize(result.received);
  if (trace != nullptr) trace->WriteTraceLine(reply);
  return result.received;
}

}  // namespace vandrel::remote
