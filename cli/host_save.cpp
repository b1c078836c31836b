#include "cli/host_save.h"

#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/doc_document.h"
#include "documents/load_request.h"
#include "editor/control_document.h"
#include "remote/document_requests.h"

namespace vandrel::cli {

namespace {

using namespace vandrel::remote;

// The form a local file is in: a record-form file begins with the length of
// its first record and then "Q" (a Qedit header) or "M" (an MPE header).
enum class LocalForm { kText, kRecords, kQedit };

LocalForm LocalFormOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[3] = {};
  in.read(head, 3);
  if (in.gcount() != 3) return LocalForm::kText;
  if (head[2] == 'Q') return LocalForm::kQedit;
  return head[2] == 'M' ? LocalForm::kRecords : LocalForm::kText;
}

// Removes a downloaded temporary file when it goes out of scope.
struct RemovedLater {
  std::string path;
  ~RemovedLater() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove(path, ignored);
  }
};

// The host file as the editor had it open: its format record with the header
// values and the file information taken at opening.
struct HostCopy {
  bool exists = false;
  DocumentFormat format;
};

bool OpenHostCopy(CliContext& context, const HostPutOptions& options, HostRequests& requests,
                  HostCopy& copy) {
  if (options.newFile) return true;
  RequestBlock check;
  check.kind = kRequestSendCommand;
  check.commandText = "=CHECK_EXISTS " + options.hostPath;
  check = requests.CarryQuietly(std::move(check));
  if (check.status == kStatusAgentError) return true;  // no such host file: it is made anew
  if (check.status != kStatusSuccess) {
    // The session itself failed: say so as the product does.
    requests.Carry(std::move(check));
    context.exitCode = 1;
    return false;
  }

  RequestBlock open;
  open.kind = kRequestOpenFile;
  open.hostPath = options.hostPath;
  open.options = kOptionProgress;
  open = requests.Carry(std::move(open));
  if (open.status != kStatusSuccess) return false;
  RemovedLater temporary{open.localPath};
  OpenedDocument opened;
  const std::uint32_t flags =
      open.formatHint != 0 ? FormatFlagsOfHint(open.formatHint) : kFormatLocal;
  if (!OpenDocument(context, open.localPath, flags, opened, false)) return false;
  copy.exists = true;
  copy.format = std::move(opened.format);
  copy.format.fileInfo = open.fileInfo;
  if (options.modifiedAt) copy.format.fileInfo.modifyTime = *options.modifiedAt;
  return true;
}

// The document the save path sees: the local file's lines in the host file's
// format.
class PutWindow final : public SaveWindow {
 public:
  PutWindow(DocumentFormat format, ControlDocument& control, std::string_view text)
      : format_(std::move(format)), editor_(control, text) {}

  DocumentFormat& Format() override { return format_; }
  SaveEditor& Editor() override { return editor_; }
  bool UploadRunning() override { return running_; }
  // The put takes the file's lines as they are: no template (editFlags 0,
  // so no COBOL'85 token) and no character map.
  std::string CobolToken() override { return {}; }
  const CharacterTable* TranslationTable() override { return nullptr; }
  // The line the Qedit label block remembers: saving keeps it as it was.
  std::int32_t CaretLine() override { return QeditLastLine(format_); }
  // Without a window there is no caret to move: the refusal's message
  // names the line.
  void MoveCaretToLine(std::int32_t, bool) override {}
  // The put's own session took no lock.
  void ReleaseHostLock() override {}
  void SetTransferRunning(bool running) override { running_ = running; }
  void DocumentSaved(const std::string&, SaveKind) override { saved_ = true; }
  // Nothing shows the host folder or a project; a failure has been reported
  // by the request, and the caller sets the exit code from the outcome; no
  // window closes.
  void HostFileCreated(const std::string&) override {}
  void HostSaveFailed(const UploadOutcome&) override {}
  void CloseAfterSave() override {}

  bool saved() const { return saved_; }

 private:
  DocumentFormat format_;
  ControlSaveEditor editor_;
  bool running_ = false;
  bool saved_ = false;
};

// Posts the save-file request and waits for it; the outcome is kept for the
// completion the caller runs once the save path has returned.
class WaitingUploader final : public Uploader {
 public:
  explicit WaitingUploader(HostRequests& requests) : requests_(requests) {}

  bool QueueUpload(const UploadRequest& upload) override {
    outcome_ = UploadOutcomeOf(requests_.Carry(SaveFileRequest(upload)));
    upload_ = upload;
    return true;
  }

  const std::optional<UploadRequest>& upload() const { return upload_; }
  const UploadOutcome& outcome() const { return outcome_; }

 private:
  HostRequests& requests_;
  std::optional<UploadRequest> upload_;
  UploadOutcome outcome_;
};

}  // namespace

bool PutAsEditorSaves(CliContext& context, const HostPutOptions& options, HostRequests& requests,
                      UserInterface& user, ProgressReporter& progress,
                      const HostConnectionState& host) {
  HostCopy copy;
  if (!OpenHostCopy(context, options, requests, copy)) return false;

  // The local lines, read as the control reads a file of their form.
  const LocalForm form = LocalFormOf(options.file);
  OpenedDocument local;
  if (!OpenDocument(
          context, options.file,
          form == LocalForm::kText ? kFormatLocal : LoadFlags(true, form == LocalForm::kQedit),
          local, false)) {
    return false;
  }
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, options.file, local, control, text)) return false;

  // An existing host file keeps what the host says about it; a new one takes
  // the local file's headers, if it has any (a text file sent to an MPE/iX
  // host becomes a standard MPE file on saving).
  DocumentFormat format;
  if (copy.exists && (copy.format.IsRecordForm() || !local.format.IsRecordForm())) {
    format = copy.format;
    if (!format.IsRecordForm()) format.lineEnds = local.format.lineEnds;
  } else {
    format = local.format;
    format.fileInfo = copy.format.fileInfo;
  }
  format.editFlags = 0;
  format.formatFlags &= ~kFormatLocal;

  PutWindow window(std::move(format), control, text);
  const bool newFile = options.newFile || !copy.exists;
  WaitingUploader uploader(requests);
  SaveServices services{user, progress, host, &uploader, nullptr, {}, {}};
  const SaveTarget target{SaveKind::kHost, options.hostPath, newFile, false};
  if (!SaveDocument(window, target, services) || !uploader.upload()) {
    // Refused (the user has been told) or not written.
    context.exitCode = 1;
    return false;
  }
  CompleteHostSave(window, *uploader.upload(), uploader.outcome(), services);
  if (!uploader.outcome().ok || !window.saved()) {
    context.exitCode = 1;
    return false;
  }
  return true;
}

}  // namespace vandrel::cli
