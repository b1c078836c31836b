#include "shell/frame_project_window.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "project/ui/project_settings_dialog.h"
#include "shell/document_opener.h"
#include "shell/frame_host_work.h"
#include "shell/status_bar.h"

namespace vandrel::shell {

// Project files live on the host; without a connection there is nothing to
// fetch them from, and the status bar says so.
bool FrameProjectWindow::OpenEditor(const std::string& path, const std::string& templateName,
                                    bool readOnly, project::ProjectItem&, int line, int mark,
                                    bool) {
  if (hostWork_.connected())
    return opener_.OpenHostFile(path, templateName, line, readOnly,
                                static_cast<std::uint32_t>(mark));
  status_.showMessage(QObject::tr("%1 is a host file: connect to the host to open it")
                          .arg(QString::fromStdString(path)),
                      6000);
  return false;
}

bool FrameProjectWindow::AskNewFolder(std::string* name, std::string* location) {
  QDialog dialog(&window_);
  dialog.setWindowTitle(QObject::tr("New Folder"));
  auto* nameEdit = new QLineEdit(&dialog);
  auto* locationEdit = new QLineEdit(&dialog);
  auto* form = new QFormLayout(&dialog);
  form->addRow(QObject::tr("&Name of the new folder:"), nameEdit);
  form->addRow(QObject::tr("Relative &directory location:"), locationEdit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setEnabled(false);
  // OK only while there is a name.
  QObject::connect(nameEdit, &QLineEdit::textChanged, ok,
                   [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  dialog.resize(420, dialog.sizeHint().height());
  if (dialog.exec() != QDialog::Accepted || nameEdit->text().isEmpty()) return false;
  *name = nameEdit->text().toStdString();
  *location = locationEdit->text().toStdString();
  return true;
}

std::optional<project::AddFilesChoice> FrameProjectWindow::ChooseFilesToAdd(
    const std::string& title, const std::string& directory) {
  if (!chooser_ || !hostWork_.connected()) return std::nullopt;
  return chooser_(title, directory);
}

bool ShowSettingsDialog(QWidget& window, const SettingsServicesSource& source,
                        project::Project& edited, project::ProjectItem& selected) {
  if (!source) return false;
  QPointer<QWidget> focus = QApplication::focusWidget();
  const bool confirmed = ui::ShowProjectSettings(&window, edited, selected, source());
  if (focus) {
    focus->activateWindow();
    focus->setFocus();
  }
  return confirmed;
}

bool FrameProjectWindow::EditSettings(project::Project& edited, project::ProjectItem& selected) {
  return ShowSettingsDialog(window_, settingsServices_, edited, selected);
}

void FrameProjectWindow::ShowOpenFileDialog(const std::string& directory) {
  opener_.ShowHostOpenDialog(directory);
}

void FrameProjectWindow::Compile(project::ProjectItem& item) { hostWork_.CompileItem(item); }

void FrameProjectWindow::Build(project::ProjectItem& item) { hostWork_.BuildItem(item); }

bool FrameProjectWindow::Connected() const { return hostWork_.connected(); }

}  // namespace vandrel::shell
