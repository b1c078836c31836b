// The request kinds that are one command and its reply on the command
// connection: get-directory, file-information, resolve-file and
// send-command.
#include <fmt/printf.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>

#include "documents/host_file_info.h"
#include "remote/operation_support.h"
#include "remote/request_worker.h"

namespace vandrel::remote {

namespace {

// Sends `command` with `send` and reads its reply: 0 with the reply, or the
// failure (301 send, 302 reply, 3 when the worker stops meanwhile).
std::int32_t Ask(RequestBlock& request, const Thread& worker, Socket socket,
                 std::string_view command, const std::function<std::size_t(std::string_view)>& send,
                 const std::function<bool(std::string&)>& read, std::string& reply) {
  errno = 0;
  if (send(command) == 0) {
    request.errorNumber = errno;
    return kStatusSendFailed;
  }
  return AwaitReply(request, worker, socket, read, reply);
}

// The name of the record: what follows the path's last "/", the whole path
// when it has none, "/" when it ends in one.
std::string FileNameOf(const std::string& hostPath) {
  const std::size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return hostPath;
  if (slash + 1 == hostPath.size()) return "/";
  return hostPath.substr(slash + 1);
}

}  // namespace

void RequestWorker::GetDirectory(RequestBlock& request) {
  auto send = [this](std::string_view text) { return SendCommandLine(text); };
  auto read = [this](std::string& reply) { return ReadReply(reply); };
  std::string reply;
  const std::int32_t asked = Ask(request, *this, commandSocket(), "=GET_CD", send, read, reply);
  if (asked != kStatusSuccess) return Complete(request, asked);
  if (!IsSuccessReply(reply)) {
    RecordAgentError(request, reply);
    return Complete(request, kStatusAgentError);
  }
  const std::optional<std::string_view> directory = ReplyResult(reply);
  if (!directory) return Complete(request, kStatusBadReply);
  if (!ResultWithinLimit(request, *directory, kMaxRequestPath, "current directory")) {
    return Complete(request, kStatusRefused);
  }
  request.hostPath.assign(*directory);
  Complete(request, kStatusSuccess);
}

void RequestWorker::FileInformation(RequestBlock& request) {
  if (!WithinLimit(request, request.hostPath, kMaxRequestPath, "host path")) {
    return Complete(request, kStatusRefused);
  }
  auto send = [this](std::string_view text) { return SendCommandLine(text); };
  auto read = [this](std::string& reply) { return ReadReply(reply); };
  std::string reply;
  const std::int32_t asked =
      Ask(request, *this, commandSocket(), fmt::sprintf("=GET_FILEINFO %s", request.hostPath), send,
          read, reply);
  if (asked != kStatusSuccess) return Complete(request, asked);
  if (!IsSuccessReply(reply)) {
    RecordAgentError(request, reply);
    return Complete(request, kStatusAgentError);
  }
  request.fileInfo = HostFileInfo{};
  if (!ParseFileInfoReply(reply, request.fileInfo)) return Complete(request, kStatusBadReply);
  request.fileInfo.name = FileNameOf(request.hostPath);
  Complete(request, kStatusSuccess);
}

void RequestWorker::ResolveFile(RequestBlock& request) {
  if (!WithinLimit(request, request.name, kMaxRequestPath, "file name") ||
      !WithinLimit(request, request.contextPath, kMaxRequestPath, "context path")) {
    return Complete(request, kStatusRefused);
  }
  StripQuotes(request.name);
  StripQuotes(request.contextPath);
  auto send = [this](std::string_view text) { return SendCommandLine(text); };
  auto read = [this](std::string& reply) { return ReadReply(reply); };
  std::string reply;
  const std::int32_t asked =
      Ask(request, *this, commandSocket(),
          fmt::sprintf("=RESOLVE_FILE 0 \"%s\" \"%s\"", request.name, request.contextPath), send,
          read, reply);
  if (asked != kStatusSuccess) return Complete(request, asked);
  if (!IsSuccessReply(reply)) {
    RecordAgentError(request, reply);
    return Complete(request, kStatusAgentError);
  }
  const std::optional<std::string_view> path = ReplyResult(reply);
  if (!path || path->empty()) return Complete(request, kStatusBadReply);
  if (!ResultWithinLimit(request, *path, kMaxRequestPath, "resolved path")) {
    return Complete(request, kStatusRefused);
  }
  request.resolvedPath.assign(*path);
  Complete(request, kStatusSuccess);
}

void RequestWorker::SendCommand(RequestBlock& request) {
  if (!WithinLimit(request, request.commandText, kMaxCommandLine, "command")) {
    return Complete(request, kStatusRefused);
  }
  auto send = [this](std::string_view text) { return SendCommandLine(text); };
  auto read = [this](std::string& reply) { return ReadReply(reply); };
  std::string reply;
  const std::int32_t asked =
      Ask(request, *this, commandSocket(), request.commandText, send, read, reply);
  if (asked != kStatusSuccess) return Complete(request, asked);
  if (!IsSuccessReply(reply)) {
    RecordAgentError(request, reply);
    return Complete(request, kStatusAgentError);
  }
  const std::optional<std::string_view> result = ReplyResult(reply);
  request.replyText = result ? std::string(*result) : reply;
  Complete(request, kStatusSuccess);
}

}  // namespace vandrel::remote
