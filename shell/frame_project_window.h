// The workspace's project commands as the main frame carries them out: the
// New Folder dialog, removing items, opening files from the host, compile
// and build. Adding host files and the settings dialogs are not there yet.
#pragma once

#include "project/project_menu.h"

namespace vandrel::shell {

class MainFrame;

class FrameProjectWindow final : public project::ProjectWindow {
 public:
  explicit FrameProjectWindow(MainFrame& frame) : frame_(frame) {}

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
  MainFrame& frame_;
};

}  // namespace vandrel::shell
