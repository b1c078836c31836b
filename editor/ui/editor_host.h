// What an editor window needs of the host connection and of the project
// around it: the connection as a save sees it, the upload and the release
// of a host lock (both finished on the user-interface thread), the host
// "Save File As" choice, and the project's settings for the document.
// The main frame implements it; a window without one edits local files only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "documents/save_document.h"

namespace vandrel::ui {

class EditorHost {
 public:
  virtual ~EditorHost() = default;
  // The connection as a save starting now sees it; requestEngineAvailable
  // is false while no session is open.
  virtual HostConnectionState SaveState() const = 0;
  // Queues the save-file request of `request`. `done` runs on the
  // user-interface thread with the outcome (failures already reported to
  // the user). False when nothing could be queued.
  virtual bool QueueUpload(const UploadRequest& request,
                           std::function<void(const UploadOutcome&)> done) = 0;
  // Queues "=FILE_UNLOCK %d"; `done` runs on the user-interface thread with
  // whether the host released it (a failure is reported to the user).
  // False when nothing could be queued.
  virtual bool ReleaseLock(std::int32_t lockNumber, std::function<void(bool released)> done) = 0;
  // The host "Save File As" dialog proposing `proposedName` in `folder`;
  // the chosen host path, or nothing when cancelled.
  virtual std::optional<std::string> ChooseHostSavePath(const std::string& folder,
                                                        const std::string& proposedName) = 0;
  // The COBOL'85 token of the document's project entry, else the project's
  // default; nothing when neither overrides the setting.
  virtual std::optional<std::string> ProjectCobolToken(const std::string& documentName) = 0;
  // An upload created `hostPath`: the workspace shows its folder afresh.
  virtual void HostFileCreated(const std::string& hostPath) = 0;
  // A transfer of a window started or ended: the frame's busy state.
  virtual void TransferStateChanged() = 0;
};

}  // namespace vandrel::ui
