// Saving a document: measuring its lines against every width limit of its
// file format, numbering, COBOL'85 token area and template, asking before a
// limit is raised, bringing the header values up to date, and writing the
// file – in place of a local file, as a temporary copy, or as a temporary
// record-form file handed to the host upload.
//
// The editor window, its edit control, the host connection and the upload
// are reached through the interfaces below; the user through UserInterface.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/progress.h"
#include "core/settings_store.h"
#include "core/user_interface.h"
#include "documents/document_format.h"
#include "documents/document_writer.h"
#include "documents/save_request.h"
#include "documents/transfer_options.h"

namespace vandrel {

enum class SaveKind {
  kLocal = 1,          // replace the local file named by the target
  kHost = 2,           // upload to the host path named by the target
  kTemporaryCopy = 3,  // write a temporary copy and hand it back
};

// A Qedit file holds fewer lines than this.
inline constexpr std::int32_t kQeditLineLimit = 65535;

// What the save path knows about the host connection when a save starts.
struct HostConnectionState {
  bool requestEngineAvailable = false;  // requests can be queued
  bool mpeHost = false;                 // the host is an MPE/iX host
  bool qeditInstalled = false;          // the host reports Qedit available
  bool hostLocking = false;             // documents keep their host file locked
};

// One upload, as the save path queues it. The temporary file belongs to the
// upload from then on: the completion removes it.
struct UploadRequest {
  std::filesystem::path temporaryFile;
  std::string hostPath;
  bool namedAnew = false;           // the path was given by Save As
  HostFileInfo fileInfo;            // the document's host file information
  std::uint32_t transferFlags = 0;  // kOption* (documents/transfer_options.h)
  bool closeWhenDone = false;       // the save is part of closing the window
  bool operator==(const UploadRequest&) const = default;
};

// How an upload ended, as its completion reports it.
struct UploadOutcome {
  bool ok = false;
  std::int32_t lockNumber = -1;  // the host's lock number, when a lock was asked for
  HostFileInfo fileInfo;         // the uploaded file's new information
  bool newlyCreated = false;     // the upload created the host file
  int status = 0;                // on failure: the request's status code
  std::string error;             // on failure: the request's error text
};

class Uploader {
 public:
  virtual ~Uploader() = default;
  // Queues the upload; false when it cannot be queued. The completion later
  // calls CompleteHostSave (on the user-interface thread).
  virtual bool QueueUpload(const UploadRequest& request) = 0;
};

// The editor window as the save path sees it.
class SaveWindow {
 public:
  virtual ~SaveWindow() = default;
  virtual DocumentFormat& Format() = 0;
  virtual SaveEditor& Editor() = 0;
  // An upload of this document is still running.
  virtual bool UploadRunning() = 0;
  // The COBOL'85 token before date stamps are expanded: the token of the
  // document's project entry, else the project's default, else the setting.
  virtual std::string CobolToken() = 0;
  // The character table when character translation is on, else null.
  virtual const CharacterTable* TranslationTable() = 0;
  // The caret's line, from 1.
  virtual std::int32_t CaretLine() = 0;
  // Moves the caret to `line` (from 1), giving that line the error mark
  // when `errorMark`.
  virtual void MoveCaretToLine(std::int32_t line, bool errorMark) = 0;
  // Releases the document's host lock when it holds one.
  virtual void ReleaseHostLock() = 0;
  // Marks the window's transfer as running or over; the window keeps the
  // frame's busy state (cleared when nothing else is pending).
  virtual void SetTransferRunning(bool running) = 0;
  // The document was saved as `name`: it becomes the document's name, the
  // modified mark and read-only state are cleared and the caption rebuilt;
  // after a local save the Code Navigator is refreshed as well.
  virtual void DocumentSaved(const std::string& name, SaveKind kind) = 0;
  // The upload created `hostPath`: the document's project link is dropped
  // and the host folder shown in the workspace refreshed.
  virtual void HostFileCreated(const std::string& hostPath) = 0;
  // The upload failed: the window is restored when minimised and the error
  // reported through the connection error box.
  virtual void HostSaveFailed(const UploadOutcome& outcome) = 0;
  // The save was started by closing the window and has succeeded.
  virtual void CloseAfterSave() = 0;
};

// What a save needs besides the window.
struct SaveServices {
  UserInterface& ui;
  ProgressReporter& progress;
  HostConnectionState host;
  Uploader* uploader = nullptr;       // null: host saves fail
  SettingsStore* settings = nullptr;  // the recent lists; null: not recorded
  // Expands the date stamps of a COBOL'85 token; null: the token is used as is.
  std::function<std::string(std::string_view)> expandDateStamps;
  // Where temporary files are made; empty: the system's temporary folder.
  std::filesystem::path temporaryFolder;
};

struct SaveTarget {
  SaveKind kind = SaveKind::kLocal;
  std::string name;        // local path or host path; unused for a temporary copy
  bool namedAnew = false;  // set by Save As
  bool closing = false;    // the save is part of closing the window
};

struct DocumentSaveResult {
  bool ok = false;
  // A temporary copy: the written file, closed, removed when dropped.
  std::optional<TemporaryFile> temporaryCopy;
  explicit operator bool() const { return ok; }
};

// Saves the window's document. A refusal or a failure to write the file is
// reported to the user (an unavailable request engine is not) and leaves the
// document, its format record and the target untouched, with no temporary
// file left. Once a host save's file is written the document takes the new
// header values it carries; the save succeeds when the upload is queued, and
// CompleteHostSave finishes it.
DocumentSaveResult SaveDocument(SaveWindow& window, const SaveTarget& target,
                                SaveServices& services);

// The completion of a queued upload, whether or not it succeeded: ends the
// transfer, removes the temporary file, clears the progress, and on success
// takes the host's answer into the document.
void CompleteHostSave(SaveWindow& window, const UploadRequest& request,
                      const UploadOutcome& outcome, SaveServices& services);

// The header values a document gets when it becomes a standard MPE file:
// MVER 1, FCODE 0, no lockword, RECLEN 0, BFACT 1, TYPE 0, MODE 1, EOF 0,
// LIMIT 1, no labels, CCTL 0, no ACD. Saving then sets RECLEN, EOF and LIMIT.
MpeHeader StandardMpeHeader();

// The transfer flags of an upload of a document with `formatFlags`.
std::uint32_t UploadTransferFlags(std::uint32_t formatFlags, const HostConnectionState& host,
                                  bool closing);

}  // namespace vandrel
