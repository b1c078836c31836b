#include "remote/document_requests.h"

#include <string>

namespace vandrel::remote {

RequestBlock SaveFileRequest(const UploadRequest& upload) {
  RequestBlock request;
  request.kind = kRequestSaveFile;
  request.options = static_cast<std::int32_t>(upload.transferFlags);
  request.hostPath = upload.hostPath;
  request.localPath = upload.temporaryFile.string();
  request.newFile = upload.namedAnew ? 1 : 0;
  request.fileInfo = upload.fileInfo;
  return request;
}

UploadOutcome UploadOutcomeOf(const RequestBlock& finished) {
  UploadOutcome outcome;
  outcome.ok = finished.status == kStatusSuccess;
  outcome.lockNumber = finished.lockNumber;
  outcome.fileInfo = finished.fileInfo;
  outcome.newlyCreated = outcome.ok && finished.newFile != 0;
  outcome.status = finished.status;
  outcome.error = finished.errorText;
  return outcome;
}

RequestBlock UnlockRequest(std::int32_t lockNumber) {
  RequestBlock request;
  request.kind = kRequestRunCommand;
  request.commandLine = "=FILE_UNLOCK " + std::to_string(lockNumber);
  return request;
}

std::uint32_t FormatFlagsOfHint(std::int32_t hint) {
  switch (hint) {
    case kFormatHintQedit:
      return kFormatRecordForm | kFormatQedit;
    case kFormatHintRecords:
      return kFormatRecordForm;
    default:
      return 0;
  }
}

}  // namespace vandrel::remote
