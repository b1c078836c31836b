// The request kinds that are one command and its reply on the command
// connection: get-directory, file-information, resolve-file and
// send-command.
#include <fmt/printf.h>

#include <cstdint>
#include <optional>
#include <string>

#include "documents/host_file_info.h"
#include "remote/operation_support.h"
#include "remote/request_worker.h"

namespace vandrel::remote {

namespace {

// The name of the record: what follows the path's last "/", the whole path
// when it has none, "/" when it ends in one.
std::string FileNameOf(const std::string& hostPath) {
  const std::size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return hostPath;
  if (slash + 1 == hostPath.size()) return "/";
  return hostPath.substr(slash + 1);
}

}  // namespace

std::int32_t RequestWorker::GetDirectory(RequestBlock& request) {
  std::string reply;
  const std::int32_t asked = Link().Ask(request, "=GET_CD", reply);
  if (asked != kStatusSuccess) return asked;
  if (!IsSuccessReply(reply)) return FailWithAgentReply(request, reply);
  const std::optional<std::string_view> directory = ReplyResult(reply);
  if (!directory) return kStatusBadReply;
  if (!ResultWithinLimit(request, *directory, kMaxRequestPath, "current directory")) {
    return kStatusRefused;
  }
  request.hostPath.assign(*directory);
  return kStatusSuccess;
}

std::int32_t RequestWorker::FileInformation(RequestBlock& request) {
  if (!WithinLimit(request, request.hostPath, kMaxRequestPath, "host path")) return kStatusRefused;
  std::string reply;
  const std::int32_t asked =
      Link().Ask(request, fmt::sprintf("=GET_FILEINFO %s", request.hostPath), reply);
  if (asked != kStatusSuccess) return asked;
  if (!IsSuccessReply(reply)) return FailWithAgentReply(request, reply);
  request.fileInfo = HostFileInfo{};
  if (!ParseFileInfoReply(reply, request.fileInfo)) return kStatusBadReply;
  request.fileInfo.name = FileNameOf(request.hostPath);
  return kStatusSuccess;
}

std::int32_t RequestWorker::ResolveFile(RequestBlock& request) {
  if (!WithinLimit(request, request.name, kMaxRequestPath, "file name") ||
      !WithinLimit(request, request.contextPath, kMaxRequestPath, "context path")) {
    return kStatusRefused;
  }
  StripQuotes(request.name);
  StripQuotes(request.contextPath);
  std::string reply;
  const std::int32_t asked = Link().Ask(
      request, fmt::sprintf("=RESOLVE_FILE 0 \"%s\" \"%s\"", request.name, request.contextPath),
      reply);
  if (asked != kStatusSuccess) return asked;
  if (!IsSuccessReply(reply)) return FailWithAgentReply(request, reply);
  const std::optional<std::string_view> path = ReplyResult(reply);
  if (!path || path->empty()) return kStatusBadReply;
  if (!ResultWithinLimit(request, *path, kMaxRequestPath, "resolved path")) return kStatusRefused;
  request.resolvedPath.assign(*path);
  return kStatusSuccess;
}

std::int32_t RequestWorker::SendCommand(RequestBlock& request) {
  if (!WithinLimit(request, request.commandText, kMaxCommandLine, "command")) {
    return kStatusRefused;
  }
  std::string reply;
  const std::int32_t asked = Link().Ask(request, request.commandText, reply);
  if (asked != kStatusSuccess) return asked;
  if (!IsSuccessReply(reply)) return FailWithAgentReply(request, reply);
  const std::optional<std::string_view> result = ReplyResult(reply);
  request.replyText = result ? std::string(*result) : reply;
  return kStatusSuccess;
}

}  // namespace vandrel::remote
