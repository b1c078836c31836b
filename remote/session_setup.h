// What happens when a session has opened: the session state taken from the
// connect request, the connection information text, and the requests that
// send the project's session preferences to the agent, in the order the
// agent must receive them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "remote/request_block.h"
#include "remote/socket_transport.h"

namespace vandrel::remote {

// The longest environment text a project holds.
inline constexpr std::size_t kMaxEnvironmentText = 4096;

// The project's preferences for its sessions.
struct SessionPreferences {
  bool hpfsSupport = false;         // MPE/iX: the HPFS (POSIX) file system, not MPE names
  bool udcEnabled = false;          // MPE/iX: user-defined commands
  std::int32_t logonUdcLevels = 0;  // MPE/iX: 4 system, 2 account, 1 user
  bool posixShell = false;          // MPE/iX: commands run in the POSIX shell
  std::string environment;          // "<variable>=<value>" assignments, one per line
  std::string autoexecCommand;      // run once the session is open
};

// The session as the main frame keeps it, from a connect request that
// succeeded.
struct OpenedSession {
  Socket socket = kNoSocket;
  std::int32_t hostKind = 0;
  std::int32_t securityFlags = 0;
  bool mpeNames = false;        // an MPE/iX host without HPFS support
  bool qeditAvailable = false;  // security flag 8
  std::string connectionInformation;
};

OpenedSession DescribeOpenedSession(const RequestBlock& connect, bool hpfsSupport);

// The system information text followed by the agent's version, host kind,
// byte order and security flags, each in double quotes.
std::string ConnectionInformationText(const RequestBlock& connect);

// The requests that set a new session up, in order, each completing through
// `completion`: on MPE/iX hosts (kind 1) the file system, UDC, logon UDC
// and shell preferences; on every host one "=SET_ENV" per non-empty
// assignment of the environment (split at tab, carriage return and line
// feed); last the autoexec command, run with its output to pane 0.
std::vector<RequestBlock> BuildSessionRequests(const SessionPreferences& preferences,
                                               std::int32_t hostKind,
                                               const CompletionRoutine& completion = {});

}  // namespace vandrel::remote
