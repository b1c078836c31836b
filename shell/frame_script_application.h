// A start-up script's view of the desktop application: projects, documents
// and the idle state of the main frame.
#pragma once

#include "project/startup_script_runner.h"

namespace vandrel::shell {

class MainFrame;

class FrameScriptApplication final : public project::ScriptApplication {
 public:
  explicit FrameScriptApplication(MainFrame& frame);

  void OpenProject(const std::string& path) override;
  void CloseProject() override;
  bool OpenProjectItem(const std::string& nameOrPath) override;
  void OpenFileByName(const std::string& name, const std::string& templateName) override;
  std::vector<std::string> ProjectFiles() override;
  std::vector<DocumentHandle> OpenDocuments() override;
  void SaveDocument(DocumentHandle document) override;
  bool IsIdle() override;
  bool QuitRequested() override { return quitRequested_; }
  void ProcessEvents(std::chrono::milliseconds limit) override;

 private:
  MainFrame& frame_;
  bool quitRequested_ = false;
};

}  // namespace vandrel::shell
