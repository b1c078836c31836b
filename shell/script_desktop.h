// What a start-up script drives in the frame: the project and its items,
// files and the document windows, and whether host work or a close is under
// way. Called on the user-interface thread only.
#pragma once

#include <cstdint>
#include <string>

#include "shell/document_opener.h"
#include "shell/frame_documents.h"

namespace vandrel::project {
class Project;
class ProjectItem;
}  // namespace vandrel::project

namespace vandrel::shell {

class ScriptDesktop : public DocumentOpener, public FrameDocuments {
 public:
  // Opens the project file at `path`; false when nothing was opened.
  virtual bool OpenProject(const std::string& path) = 0;
  // Closes the open project, asking to save its changes.
  virtual void CloseProject() = 0;
  // The application's one project, open or not, and whether it is open.
  virtual project::Project& project() = 0;
  virtual bool ProjectOpen() const = 0;
  // The kind of the host connected to; 0 when not connected.
  virtual std::int32_t HostKind() const = 0;
  // Carries out a project command (kCommandOpenItem, ...) for `item`.
  virtual void RunProjectCommand(project::ProjectItem& item, int commandId) = 0;
  // The frame is busy with host work (Stop is enabled).
  virtual bool busy() const = 0;
  // The window has closed for good (every question was answered).
  virtual bool Closed() const = 0;
};

}  // namespace vandrel::shell
