#include "remote/operation_support.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>

#include "core/message_box.h"
#include "platform/ascii_text.h"
#include "remote/data_listener.h"

namespace vandrel::remote {

namespace {

// The reply buffer of the product holds 1,024 bytes with the terminator.
constexpr std::size_t kReplyBufferSize = 1024;

// Reads one "%d" number from `text` at `*at`, moving past it.
std::optional<std::int64_t> ScanNumber(std::string_view text, std::size_t* at) {
  const auto number = platform::ScanDecimal(text, at);
  if (!number) return std::nullopt;
  return number->Clamped(std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max());
}

// The leading number read as "%lu": unsigned 32-bit, saturating.
std::uint32_t LeadingUnsigned(std::string_view reply) {
  std::size_t at = 0;
  const auto number = platform::ScanDecimal(reply, &at);
  // A minus sign is not part of an unsigned number: nothing is read.
  if (!number || number->negative) return 0;
  return static_cast<std::uint32_t>(number->Clamped(0, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

std::optional<std::int64_t> ReplyStatus(std::string_view reply) {
  std::size_t at = 0;
  return ScanNumber(reply, &at);
}

bool IsSuccessReply(std::string_view reply) {
  const std::optional<std::int64_t> status = ReplyStatus(reply);
  return status && *status == 0;
}

std::optional<std::string_view> ReplyResult(std::string_view reply) {
  const std::size_t blank = reply.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  return reply.substr(blank + 1);
}

bool ReadTwoNumbers(std::string_view reply, std::int64_t* first, std::int64_t* second) {
  std::size_t at = 0;
  const std::optional<std::int64_t> a = ScanNumber(reply, &at);
  if (!a) return false;
  const std::optional<std::int64_t> b = ScanNumber(reply, &at);
  if (!b) return false;
  *first = *a;
  *second = *b;
  return true;
}

std::int32_t FailWithAgentReply(RequestBlock& request, std::string_view reply) {
  request.errorText.assign(reply.substr(0, kMaxErrorText));
  request.errorNumber = LeadingUnsigned(reply);
  return kStatusAgentError;
}

std::int32_t ReadTransferReply(RequestBlock& request, std::string_view reply) {
  if ((request.options & kOptionKeepLocked) == 0) {
    return IsSuccessReply(reply) ? kStatusSuccess : FailWithAgentReply(request, reply);
  }
  std::int64_t status = 0;
  std::int64_t lock = 0;
  if (!ReadTwoNumbers(reply, &status, &lock) || status != 0) {
    return FailWithAgentReply(request, reply);
  }
  request.lockNumber = static_cast<std::int32_t>(lock);
  return kStatusSuccess;
}

std::int32_t FailWithStep(RequestBlock& request, const RequestBlock& step) {
  request.errorText = step.errorText;
  request.errorNumber = step.errorNumber;
  return step.status;
}

bool WithinLimit(RequestBlock& request, std::string_view text, std::size_t limit,
                 std::string_view field) {
  if (text.size() <= limit) return true;
  request.errorText = FormatText("The %s is too long: at most %d characters are allowed.",
                                 std::string(field), static_cast<int>(limit));
  request.errorNumber = 0;
  return false;
}

bool ResultWithinLimit(RequestBlock& request, std::string_view text, std::size_t limit,
                       std::string_view field) {
  if (text.size() <= limit) return true;
  request.errorText =
      FormatText("The %s returned by the server is too long: at most %d characters are allowed.",
                 std::string(field), static_cast<int>(limit));
  request.errorNumber = 0;
  return false;
}

std::size_t CommandLink::Send(std::string_view text) const {
  std::lock_guard lock(sendLock_);
  return SendCommandText(socket_, text, trace_);
}

bool CommandLink::Read(std::string& reply) const {
  return ReceiveReply(socket_, reply, kReplyBufferSize, trace_) > 0;
}

std::int32_t CommandLink::AwaitReply(RequestBlock& request, std::string& reply) const {
  reply.clear();
  switch (WaitForSocket(worker_, command_, POLLIN, kNoSocket)) {
    case WaitResult::kReady:
      break;
    case WaitResult::kStopped:
      return kStatusCancelled;
    case WaitResult::kLost:
    case WaitResult::kFailed:
      request.errorNumber = errno;
      return kStatusReceiveFailed;
  }
  errno = 0;
  if (!Read(reply)) {
    request.errorNumber = errno;
    return kStatusReceiveFailed;
  }
  return kStatusSuccess;
}

std::int32_t CommandLink::Ask(RequestBlock& request, std::string_view command,
                              std::string& reply) const {
  errno = 0;
  if (Send(command) == 0) {
    request.errorNumber = errno;
    return kStatusSendFailed;
  }
  return AwaitReply(request, reply);
}

char TransferModeLetter(std::int32_t options) {
  if (options & kOptionModeQedit) return 'Q';
  if (options & kOptionModeRecord) return 'M';
  if (options & 0x4) return 'B';
  return 'A';
}

int SendFileOptionsNumber(std::int32_t options) {
  int number = (options & 0x1) ? 11 : 1;
  if (options & kOptionKeepLocked) number += 16;
  return number;
}

int ReceiveFileOptionsNumber(std::int32_t options) {
  int number = 0;
  if (options & 0x1) number += 2;
  if (options & kOptionKeepLocked) number += 4;
  if (options & kOptionNameWritten) number += 8;
  return number;
}

TransferProgress::TransferProgress(ProgressReporter* reporter, bool active, int textId,
                                   std::string_view hostPath)
    : reporter_(active ? reporter : nullptr) {
  if (!reporter_) return;
  if (!hostPath.empty()) reporter_->ShowStatus(FormatText(LoadText(textId), std::string(hostPath)));
  reporter_->SetProgress(0);
}

TransferProgress::~TransferProgress() {
  if (reporter_) reporter_->ClearProgress();
}

void TransferProgress::Add(std::size_t bytes) {
  done_ += bytes;
  if (!reporter_ || total_ == 0) return;
  // 64-bit arithmetic: bytes × 100 must not overflow for large files.
  const std::uint64_t percent = std::min<std::uint64_t>(done_ * 100 / total_, 100);
  reporter_->SetProgress(static_cast<int>(percent));
}

}  // namespace vandrel::remote
