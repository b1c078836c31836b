// The composite request kinds, open-file and save-file: each runs its steps
// through the worker's own operations (RunStep) on blocks of its own, so
// nothing else runs on the command connection between them. A step that
// fails ends the request with its status and error.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/host_file_info.h"
#include "remote/operation_support.h"
#include "remote/request_worker.h"

namespace vandrel::remote {

namespace {

// Host kind 1: MPE/iX, whose files travel as records.
constexpr std::int32_t kHostKindMpe = 1;
constexpr std::int32_t kQeditFileCode = 111;

RequestBlock Step(std::int32_t kind, std::int32_t options, const std::string& hostPath) {
  RequestBlock step;
  step.kind = kind;
  step.options = options;
  step.hostPath = hostPath;
  return step;
}

// Host times count whole seconds: a file written a moment ago and written
// again with the same size within the same second reports the same
// information before and after, although the upload took effect. Such a
// save is not taken for one that did not.
bool ModifiedJustNow(const HostFileInfo& info) {
  const auto now = static_cast<std::int64_t>(std::time(nullptr));
  return info.modifyTime != 0 && now - info.modifyTime <= 1 && info.modifyTime - now <= 1;
}

// The question of a save whose host file changed, without the host's bytes.
OverwriteCase ChangedFileCase(const RequestBlock& request, const HostFileInfo& current) {
  OverwriteCase question;
  question.hostPath = request.hostPath;
  question.loaded = request.fileInfo;
  question.current = current;
  question.uploadFile = request.localPath;
  question.transferOptions = static_cast<std::uint32_t>(request.options);
  return question;
}

}  // namespace

std::optional<std::string> RequestWorker::ReceiveCurrentFile(const RequestBlock& request) {
  // In the upload's own mode, so both versions come in the same form; no
  // progress display and no lock for a look at the file.
  RequestBlock receive =
      Step(kRequestReceiveToMemory,
           request.options & (kOptionModeRecord | kOptionModeQedit | kOptionModeBytes),
           request.hostPath);
  if (RunStep(&RequestWorker::ReceiveFile, receive) != kStatusSuccess) return std::nullopt;
  return std::move(receive.buffer);
}

std::int32_t RequestWorker::OpenHostFile(RequestBlock& request) {
  if (!WithinLimit(request, request.hostPath, kMaxRequestPath, "host path")) return kStatusRefused;
  request.localPath.clear();
  request.formatHint = 0;

  RequestBlock information = Step(kRequestFileInformation, request.options, request.hostPath);
  if (RunStep(&RequestWorker::FileInformation, information) != kStatusSuccess) {
    return FailWithStep(request, information);
  }
  request.fileInfo = information.fileInfo;

  RequestBlock receive = Step(kRequestReceiveToFile, request.options, request.hostPath);
  if (hostKind() == kHostKindMpe) {
    receive.options = kOptionModeRecord | (request.options & kOptionProgress);
    // A file that cannot be locked is opened without asking for a lock.
    if (request.fileInfo.flags & kFileInfoCannotLock) request.options &= ~kOptionKeepLocked;
    receive.options |= request.options & kOptionKeepLocked;
    const bool qedit = request.fileInfo.fileCode == kQeditFileCode;
    if (qedit) receive.options |= kOptionModeQedit;
    request.formatHint = qedit ? kFormatHintQedit : kFormatHintRecords;
  }
  if (RunStep(&RequestWorker::ReceiveFile, receive) != kStatusSuccess) {
    return FailWithStep(request, receive);
  }
  request.localPath = receive.localPath;
  request.lockNumber = receive.lockNumber;
  return kStatusSuccess;
}

std::int32_t RequestWorker::SaveHostFile(RequestBlock& request) {
  if (!WithinLimit(request, request.hostPath, kMaxRequestPath, "host path") ||
      !WithinLimit(request, request.localPath, kMaxRequestPath, "local file name")) {
    return kStatusRefused;
  }

  // The host file as it was just before it is replaced (an empty record when
  // it did not exist).
  HostFileInfo before;
  if (request.newFile == 0) {
    RequestBlock check = Step(kRequestSendCommand, 0, request.hostPath);
    check.commandText = "=CHECK_EXISTS " + request.hostPath;
    RunStep(&RequestWorker::SendCommand, check);
    if (stopping()) return kStatusCancelled;
    if (check.status == kStatusSuccess) {
      RequestBlock information = Step(kRequestFileInformation, request.options, request.hostPath);
      if (RunStep(&RequestWorker::FileInformation, information) != kStatusSuccess) {
        return FailWithStep(request, information);
      }
      if (information.fileInfo.modifyTime != request.fileInfo.modifyTime) {
        bool overwrite = false;
        if (services().overwrite != nullptr) {
          OverwriteCase question = ChangedFileCase(request, information.fileInfo);
          question.currentBytes = ReceiveCurrentFile(request);
          if (stopping()) return kStatusCancelled;
          overwrite = services().overwrite->ConfirmOverwrite(question);
        } else {
          overwrite = ConfirmOverwriteAsText(services().user,
                                             ChangedFileCase(request, information.fileInfo));
        }
        if (!overwrite) return kStatusAbandoned;
      }
      before = information.fileInfo;
    }
  }

  RequestBlock send = Step(kRequestSendFile, request.options, request.hostPath);
  send.localPath = request.localPath;
  if (RunStep(&RequestWorker::SendFile, send) != kStatusSuccess) return FailWithStep(request, send);
  request.lockNumber = send.lockNumber;
  if ((request.options & kOptionKeepLocked) && request.lockNumber == -1) {
    request.options &= ~kOptionKeepLocked;
  }

  RequestBlock after = Step(kRequestFileInformation, request.options, request.hostPath);
  if (RunStep(&RequestWorker::FileInformation, after) != kStatusSuccess) {
    return FailWithStep(request, after);
  }
  if (request.newFile == 0 && (after.fileInfo.flags & kFileInfoCannotLock) == 0 &&
      after.fileInfo == before && !ModifiedJustNow(before)) {
    // Nothing about the host file changed: the upload did not take effect.
    return kStatusHostUnchanged;
  }
  request.fileInfo = after.fileInfo;
  return kStatusSuccess;
}

}  // namespace vandrel::remote
