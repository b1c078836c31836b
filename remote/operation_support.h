// What the request worker's operations share: the command connection as
// they use it, one helper per reply shape, recording failures in the block,
// refusing texts over their limits, the transfer mode letter and the
// progress display of transfers.
//
// Every helper that can fail returns a request status: kStatusSuccess, or
// the failure with its error text and number already in the block, so an
// operation hands it straight back:
//
//   if (!IsSuccessReply(reply)) return FailWithAgentReply(request, reply);
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/progress.h"
#include "remote/request_block.h"
#include "remote/socket_transport.h"
#include "remote/thread_manager.h"

namespace vandrel::remote {

// -- The command connection

// The session's command connection as the operations use it: commands go
// out as one packet each, serialised with the abort line; replies are read
// whole (at most 1,023 bytes); both are traced. Sends and reads take the
// worker's socket afresh each time, so one the session has taken away
// (SetConnection) is not used again; waits watch the connection as it was
// when the operation began, and the worker's stop flag.
class CommandLink {
 public:
  CommandLink(const Thread& worker, const std::atomic<Socket>& socket, std::mutex& sendLock,
              TraceWriter* trace)
      : worker_(worker),
        socket_(socket),
        command_(socket.load()),
        sendLock_(sendLock),
        trace_(trace) {}

  const Thread& worker() const { return worker_; }
  // The command connection every wait of the operation watches.
  Socket command() const { return command_; }

  // Sends `text` as one packet: the SendPacket result, 0 on failure.
  std::size_t Send(std::string_view text) const;
  // Reads one reply into `reply`; false when none could be read.
  bool Read(std::string& reply) const;

  // Waits for the reply to a command, looking at the worker's stop flag
  // while it waits, and reads it. kStatusSuccess with the reply;
  // kStatusCancelled when the worker stops first; kStatusReceiveFailed when
  // no reply could be read (errorNumber then holds the socket error).
  std::int32_t AwaitReply(RequestBlock& request, std::string& reply) const;
  // Sends `command` and awaits its reply: kStatusSendFailed (errorNumber the
  // socket error) when it could not be sent, else as AwaitReply.
  std::int32_t Ask(RequestBlock& request, std::string_view command, std::string& reply) const;

 private:
  const Thread& worker_;
  const std::atomic<Socket>& socket_;
  Socket command_;
  std::mutex& sendLock_;
  TraceWriter* trace_;
};

// -- Replies: every reply begins with a decimal status, 0 for success.

// The leading number of a reply as a C scanner reads "%d": blanks skipped,
// an optional sign, then digits. Nothing when the reply does not start with
// a number. Values beyond 32 bits saturate.
std::optional<std::int64_t> ReplyStatus(std::string_view reply);
// The reply's status reads as 0.
bool IsSuccessReply(std::string_view reply);
// "0 TEXT": the text after the first blank; nothing when the reply has no
// blank.
std::optional<std::string_view> ReplyResult(std::string_view reply);
// Reads "%d %d" from the reply: true when both numbers are there.
bool ReadTwoNumbers(std::string_view reply, std::int64_t* first, std::int64_t* second);

// The request failed with an agent error: the reply becomes the error text
// (at most 1,023 characters) and its leading number, read as an unsigned
// 32-bit value, the error number (0 when it has none). kStatusAgentError.
std::int32_t FailWithAgentReply(RequestBlock& request, std::string_view reply);
// The final reply of a transfer. With option 0x80 it is "0 LOCK", and the
// lock number goes to the block; a non-zero first number is an error reply
// that happens to start with two numbers, not a lock. Otherwise it is a
// status reply. kStatusSuccess, or the agent error.
std::int32_t ReadTransferReply(RequestBlock& request, std::string_view reply);

// A step of a composite request failed: its error text and number become
// the request's, and its status is the one the request ends with.
std::int32_t FailWithStep(RequestBlock& request, const RequestBlock& step);

// Refuses a text longer than the field allows: the error text says which
// field, for status 5 (refused, the text is the whole message). Texts are
// never cut to fit: a shortened path or command would name something else.
bool WithinLimit(RequestBlock& request, std::string_view text, std::size_t limit,
                 std::string_view field);
// The same for a text the agent returned for a field of the block.
bool ResultWithinLimit(RequestBlock& request, std::string_view text, std::size_t limit,
                       std::string_view field);

// -- Transfers

// The transfer mode letter of receive-file and send-file: "Q" with option
// 0x20, else "M" with 0x10, else "B" with 4, else "A".
char TransferModeLetter(std::int32_t options);
// The options number of "=SEND_FILE": 1, or 11 with option 1, plus 16 with
// option 0x80.
int SendFileOptionsNumber(std::int32_t options);
// The options number of "=RECV_FILE": 2 with option 1, plus 4 with 0x80,
// plus 8 with 0x100.
int ReceiveFileOptionsNumber(std::int32_t options);

// The progress display of one transfer with option 8: the text ("Loading
// %s..." or "Saving %s...", with the host path; none for an empty path) and
// 0 % when it starts, the percentage of the announced size after every
// block. The display ends with the transfer, whatever its outcome: the
// object clears the progress when it goes, before the request completes, so
// completion routines never have to end a display themselves.
class TransferProgress {
 public:
  TransferProgress(ProgressReporter* reporter, bool active, int textId, std::string_view hostPath);
  ~TransferProgress();
  TransferProgress(const TransferProgress&) = delete;
  TransferProgress& operator=(const TransferProgress&) = delete;

  void SetTotal(std::uint64_t total) { total_ = total; }
  // Counts a block and shows bytes × 100 / total, truncated (at most 100).
  void Add(std::size_t bytes);

 private:
  ProgressReporter* reporter_;  // null when inactive
  std::uint64_t total_ = 0;
  std::uint64_t done_ = 0;
};

}  // namespace vandrel::remote
