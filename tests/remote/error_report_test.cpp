#include "remote/error_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "support/scripted_user_interface.h"

namespace vandrel::remote {
namespace {

using testing::ScriptedUserInterface;

RequestBlock Failed(std::int32_t status, std::string errorText = {}, std::int64_t number = 0) {
  RequestBlock request;
  request.kind = kRequestSendCommand;
  request.status = status;
  request.errorText = std::move(errorText);
  request.errorNumber = number;
  return request;
}

class RecordingDebug : public TraceWriter {
 public:
  std::vector<std::string> lines;
  void WriteTraceLine(std::string_view line) override { lines.emplace_back(line); }
};

class RecordingServerErrors : public ServerErrorDialog {
 public:
  std::vector<std::pair<std::string, std::string>> shown;
  void ShowServerError(const std::string& caption, const std::string& text) override {
    shown.emplace_back(caption, text);
  }
};

TEST(ErrorReport, AgentAbortAnswerIsNotShownWhateverItsHighBits) {
  for (const std::string reply : {"103 Aborted", "65639 Aborted", "4294901863 Aborted", "103"}) {
    ScriptedUserInterface user;
    RecordingDebug debug;
    const ErrorReport report =
        ReportRequestFailure(Failed(kStatusAgentError, reply), "mainfrm.cpp", 10, user, &debug);
    EXPECT_EQ(report.kind, ErrorReportKind::kNothing) << reply;
    EXPECT_TRUE(user.shown().empty()) << reply;
    EXPECT_TRUE(debug.lines.empty()) << reply;
  }
  // Other low bits are errors, even with 103 in the high bits.
  for (const std::string reply : {"104 Failed", "6750209 Failed"}) {
    EXPECT_EQ(DescribeRequestFailure(Failed(kStatusAgentError, reply), "a.cpp", 1).kind,
              ErrorReportKind::kServerError)
        << reply;
  }
}

TEST(ErrorReport, ServerErrorTextInBothForms) {
  // 65541 = function 1, error 5.
  EXPECT_EQ(ServerErrorText("65541 Login failed"), "Error 5 (Location 1)\n\nLogin failed");
  EXPECT_EQ(ServerErrorText("131075 Open failed\nNo such file\nor folder"),
            "Open failed (Function 2, Error 3)\n\nNo such file\nor folder");
  // No blank: the whole reply is the message; no number reads as 0.
  EXPECT_EQ(ServerErrorText("42"), "Error 42 (Location 0)\n\n42");
  EXPECT_EQ(ServerErrorText("oops"), "Error 0 (Location 0)\n\noops");
  EXPECT_EQ(ServerErrorText("4294967295 x"), "Error 65535 (Location 65535)\n\nx");

  const std::string longReply = "7 " + std::string(10000, 'x');
  EXPECT_EQ(ServerErrorText(longReply).size(), kMaxServerErrorText);

  // Shown through the dialog with the product caption, or as a plain box.
  ScriptedUserInterface user;
  RecordingServerErrors dialog;
  ReportRequestFailure(Failed(kStatusAgentError, "65541 Login failed"), "a.cpp", 1, user, nullptr,
                       &dialog);
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0].first, MessageCaption());
  EXPECT_EQ(dialog.shown[0].second, "Error 5 (Location 1)\n\nLogin failed");
  EXPECT_TRUE(user.shown().empty());

  ReportRequestFailure(Failed(kStatusAgentError, "65541 Login failed"), "a.cpp", 1, user);
  ASSERT_EQ(user.shown().size(), 1u);
  EXPECT_EQ(user.shown()[0].text,
            std::string(kServerErrorLabel) + "\n\nError 5 (Location 1)\n\nLogin failed");
}

TEST(ErrorReport, EachStatusGetsItsMessage) {
  const std::string caption = MessageCaption();
  struct Case {
    std::int32_t status;
    ErrorReportKind kind;
    std::string text;
  };
  RequestBlock connect = Failed(kStatusConnectFailed);
  connect.hostName = "hp3000.example";
  connect.port = 11000;
  RequestBlock save = Failed(kStatusHostUnchanged);
  save.hostPath = "/DEV/SRC/MAIN";
  RequestBlock refused = Failed(kStatusRefused, "The agent is too old.");

  struct Check {
    RequestBlock request;
    ErrorReportKind kind;
    std::string text;
    unsigned style;
  };
  auto communications = [](long status) {
    return FormatText(LoadText(kStrCommunicationsError), status);
  };
  auto internal = [](long status) { return FormatText(LoadText(kStrInternalError), status); };
  std::vector<Check> checks = {
      {Failed(kStatusCancelled), ErrorReportKind::kNothing, "", 0},
      {Failed(kStatusAbandoned), ErrorReportKind::kNothing, "", 0},
      {refused, ErrorReportKind::kMessage, "The agent is too old.", kMbOk | kMbIconWarning},
      {connect, ErrorReportKind::kMessage,
       FormatText(LoadText(kStrConnectFailed), "hp3000.example", 11000), kMbOk | kMbIconError},
      {save, ErrorReportKind::kMessage,
       FormatText(LoadText(kStrServerFileCreateError), "/DEV/SRC/MAIN"), kMbOk | kMbIconError},
  };
  for (const int status : {101, 103, 105, 199, 301, 302, 303, 399}) {
    checks.push_back(
        {Failed(status), ErrorReportKind::kMessage, communications(status), kMbOk | kMbIconError});
  }
  for (const int status : {1, 6, 100, 201, 205, 206, 299, 400}) {
    checks.push_back(
        {Failed(status), ErrorReportKind::kMessage, internal(status), kMbOk | kMbIconError});
  }
  for (const Check& check : checks) {
    ScriptedUserInterface user;
    const ErrorReport report = ReportRequestFailure(check.request, "a.cpp", 1, user);
    EXPECT_EQ(report.kind, check.kind) << check.request.status;
    EXPECT_EQ(report.text, check.text) << check.request.status;
    if (check.kind == ErrorReportKind::kNothing) {
      EXPECT_TRUE(user.shown().empty());
      continue;
    }
    ASSERT_EQ(user.shown().size(), 1u) << check.request.status;
    EXPECT_EQ(user.shown()[0].caption, caption);
    EXPECT_EQ(user.shown()[0].text, check.text);
    EXPECT_EQ(user.shown()[0].style, check.style);
  }
  EXPECT_NE(communications(303).find("(*303)"), std::string::npos);

  // Success is no failure.
  EXPECT_EQ(DescribeRequestFailure(Failed(kStatusSuccess), "a.cpp", 1).kind,
            ErrorReportKind::kNothing);
}

TEST(ErrorReport, AgentErrorWithoutTextIsReportedAs304) {
  ScriptedUserInterface user;
  const ErrorReport report = ReportRequestFailure(Failed(kStatusAgentError), "a.cpp", 7, user);
  EXPECT_EQ(report.status, kStatusNoErrorText);
  EXPECT_EQ(report.text, FormatText(LoadText(kStrCommunicationsError), 304L));
  EXPECT_EQ(report.debugLine, "a.cpp(7) : error 304 : 0 : packet protocol error");
}

TEST(ErrorReport, DebugLineIsWrittenOnlyWhenDebugging) {
  struct Case {
    RequestBlock request;
    std::string source;
    std::string line;
  } cases[] = {
      {Failed(302, {}, 104), "C:\\src\\vandrel\\mainfrm.cpp",
       "mainfrm.cpp(42) : error 302 : 104 : packet protocol error"},
      {Failed(104, {}, 111), "/src/remote/connect_thread.cpp",
       "connect_thread.cpp(42) : error 104 : 111 : winsock error"},
      {Failed(204), "doc.cpp", "doc.cpp(42) : error 204 : 0 : internal error"},
      {Failed(kStatusAgentError, "65541 Login failed", 65541), "doc.cpp",
       "doc.cpp(42) : error 2 : 65541 : 65541 Login failed error"},
      {Failed(kStatusCancelled), "doc.cpp", "doc.cpp(42) : error 3 : 0 :  error"},
  };
  for (const Case& c : cases) {
    ScriptedUserInterface user;
    RecordingDebug debug;
    RecordingServerErrors dialog;
    ReportRequestFailure(c.request, c.source, 42, user, &debug, &dialog);
    EXPECT_EQ(debug.lines, std::vector<std::string>{c.line});
  }
  // Without a writer (debugging off) the report is shown all the same.
  ScriptedUserInterface user;
  const ErrorReport report = ReportRequestFailure(Failed(302), "doc.cpp", 1, user, nullptr);
  EXPECT_EQ(user.shown().size(), 1u);
  EXPECT_FALSE(report.debugLine.empty());
}

}  // namespace
}  // namespace vandrel::remote
