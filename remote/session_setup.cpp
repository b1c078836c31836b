#include "remote/session_setup.h"

#include <string_view>

#include "core/message_box.h"
#include "remote/connect_thread.h"
#include "remote/output_writer.h"

namespace vandrel::remote {
namespace {

RequestBlock SendCommandRequest(std::string text, const CompletionRoutine& completion) {
  RequestBlock request;
  request.kind = kRequestSendCommand;
  request.completion = completion;
  request.commandText = std::move(text);
  return request;
}

RequestBlock RunCommandRequest(std::string commandLine, const CompletionRoutine& completion) {
  RequestBlock request;
  request.kind = kRequestRunCommand;
  request.completion = completion;
  request.commandLine = std::move(commandLine);
  request.pane = kPaneOutput;
  return request;
}

}  // namespace

OpenedSession DescribeOpenedSession(const RequestBlock& connect, bool hpfsSupport) {
  OpenedSession session;
  session.socket = connect.socket;
  session.hostKind = connect.hostKind;
  session.securityFlags = connect.securityFlags;
  session.mpeNames = connect.hostKind == kHostKindMpe && !hpfsSupport;
  session.qeditAvailable = (connect.securityFlags & kSecurityQeditAvailable) != 0;
  session.connectionInformation = ConnectionInformationText(connect);
  return session;
}

std::string ConnectionInformationText(const RequestBlock& connect) {
  return connect.systemInfo +
         FormatText(" \"%ld\" \"%ld\" \"%ld\" \"%ld\" ", static_cast<long>(connect.agentVersion),
                    static_cast<long>(connect.hostKind), static_cast<long>(connect.byteOrder),
                    static_cast<long>(connect.securityFlags));
}

std::vector<RequestBlock> BuildSessionRequests(const SessionPreferences& preferences,
                                               std::int32_t hostKind,
                                               const CompletionRoutine& completion) {
  std::vector<RequestBlock> requests;
  if (hostKind == kHostKindMpe) {
    requests.push_back(SendCommandRequest(
        FormatText("=MPE_SET_FS %c", preferences.hpfsSupport ? 'P' : 'M'), completion));
    requests.push_back(SendCommandRequest(
        FormatText("=MPE_SET_UDC %c", preferences.udcEnabled ? 'T' : 'F'), completion));
    if (preferences.logonUdcLevels != 0 && preferences.udcEnabled) {
      requests.push_back(
          RunCommandRequest(FormatText("$$$EXECLOGON %d", preferences.logonUdcLevels), completion));
    }
    requests.push_back(SendCommandRequest(
        FormatText("=MPE_SET_SHELL %c", preferences.posixShell ? 'P' : 'M'), completion));
  }

  constexpr std::string_view kSeparators = "\t\r\n";
  std::string_view environment = preferences.environment;
  if (environment.size() > kMaxEnvironmentText) {
    // Only the first 4,096 characters are the project's; an assignment cut
    // by that limit would set a wrong value, so it is left out.
    std::size_t end = kMaxEnvironmentText;
    if (kSeparators.find(environment[end]) == std::string_view::npos) {
      end = environment.substr(0, end).find_last_of(kSeparators);
      if (end == std::string_view::npos) end = 0;
    }
    environment = environment.substr(0, end);
  }
  std::size_t start = 0;
  while (start <= environment.size()) {
    std::size_t end = environment.find_first_of(kSeparators, start);
    if (end == std::string_view::npos) end = environment.size();
    if (end > start) {
      requests.push_back(SendCommandRequest(
          "=SET_ENV " + std::string(environment.substr(start, end - start)), completion));
    }
    start = end + 1;
  }

  if (!preferences.autoexecCommand.empty()) {
    requests.push_back(RunCommandRequest(preferences.autoexecCommand, completion));
  }
  return requests;
}

}  // namespace vandrel::remote
