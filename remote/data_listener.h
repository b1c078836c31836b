// The data connection of a request: the listening socket whose port goes
// into the command, the wait for the agent to connect back (or to answer on
// the command connection instead), and the packets on the accepted
// connection – a 2-byte big-endian length and that many bytes, an empty
// packet or the peer closing between packets ending a stream.
//
// No wait here lasts for ever, although the agent may stop answering at any
// moment: every wait polls in short slices and ends when the worker's stop
// flag is set, and it watches the command connection, so that the session
// shutting that connection down (Stop, Disconnect) ends the wait at once.
// Reads and writes on the data connection wait the same way before every
// system call, so a transfer never blocks inside a packet either. A peer that
// vanishes without a word is noticed by TCP keep-alive on the data
// connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "remote/socket_transport.h"
#include "remote/thread_manager.h"

namespace vandrel::remote {

enum class WaitResult {
  kReady,    // the socket has the events (or an error to report)
  kStopped,  // the worker's stop flag is set
  kLost,     // the command connection hung up or failed
  kFailed,   // the wait itself failed (errno)
};

// Waits until `socket` has `events` (poll events), looking at the worker's
// stop flag between slices. `command`, when not kNoSocket, ends the wait with
// kLost when it hangs up or fails; data arriving on it does not.
WaitResult WaitForSocket(const Thread& worker, Socket socket, short events, Socket command);

class DataListener {
 public:
  // `command` is the session's command connection, watched by every wait.
  DataListener(Socket command, const Thread& worker) : command_(command), worker_(worker) {}
  ~DataListener() { CloseAll(); }
  DataListener(const DataListener&) = delete;
  DataListener& operator=(const DataListener&) = delete;

  // Opens the listening socket (backlog 10) on the local address of the
  // command connection – the address the agent connects back to – so the
  // port is not offered on other interfaces; on any local address when the
  // command connection has none. False on failure (errno).
  bool Listen();
  std::uint16_t port() const { return port_; }

  enum class Arrival { kConnected, kAnswered, kStopped, kFailed };
  // Waits until the agent connects (kConnected, also when it has answered
  // as well) or the command connection becomes readable first (kAnswered:
  // the agent replied instead of connecting, or the connection went away).
  Arrival WaitForAgent();
  // Accepts the agent's connection, which gets TCP keep-alive; false on
  // failure (errno). The listening socket is closed either way.
  bool Accept();

  enum class Io {
    kDone,
    kClosed,   // the peer closed the connection before everything arrived
    kFailed,   // the connection failed (errno)
    kStopped,  // the worker is stopping
    kLost,     // the command connection went away
  };
  enum class Read { kPacket, kEnd, kBroken, kTooLong, kStopped, kLost };
  // Reads one packet into `payload`. kEnd for an empty packet or the peer
  // closing before a packet; kBroken when the stream stops inside a packet
  // or the connection fails; kTooLong when the packet announces more than
  // `capacity` bytes (nothing more is read: the stream cannot be trusted).
  Read ReceivePacket(std::string& payload, std::size_t capacity);
  // Sends one packet (at most 65,535 bytes).
  Io SendPacket(std::string_view bytes);

  // Closes the data connection in order: after an upload that is what tells
  // the agent the file is complete.
  void CloseData();
  // Resets the data connection, so that the agent takes an unfinished upload
  // for broken and keeps the host file as it was, rather than taking the
  // close for the end of the file.
  void BreakData();
  void CloseListener();
  void CloseAll();

 private:
  Io ReadExactly(void* buffer, std::size_t count, std::size_t* got);
  Io WriteAll(const char* bytes, std::size_t count);
  Io Waited(WaitResult result);

  Socket command_;
  const Thread& worker_;
  Socket listener_ = kNoSocket;
  Socket data_ = kNoSocket;
  std::uint16_t port_ = 0;
  std::string frame_;  // an outgoing packet, header and payload in one send
};

}  // namespace vandrel::remote
