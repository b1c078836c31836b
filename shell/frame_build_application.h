// Compile, build and the error jumps as the main frame carries them out:
// the connection's queue, the busy state, Save All before a build, the
// first error after it, and opening the file of an error line.
#pragma once

#include <QObject>
#include <memory>

#include "project/build_runner.h"
#include "project/error_navigation.h"

namespace vandrel {
class UserInterface;
}

namespace vandrel::project {
class Project;
}

namespace vandrel::shell {

class DocumentOpener;
class FrameDocuments;
class FrameHostConnection;
class FrameHostView;

class FrameBuildApplication final : public QObject,
                                    public project::BuildApplication,
                                    public project::ErrorJumpTarget {
  Q_OBJECT

 public:
  // Requests go to `host`; error lines open through `opener` and find their
  // items in `project`; failures are shown through `ui`. All of them must
  // outlive the application.
  FrameBuildApplication(FrameHostConnection& host, FrameHostView& view, DocumentOpener& opener,
                        FrameDocuments& documents, project::Project& project, UserInterface& ui,
                        QObject* parent = nullptr);
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
  FrameHostConnection& host_;
  FrameHostView& view_;
  DocumentOpener& opener_;
  FrameDocuments& documents_;
  project::Project& project_;
  UserInterface& ui_;
  std::unique_ptr<project::WorkerQueue> queue_;
  project::ErrorNavigator* navigator_ = nullptr;
};

}  // namespace vandrel::shell
