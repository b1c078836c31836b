#include "remote/session_setup.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "remote/connect_thread.h"
#include "remote/connection_info.h"

namespace vandrel::remote {
namespace {

using Sent = std::pair<std::int32_t, std::string>;  // kind and command text

std::vector<Sent> Commands(const std::vector<RequestBlock>& requests) {
  std::vector<Sent> sent;
  for (const RequestBlock& request : requests) {
    sent.emplace_back(request.kind, request.kind == kRequestRunCommand ? request.commandLine
                                                                       : request.commandText);
  }
  return sent;
}

TEST(SessionSetup, MpeHostGetsItsPreferencesThenEnvironmentThenAutoexec) {
  SessionPreferences preferences;
  preferences.hpfsSupport = true;
  preferences.udcEnabled = true;
  preferences.logonUdcLevels = 7;
  preferences.posixShell = true;
  preferences.environment = "PATH=/bin\tLANG=C\r\nTERM=vt100\n\n\r";
  preferences.autoexecCommand = "RUN STARTUP";

  int completions = 0;
  const std::vector<RequestBlock> requests = BuildSessionRequests(
      preferences, kHostKindMpe, [&completions](RequestBlock&) { ++completions; });
  EXPECT_EQ(Commands(requests), (std::vector<Sent>{
                                    {kRequestSendCommand, "=MPE_SET_FS P"},
                                    {kRequestSendCommand, "=MPE_SET_UDC T"},
                                    {kRequestRunCommand, "$$$EXECLOGON 7"},
                                    {kRequestSendCommand, "=MPE_SET_SHELL P"},
                                    {kRequestSendCommand, "=SET_ENV PATH=/bin"},
                                    {kRequestSendCommand, "=SET_ENV LANG=C"},
                                    {kRequestSendCommand, "=SET_ENV TERM=vt100"},
                                    {kRequestRunCommand, "RUN STARTUP"},
                                }));
  for (RequestBlock request : requests) {
    if (request.kind == kRequestRunCommand) {
      EXPECT_EQ(request.pane, 0);
    }
    ASSERT_TRUE(request.completion);
    request.completion(request);
  }
  EXPECT_EQ(completions, 8);
}

TEST(SessionSetup, LogonUdcsRunOnlyWithUdcsOnAndLevelsGiven) {
  SessionPreferences preferences;
  preferences.logonUdcLevels = 7;  // UDCs off
  EXPECT_EQ(Commands(BuildSessionRequests(preferences, kHostKindMpe)),
            (std::vector<Sent>{{kRequestSendCommand, "=MPE_SET_FS M"},
                               {kRequestSendCommand, "=MPE_SET_UDC F"},
                               {kRequestSendCommand, "=MPE_SET_SHELL M"}}));
  preferences.udcEnabled = true;
  preferences.logonUdcLevels = 0;
  EXPECT_EQ(Commands(BuildSessionRequests(preferences, kHostKindMpe)),
            (std::vector<Sent>{{kRequestSendCommand, "=MPE_SET_FS M"},
                               {kRequestSendCommand, "=MPE_SET_UDC T"},
                               {kRequestSendCommand, "=MPE_SET_SHELL M"}}));
}

TEST(SessionSetup, OtherHostsGetOnlyEnvironmentAndAutoexec) {
  SessionPreferences preferences;
  preferences.hpfsSupport = true;
  preferences.udcEnabled = true;
  preferences.logonUdcLevels = 3;
  EXPECT_TRUE(BuildSessionRequests(preferences, 2).empty());

  preferences.environment = "A=100%s";
  preferences.autoexecCommand = "make -C src";
  EXPECT_EQ(Commands(BuildSessionRequests(preferences, 9)),
            (std::vector<Sent>{{kRequestSendCommand, "=SET_ENV A=100%s"},
                               {kRequestRunCommand, "make -C src"}}));

  // Only the first 4,096 characters of the environment are the project's,
  // and an assignment cut there is not sent with a wrong value.
  preferences.autoexecCommand.clear();
  preferences.environment = std::string(4090, 'x') + "\nLATE=1";
  EXPECT_EQ(BuildSessionRequests(preferences, 2).size(), 1u);
  preferences.environment = std::string(4090, 'x') + "\nLATE=\nNEXT=1";
  auto requests = BuildSessionRequests(preferences, 2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].commandText, "=SET_ENV LATE=");
  preferences.environment = std::string(5000, 'x');
  EXPECT_TRUE(BuildSessionRequests(preferences, 2).empty());
}

TEST(SessionSetup, OpenedSessionAndItsConnectionInformation) {
  RequestBlock connect;
  connect.socket = 7;
  connect.systemInfo = "HP-UX node \"A.01\"";
  connect.agentVersion = 10300;
  connect.hostKind = kHostKindMpe;
  connect.byteOrder = 1;
  connect.securityFlags = 26;
  EXPECT_EQ(ConnectionInformationText(connect),
            "HP-UX node \"A.01\" \"10300\" \"1\" \"1\" \"26\" ");

  OpenedSession session = DescribeOpenedSession(connect, false);
  EXPECT_EQ(session.socket, 7);
  EXPECT_TRUE(session.mpeNames);
  EXPECT_TRUE(session.qeditAvailable);
  EXPECT_EQ(session.connectionInformation, ConnectionInformationText(connect));
  EXPECT_FALSE(DescribeOpenedSession(connect, true).mpeNames);
  connect.hostKind = 2;
  connect.securityFlags = 2;
  session = DescribeOpenedSession(connect, false);
  EXPECT_FALSE(session.mpeNames);
  EXPECT_FALSE(session.qeditAvailable);
}

TEST(ConnectionInfo, FieldsSplitAtBlanksWithQuotedFieldsAndDoubledQuotes) {
  EXPECT_EQ(SplitConnectionFields("  a \"b c\"  \"say \"\"hi\"\"\" \"\" d"),
            (std::vector<std::string>{"a", "b c", "say \"hi\"", "", "d"}));
  EXPECT_EQ(SplitConnectionFields("\"open to the end"),
            std::vector<std::string>{"open to the end"});
  std::string many;
  for (int i = 0; i < 40; ++i) many += std::to_string(i) + " ";
  const auto fields = SplitConnectionFields(many);
  ASSERT_EQ(fields.size(), kMaxConnectionFields);
  EXPECT_EQ(fields.back(), "31");
}

TEST(ConnectionInfo, DialogValuesFromTheAgentsFieldsAndTheAppendedNumbers) {
  RequestBlock connect;
  connect.systemInfo =
      "Linux host 6.1.0 \"#1 SMP\" x86_64 \"id 1\" \"8 GB\" 64 \"Uptime:\t3 days\"";
  connect.agentVersion = 10300;
  connect.hostKind = 2;
  connect.byteOrder = 0;
  connect.securityFlags = 2;
  const ConnectionInformation info = DescribeConnection(ConnectionInformationText(connect));
  const std::vector<std::pair<std::string, std::string>> system = {
      {"System name:", "Linux"},   {"Node name:", "host"},      {"O.S. release:", "6.1.0"},
      {"O.S. version:", "#1 SMP"}, {"Machine name:", "x86_64"}, {"System ID:", "id 1"},
      {"Memory size:", "8 GB"},    {"Maximum users:", "64"},    {"Uptime:", "3 days"},
  };
  ASSERT_EQ(info.system.size(), system.size());
  for (std::size_t i = 0; i < system.size(); ++i) {
    EXPECT_EQ(info.system[i].caption, system[i].first);
    EXPECT_EQ(info.system[i].value, system[i].second);
  }
  ASSERT_EQ(info.agent.size(), 4u);
  EXPECT_EQ(info.agent[0].caption, "Version:");
  EXPECT_EQ(info.agent[0].value, "1.03.00");
  EXPECT_EQ(info.agent[1].value, "2");
  EXPECT_EQ(info.agent[2].value, "0");
  EXPECT_EQ(info.agent[3].caption, "Flags:");
  EXPECT_EQ(info.agent[3].value, "2");
}

TEST(ConnectionInfo, MissingFieldsAreUnknownAndShortVersionsShownAsTheyAre) {
  const std::string unknown = LoadText(kStrUnknown);
  ConnectionInformation info = DescribeConnection("Linux host");
  EXPECT_EQ(info.system[1].value, "host");
  EXPECT_EQ(info.system[2].value, unknown);
  EXPECT_EQ(info.system[8].caption, "System label:");
  EXPECT_EQ(info.system[8].value, unknown);
  for (const auto& item : info.agent) EXPECT_EQ(item.value, unknown);

  info = DescribeConnection("1 2 3 4 5 6 7 8 label 103");
  EXPECT_EQ(info.system[8].caption, "System label:");
  EXPECT_EQ(info.system[8].value, "label");
  EXPECT_EQ(info.agent[0].value, "103");
  EXPECT_EQ(info.agent[1].value, unknown);
}

}  // namespace
}  // namespace vandrel::remote
