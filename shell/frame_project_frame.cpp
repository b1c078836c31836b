#include "shell/frame_project_frame.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>

#include "core/recent_list.h"
#include "core/settings_store.h"
#include "shell/frame_documents.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_host_view.h"

namespace vandrel::shell {

std::optional<project::OpenProjectChoice> FrameProjectFrame::ChooseProjectToOpen(
    const std::string& title, const std::string& filter, const std::string& directory) {
  QFileDialog dialog(&window_, QString::fromStdString(title), QString::fromStdString(directory),
                     QString::fromStdString(filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* exclusiveBox = new QCheckBox(QObject::tr("Open as &exclusive"), &dialog);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(exclusiveBox, grid->rowCount(), 0, 1, -1);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return project::OpenProjectChoice{dialog.selectedFiles().front().toStdString(),
                                    exclusiveBox->isChecked()};
}

std::optional<std::string> FrameProjectFrame::ChooseProjectToSave(
    const std::string& title, const std::string& filter, const std::string& defaultExtension,
    const std::string& directory) {
  QFileDialog dialog(&window_, QString::fromStdString(title), QString::fromStdString(directory),
                     QString::fromStdString(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

void FrameProjectFrame::SetWaitCursor(bool wait) {
  // Nested waits would leave a cursor behind; one is enough.
  if (wait == waiting_) return;
  waiting_ = wait;
  if (wait)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

bool FrameProjectFrame::CloseAllDocuments() { return documents_.CloseAllDocuments(); }

bool FrameProjectFrame::RequestsPending() const { return host_.AnyPending(); }

void FrameProjectFrame::Connect(const remote::ConnectParameters& parameters) {
  if (!window_.isVisible()) return;  // the frame is closing
  host_.Connect(parameters);
}

void FrameProjectFrame::Disconnect() { host_.Disconnect(); }

void FrameProjectFrame::ActivateWorkspace() { view_.ActivateWorkspace(); }

// The project commands follow whether a project is open; the frame works
// that out from the controller whenever it updates its commands.
void FrameProjectFrame::EnableCommand(int, bool) { view_.CommandStateChanged(); }

void FrameProjectFrame::SetTitle(const std::string& title) {
  window_.setWindowTitle(QString::fromStdString(title));
}

void FrameProjectFrame::AddRecentProject(const std::string& path) {
  if (store_) RecentListAdd(*store_, kRecentProjects, path);
}

bool FrameProjectFrame::RunNewProjectWizard(project::Project&) { return false; }

bool FrameProjectFrame::EditSettings(project::Project&, project::ProjectItem&) { return false; }

}  // namespace vandrel::shell
