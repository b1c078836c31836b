// What the request worker's operations share: reading the agent's replies,
// recording an agent error in the block, refusing texts over their limits,
// the transfer mode letter and the progress display of transfers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/progress.h"
#include "remote/request_block.h"
#include "remote/socket_transport.h"
#include "remote/thread_manager.h"

namespace vandrel::remote {

// -- Replies: every reply begins with a decimal status, 0 for success.

// The leading number of a reply as a C scanner reads "%d": blanks skipped,
// an optional sign, then digits. Nothing when the reply does not start with
// a number. Values beyond 32 bits saturate.
std::optional<std::int64_t> ReplyStatus(std::string_view reply);
// The reply's status reads as 0.
bool IsSuccessReply(std::string_view reply);
// The text after the first blank; nothing when the reply has no blank.
std::optional<std::string_view> ReplyResult(std::string_view reply);
// Reads "%d %d" from the reply: true when both numbers are there.
bool ReadTwoNumbers(std::string_view reply, std::int64_t* first, std::int64_t* second);

// The request failed with an agent error: status 2 is the caller's to set;
// the reply becomes the error text and its leading number, read as an
// unsigned 32-bit value, the error number (0 when it has none).
void RecordAgentError(RequestBlock& request, std::string_view reply);
// A step of a composite request failed: its error text and number become
// the request's.
void CopyFailure(RequestBlock& request, const RequestBlock& step);

// Refuses a text longer than the field allows: the error text says which
// field, for status 5 (refused, the text is the whole message). Texts are
// never cut to fit: a shortened path or command would name something else.
bool WithinLimit(RequestBlock& request, std::string_view text, std::size_t limit,
                 std::string_view field);
// The same for a text the agent returned for a field of the block.
bool ResultWithinLimit(RequestBlock& request, std::string_view text, std::size_t limit,
                       std::string_view field);

// Waits for the reply to a command on the command connection, looking at
// the worker's stop flag while it waits, and reads it with `read` (the
// worker's ReadReply). kStatusSuccess with the reply; kStatusCancelled when
// the worker stops first; kStatusReceiveFailed when no reply could be read
// (errorNumber then holds the socket error).
std::int32_t AwaitReply(RequestBlock& request, const Thread& worker, Socket command,
                        const std::function<bool(std::string&)>& read, std::string& reply);

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
