// The request block: what a caller fills in to have the request worker talk
// to the host agent, copied by value into the worker's queue (a list of
// blocks, not of pointers to them), and handed back, with its status and
// results, to the completion routine. One block type serves every kind;
// each kind uses its own fields (listed below by kind). Texts are owned
// strings; their limits are the ones the wire and the host allow, and an
// operation refuses a text over its limit rather than cutting it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "documents/document_format.h"
#include "documents/transfer_options.h"
#include "remote/socket_transport.h"

namespace vandrel::remote {

enum RequestKind : std::int32_t {
  kRequestGetDirectory = 1,
  kRequestListDirectory = 2,
  kRequestReceiveToFile = 3,
  kRequestReceiveToMemory = 4,
  kRequestSendFile = 5,
  kRequestFindInFiles = 6,
  kRequestRunCommand = 7,
  kRequestConnect = 8,  // never queued: a connect thread carries it out
  kRequestFileInformation = 9,
  kRequestOpenFile = 10,
  kRequestSaveFile = 11,
  kRequestResolveFile = 12,
  kRequestSendCommand = 13,
};

enum RequestStatus : std::int32_t {
  kStatusSuccess = 0,
  kStatusAgentError = 2,       // the reply is the error text, its number the error number
  kStatusCancelled = 3,        // Stop, CancelAll, or the worker is stopping
  kStatusAbandoned = 4,        // the user gave up in a dialog of the request
  kStatusRefused = 5,          // the session checks refused; the error text is the message
  kStatusListenFailed = 101,   // no listening socket
  kStatusWaitFailed = 102,     // waiting for the agent's connection failed
  kStatusAcceptFailed = 103,   // accepting the agent's connection failed
  kStatusConnectFailed = 104,  // no connection to the agent
  kStatusTempNameFailed = 201,
  kStatusTempCreateFailed = 203,
  kStatusTempWriteFailed = 204,
  kStatusOutOfMemory = 205,
  kStatusLocalOpenFailed = 206,
  kStatusHostUnchanged = 207,  // the host file is unchanged after a save
  kStatusSendFailed = 301,
  kStatusReceiveFailed = 302,
  kStatusBadReply = 303,
  kStatusNoErrorText = 304,  // set by the error report for an agent error without text
};

// Request option flags (`options`): documents/transfer_options.h.
using enum ::vandrel::RequestOption;

// What open-file tells the loader about the downloaded file's form
// (`formatHint`): records behind an MPE header on MPE/iX hosts, a Qedit
// header before it for Qedit files, plain text elsewhere.
enum FormatHint : std::int32_t {
  kFormatHintText = 0,
  kFormatHintRecords = 1,
  kFormatHintQedit = 3,
};

// Search flags of find-in-files (`searchFlags`).
enum SearchFlag : std::int32_t {
  kSearchMatchCase = 0x1,
  kSearchSubdirectories = 0x2,
  kSearchProjectFiles = 0x4,  // the directory is a local file listing the files
  kSearchListIsHostFile = 0x8,
  kSearchProgress = 0x10,
  kSearchWholeWord = 0x20,
};

// Text limits of the fields, in characters without the terminator the
// original fixed-size fields kept room for.
inline constexpr std::size_t kMaxRequestPath = 259;
inline constexpr std::size_t kMaxFindText = 127;
inline constexpr std::size_t kMaxCommandLine = 511;
inline constexpr std::size_t kMaxErrorText = 1023;
inline constexpr std::size_t kMaxUserField = 255;

struct RequestBlock;
using CompletionRoutine = std::function<void(RequestBlock&)>;

struct RequestBlock {
  std::int32_t kind = 0;
  std::int32_t options = 0;
  std::uint32_t queuedAt = 0;  // milliseconds of up-time, set by Post
  std::int32_t status = 0;
  // May be empty. What the caller needs when the request ends travels in
  // the routine's captures, typed; the engine keeps no untyped pointer.
  CompletionRoutine completion;

  // -- Kind-specific fields --
  std::string hostPath;          // 1 out; 2, 3, 4, 9, 10, 11 in; 5 in (replaced with option 0x100)
  std::string localPath;         // 3, 10 out: the temporary file; 5, 11 in: the file to send
  std::int32_t listFlag = 0;     // 2: 1 lists folders only
  std::string buffer;            // 2: the listing; 4: the bytes received (owned by the block)
  std::int32_t lockNumber = 0;   // 3, 4, 5, 10, 11 out, with option 0x80
  std::string findText;          // 6 (at most 127)
  std::string fileTypes;         // 6 (at most 127)
  std::string directory;         // 6 (at most 259)
  std::int32_t searchFlags = 0;  // 6
  std::string echoLine;          // 7 (at most 511)
  std::string commandLine;       // 7 (at most 511)
  std::int32_t pane = 0;         // 6, 7: the output pane (7: 0 output, 1 find, 255 command line)
  HostFileInfo fileInfo;         // 9 out; 10 out; 11 in (as remembered at open) and out
  std::int32_t formatHint = 0;   // 10 out: 1 MPE host, 3 Qedit file
  std::int32_t newFile = 0;      // 11 in
  std::string name;              // 12 in
  std::string contextPath;       // 12 in
  std::string resolvedPath;      // 12 out
  std::string commandText;       // 13 in (at most 511)
  std::string replyText;         // 13 out; 7 out: what follows the final reply's status

  // -- Connect (kind 8) --
  std::string hostName;       // in
  std::int32_t port = 0;      // in
  Socket socket = kNoSocket;  // out: the command connection
  std::string userName;       // in/out (at most 255)
  std::string password;       // in/out (at most 255)
  // in: logins the agent refused in this session; with `askLogin` the login
  // given was refused before and is asked for, not sent again.
  std::int32_t failedLogins = 0;
  bool askLogin = false;
  bool loginRefused = false;       // out: the agent refused the login sent
  std::int32_t agentVersion = 0;   // out
  std::int32_t hostKind = 0;       // out
  std::int32_t byteOrder = 0;      // out
  std::int32_t securityFlags = 0;  // out
  std::string systemInfo;          // out

  // -- Results of every kind --
  std::string errorText;         // the agent's reply or a message (at most 1,023)
  std::int64_t errorNumber = 0;  // the agent's status number or the socket error
};

}  // namespace vandrel::remote
