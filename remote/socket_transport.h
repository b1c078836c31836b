// The lowest layer of the host connection, shared by the product and the
// agent: TCP connections, listening sockets for data connections, and the
// packet framing every byte on the wire uses – a 2-byte big-endian length
// followed by exactly that many payload bytes; an empty packet ends a data
// stream. All sockets are blocking.
#pragma once

#include <fmt/printf.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vandrel::remote {

using Socket = int;
inline constexpr Socket kNoSocket = -1;

inline constexpr std::size_t kMaxPacketPayload = 65535;
inline constexpr std::size_t kCommandBufferSize = 2048;

// Where commands and replies are traced (the output window's "Debug" pane
// while the Debugging setting is on); null traces nothing.
class TraceWriter {
 public:
  virtual ~TraceWriter() = default;
  virtual void WriteTraceLine(std::string_view line) = 0;
};

// Nothing to start on POSIX systems; kept so start-up and shut-down read as
// they do on platforms whose socket library must be started. Return 0.
int StartSockets();
int StopSockets();

// A dotted IPv4 address is used as it is, any other text is looked up by
// name (first address). kNoSocket on failure; nothing stays open then.
Socket Connect(const std::string& host, std::uint16_t port);
// Bound to any local address (or `bindAddress` when given, resolved as
// Connect does) and a port the system picks – or `port` when it is not 0, as
// the agent's well-known listening port is; kNoSocket on failure.
Socket Listen(int backlog, const std::string& bindAddress = {}, std::uint16_t port = 0);
// Waits for the next connection on a listening socket; kNoSocket on failure.
Socket Accept(Socket listener);
// The port the socket is bound to, in host order; 0 on failure.
std::uint16_t LocalPort(Socket socket);
// Shuts the socket down both ways and closes it; kNoSocket is ignored.
void Close(Socket socket);

// Total bytes sent/received; short when the peer closed or an error occurred.
std::size_t SendAll(Socket socket, const void* bytes, std::size_t count);
std::size_t ReceiveAll(Socket socket, void* buffer, std::size_t count);

// Sends the length and the payload: the payload's SendAll result, or the
// number of header bytes sent (0 or 1) when the header did not go out whole.
// A payload over 65,535 bytes is refused (returns 0, nothing sent).
std::size_t SendPacket(Socket socket, const void* bytes, std::size_t length);

// Result of ReceivePacket: `received` as the framing's callers count it (the
// header bytes when fewer than 2 arrived, else the payload bytes written to
// the buffer), the length the header announced, and whether it exceeded the
// capacity (`tooLong`): the payload is then read and thrown away, nothing is
// written to the buffer (`received` is 0), and it is for the caller to decide
// whether to go on – the stream is still in step, but the peer has broken the
// exchange's limits.
struct PacketResult {
  std::size_t received = 0;
  std::size_t announced = 0;
  bool headerComplete = false;
  bool tooLong = false;

  // The whole packet arrived and is in the buffer (an empty packet counts).
  bool Complete() const { return headerComplete && !tooLong && received == announced; }
};
PacketResult ReceivePacket(Socket socket, void* buffer, std::size_t capacity);

// Formats the command printf-style into the 2,048-byte command buffer (a
// text of 2,048 bytes or more does not fit with its terminator and is
// refused: returns 0, nothing traced or sent; so is a bad format), traces it
// and sends it as one packet; the SendPacket result, 0 meaning failure.
std::size_t SendCommandText(Socket socket, std::string_view text, TraceWriter* trace);
template <typename... Args>
std::size_t SendCommand(Socket socket, TraceWriter* trace, std::string_view format,
                        const Args&... args) {
  std::string text;
  try {
    text = fmt::sprintf(format, args...);
  } catch (const fmt::format_error&) {
    return 0;
  }
  return SendCommandText(socket, text, trace);
}

// Reads one reply packet into `reply` (at most size - 1 bytes, as the
// product's 1,024-byte reply buffer holds), traces it; the received length,
// 0 when nothing was received. A reply that did not arrive whole (the peer
// closed inside it) or that was longer than size - 1 also gives 0 and an
// empty `reply`, so a truncated reply is never taken for a good one.
std::size_t ReceiveReply(Socket socket, std::string& reply, std::size_t size, TraceWriter* trace);

}  // namespace vandrel::remote
