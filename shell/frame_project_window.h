// The workspace's project commands as the main frame carries them out: the
// New Folder dialog, removing items, opening and adding files from the
// host, compile and build. The settings dialogs are not there yet.
#pragma once

#include <functional>

#include "project/project_menu.h"
#include "project/project_operations.h"

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
  // Chooses host files to add (the host file dialog with `title`,
  // starting in a folder); nothing on Cancel.
  using HostFileChooser = std::function<std::optional<project::AddFilesChoice>(
      const std::string& title, const std::string& folder)>;
  void SetHostFileChooser(HostFileChooser chooser) { chooser_ = std::move(chooser); }

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
  HostFileChooser chooser_;
};

}  // namespace vandrel::shell
