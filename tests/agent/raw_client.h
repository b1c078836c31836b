// Test helpers for the agent: a raw protocol client on plain sockets (so
// tests can also send what a well-behaved client never would), an in-process
// server over a fresh tree, and the tandrill executable run as a process.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/server.h"
#include "agent/users_file.h"
#include "support/agent_process.h"
#include "support/temp_dir.h"

namespace vandrel::testing {

class RawClient {
 public:
  RawClient() = default;
  explicit RawClient(std::uint16_t port) { Connect(port); }
  ~RawClient() { Close(); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;
  RawClient(RawClient&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  RawClient& operator=(RawClient&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }

  bool Connect(std::uint16_t port) {
    Close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      Close();
      return false;
    }
    return true;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool connected() const { return fd_ >= 0; }

  bool SendBytes(const std::string& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  static std::string Frame(const std::string& payload) {
    std::string packet;
    packet += static_cast<char>((payload.size() >> 8) & 0xff);
    packet += static_cast<char>(payload.size() & 0xff);
    return packet + payload;
  }
  bool Send(const std::string& text) { return SendBytes(Frame(text)); }

  // One packet; nothing when the agent closed the connection or said
  // nothing within the time.
  std::optional<std::string> Receive(int timeoutMs = 10000) {
    unsigned char header[2];
    if (!ReadExactly(header, 2, timeoutMs)) return std::nullopt;
    std::string payload((static_cast<std::size_t>(header[0]) << 8) | header[1], '\0');
    if (!ReadExactly(payload.data(), payload.size(), timeoutMs)) return std::nullopt;
    return payload;
  }
  // Sends a command and returns its reply ("<none>" when none came).
  std::string Command(const std::string& text, int timeoutMs = 10000) {
    if (!Send(text)) return "<send failed>";
    return Receive(timeoutMs).value_or("<none>");
  }
  // Whether the agent closed the connection (within the time).
  bool WaitClosed(int timeoutMs = 10000) {
    pollfd wait{fd_, POLLIN, 0};
    if (::poll(&wait, 1, timeoutMs) <= 0) return false;
    char byte;
    return ::recv(fd_, &byte, 1, MSG_PEEK) == 0;
  }
  // Whether anything arrives within the time.
  bool Silent(int timeoutMs) {
    pollfd wait{fd_, POLLIN, 0};
    return ::poll(&wait, 1, timeoutMs) == 0;
  }

 private:
  bool ReadExactly(void* buffer, std::size_t count, int timeoutMs) {
    char* next = static_cast<char*>(buffer);
    while (count > 0) {
      pollfd wait{fd_, POLLIN, 0};
      if (::poll(&wait, 1, timeoutMs) <= 0) return false;
      const ssize_t got = ::recv(fd_, next, count, 0);
      if (got <= 0) return false;
      next += got;
      count -= static_cast<std::size_t>(got);
    }
    return true;
  }

  int fd_ = -1;
};

// Splits a text into blank-separated fields, where a field in double quotes
// may hold blanks and two quotes inside it stand for one.
inline std::vector<std::string> SplitQuotedFields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size()) break;
    std::string field;
    if (text[i] == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
    } else {
      while (i < text.size() && text[i] != ' ') field += text[i++];
    }
    fields.push_back(field);
  }
  return fields;
}

// A server in this process over a fresh tree `root` with a users file
// holding alice/secret (and, for the MPE personality, MGR/mpepass).
class TestAgent {
 public:
  explicit TestAgent(agent::Personality personality = agent::Personality::kPosix) {
    root_ = dir_.path() / "root";
    std::filesystem::create_directories(root_);
    options.root = root_;
    options.port = 0;
    options.personality = personality;
    options.usersFile = dir_.path() / "users";
    options.failureDelayUnit = std::chrono::milliseconds(50);
    options.failureDelayCap = std::chrono::milliseconds(400);
    options.handOverTimeout = std::chrono::seconds(5);
    std::string error;
    agent::SetUserPassword(options.usersFile, "alice", "secret", &error);
    agent::SetUserPassword(options.usersFile, "MGR", "mpepass", &error);
  }
  ~TestAgent() { Stop(); }

  bool Start() {
    server_ = std::make_unique<agent::Server>(options);
    std::string error;
    if (!server_->Start(&error)) {
      lastError = error;
      return false;
    }
    server_->RunInBackground();
    return true;
  }
  void Stop() {
    if (server_) server_->Stop();
  }
  std::uint16_t port() const { return server_->port(); }
  agent::Server& server() { return *server_; }
  const std::filesystem::path& root() const { return root_; }
  const std::filesystem::path& dir() const { return dir_.path(); }

  // Connects, reads the greeting, logs in with `login` (unless the server
  // needs none) and reads the session-port reply; the client is ready for
  // commands (nothing connected when a step failed).
  RawClient Open(const std::string& login = "alice secret") {
    RawClient client(port());
    auto greeting = client.Receive();
    if (!greeting || greeting->rfind("0 ", 0) != 0) return {};
    if (options.loginRequired) {
      if (client.Command(login) != "0") return {};
    }
    auto portReply = client.Receive();
    if (!portReply) return {};
    if (*portReply != "0 0") {
      const int sessionPort = std::stoi(portReply->substr(2));
      client.Close();
      client.Connect(static_cast<std::uint16_t>(sessionPort));
    }
    return client;
  }

  agent::ServerOptions options;
  std::string lastError;

 private:
  TempDir dir_;
  std::filesystem::path root_;
  std::unique_ptr<agent::Server> server_;
};

// The error code of an error reply: its low 16 bits.
inline std::uint32_t ReplyCode(const std::string& reply) {
  return static_cast<std::uint32_t>(std::stoul(reply)) & 0xffff;
}

// The payloads of a stream's packets, one after the other.
inline std::string JoinedPackets(const std::vector<std::string>& packets) {
  std::string all;
  for (const auto& packet : packets) all += packet;
  return all;
}

// Records framed as a record-form stream (a 16-bit big-endian length, then
// the bytes), one after the other.
inline std::string FramedRecords(const std::vector<std::string>& records) {
  std::string stream;
  for (const auto& record : records) stream += RawClient::Frame(record);
  return stream;
}

// The records of a record-form stream; "<cut>" marks a stream that ends
// inside a record.
inline std::vector<std::string> SplitRecords(const std::string& stream) {
  std::vector<std::string> records;
  std::size_t at = 0;
  while (at < stream.size()) {
    if (stream.size() - at < 2) return records.push_back("<cut>"), records;
    const std::size_t length =
        (static_cast<unsigned char>(stream[at]) << 8) | static_cast<unsigned char>(stream[at + 1]);
    if (stream.size() - at - 2 < length) return records.push_back("<cut>"), records;
    records.push_back(stream.substr(at + 2, length));
    at += 2 + length;
  }
  return records;
}

}  // namespace vandrel::testing
