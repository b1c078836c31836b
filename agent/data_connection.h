// The connection a data command makes back to the client, and the argument
// words every data command starts with. Data moves in packets: two length
// bytes (big-endian) and that many bytes; an empty packet, or the peer
// closing between two packets, ends a stream. While data moves, the abort
// watch is consulted, so "=!" on the command connection ends the transfer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/abort_watch.h"
#include "agent/agent_errors.h"
#include "agent/session.h"
#include "remote/socket_transport.h"

namespace vandrel::agent {

// "port maxPacket [mode] options rest": the words data commands start with.
struct DataArguments {
  std::uint16_t port = 0;
  std::size_t maxPacket = 0;  // at most 65,535, what a packet can hold
  char mode = 0;              // A, B, M or Q; transfers only
  long options = 0;           // the list flag for listings, search flags for searches
  std::string_view rest;      // the text after the options, blanks trimmed
};
std::optional<DataArguments> ParseDataArguments(std::string_view arguments, bool withMode);

// The next blank-separated word of `rest`, which is left after it.
std::string_view TakeWord(std::string_view& rest);
// A whole decimal number within [low, high].
std::optional<long> WholeNumber(std::string_view text, long low, long high);
// The failure for malformed arguments, naming the expected form.
Outcome Malformed(std::string_view usage);
// The failure that answers an abort (its code is 103).
Outcome AbortedOutcome(std::string_view what);

class DataConnection {
 public:
  // `abort` may be null: nothing then ends the transfer early.
  explicit DataConnection(AbortWatch* abort = nullptr) : abort_(abort) {}
  DataConnection(const DataConnection&) = delete;
  DataConnection& operator=(const DataConnection&) = delete;
  ~DataConnection() { Close(); }

  // Connects to the client's listening port.
  bool Open(const std::string& address, std::uint16_t port, AgentError* error);
  void Close();
  remote::Socket socket() const { return socket_; }

  // Sends the bytes in packets of at most `maxPacket` bytes; false when the
  // connection failed or the request was aborted (see aborted()).
  bool Send(const char* bytes, std::size_t count, std::size_t maxPacket);
  // The empty packet that ends a stream.
  bool SendEnd();

  enum class Read { kPacket, kEnd, kBroken, kAborted };
  // One packet into `buffer`, which grows to hold it. kEnd when the client
  // closed the connection between packets or sent an empty packet; kBroken
  // when the stream stopped inside a packet, the connection failed or the
  // client said nothing for the data time-out.
  Read ReceivePacket(std::vector<char>& buffer, std::size_t* length);

  bool aborted() const { return aborted_; }

 private:
  // The bytes read before the peer closed; -1 on a failure of the connection.
  long ReadExactly(void* buffer, std::size_t count);

  remote::Socket socket_ = remote::kNoSocket;
  AbortWatch* abort_;
  bool aborted_ = false;
};

}  // namespace vandrel::agent
