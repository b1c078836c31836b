// What the project flows (open, close, new, save, save as) ask of the main
// frame, answered with the frame's dialogs, title, workspace and documents.
#pragma once

#include "project/project_controller.h"

namespace vandrel::shell {

class MainFrame;

class FrameProjectAdapter final : public project::ProjectFrame {
 public:
  explicit FrameProjectAdapter(MainFrame& frame) : frame_(frame) {}

  std::optional<project::OpenProjectChoice> ChooseProjectToOpen(
      const std::string& title, const std::string& filter, const std::string& directory) override;
  std::optional<std::string> ChooseProjectToSave(const std::string& title,
                                                 const std::string& filter,
                                                 const std::string& defaultExtension,
                                                 const std::string& directory) override;
  void SetWaitCursor(bool wait) override;
  bool CloseAllDocuments() override;
  bool RequestsPending() const override;
  void Connect(const remote::ConnectParameters& parameters) override;
  void Disconnect() override;
  void ActivateWorkspace() override;
  void EnableCommand(int command, bool enabled) override;
  void SetTitle(const std::string& title) override;
  void AddRecentProject(const std::string& path) override;
  bool RunNewProjectWizard(project::Project& project) override;
  bool EditSettings(project::Project& edited, project::ProjectItem& selected) override;

 private:
  MainFrame& frame_;
  bool waiting_ = false;
};

}  // namespace vandrel::shell
