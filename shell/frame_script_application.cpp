#include "shell/frame_script_application.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <cstdint>

#include "editor/ui/editor_window.h"
#include "project/project.h"
#include "project/project_menu.h"
#include "shell/script_desktop.h"

namespace vandrel::shell {

void FrameScriptApplication::OpenProject(const std::string& path) { desktop_.OpenProject(path); }

void FrameScriptApplication::CloseProject() { desktop_.CloseProject(); }

bool FrameScriptApplication::OpenProjectItem(const std::string& nameOrPath) {
  if (!desktop_.ProjectOpen()) return false;
  project::ProjectItem* item = desktop_.project().FindItem(nameOrPath, desktop_.HostKind());
  if (!item || item->IsFolder()) return false;
  desktop_.RunProjectCommand(*item, project::kCommandOpenItem);
  return true;
}

void FrameScriptApplication::OpenFileByName(const std::string& name,
                                            const std::string& templateName) {
  desktop_.OpenLocalFile(QFileInfo(QString::fromStdString(name)).absoluteFilePath(), false,
                         templateName);
}

std::vector<std::string> FrameScriptApplication::ProjectFiles() {
  std::string listing;
  desktop_.project().ListFiles(listing);
  std::vector<std::string> files;
  std::size_t start = 0;
  while (start < listing.size()) {
    std::size_t end = listing.find("\r\n", start);
    if (end == std::string::npos) end = listing.size();
    if (end > start) files.push_back(listing.substr(start, end - start));
    start = end + 2;
  }
  return files;
}

std::vector<FrameScriptApplication::DocumentHandle> FrameScriptApplication::OpenDocuments() {
  std::vector<DocumentHandle> documents;
  for (ui::EditorWindow* editor : desktop_.EditorWindows())
    documents.push_back(reinterpret_cast<std::uintptr_t>(editor));
  return documents;
}

void FrameScriptApplication::SaveDocument(DocumentHandle document) {
  // A window closed meanwhile is simply no longer listed.
  for (ui::EditorWindow* editor : desktop_.EditorWindows()) {
    if (reinterpret_cast<std::uintptr_t>(editor) == document && editor->isModified())
      editor->Save();
  }
}

bool FrameScriptApplication::IsIdle() { return !desktop_.busy(); }

bool FrameScriptApplication::QuitRequested() { return desktop_.Closed(); }

void FrameScriptApplication::ProcessEvents(std::chrono::milliseconds limit) {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                  static_cast<int>(limit.count()));
}

}  // namespace vandrel::shell
