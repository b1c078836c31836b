// The workspace's project commands as the main frame carries them out: the
// New Folder dialog, removing items, opening and adding files from the
// host, compile and build, and the project settings dialog.
#pragma once

#include <functional>

#include "project/project_menu.h"
#include "project/project_operations.h"

class QWidget;

namespace vandrel::ui {
struct ProjectSettingsServices;
}

namespace vandrel::shell {

class DocumentOpener;
class FrameHostWork;
class StatusBar;

// Where the project settings dialog gets its templates, character maps,
// settings and folder browser when it opens.
using SettingsServicesSource = std::function<ui::ProjectSettingsServices()>;

// The "Project Settings" dialog over `edited` with `selected` chosen (false
// without a source); the keyboard goes back to the widget that had it.
bool ShowSettingsDialog(QWidget& window, const SettingsServicesSource& source,
                        project::Project& edited, project::ProjectItem& selected);

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
  void SetSettingsServices(SettingsServicesSource source) { settingsServices_ = std::move(source); }

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
  SettingsServicesSource settingsServices_;
};

}  // namespace vandrel::shell
