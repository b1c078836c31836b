#include "shell/frame_script_application.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <cstdint>

#include "editor/ui/editor_window.h"
#include "project/project.h"
#include "project/project_controller.h"
#include "project/project_menu.h"
#include "shell/frame_host_connection.h"
#include "shell/main_frame.h"

namespace vandrel::shell {

FrameScriptApplication::FrameScriptApplication(MainFrame& frame) : frame_(frame) {
  QObject::connect(&frame, &MainFrame::closing, &frame, [this] { quitRequested_ = true; });
}

void FrameScriptApplication::OpenProject(const std::string& path) { frame_.OpenProject(path); }

void FrameScriptApplication::CloseProject() {
  frame_.projectController().Close();
  frame_.UpdateCommandState();
}

bool FrameScriptApplication::OpenProjectItem(const std::string& nameOrPath) {
  if (!frame_.projectController().IsOpen()) return false;
  project::ProjectItem* item =
      frame_.project().FindItem(nameOrPath, frame_.hostConnection()->hostKind());
  if (!item || item->IsFolder()) return false;
  frame_.RunProjectCommand(*item, project::kCommandOpenItem);
  return true;
}

void FrameScriptApplication::OpenFileByName(const std::string& name,
                                            const std::string& templateName) {
  frame_.OpenLocalFile(QFileInfo(QString::fromStdString(name)).absoluteFilePath(), false,
                       templateName);
}

std::vector<std::string> FrameScriptApplication::ProjectFiles() {
  std::string listing;
  frame_.project().ListFiles(listing);
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
  for (ui::EditorWindow* editor : frame_.EditorWindows())
    documents.push_back(reinterpret_cast<std::uintptr_t>(editor));
  return documents;
}

void FrameScriptApplication::SaveDocument(DocumentHandle document) {
  // A window closed meanwhile is simply no longer listed.
  for (ui::EditorWindow* editor : frame_.EditorWindows()) {
    if (reinterpret_cast<std::uintptr_t>(editor) == document && editor->isModified()) editor->Save();
  }
}

bool FrameScriptApplication::IsIdle() { return !frame_.busy(); }

void FrameScriptApplication::ProcessEvents(std::chrono::milliseconds limit) {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                  static_cast<int>(limit.count()));
}

}  // namespace vandrel::shell
