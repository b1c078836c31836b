#include "project/ui/project_host_pages.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

#include "core/app_settings.h"
#include "core/string_ids.h"
#include "core/string_table.h"
#include "project/ui/project_settings_fields.h"

namespace vandrel::ui {

using project::ProjectFlag;
using project::ProjectText;

namespace {

QLineEdit* ProjectTextField(SettingsPageWidget* page, const QString& name, ProjectText text) {
  auto* field = new QLineEdit(page);
  field->setObjectName(name);
  field->setMaxLength(static_cast<int>(project::ProjectTextMaxLength(text)));
  field->setText(QtFromUtf8(project::ProjectTextOf(page->project(), text)));
  QObject::connect(field, &QLineEdit::textEdited, page, [page, text](const QString& value) {
    project::SetProjectText(page->project(), text, Utf8FromQt(value));
    page->Changed();
  });
  return field;
}

QCheckBox* ProjectFlagBox(SettingsPageWidget* page, const QString& label, const QString& name,
                          ProjectFlag flag) {
  auto* box = new QCheckBox(label, page);
  box->setObjectName(name);
  box->setChecked(project::ProjectFlagOf(page->project(), flag));
  QObject::connect(box, &QCheckBox::clicked, page, [page, flag](bool on) {
    project::SetProjectFlag(page->project(), flag, on);
    page->Changed();
  });
  return box;
}

QLabel* ReconnectNote(const QString& text, QWidget* parent) {
  auto* note = new QLabel(text, parent);
  note->setObjectName("reconnectNote");
  note->setWordWrap(true);
  return note;
}

}  // namespace

QWidget* MakeConnectionPage(const SettingsPageContext& context, QWidget* parent) {
  auto* page = new SettingsPageWidget(context, "connection", parent);
  auto* form = new QFormLayout(page);
  const auto row = [&](const QString& caption, QWidget* field, QLayout* layout = nullptr) {
    auto* label = new QLabel(caption, page);
    label->setBuddy(field);
    if (layout) {
      form->addRow(label, layout);
    } else {
      form->addRow(label, field);
    }
  };

  row(QObject::tr("&Server address:"), ProjectTextField(page, "server", ProjectText::kServer));

  auto* port = new QLineEdit(page);
  port->setObjectName("port");
  port->setValidator(new QIntValidator(1, 65535, port));
  port->setText(QString::number(page->project().projectSettings().port));
  QObject::connect(port, &QLineEdit::textEdited, page, [page](const QString& value) {
    if (auto number = project::ParsePortNumber(Utf8FromQt(value))) {
      page->project().projectSettings().port = *number;
      page->Changed();
    }
  });
  // A field left without a valid number shows the port that stays in force.
  QObject::connect(port, &QLineEdit::editingFinished, page, [page, port] {
    port->setText(QString::number(page->project().projectSettings().port));
  });
  row(QObject::tr("Port number:"), port);

  row(QObject::tr("Username"), ProjectTextField(page, "user", ProjectText::kUser));

  QLineEdit* password = ProjectTextField(page, "password", ProjectText::kPassword);
  password->setEchoMode(QLineEdit::Password);
  auto* encrypted = new QLabel(QtFromUtf8(StringTableText(kStrPasswordEncrypted)), page);
  encrypted->setObjectName("passwordEncrypted");
  auto* passwordRow = new QHBoxLayout;
  passwordRow->addWidget(password, 1);
  passwordRow->addWidget(encrypted);
  row(QObject::tr("Password"), password, passwordRow);

  row(QObject::tr("Execute command on connection:"),
      ProjectTextField(page, "autoexec", ProjectText::kAutoexec));
  row(QObject::tr("Project root directory:"),
      ProjectTextField(page, "rootDirectory", ProjectText::kRootDirectory));
  return page;
}

QWidget* MakeEnvironmentPage(const SettingsPageContext& context, QWidget* parent) {
  auto* page = new SettingsPageWidget(context, "environment", parent);
  auto* layout = new QVBoxLayout(page);
  auto* text = new QPlainTextEdit(page);
  text->setObjectName("environment");
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setPlainText(QtFromUtf8(project::EnvironmentForEditing(
      project::ProjectTextOf(page->project(), ProjectText::kEnvironment))));
  auto* caption =
      new QLabel(QObject::tr("Environment &variables, one <variable>=<value> per line:"), page);
  caption->setTextFormat(Qt::PlainText);
  caption->setBuddy(text);
  layout->addWidget(caption);
  layout->addWidget(text, 1);
  layout->addWidget(ReconnectNote(
      QObject::tr("Changes to the environment take effect after reconnecting to the server."),
      page));

  const std::size_t limit = project::ProjectTextMaxLength(ProjectText::kEnvironment);
  QObject::connect(text, &QPlainTextEdit::textChanged, page, [page, text, limit] {
    std::string stored = project::EnvironmentFromEditing(Utf8FromQt(text->toPlainText()));
    if (stored.size() > limit) {
      // The project keeps 4,095 bytes: what was typed or pasted beyond that
      // is refused rather than cut off somewhere the user does not see.
      const QSignalBlocker quiet(text);
      QTextCursor cursor = text->textCursor();
      while (stored.size() > limit) {
        if (cursor.atStart()) cursor.movePosition(QTextCursor::End);
        cursor.deletePreviousChar();
        stored = project::EnvironmentFromEditing(Utf8FromQt(text->toPlainText()));
      }
      text->setTextCursor(cursor);
      QApplication::beep();
    }
    project::SetProjectText(page->project(), ProjectText::kEnvironment, stored);
    page->Changed();
  });
  return page;
}

QWidget* MakeMpePage(const SettingsPageContext& context, QWidget* parent) {
  auto* page = new SettingsPageWidget(context, "mpe", parent);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(ProjectFlagBox(page, QObject::tr("Enable HPFS(posix) file system"), "hpfs",
                                   ProjectFlag::kHpfsSupport));
  layout->addWidget(ProjectFlagBox(page, QObject::tr("Execute commands within posix shell"),
                                   "posixShell", ProjectFlag::kPosixShell));
  layout->addWidget(
      ProjectFlagBox(page, QObject::tr("UDC Support"), "udcEnabled", ProjectFlag::kUdcEnabled));

  auto* logon = new QGroupBox(QObject::tr("Logon UDC support"), page);
  logon->setObjectName("logonUdc");
  auto* levels = new QHBoxLayout(logon);
  levels->addWidget(
      ProjectFlagBox(page, QObject::tr("&System"), "udcSystem", ProjectFlag::kUdcSystem));
  levels->addWidget(
      ProjectFlagBox(page, QObject::tr("&Account"), "udcAccount", ProjectFlag::kUdcAccount));
  levels->addWidget(ProjectFlagBox(page, QObject::tr("&User"), "udcUser", ProjectFlag::kUdcUser));
  levels->addStretch(1);
  layout->addWidget(logon);

  const AppSettings* settings = context.services ? context.services->settings : nullptr;
  if (settings && project::FileLockingOffered(settings->SpecialOptions)) {
    layout->addWidget(ProjectFlagBox(page, QObject::tr("Enable file &locking"), "fileLocking",
                                     ProjectFlag::kFileLocking));
  }
  layout->addWidget(ReconnectNote(
      QObject::tr("Changes to UDC and HPFS support take effect after reconnecting to the server."),
      page));
  layout->addStretch(1);
  page->OnChange([page, logon] { logon->setEnabled(project::LogonUdcEnabled(page->project())); });
  return page;
}

}  // namespace vandrel::ui
