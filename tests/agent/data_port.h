// The client's side of a data connection in tests: a listening socket on
// the loopback address, as the editor opens one for each data command.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "raw_client.h"

namespace vandrel::testing {

// A listening socket on the loopback address, as the editor opens one for
// each data command.
class DataPort {
 public:
  // Every wait for the agent is bounded by `timeoutMs`.
  explicit DataPort(int timeoutMs = 10000) : timeoutMs_(timeoutMs) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 10);
    socklen_t size = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~DataPort() {
    ::close(listener_);
    CloseData();
  }
  std::uint16_t port() const { return port_; }

  bool Accept() { return Accept(timeoutMs_); }
  bool Accept(int timeoutMs) {
    pollfd wait{listener_, POLLIN, 0};
    if (::poll(&wait, 1, timeoutMs) <= 0) return false;
    data_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return data_ >= 0;
  }
  // Waits for the agent to connect or to answer on the command connection
  // instead; true when it connected.
  bool AcceptOrReply(RawClient& client) {
    for (int i = 0; i < 500; ++i) {
      if (Accept(20)) return true;
      if (!client.Silent(0)) return false;
    }
    return false;
  }
  // Whether nobody connects within the time.
  bool NoConnection(int timeoutMs) {
    pollfd wait{listener_, POLLIN, 0};
    return ::poll(&wait, 1, timeoutMs) == 0;
  }
  void CloseData() {
    if (data_ >= 0) ::close(data_);
    data_ = -1;
  }

  // The packets up to the empty one that ends the stream; `ended` is false
  // when the stream stopped without it.
  std::vector<std::string> ReadStream(bool* ended) {
    std::vector<std::string> packets;
    *ended = false;
    while (true) {
      unsigned char header[2];
      if (!ReadExactly(header, 2)) return packets;
      std::string payload((static_cast<std::size_t>(header[0]) << 8) | header[1], '\0');
      if (payload.empty()) {
        *ended = true;
        // Nothing may follow the end of the stream.
        char extra;
        if (::recv(data_, &extra, 1, 0) != 0) *ended = false;
        return packets;
      }
      if (!ReadExactly(payload.data(), payload.size())) return packets;
      packets.push_back(std::move(payload));
    }
  }
  bool SendBytes(const std::string& bytes) {
    return ::send(data_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }

  // One packet's payload into `buffer`; false when the stream broke off.
  bool ReceivePacket(std::vector<char>& buffer, std::size_t* length) {
    unsigned char header[2];
    if (!ReadExactly(header, 2)) return false;
    *length = (static_cast<std::size_t>(header[0]) << 8) | header[1];
    buffer.resize(std::max(buffer.size(), *length));
    return ReadExactly(buffer.data(), *length);
  }
  // `packet` holds two bytes of room for the header, then `length` bytes.
  bool SendPacket(std::vector<char>& packet, std::size_t length) {
    packet[0] = static_cast<char>(length >> 8);
    packet[1] = static_cast<char>(length & 0xff);
    const char* next = packet.data();
    std::size_t left = length + 2;
    while (left > 0) {
      pollfd wait{data_, POLLOUT, 0};
      if (::poll(&wait, 1, timeoutMs_) != 1) return false;
      const ssize_t sent = ::send(data_, next, left, MSG_NOSIGNAL);
      if (sent <= 0) return false;
      next += sent;
      left -= static_cast<std::size_t>(sent);
    }
    return true;
  }

 private:
  bool ReadExactly(void* buffer, std::size_t count) {
    char* next = static_cast<char*>(buffer);
    while (count > 0) {
      pollfd wait{data_, POLLIN, 0};
      if (::poll(&wait, 1, timeoutMs_) <= 0) return false;
      const ssize_t got = ::recv(data_, next, count, 0);
      if (got <= 0) return false;
      next += got;
      count -= static_cast<std::size_t>(got);
    }
    return true;
  }

  int timeoutMs_;
  int listener_ = -1;
  int data_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace vandrel::testing
