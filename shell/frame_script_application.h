// A start-up script's view of the desktop application: projects, documents
// and the idle state of the main frame, through what the frame offers a
// script (ScriptDesktop).
#pragma once

#include "project/startup_script_runner.h"

namespace vandrel::shell {

class ScriptDesktop;

class FrameScriptApplication final : public project::ScriptApplication {
 public:
  // `desktop` must outlive the application.
  explicit FrameScriptApplication(ScriptDesktop& desktop) : desktop_(desktop) {}

  void OpenProject(const std::string& path) override;
  void CloseProject() override;
  bool OpenProjectItem(const std::string& nameOrPath) override;
  void OpenFileByName(const std::string& name, const std::string& templateName) override;
  std::vector<std::string> ProjectFiles() override;
  std::vector<DocumentHandle> OpenDocuments() override;
  void SaveDocument(DocumentHandle document) override;
  bool IsIdle() override;
  bool QuitRequested() override;
  void ProcessEvents(std::chrono::milliseconds limit) override;

 private:
  ScriptDesktop& desktop_;
};

}  // namespace vandrel::shell
