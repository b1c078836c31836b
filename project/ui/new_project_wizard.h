// The "New Project Wizard": seven pages that connect to the host agent, log
// on, take the MPE/iX options and the project root, and let the user pick
// the first files; Finish fills the project and hands the wizard's
// connection to the application. The rules are the model's
// (project/new_project_wizard_model.h); the connection is the frame's
// session's held connection, reached through the services below, so the
// attempt, the login and every request run on the session's own connect
// thread and worker.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "project/new_project_wizard_model.h"
#include "project/project_operations.h"
#include "remote/host_session.h"
#include "remote/request_worker.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;

namespace vandrel::ui {

struct NewProjectWizardServices {
  // The session's held connection: start the attempt, close it, and make it
  // the session (remote::HostSession::ConnectHeld, ReleaseHeld, AdoptHeld).
  std::function<bool(const remote::ConnectParameters&, std::shared_ptr<remote::LoginPrompt>,
                     remote::HostSession::HeldOutcome)>
      connect;
  std::function<void()> release;
  std::function<bool(const remote::SessionPreferences&)> adopt;
  // Carries the wizard's own requests on the lent connection.
  remote::RequestWorker* worker = nullptr;
  // The error report of a failed request (source file and line).
  std::function<void(const remote::RequestBlock&, const char*, int)> report;
  SettingsStore* store = nullptr;  // "Connection History"; may be null
  // The host folder browser on the wizard's connection, opened at `folder`;
  // the chosen folder, nothing on Cancel.
  std::function<std::optional<std::string>(QWidget* parent, const std::string& folder,
                                           std::int32_t hostKind)>
      browseFolder;
  // The host open dialog with `title`, the filter "All Files (*.*)" and
  // multiple selection, starting in `folder`; nothing on Cancel.
  std::function<std::optional<project::AddFilesChoice>(
      QWidget* parent, const std::string& title, const std::string& folder, std::int32_t hostKind)>
      chooseFiles;
};

class NewProjectWizard : public QDialog {
  Q_OBJECT

 public:
  // Finish fills `project`, which must be empty and outlive the wizard.
  NewProjectWizard(NewProjectWizardServices services, project::Project& project,
                   QWidget* parent = nullptr);
  // A connection the wizard still holds (it was not finished) is closed.
  ~NewProjectWizard() override;

  project::WizardPage page() const { return page_; }
  const project::NewProjectWizardModel& model() const { return model_; }
  // The first default folder made by Finish, or null.
  project::ProjectItem* firstFolder() const { return firstFolder_; }
  // A connection attempt, the logon or a request of the wizard is awaited.
  bool waiting() const { return waiting_; }

  QComboBox* serverBox() const { return server_; }
  QSpinBox* portBox() const { return port_; }
  QLabel* statusLabel() const { return status_; }
  QLabel* failureLabel() const { return failure_; }
  QLineEdit* userEdit() const { return user_; }
  QLineEdit* passwordEdit() const { return password_; }
  QCheckBox* savePasswordBox() const { return savePassword_; }
  QWidget* mpeHints() const { return mpeHints_; }
  QCheckBox* hpfsBox() const { return hpfs_; }
  QCheckBox* posixShellBox() const { return posixShell_; }
  QCheckBox* udcBox() const { return udc_; }
  QCheckBox* udcSystemBox() const { return udcSystem_; }
  QCheckBox* udcAccountBox() const { return udcAccount_; }
  QCheckBox* udcUserBox() const { return udcUser_; }
  QLineEdit* rootEdit() const { return root_; }
  QPushButton* browseButton() const { return browse_; }
  QCheckBox* createFoldersBox() const { return createFolders_; }
  QListWidget* filesList() const { return files_; }
  QPushButton* addButton() const { return add_; }
  QPushButton* removeButton() const { return remove_; }
  QPushButton* backButton() const { return back_; }
  QPushButton* nextButton() const { return next_; }
  QPushButton* finishButton() const { return finish_; }
  QPushButton* cancelButton() const { return cancel_; }

 public slots:
  void next();
  void back();
  // Finish: only on the last page.
  void accept() override;
  // Cancel: while connecting, stops the attempt and stays open; otherwise
  // closes the connection and the wizard.
  void reject() override;
  // The page's buttons: browse the root, add and remove files.
  void browseRoot();
  void addFiles();
  void removeFiles();

 private:
  struct Link {
    NewProjectWizard* owner = nullptr;
  };

  QWidget* ServerPage();
  QWidget* ConnectingPage();
  QWidget* FailedPage();
  QWidget* SecurityPage();
  QWidget* MpePage();
  QWidget* RootPage();
  QWidget* FilesPage();

  void ShowPage(project::WizardPage page);
  void UpdateButtons();
  void SetWaiting(bool waiting);
  void StartAttempt();
  // Ends the attempt or closes the connection; what arrives for it later is
  // dropped.
  void CloseConnection();
  void LoginAsked(std::uint64_t ticket, const remote::LoginForm& form);
  void AttemptEnded(std::uint64_t ticket, const remote::RequestBlock& connect);
  void RootProposed(const remote::RequestBlock& request);
  // A failure after the connection was made: reported, the connection
  // closed, back to the start.
  void FailBackToStart(const remote::RequestBlock& request, int line);
  // Posts a request on the wizard's connection; `done` runs on this thread
  // while the connection it was posted on is still the wizard's.
  void Post(remote::RequestBlock request,
            std::function<void(NewProjectWizard&, const remote::RequestBlock&)> done);
  void FillFiles();

  NewProjectWizardServices services_;
  project::Project& project_;
  project::NewProjectWizardModel model_;
  std::shared_ptr<Link> link_;
  std::shared_ptr<project::WizardLoginPrompt> prompt_;
  std::uint64_t ticket_ = 0;  // of the connection the wizard has now
  project::WizardPage page_ = project::WizardPage::kServer;
  bool attempting_ = false;  // the attempt runs (until its outcome arrives)
  bool waiting_ = false;
  bool finished_ = false;
  project::ProjectItem* firstFolder_ = nullptr;

  QLabel* title_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QComboBox* server_ = nullptr;
  QSpinBox* port_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* animation_ = nullptr;
  QLabel* failure_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QCheckBox* savePassword_ = nullptr;
  QWidget* mpeHints_ = nullptr;
  QCheckBox* hpfs_ = nullptr;
  QCheckBox* posixShell_ = nullptr;
  QCheckBox* udc_ = nullptr;
  QCheckBox* udcSystem_ = nullptr;
  QCheckBox* udcAccount_ = nullptr;
  QCheckBox* udcUser_ = nullptr;
  QLineEdit* root_ = nullptr;
  QPushButton* browse_ = nullptr;
  QCheckBox* createFolders_ = nullptr;
  QListWidget* files_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* finish_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vandrel::ui
