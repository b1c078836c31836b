// What the transfer benchmarks share: the agent as a child process, the
// plain TCP ends their baselines are measured with (packets framed as the
// agent and the editor frame them, read back in large pieces), byte patterns
// that show a lost or reordered packet, and the series of runs they report.
// A benchmark names itself and its time limit in `Bench` before it starts.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/byte_order.h"
#include "remote/socket_transport.h"

namespace vandrel::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline constexpr std::size_t kReadPiece = 1 << 20;

// The running benchmark: its name for messages, how long any wait may take,
// and what CleanUp() removes.
struct BenchState {
  const char* name = "bench";
  int timeoutSeconds = 60;
  pid_t agentPid = -1;
  fs::path folder;
};
inline BenchState Bench;

// Whenever the benchmark ends, the agent is stopped by its process id and
// the files go.
inline void CleanUp() {
  if (Bench.agentPid > 0) {
    ::kill(Bench.agentPid, SIGTERM);
    int status = 0;
    ::waitpid(Bench.agentPid, &status, 0);
    Bench.agentPid = -1;
  }
  if (!Bench.folder.empty()) {
    std::error_code ignored;
    fs::remove_all(Bench.folder, ignored);
    Bench.folder.clear();
  }
}

[[noreturn]] inline void Die(const std::string& what) {
  std::fprintf(stderr, "%s: %s%s%s\n", Bench.name, what.c_str(), errno ? ": " : "",
               errno ? std::strerror(errno) : "");
  std::fflush(stdout);
  std::_Exit((CleanUp(), 1));
}

inline double Seconds(Clock::time_point start, Clock::time_point end) {
  return std::chrono::duration<double>(end - start).count();
}

// Bytes that differ at every position, so a lost, repeated or reordered
// packet shows.
inline std::vector<char> Pattern(std::size_t size, std::uint64_t seed) {
  std::vector<char> bytes(size);
  std::uint64_t word = seed;
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    word = word * 6364136223846793005ULL + 1442695040888963407ULL;
    std::memcpy(bytes.data() + i, &word, 8);
  }
  for (std::size_t i = size & ~std::size_t{7}; i < size; ++i) bytes[i] = static_cast<char>(i);
  return bytes;
}

inline void WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Die("write");
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

inline bool FileEquals(const fs::path& path, const std::vector<char>& expected) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<char> chunk(kReadPiece);
  std::size_t done = 0;
  bool same = true;
  while (same) {
    const ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const auto got = static_cast<std::size_t>(n);
    same = done + got <= expected.size() &&
           std::memcmp(chunk.data(), expected.data() + done, got) == 0;
    done += got;
  }
  ::close(fd);
  return same && done == expected.size();
}

inline void SetTimeouts(remote::Socket socket) {
  timeval timeout{Bench.timeoutSeconds, 0};
  ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

inline remote::Socket AcceptWithin(remote::Socket listener, const char* what) {
  pollfd wait{listener, POLLIN, 0};
  if (::poll(&wait, 1, Bench.timeoutSeconds * 1000) != 1)
    Die(std::string("no connection for ") + what);
  const remote::Socket socket = remote::Accept(listener);
  if (socket == remote::kNoSocket) Die(std::string("accept for ") + what);
  SetTimeouts(socket);
  return socket;
}

// ---- The plain ends of a stream ---------------------------------------------

// Sends `count` bytes as packets of at most `maxPacket`, one sendmsg each.
inline void SendPackets(remote::Socket socket, const char* bytes, std::size_t count,
                        std::size_t maxPacket) {
  while (count > 0) {
    const std::size_t length = std::min(count, maxPacket);
    if (remote::SendPacket(socket, bytes, length) != length) Die("sending a packet");
    bytes += length;
    count -= length;
  }
}

inline void SendSizePacket(remote::Socket socket, std::size_t bytes) {
  char sizeBytes[4];
  platform::WriteBigEndian32(sizeBytes, static_cast<std::uint32_t>(bytes));
  SendPackets(socket, sizeBytes, 4, 4);
}

enum class StreamEnd { kEmptyPacket, kClosed, kBroken };

// Reads a stream of packets in pieces of up to 1 MiB and hands each part of
// a payload to take(packet number, bytes, length); a packet's payload may
// come in several parts. Ends at the empty packet, or when the peer closes
// between packets.
template <typename Take>
inline StreamEnd ReadPackets(remote::Socket socket, Take take) {
  std::vector<char> buffer(kReadPiece);
  unsigned char header[2];
  std::size_t headerBytes = 0;
  std::size_t payloadLeft = 0;
  std::size_t packet = 0;
  while (true) {
    const ssize_t got = ::recv(socket, buffer.data(), buffer.size(), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return StreamEnd::kBroken;
    if (got == 0) {
      return headerBytes == 0 && payloadLeft == 0 ? StreamEnd::kClosed : StreamEnd::kBroken;
    }
    const char* next = buffer.data();
    auto left = static_cast<std::size_t>(got);
    while (left > 0) {
      if (payloadLeft > 0) {
        const std::size_t part = std::min(left, payloadLeft);
        if (!take(packet, next, part)) return StreamEnd::kBroken;
        next += part;
        left -= part;
        if ((payloadLeft -= part) == 0) ++packet;
        continue;
      }
      header[headerBytes++] = static_cast<unsigned char>(*next++);
      --left;
      if (headerBytes < 2) continue;
      headerBytes = 0;
      payloadLeft = platform::ReadBigEndian16(header);
      if (payloadLeft == 0) return left == 0 ? StreamEnd::kEmptyPacket : StreamEnd::kBroken;
    }
  }
}

// ---- The agent ----------------------------------------------------------------

inline fs::path TandrillPath() {
  if (const char* path = std::getenv("VANDREL_TANDRILL")) return path;
#ifdef VANDREL_TANDRILL_PATH
  return VANDREL_TANDRILL_PATH;
#else
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error).parent_path().parent_path() / "tandrill";
#endif
}

// Starts tandrill over `root`; the port it listens on.
inline std::uint16_t StartAgent(const fs::path& program, const fs::path& root) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) Die("pipe");
  Bench.agentPid = ::fork();
  if (Bench.agentPid < 0) Die("fork");
  if (Bench.agentPid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::execl(program.c_str(), program.c_str(), "--root", root.c_str(), "--port", "0", "--no-login",
            "--personality", "posix", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  std::string line;
  char c;
  while (true) {
    pollfd wait{out[0], POLLIN, 0};
    if (::poll(&wait, 1, Bench.timeoutSeconds * 1000) != 1 || ::read(out[0], &c, 1) != 1 ||
        c == '\n') {
      break;
    }
    line += c;
  }
  ::close(out[0]);
  const std::string prefix = "listening on 127.0.0.1:";
  if (line.rfind(prefix, 0) != 0) Die("tandrill did not start (it said \"" + line + "\")");
  return static_cast<std::uint16_t>(std::stoi(line.substr(prefix.size())));
}

// ---- Reporting ----------------------------------------------------------------

struct Series {
  const char* name;
  std::vector<double> seconds;

  double Median() const {
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
  }
  double Best() const { return *std::min_element(seconds.begin(), seconds.end()); }
};

inline std::string LoadAverage() {
  char text[128] = {};
  const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    if (n > 0) text[n - 1] = '\0';
    ::close(fd);
  }
  return text;
}

}  // namespace vandrel::bench
