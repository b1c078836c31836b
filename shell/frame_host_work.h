// The frame's host work as the workspace's commands ask for it: Compile
// (Ctrl+F7) and Build (F7) of a project item, and whether the host is
// connected, which host files and Add Files need. Called on the
// user-interface thread only.
#pragma once

namespace vandrel::project {
class ProjectItem;
}

namespace vandrel::shell {

class FrameHostWork {
 public:
  virtual ~FrameHostWork() = default;
  // Compile of a file, folder or project, and Build of what builds it; the
  // user is told when the host is not connected.
  virtual void CompileItem(project::ProjectItem& item) = 0;
  virtual void BuildItem(project::ProjectItem& item) = 0;
  // The frame's connected state (status part 1 says "Connected").
  virtual bool connected() const = 0;
};

}  // namespace vandrel::shell
