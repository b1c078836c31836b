// The editor windows' host connection as the main frame gives it: saves
// through the save-file request, lock releases through "=FILE_UNLOCK %d",
// the host "Save File As" choice and the project's settings for a
// document. Completions come back on the user-interface thread; failures
// are reported through the connection error box.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "editor/ui/editor_host.h"

namespace vandrel::project {
class Project;
}

namespace vandrel::shell {

class FrameHostConnection;
class FrameHostView;

class FrameEditorHost final : public ui::EditorHost {
 public:
  // Chooses a host path to save to (folder, proposed name); nothing: cancelled.
  using SavePathChooser =
      std::function<std::optional<std::string>(const std::string&, const std::string&)>;

  FrameEditorHost(FrameHostConnection& connection, FrameHostView& view, project::Project& project)
      : connection_(connection), view_(view), project_(project) {}

  void SetSavePathChooser(SavePathChooser chooser) { chooser_ = std::move(chooser); }
  // Called with the host path of a file an upload created.
  void SetCreatedFileHandler(std::function<void(const std::string&)> handler) {
    created_ = std::move(handler);
  }

  HostConnectionState SaveState() const override;
  bool QueueUpload(const UploadRequest& request,
                   std::function<void(const UploadOutcome&)> done) override;
  bool ReleaseLock(std::int32_t lockNumber, std::function<void(bool released)> done) override;
  std::optional<std::string> ChooseHostSavePath(const std::string& folder,
                                                const std::string& proposedName) override;
  std::optional<std::string> ProjectCobolToken(const std::string& documentName) override;
  void HostFileCreated(const std::string& hostPath) override;
  void TransferStateChanged() override;

 private:
  FrameHostConnection& connection_;
  FrameHostView& view_;
  project::Project& project_;
  SavePathChooser chooser_;
  std::function<void(const std::string&)> created_;
};

}  // namespace vandrel::shell
