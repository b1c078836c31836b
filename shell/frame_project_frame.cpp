#include "shell/frame_project_frame.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>

#include "core/find_history.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "project/project_tree.h"
#include "project/ui/new_project_wizard.h"
#include "remote/ui/browse_folders_dialog.h"
#include "remote/ui/remote_file_dialog.h"
#include "shell/frame_documents.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_host_view.h"
#include "shell/host_choices.h"

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

namespace {

// The host file dialogs of the wizard run on its connection, which the
// session holds for it: the frame's services with the wizard's host kind.
ui::RemoteDialogServices WizardDialogServices(const FrameProjectFrame::DialogServicesSource& source,
                                              FrameHostConnection& host, std::int32_t hostKind) {
  ui::RemoteDialogServices services;
  if (source) {
    services = source();
  } else {
    services.ui = &host.userInterface();
    services.stop = [&host] { host.Stop(); };
  }
  services.worker = &host.worker();
  services.hostKind = hostKind;
  return services;
}

}  // namespace

bool FrameProjectFrame::RunNewProjectWizard(project::Project& project) {
  // The wizard makes the connection the project will have; one still open
  // (there is none after Close project) gives way to it.
  if (host_.connected()) host_.Disconnect();
  if (host_.connecting()) host_.Stop();

  ui::NewProjectWizardServices services;
  services.connect = [this](const remote::ConnectParameters& parameters,
                            std::shared_ptr<remote::LoginPrompt> login,
                            remote::HostSession::HeldOutcome outcome) {
    return host_.ConnectHeld(parameters, std::move(login), std::move(outcome));
  };
  services.release = [this] { host_.ReleaseHeld(); };
  services.adopt = [this](const remote::SessionPreferences& preferences) {
    return host_.AdoptHeld(preferences);
  };
  services.worker = &host_.worker();
  services.report = [this](const remote::RequestBlock& request, const char* source, int line) {
    host_.Report(request, source, line);
  };
  services.store = store_;
  services.browseFolder = [this](QWidget* parent, const std::string& folder,
                                 std::int32_t hostKind) {
    return BrowseHostFolderWithHistory(WizardDialogServices(dialogServices_, host_, hostKind),
                                       store_, folder, parent);
  };
  services.chooseFiles = [this](QWidget* parent, const std::string& title,
                                const std::string& folder, std::int32_t hostKind) {
    return ChooseHostFiles(WizardDialogServices(dialogServices_, host_, hostKind), title, folder,
                           parent);
  };

  ui::NewProjectWizard wizard(std::move(services), project, &window_);
  if (wizard.exec() != QDialog::Accepted) return false;
  // Shown expanded, with the first folder open.
  if (project::ProjectTreeView* view = project.TreeView()) {
    project::ShowInTree(project, *view, project::kNoTreeNode, project::kAllLevels, true);
    if (project::ProjectItem* first = wizard.firstFolder()) {
      if (first->GetTreeNode() != project::kNoTreeNode) view->Expand(first->GetTreeNode());
    }
  }
  return true;
}

bool FrameProjectFrame::EditSettings(project::Project& edited, project::ProjectItem& selected) {
  return ShowSettingsDialog(window_, settingsServices_, edited, selected);
}

}  // namespace vandrel::shell
