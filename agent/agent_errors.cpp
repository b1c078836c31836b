#include "agent/agent_errors.h"

#include <cerrno>
#include <cstring>

namespace vandrel::agent {

std::uint32_t ErrorNumber(std::uint16_t location, int code) {
  std::uint32_t low = static_cast<std::uint32_t>(code) & 0xffffu;
  if (low == 0) low = kErrorInternal;
  return (static_cast<std::uint32_t>(location) << 16) | low;
}

AgentError SystemError(int errnoValue, std::string_view subject) {
  if (errnoValue == kErrorAborted || errnoValue <= 0) errnoValue = EIO;
  char buffer[256];
  // The GNU strerror_r returns the text (not always in the buffer).
  const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
  std::string message = text;
  if (!subject.empty()) {
    message += ": ";
    message += subject;
  }
  return {errnoValue, std::move(message)};
}

std::string ErrorReply(std::uint16_t location, const AgentError& error) {
  std::string reply = std::to_string(ErrorNumber(location, error.code));
  reply += ' ';
  for (char c : error.message) reply += (c == '\n' || c == '\r') ? ' ' : c;
  return reply;
}

}  // namespace vandrel::agent
