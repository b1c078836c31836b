#include "agent/data_connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>

#include "agent/host_tree.h"
#include "platform/ascii_text.h"
#include "platform/byte_order.h"

namespace vandrel::agent {

std::string_view TakeWord(std::string_view& rest) {
  rest = platform::TrimBlanks(rest);
  const std::size_t blank = rest.find(' ');
  const std::string_view word = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  return word;
}

std::optional<long> WholeNumber(std::string_view text, long low, long high) {
  long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    return std::nullopt;
  }
  return value;
}

std::optional<DataArguments> ParseDataArguments(std::string_view arguments, bool withMode) {
  DataArguments result;
  std::string_view rest = arguments;
  auto port = WholeNumber(TakeWord(rest), 1, 65535);
  auto maxPacket = WholeNumber(TakeWord(rest), 1, INT32_MAX);
  if (!port || !maxPacket) return std::nullopt;
  result.port = static_cast<std::uint16_t>(*port);
  // Packets cannot be longer than their 16-bit length allows.
  result.maxPacket = static_cast<std::size_t>(std::min<long>(*maxPacket, 65535));
  if (withMode) {
    const std::string_view mode = TakeWord(rest);
    if (mode.size() != 1) return std::nullopt;
    result.mode = platform::AsciiUppered(mode)[0];
    if (result.mode != 'A' && result.mode != 'B' && result.mode != 'M' && result.mode != 'Q') {
      return std::nullopt;
    }
  }
  auto options = WholeNumber(TakeWord(rest), INT32_MIN, INT32_MAX);
  if (!options) return std::nullopt;
  result.options = *options;
  result.rest = platform::TrimBlanks(rest);
  return result;
}

Outcome Malformed(std::string_view usage) {
  return Outcome::Fail(kErrorBadArguments, "Malformed command; expected " + std::string(usage));
}

Outcome AbortedOutcome(std::string_view what) {
  return Outcome::Fail(kErrorAborted, std::string(what) + " aborted");
}

bool DataConnection::Open(const std::string& address, std::uint16_t port, AgentError* error) {
  socket_ = remote::Connect(address, port);
  if (socket_ == remote::kNoSocket) {
    const int code = errno != 0 ? errno : ECONNREFUSED;
    *error = SystemError(code, "data connection to " + address + " port " + std::to_string(port));
    return false;
  }
  timeval timeout{static_cast<time_t>(kDataTimeout.count()), 0};
  ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  return true;
}

void DataConnection::Close() {
  remote::Close(socket_);
  socket_ = remote::kNoSocket;
}

bool DataConnection::Send(const char* bytes, std::size_t count, std::size_t maxPacket) {
  while (count > 0) {
    if (abort_ && abort_->Requested()) {
      aborted_ = true;
      return false;
    }
    const std::size_t length = std::min(count, maxPacket);
    if (remote::SendPacket(socket_, bytes, length) != length) return false;
    bytes += length;
    count -= length;
  }
  return true;
}

bool DataConnection::SendEnd() {
  const char header[2] = {0, 0};
  return remote::SendAll(socket_, header, 2) == 2;
}

DataConnection::Read DataConnection::ReceivePacket(std::vector<char>& buffer, std::size_t* length) {
  if (abort_) {
    switch (abort_->WaitFor(socket_, POLLIN, kDataTimeout)) {
      case AbortWatch::Wait::kReady:
        break;
      case AbortWatch::Wait::kAborted:
        aborted_ = true;
        return Read::kAborted;
      case AbortWatch::Wait::kTimeout:
      case AbortWatch::Wait::kFailed:
        return Read::kBroken;
    }
  }
  unsigned char header[2];
  const long got = ReadExactly(header, 2);
  if (got == 0) return Read::kEnd;
  if (got != 2) return Read::kBroken;
  *length = platform::ReadBigEndian16(header);
  if (*length == 0) return Read::kEnd;
  buffer.resize(std::max<std::size_t>(buffer.size(), *length));
  return ReadExactly(buffer.data(), *length) == static_cast<long>(*length) ? Read::kPacket
                                                                           : Read::kBroken;
}

long DataConnection::ReadExactly(void* buffer, std::size_t count) {
  char* next = static_cast<char*>(buffer);
  std::size_t total = 0;
  while (total < count) {
    const ssize_t got = ::recv(socket_, next + total, count - total, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
  }
  return static_cast<long>(total);
}

}  // namespace vandrel::agent
