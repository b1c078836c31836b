#include "remote/error_report.h"

#include <limits>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "platform/ascii_text.h"

namespace vandrel::remote {
namespace {

bool IsSocketFailure(std::int32_t status) { return status >= 101 && status <= 199; }
bool IsInternalFailure(std::int32_t status) { return status >= 201 && status <= 299; }
bool IsProtocolFailure(std::int32_t status) { return status >= 301 && status <= 399; }

std::string_view BaseName(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string Category(const RequestBlock& request, std::int32_t status) {
  if (IsSocketFailure(status)) return LoadText(kStrErrorCategoryWinsock);
  if (IsProtocolFailure(status)) return LoadText(kStrErrorCategoryPacketProtocol);
  if (IsInternalFailure(status)) return LoadText(kStrErrorCategoryInternal);
  if (status == kStatusAgentError) return request.errorText;
  return {};
}

ErrorReport Message(std::string text, unsigned style) {
  ErrorReport report;
  report.kind = ErrorReportKind::kMessage;
  report.caption = MessageCaption();
  report.text = std::move(text);
  report.style = style;
  return report;
}

}  // namespace

std::optional<std::uint32_t> LeadingAgentNumber(std::string_view reply) {
  std::size_t at = 0;
  const auto number = platform::ScanDecimal(reply, &at, platform::IsAsciiBlank);
  if (!number) return std::nullopt;
  // As an unsigned scan does: a negative number wraps around.
  const std::uint64_t value = number->negative ? 0 - number->magnitude : number->magnitude;
  return static_cast<std::uint32_t>(value);
}

std::string ServerErrorText(std::string_view reply) {
  const std::uint32_t number = LeadingAgentNumber(reply).value_or(0);
  const long high = static_cast<long>(number >> 16);
  const long low = static_cast<long>(number & 0xffff);
  const std::size_t blank = reply.find(' ');
  const std::string_view message =
      blank == std::string_view::npos ? reply : reply.substr(blank + 1);

  std::string text;
  const std::size_t lineFeed = message.find('\n');
  if (lineFeed != std::string_view::npos) {
    text = std::string(message.substr(0, lineFeed));
    text += FormatText(LoadText(kStrServerErrorFunction), high, low);
    text += message.substr(lineFeed + 1);
  } else {
    text = FormatText(LoadText(kStrServerErrorLocation), low, high);
    text += message;
  }
  if (text.size() > kMaxServerErrorText) text.resize(kMaxServerErrorText);
  return text;
}

std::string RequestErrorDebugLine(const RequestBlock& request, std::int32_t status,
                                  std::string_view sourceName, int line) {
  return FormatText(LoadText(kStrDebugRequestError), std::string(BaseName(sourceName)), line,
                    static_cast<long>(status), static_cast<long>(request.errorNumber),
                    Category(request, status));
}

ErrorReport DescribeRequestFailure(const RequestBlock& request, std::string_view sourceName,
                                   int line) {
  std::int32_t status = request.status;
  if (status == kStatusSuccess) return {};
  if (status == kStatusAgentError) {
    const std::optional<std::uint32_t> number = LeadingAgentNumber(request.errorText);
    if (number && (*number & 0xffff) == kAgentAbortAnswer) return {};
    if (request.errorText.empty()) status = kStatusNoErrorText;
  }

  ErrorReport report;
  switch (status) {
    case kStatusAgentError:
      report.kind = ErrorReportKind::kServerError;
      report.caption = MessageCaption();
      report.text = ServerErrorText(request.errorText);
      break;
    case kStatusCancelled:
    case kStatusAbandoned:
      break;
    case kStatusRefused:
      report = Message(request.errorText, kMbOk | kMbIconWarning);
      break;
    case kStatusConnectFailed:
      report = Message(FormatText(LoadText(kStrConnectFailed), request.hostName, request.port),
                       kMbOk | kMbIconError);
      break;
    case kStatusHostUnchanged:
      report = Message(FormatText(LoadText(kStrServerFileCreateError), request.hostPath),
                       kMbOk | kMbIconError);
      break;
    default:
      report = Message(FormatText(LoadText(IsSocketFailure(status) || IsProtocolFailure(status)
                                               ? kStrCommunicationsError
                                               : kStrInternalError),
                                  static_cast<long>(status)),
                       kMbOk | kMbIconError);
      break;
  }
  report.status = status;
  report.debugLine = RequestErrorDebugLine(request, status, sourceName, line);
  return report;
}

void ShowErrorReport(const ErrorReport& report, UserInterface& user,
                     ServerErrorDialog* serverErrors) {
  switch (report.kind) {
    case ErrorReportKind::kNothing:
      return;
    case ErrorReportKind::kServerError:
      if (serverErrors != nullptr) {
        serverErrors->ShowServerError(report.caption, report.text);
      } else {
        user.ShowMessage(report.caption, std::string(kServerErrorLabel) + "\n\n" + report.text,
                         kMbOk | kMbIconError);
      }
      return;
    case ErrorReportKind::kMessage:
      user.ShowMessage(report.caption, report.text, report.style);
      return;
  }
}

ErrorReport ReportRequestFailure(const RequestBlock& request, std::string_view sourceName, int line,
                                 UserInterface& user, TraceWriter* debug,
                                 ServerErrorDialog* serverErrors) {
  ErrorReport report = DescribeRequestFailure(request, sourceName, line);
  if (debug != nullptr && !report.debugLine.empty()) debug->WriteTraceLine(report.debugLine);
  ShowErrorReport(report, user, serverErrors);
  return report;
}

}  // namespace vandrel::remote
