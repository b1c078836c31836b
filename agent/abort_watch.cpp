#include "agent/abort_watch.h"

#include <poll.h>

#include <cerrno>
#include <vector>

namespace vandrel::agent {

namespace {

// The longest line kept for later; the command loop refuses longer ones too.
constexpr std::size_t kMaxDeferredLine = 4096;
// At most this many lines wait; a client that floods the connection while a
// request runs is taken for gone.
constexpr std::size_t kMaxDeferredLines = 64;

}  // namespace

bool IsAbortLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) {
    line.remove_suffix(1);
  }
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  return line == "=!";
}

void AbortWatch::ReadCommand() {
  std::vector<char> buffer(kMaxDeferredLine);
  const remote::PacketResult packet = remote::ReceivePacket(socket_, buffer.data(), buffer.size());
  if (!packet.headerComplete || (!packet.tooLong && packet.received != packet.announced)) {
    clientGone_ = true;
    aborted_ = true;
    return;
  }
  if (packet.tooLong) return;  // answered by nothing; the line was never whole
  const std::string_view line(buffer.data(), packet.received);
  if (IsAbortLine(line)) {
    aborted_ = true;
  } else if (deferred_.size() < kMaxDeferredLines) {
    deferred_.emplace_back(line);
  } else {
    clientGone_ = true;
    aborted_ = true;
  }
}

bool AbortWatch::Requested() {
  if (aborted_ || socket_ == remote::kNoSocket) return aborted_;
  while (!aborted_) {
    pollfd command{socket_, POLLIN, 0};
    const int ready = ::poll(&command, 1, 0);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    ReadCommand();
  }
  return aborted_;
}

AbortWatch::Wait AbortWatch::WaitFor(int fd, short events, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  if (aborted_) return Wait::kAborted;
  while (true) {
    pollfd fds[2] = {{fd, events, 0}, {socket_, POLLIN, 0}};
    const nfds_t count = socket_ == remote::kNoSocket ? 1 : 2;
    int wait = -1;
    if (timeout.count() >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return Wait::kTimeout;
      wait = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
    }
    const int ready = ::poll(fds, count, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Wait::kFailed;
    if (ready == 0) return Wait::kTimeout;
    if (count == 2 && fds[1].revents != 0) ReadCommand();
    if (aborted_) return Wait::kAborted;
    if (fds[0].revents != 0) return Wait::kReady;
  }
}

bool AbortWatch::TakeDeferred(std::string* line) {
  if (deferred_.empty()) return false;
  *line = std::move(deferred_.front());
  deferred_.pop_front();
  return true;
}

}  // namespace vandrel::agent
