// What the project flows (open, close, new, save, save as) ask of the main
// frame, answered with the window's dialogs and title, the host connection,
// the document windows and the recent-projects list.
#pragma once

#include <functional>

#include "project/project_controller.h"
#include "shell/frame_project_window.h"

class QWidget;

namespace vandrel {
class SettingsStore;
}

namespace vandrel::ui {
struct RemoteDialogServices;
}

namespace vandrel::shell {

class FrameDocuments;
class FrameHostConnection;
class FrameHostView;

class FrameProjectFrame final : public project::ProjectFrame {
 public:
  // `window` owns the dialogs and carries the title; `store` may be null (no
  // recent projects kept). All of them must outlive the adapter.
  FrameProjectFrame(QWidget& window, FrameHostConnection& host, FrameHostView& view,
                    FrameDocuments& documents, SettingsStore* store)
      : window_(window), host_(host), view_(view), documents_(documents), store_(store) {}

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

  // What the host file dialogs of the new project wizard are given (the
  // frame's: templates, settings, Stop); without it they get the worker
  // and the user interface alone.
  using DialogServicesSource = std::function<ui::RemoteDialogServices()>;
  void SetHostDialogServices(DialogServicesSource source) { dialogServices_ = std::move(source); }
  void SetSettingsServices(SettingsServicesSource source) { settingsServices_ = std::move(source); }

 private:
  QWidget& window_;
  FrameHostConnection& host_;
  FrameHostView& view_;
  FrameDocuments& documents_;
  SettingsStore* store_;
  bool waiting_ = false;
  DialogServicesSource dialogServices_;
  SettingsServicesSource settingsServices_;
};

}  // namespace vandrel::shell
