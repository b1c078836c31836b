// Compile, build and the error jumps as the main frame carries them out:
// the connection's queue, the busy state, Save All before a build, the
// first error after it, and opening the file of an error line.
#pragma once

#include <QObject>

#include "project/build_runner.h"
#include "project/error_navigation.h"

namespace vandrel::shell {

class MainFrame;

class FrameBuildApplication final : public QObject,
                                    public project::BuildApplication,
                                    public project::ErrorJumpTarget {
  Q_OBJECT

 public:
  explicit FrameBuildApplication(MainFrame& frame);
  void SetNavigator(project::ErrorNavigator* navigator) { navigator_ = navigator; }

  // ---- BuildApplication (the worker's thread for the completions) -------------
  project::RequestQueue* Queue() override;
  void SetBusy(bool busy) override;
  void RequestFailed(const remote::RequestBlock& request) override;
  bool Connected() override;
  std::int32_t HostKind() override;
  void SaveAllDocuments() override;
  void SelectFirstError() override;
  void ErrorBeep() override;
  void BuildFinished(std::optional<std::size_t> errors) override;

  // ---- ErrorJumpTarget (the user-interface thread) --------------------------------
  std::optional<std::string> FindItemPath(std::string_view name) override;
  bool OpenProjectItem(std::string_view name, const project::JumpPlace& place) override;
  void OpenFile(std::string_view name, const project::JumpPlace& place) override;
  bool RequestsPending() override;

 private:
  MainFrame& frame_;
  std::unique_ptr<project::WorkerQueue> queue_;
  project::ErrorNavigator* navigator_ = nullptr;
};

}  // namespace vandrel::shell
