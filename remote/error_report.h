// The one report through which a failed host request reaches the user:
// what to show for its status (nothing, the server's own error text, or a
// message box), and the line the Debug pane gets while debugging is on.
// Describing and showing are separate, so the GUI and the command-line tool
// present the same report in their own ways.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/user_interface.h"
#include "remote/request_block.h"
#include "remote/socket_transport.h"

namespace vandrel::remote {

// The label above the server's error text in its dialog.
inline constexpr std::string_view kServerErrorLabel =
    "The following error has been returned by the server:";
// The most of the server's error text the dialog shows.
inline constexpr std::size_t kMaxServerErrorText = 8192;
// The agent's answer to an abort line carries this number in the low 16
// bits of its error number; it is no error to the user.
inline constexpr std::uint32_t kAgentAbortAnswer = 103;

enum class ErrorReportKind {
  kNothing,      // cancelled, abandoned, the agent's abort answer, or success
  kServerError,  // the server error dialog with `text`
  kMessage,      // a message box with `text` and `style`
};

struct ErrorReport {
  ErrorReportKind kind = ErrorReportKind::kNothing;
  std::int32_t status = 0;  // as reported: an agent error without text counts as 304
  std::string caption;
  std::string text;
  unsigned style = 0;     // the message box's buttons and icon (kMessage)
  std::string debugLine;  // for the Debug pane; empty when none is due
};

// The number at the start of an agent's reply, read as unsigned 32-bit;
// nothing when the reply does not start with one.
std::optional<std::uint32_t> LeadingAgentNumber(std::string_view reply);

// The server error dialog's text built from an agent's error reply "N M":
// with a line feed in M, M's first line, " (Function high, Error low)" and
// the rest of M; otherwise "Error low (Location high)" and M. At most 8,192
// characters.
std::string ServerErrorText(std::string_view reply);

// The Debug pane line for a failed request: source (the name after its last
// path separator), line, status, error number and the failure's category.
std::string RequestErrorDebugLine(const RequestBlock& request, std::int32_t status,
                                  std::string_view sourceName, int line);

// What the user is to be told about a failed request.
ErrorReport DescribeRequestFailure(const RequestBlock& request, std::string_view sourceName,
                                   int line);

// The server error dialog: the caption, the label, the text read-only, "OK"
// and "&Copy" (to the clipboard).
class ServerErrorDialog {
 public:
  virtual ~ServerErrorDialog() = default;
  virtual void ShowServerError(const std::string& caption, const std::string& text) = 0;
};

// Shows a report: the server error through `serverErrors` (a plain message
// box with the label above the text when there is none), messages through
// `user`.
void ShowErrorReport(const ErrorReport& report, UserInterface& user,
                     ServerErrorDialog* serverErrors = nullptr);

// Describes the failure, writes its Debug pane line to `debug` (given only
// while debugging is on) and shows it. What was shown.
ErrorReport ReportRequestFailure(const RequestBlock& request, std::string_view sourceName, int line,
                                 UserInterface& user, TraceWriter* debug = nullptr,
                                 ServerErrorDialog* serverErrors = nullptr);

}  // namespace vandrel::remote
