// The agent's error numbers. Every error reply is "<number> <message>": a
// non-zero number, one blank and a one-line message. The number carries two
// halves, as the editor's error dialog shows them:
//   low 16 bits   the error code: an errno value for failures of the host
//                 system (2 no such file, 13 permission denied, 20 not a
//                 directory, ...), or one of the agent's own codes below
//                 (1001 and up, outside the errno range);
//   high 16 bits  the location: the number of the command that failed (its
//                 entry in the session's command table), 0 for the greeting,
//                 the login and anything said before a command was known.
// The code 103 is reserved for "aborted": the editor shows no error for it,
// so it answers an abort and nothing else (the errno value with that number,
// ECONNABORTED, is reported as an I/O error instead).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vandrel::agent {

enum ErrorCode : std::uint16_t {
  kErrorAborted = 103,
  kErrorUnknownCommand = 1001,      // a command word the agent does not know
  kErrorBadArguments = 1002,        // a known command with malformed arguments
  kErrorCommandTooLong = 1003,      // a command packet over the agent's limit
  kErrorOutsideRoot = 1004,         // a path that leads outside the served tree
  kErrorLoginFailed = 1005,         // unknown user or wrong password
  kErrorNoSuchAccount = 1006,       // an MPE logon to an account or group that does not exist
  kErrorCommandsNotAllowed = 1007,  // host commands while --allow-commands is off
  kErrorReplyTooLong = 1008,        // a result that does not fit the editor's reply buffer
  kErrorInternal = 1009,            // an unexpected failure inside the agent
  kErrorTooManySessions = 1010,     // the agent already serves its maximum of sessions
  kErrorEmptyCommand = 1011,        // an empty command packet
  kErrorNotAvailable = 1012,        // a command this agent does not carry out
  kErrorNameTooLong = 1013,         // a path longer than the host allows
};

// Locations: the command numbers of the session's command table. 0 is the
// session itself (greeting, login, framing).
enum CommandNumber : std::uint16_t {
  kCommandSession = 0,
  kCommandGetCd = 1,
  kCommandSetCd = 2,
  kCommandSetEnv = 3,
  kCommandMpeSetFs = 4,
  kCommandMpeSetUdc = 5,
  kCommandMpeSetShell = 6,
  kCommandExecLogon = 7,
  kCommandGetFileInfo = 8,
  kCommandCheckExists = 9,
  kCommandResolveFile = 10,
  kCommandFileUnlock = 11,
  kCommandGetOsInfo = 12,
  kCommandSetPort = 13,
  kCommandAbort = 14,
  kCommandListDir = 15,
  kCommandSendFile = 16,
  kCommandRecvFile = 17,
  kCommandFindInFiles = 18,
  kCommandHostCommand = 19,
};

// The number of an error reply. An errno value of 103 becomes EIO, so that
// a failure is never taken for an abort; 0 becomes kErrorInternal.
std::uint32_t ErrorNumber(std::uint16_t location, int code);

// A failure: the code and the message (without number).
struct AgentError {
  int code = kErrorInternal;
  std::string message;
};

// An errno failure: "<strerror text>: <subject>" (just the text when the
// subject is empty).
AgentError SystemError(int errnoValue, std::string_view subject);

// "<number> <message>" for the location; line breaks in the message become
// blanks, so the reply stays one line.
std::string ErrorReply(std::uint16_t location, const AgentError& error);

}  // namespace vandrel::agent
