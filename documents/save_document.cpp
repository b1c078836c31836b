#include "documents/save_document.h"

#include <algorithm>
#include <system_error>

#include "core/message_box.h"
#include "core/recent_list.h"
#include "core/string_ids.h"
#include "platform/atomic_replacement.h"
#include "platform/byte_order.h"

namespace vandrel {

namespace {

// The line a width belongs to; none once the numbering or the token area
// decides the width.
constexpr std::int32_t kNoLine = -1;

// A Qedit label block keeps the line last worked on, big-endian, at this byte
// when it is longer than kQeditLastLineAfter bytes.
constexpr std::size_t kQeditLastLineOffset = 46;
constexpr std::size_t kQeditLastLineAfter = 50;

template <typename... Args>
void Tell(SaveServices& services, int id, const Args&... args) {
  MessageBox(services.ui, kMbOk | kMbIconWarning, id, args...);
}

template <typename... Args>
bool Ask(SaveServices& services, int id, const Args&... args) {
  return MessageBox(services.ui, kMbYesNo | kMbIconQuestion, id, args...) == kIdYes;
}

// The width every line of the document is written with, and the line that
// decides it (kNoLine when the numbering or the token area does).
struct Measure {
  std::int32_t width = 0;
  std::int32_t line = kNoLine;
  std::int32_t longestLine = 0;  // the longest line as the control measured it
  std::int32_t lineCount = 0;

  // The line a message names: the deciding line, else the longest one.
  std::int32_t NamedLine() const { return line != kNoLine ? line : longestLine; }
};

void StoreCaretLine(std::vector<std::uint8_t>& labelBlock, std::int32_t line) {
  if (labelBlock.size() <= kQeditLastLineAfter) return;
  const auto value = static_cast<std::uint32_t>(std::max<std::int32_t>(line, 0));
  platform::WriteBigEndian32(labelBlock.data() + kQeditLastLineOffset, value);
}

// Checks the measured width against the numbering, the COBOL'85 token area,
// the Qedit record length (host saves) and the template's limit. False when
// the save must stop; the user has been told or has refused.
bool CheckWidths(SaveWindow& window, const SaveTarget& target, SaveServices& services,
                 DocumentFormat& work, Measure& m) {
  const bool host = target.kind == SaveKind::kHost;
  if (host && work.IsQedit() && !services.host.qeditInstalled) {
    Tell(services, kStrQeditNotLicensed);
    return false;
  }

  const DocumentNumbering& numbering = work.activeNumbering;
  if (numbering.position >= 2) {
    // Numbers at the end of each line, from column `position`.
    if (m.width > numbering.position) {
      Tell(services, kStrLineOverlapsNumbers, m.line + 1, numbering.position);
      window.MoveCaretToLine(m.line + 1, true);
      return false;
    }
    m.width = numbering.position;
    m.line = kNoLine;
  }
  if (numbering.position != 0) m.width += numbering.digits;

  if (work.editFlags & kEditCobol85) {
    if (m.width > static_cast<std::int32_t>(kTokenColumn)) {
      Tell(services, kStrLineOverlapsCobolToken, m.NamedLine() + 1);
      window.MoveCaretToLine(m.NamedLine() + 1, true);
      return false;
    }
    m.width = static_cast<std::int32_t>(kCobolRecordWidth);
    m.line = kNoLine;
  }

  if (host && work.IsQedit() && m.width > work.qedit.reclen) {
    if (m.line != kNoLine) {
      Tell(services, kStrLineExceedsQeditRecordLength, m.line + 1, work.qedit.reclen);
      window.MoveCaretToLine(m.line + 1, true);
      return false;
    }
    if (!Ask(services, kStrIncreaseQeditRecordLength, work.qedit.reclen, m.width)) return false;
    work.qedit.reclen = m.width;
  }

  if (work.maximumLineLength != 0 && m.width > work.maximumLineLength) {
    if (!Ask(services, kStrLineExceedsTemplateLimit, m.NamedLine() + 1, work.templateName,
             work.maximumLineLength)) {
      window.MoveCaretToLine(m.NamedLine() + 1, false);
      return false;
    }
  }
  return true;
}

// Brings the header values of a host save up to date: record lengths raised
// to the widest line (asking for fixed records), counts set to the line count,
// a Qedit file too long for Qedit converted, a text document sent to an
// MPE/iX host turned into a standard MPE file. False when the user refuses.
bool PrepareHostHeaders(SaveWindow& window, SaveServices& services, DocumentFormat& work,
                        const Measure& m) {
  if (work.IsRecordForm()) {
    const std::int32_t current = work.IsQedit() ? work.qedit.reclen : work.mpe.reclen;
    if (work.IsQedit()) {
      if (m.lineCount >= kQeditLineLimit) {
        if (!Ask(services, kStrQeditLineLimitExceeded)) return false;
        work.formatFlags &= ~kFormatQedit;
        work.mpe = StandardMpeHeader();
      }
      StoreCaretLine(work.mpe.labelBlock, window.CaretLine());
    } else if (work.mpe.type == 0 && m.width > work.mpe.reclen) {
      // Fixed records: every record is RECLEN long, so a longer line needs a
      // longer record.
      if (m.line == kNoLine) {
        if (!Ask(services, kStrIncreaseRecordLength, work.mpe.reclen, m.width)) return false;
      } else if (!Ask(services, kStrLineExceedsRecordLength, m.line + 1, work.mpe.reclen,
                      m.width)) {
        window.MoveCaretToLine(m.line + 1, true);
        return false;
      }
      work.mpe.reclen = m.width;
    }
    const std::int32_t length = std::max({current, m.width, std::int32_t{1}});
    if (work.IsQedit()) {
      work.qedit.reclen = length;
      work.qedit.eof = m.lineCount;
    } else {
      work.mpe.reclen = length;
      work.mpe.eof = m.lineCount;
      // The file keeps the room it was made with, and grows when the lines
      // need more: a limit cut to the line count would leave no room for a
      // program to add records.
      work.mpe.limit = std::max(work.mpe.limit, m.lineCount);
    }
  } else if (services.host.mpeHost) {
    work.formatFlags = (work.formatFlags | kFormatRecordForm) & ~kFormatQedit;
    work.mpe = StandardMpeHeader();
    work.mpe.reclen = std::max(m.width, std::int32_t{1});
    work.mpe.eof = m.lineCount;
    work.mpe.limit = m.lineCount;
  }
  return true;
}

DocumentSaveResult SaveToHost(SaveWindow& window, const SaveTarget& target, SaveServices& services,
                              DocumentFormat& work, const Measure& m) {
  DocumentSaveResult result;
  if (!PrepareHostHeaders(window, services, work, m)) return result;

  WrittenFile written = WriteTemporaryFile(window.Editor(), work, window.TranslationTable(),
                                           services.progress, services.temporaryFolder);
  if (!written.file) {
    Tell(services, kStrTempFileCreateFailed, target.name);
    return result;
  }

  // The file carries the new header values; the document takes them now.
  DocumentFormat& format = window.Format();
  format.formatFlags = work.formatFlags;
  format.mpe = work.mpe;
  format.qedit = work.qedit;

  window.ReleaseHostLock();

  UploadRequest upload;
  upload.hostPath = target.name;
  upload.namedAnew = target.namedAnew;
  upload.fileInfo = format.fileInfo;
  upload.transferFlags = UploadTransferFlags(format.formatFlags, services.host, target.closing);
  upload.closeWhenDone = target.closing;
  // From here the upload owns the file; its completion removes it.
  upload.temporaryFile = written.file->Keep();
  window.SetTransferRunning(true);
  if (!services.uploader->QueueUpload(upload)) {
    window.SetTransferRunning(false);
    std::error_code ec;
    std::filesystem::remove(upload.temporaryFile, ec);
    return result;
  }
  result.ok = true;
  return result;
}

enum class ReplaceError { kNone, kTarget, kWrite };

// Replaces `target` with the document written in `format`, through the file
// a symbolic link names: whatever fails, the target is either the old file,
// whole, or the new one. A target that is not a writable regular file is
// refused before anything is written.
ReplaceError ReplaceLocalFile(SaveWindow& window, const std::filesystem::path& target,
                              const DocumentFormat& format, SaveServices& services) {
  platform::ReplacementOptions options;
  options.prefix = ".";
  options.refuseReadOnlyTarget = true;
  std::optional<platform::AtomicReplacement> replacement =
      platform::AtomicReplacement::Begin(target, nullptr, options);
  if (!replacement) return ReplaceError::kTarget;
  if (WriteDocumentFile(replacement->fd(), window.Editor(), format, nullptr, services.progress) !=
      WriteFileError::kNone) {
    return ReplaceError::kWrite;
  }
  window.ReleaseHostLock();
  return replacement->Commit(nullptr) ? ReplaceError::kNone : ReplaceError::kTarget;
}

DocumentSaveResult SaveLocally(SaveWindow& window, const SaveTarget& target, SaveServices& services,
                               const DocumentFormat& work) {
  DocumentSaveResult result;
  // A local file is plain text: no header records, no records.
  DocumentFormat local = work;
  local.formatFlags = 0;
  if (local.lineEnds == 0) local.lineEnds = kLineEndCr | kLineEndLf;

  if (target.kind == SaveKind::kTemporaryCopy) {
    WrittenFile written = WriteTemporaryFile(window.Editor(), local, nullptr, services.progress,
                                             services.temporaryFolder);
    if (!written.file) {
      Tell(services, kStrTempFileCreateFailed, target.name);
      return result;
    }
    result.ok = true;
    result.temporaryCopy = std::move(written.file);
    return result;
  }

  switch (ReplaceLocalFile(window, target.name, local, services)) {
    case ReplaceError::kNone:
      break;
    case ReplaceError::kWrite:
      Tell(services, kStrTempFileCreateFailed, target.name);
      return result;
    case ReplaceError::kTarget:
      Tell(services, kStrLocalWriteFailed, target.name);
      return result;
  }
  window.Editor().TextSaved();
  if (services.settings) RecentListAdd(*services.settings, kRecentLocalFiles, target.name);
  window.DocumentSaved(target.name, SaveKind::kLocal);
  result.ok = true;
  return result;
}

}  // namespace

MpeHeader StandardMpeHeader() {
  MpeHeader header;
  header.mver = 1;
  header.fcode = 0;
  header.reclen = 0;
  header.bfact = 1;
  header.type = 0;
  header.mode = 1;
  header.eof = 0;
  header.limit = 1;
  header.labels = 0;
  header.maxLabels = 0;
  header.cctl = 0;
  return header;
}

std::uint32_t UploadTransferFlags(std::uint32_t formatFlags, const HostConnectionState& host,
                                  bool closing) {
  if (!host.mpeHost) return kOptionsOtherHost;
  std::uint32_t flags = kOptionProgress;
  if (formatFlags & kFormatQedit) {
    flags |= kOptionModeQedit;
  } else if (formatFlags & kFormatRecordForm) {
    flags |= kOptionModeRecord;
  }
  if (host.hostLocking && !closing) flags |= kOptionKeepLocked;
  return flags;
}

DocumentSaveResult SaveDocument(SaveWindow& window, const SaveTarget& target,
                                SaveServices& services) {
  if (window.UploadRunning()) {
    Tell(services, kStrUploadInProgress, target.name);
    return {};
  }

  // The checks work on a copy; a refusal leaves the document's record as it was.
  DocumentFormat work = window.Format();
  SaveEditor& editor = window.Editor();
  if (work.editFlags & kEditCobol85) {
    std::string token = window.CobolToken();
    if (services.expandDateStamps) token = services.expandDateStamps(token);
    if (token.size() > kMaxTokenTextLength) token.resize(kMaxTokenTextLength);
    editor.SetCobolTokenText(token);
  }

  const LongestLine longest =
      editor.MeasureLongestLine((work.editFlags & kEditSaveTabsAsSpaces) != 0);
  Measure m;
  m.width = longest.width;
  m.line = longest.line;
  m.longestLine = longest.line;
  m.lineCount = editor.LineCount();

  if (!CheckWidths(window, target, services, work, m)) return {};

  if (target.kind == SaveKind::kHost) {
    if (!services.host.requestEngineAvailable || services.uploader == nullptr) return {};
    return SaveToHost(window, target, services, work, m);
  }
  return SaveLocally(window, target, services, work);
}

void CompleteHostSave(SaveWindow& window, const UploadRequest& request,
                      const UploadOutcome& outcome, SaveServices& services) {
  window.SetTransferRunning(false);
  std::error_code ec;
  std::filesystem::remove(request.temporaryFile, ec);
  services.progress.ClearProgress();
  if (!outcome.ok) {
    window.HostSaveFailed(outcome);
    return;
  }

  DocumentFormat& format = window.Format();
  format.lockId = (request.transferFlags & kOptionKeepLocked) ? outcome.lockNumber : -1;
  format.formatFlags &= ~kFormatLocal;
  format.fileInfo = outcome.fileInfo;
  if (outcome.newlyCreated) window.HostFileCreated(request.hostPath);
  window.Editor().TextSaved();
  if (services.settings) RecentListAdd(*services.settings, kRecentFiles, request.hostPath);
  window.DocumentSaved(request.hostPath, SaveKind::kHost);
  if (request.closeWhenDone) window.CloseAfterSave();
}

}  // namespace vandrel
