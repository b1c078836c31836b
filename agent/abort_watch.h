// Watches the command connection while a request runs. The editor sends no
// command while one of its requests is in progress except the abort line
// "=!"; a client that goes away counts as an abort too, so that nothing it
// started keeps running. A line other than the abort that arrives meanwhile
// is kept and carried out after the running request.
#pragma once

#include <chrono>
#include <deque>
#include <string>

#include "remote/socket_transport.h"

namespace vandrel::agent {

// The data connection of a request waits this long for its client before it
// takes the client for gone.
inline constexpr std::chrono::seconds kDataTimeout{120};

class AbortWatch {
 public:
  // Without a socket nothing can be aborted (a session run without a
  // client, as in the command parser's tests).
  explicit AbortWatch(remote::Socket commandSocket = remote::kNoSocket) : socket_(commandSocket) {}

  // Whether the running request is to end. Looks at the command connection
  // without waiting.
  bool Requested();

  enum class Wait { kReady, kAborted, kTimeout, kFailed };
  // Waits until `fd` has the `events` (poll(2) events) or the request is
  // aborted, at most `timeout` (negative: no limit).
  Wait WaitFor(int fd, short events, std::chrono::milliseconds timeout);

  // Whether the client closed the command connection.
  bool clientGone() const { return clientGone_; }
  // Starts the next request: the abort flag is cleared.
  void Reset() { aborted_ = false; }
  // The next line that arrived while a request ran, in order; false when
  // none is waiting.
  bool TakeDeferred(std::string* line);

 private:
  // Reads the packet waiting on the command connection.
  void ReadCommand();

  remote::Socket socket_;
  bool aborted_ = false;
  bool clientGone_ = false;
  std::deque<std::string> deferred_;
};

// Whether the command line is the abort line.
bool IsAbortLine(std::string_view line);

}  // namespace vandrel::agent
