// The workspace's project commands as the main frame carries them out: the
// New Folder dialog, removing items, opening files from the host, compile
// and build. Adding host files and the settings dialogs are not there yet.
#pragma once

#include "project/project_menu.h"

class QWidget;

namespace vandrel::shell {

class DocumentOpener;
class FrameHostWork;
class StatusBar;

class FrameProjectWindow final : public project::ProjectWindow {
 public:
  // `window` owns the dialogs; host files open through `opener`, and
  // `status` says when they cannot. All of them must outlive the adapter.
  FrameProjectWindow(QWidget& window, StatusBar& status, DocumentOpener& opener,
                     FrameHostWork& hostWork)
      : window_(window), status_(status), opener_(opener), hostWork_(hostWork) {}

  bool OpenEditor(const std::string& path, const std::string& templateName, bool readOnly,
                  project::ProjectItem& owner, int line, int mark, bool activate) override;
  bool AskNewFolder(std::string* name, std::string* location) override;
  std::optional<project::AddFilesChoice> ChooseFilesToAdd(const std::string& title,
                                                          const std::string& directory) override;
  bool EditSettings(project::Project& edited, project::ProjectItem& selected) override;
  void ShowOpenFileDialog(const std::string& directory) override;
  void Compile(project::ProjectItem& item) override;
  void Build(project::ProjectItem& item) override;
  bool Connected() const override;

 private:
  QWidget& window_;
  StatusBar& status_;
  DocumentOpener& opener_;
  FrameHostWork& hostWork_;
};

}  // namespace vandrel::shell
