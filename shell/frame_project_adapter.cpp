#include "shell/frame_project_adapter.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>

#include "core/main_menu.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "shell/frame_host_connection.h"
#include "shell/main_frame.h"

namespace vandrel::shell {

std::optional<project::OpenProjectChoice> FrameProjectAdapter::ChooseProjectToOpen(
    const std::string& title, const std::string& filter, const std::string& directory) {
  QFileDialog dialog(&frame_, QString::fromStdString(title), QString::fromStdString(directory),
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

std::optional<std::string> FrameProjectAdapter::ChooseProjectToSave(
    const std::string& title, const std::string& filter, const std::string& defaultExtension,
    const std::string& directory) {
  QFileDialog dialog(&frame_, QString::fromStdString(title), QString::fromStdString(directory),
                     QString::fromStdString(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

void FrameProjectAdapter::SetWaitCursor(bool wait) {
  // Nested waits would leave a cursor behind; one is enough.
  if (wait == waiting_) return;
  waiting_ = wait;
  if (wait)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

bool FrameProjectAdapter::CloseAllDocuments() { return frame_.CloseAllDocuments(); }

bool FrameProjectAdapter::RequestsPending() const {
  return frame_.hostConnection()->AnyPending();
}

void FrameProjectAdapter::Connect(const remote::ConnectParameters& parameters) {
  if (!frame_.isVisible()) return;  // the frame is closing
  frame_.hostConnection()->Connect(parameters);
  frame_.SetBusy(true);
}

void FrameProjectAdapter::Disconnect() {
  frame_.hostConnection()->Disconnect();
  frame_.SetConnected(frame_.hostConnection()->connected());
}

void FrameProjectAdapter::ActivateWorkspace() { frame_.RunCommand(cmd::kActivateWorkspace); }

// The project commands follow whether a project is open; the frame works
// that out from the controller whenever it updates its commands.
void FrameProjectAdapter::EnableCommand(int, bool) { frame_.UpdateCommandState(); }

void FrameProjectAdapter::SetTitle(const std::string& title) {
  frame_.setWindowTitle(QString::fromStdString(title));
}

void FrameProjectAdapter::AddRecentProject(const std::string& path) {
  if (SettingsStore* store = frame_.store()) RecentListAdd(*store, kRecentProjects, path);
}

bool FrameProjectAdapter::RunNewProjectWizard(project::Project&) { return false; }

bool FrameProjectAdapter::EditSettings(project::Project&, project::ProjectItem&) { return false; }

}  // namespace vandrel::shell
