// The file properties sheet bound to its page rules: the General texts, the
// Qedit page coming and going with file code 111, every change handed to
// the window at once, and the refusal of 111 without Qedit on the host.
#include "documents/ui/file_properties_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTabWidget>

#include "support/scripted_user_interface.h"

namespace vandrel::ui {
namespace {

FilePropertiesInput RecordDocument(bool qeditAvailable) {
  FilePropertiesInput input;
  input.format.formatFlags = kFormatRecordForm;
  input.format.fileInfo.name = "PROG";
  input.format.templateName = "Not A Template";
  input.format.tabWidth = 4;
  input.format.mpe.fcode = 0;
  input.format.mpe.reclen = 256;
  input.format.mpe.type = 1;
  input.format.mpe.mode = 0;
  input.format.mpe.bfact = 16;
  input.format.mpe.labels = 2;
  input.textLength = 12345;
  input.lineCount = 67;
  input.connected = true;
  input.qeditAvailable = qeditAvailable;
  return input;
}

QStringList TabTitles(const FilePropertiesDialog& dialog) {
  QStringList titles;
  for (int i = 0; i < dialog.pages()->count(); ++i) titles << dialog.pages()->tabText(i);
  return titles;
}

void ChooseFileCode(FilePropertiesDialog& dialog, int code) {
  auto* box = dialog.findChild<QComboBox*>("fileCode");
  const int row = box->findData(code);
  ASSERT_GE(row, 0);
  box->setCurrentIndex(row);
  emit box->activated(row);
}

QString Text(const FilePropertiesDialog& dialog, const char* name) {
  if (auto* label = dialog.findChild<QLabel*>(name)) return label->text();
  if (auto* edit = dialog.findChild<QLineEdit*>(name)) return edit->text();
  if (auto* box = dialog.findChild<QComboBox*>(name)) return box->currentText();
  return "<missing " + QString(name) + ">";
}

TEST(FilePropertiesDialog, QeditCodeAndBackLeaveAsciiRecordsOf80) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  testing::ScriptedUserInterface user;
  std::vector<DocumentFormat> applied;
  FilePropertiesDialog dialog(RecordDocument(true), user,
                              [&](const DocumentFormat& format) { applied.push_back(format); });

  EXPECT_EQ(TabTitles(dialog), (QStringList{"General", "MPE"}));
  EXPECT_EQ(Text(dialog, "size"), "12,345 bytes (67 lines)");
  EXPECT_EQ(Text(dialog, "lastModified"), "Not available");
  EXPECT_EQ(Text(dialog, "template"), "(none)");  // a name the list does not have
  EXPECT_EQ(Text(dialog, "tabSize"), "4");
  EXPECT_FALSE(dialog.findChild<QComboBox*>("lineEnds")->isEnabled());
  EXPECT_EQ(Text(dialog, "recordSize"), "256");
  EXPECT_EQ(Text(dialog, "fileMode"), "Binary");
  EXPECT_EQ(Text(dialog, "recordType"), "Variable");
  EXPECT_EQ(Text(dialog, "userLabels"), "2");

  ChooseFileCode(dialog, 111);
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_TRUE(applied[0].IsQedit());
  EXPECT_EQ(applied[0].qedit.reclen, 256);
  EXPECT_EQ(applied[0].mpe.reclen, 512);
  EXPECT_EQ(TabTitles(dialog), (QStringList{"General", "MPE", "Qedit"}));
  EXPECT_EQ(Text(dialog, "qeditLanguage"), "(6) - Text");
  EXPECT_EQ(Text(dialog, "qeditRecordSize"), "256");
  EXPECT_EQ(Text(dialog, "recordSize"), "512");

  ChooseFileCode(dialog, 0);
  ASSERT_EQ(applied.size(), 2u);
  const DocumentFormat& back = applied[1];
  EXPECT_EQ(back.formatFlags, kFormatRecordForm);
  EXPECT_EQ(back.mpe.fcode, 0);
  EXPECT_EQ(back.mpe.reclen, 80);
  EXPECT_EQ(back.mpe.mode, 1);
  EXPECT_EQ(back.mpe.type, 0);
  EXPECT_EQ(back.mpe.bfact, 1);
  EXPECT_EQ(TabTitles(dialog), (QStringList{"General", "MPE"}));
  EXPECT_EQ(Text(dialog, "recordSize"), "80");
  EXPECT_EQ(Text(dialog, "fileMode"), "ASCII");

  // A typed record size is applied; one that is not a size is not.
  auto* size = dialog.findChild<QLineEdit*>("recordSize");
  size->setText("132");
  emit size->editingFinished();
  ASSERT_EQ(applied.size(), 3u);
  EXPECT_EQ(applied[2].mpe.reclen, 132);
  size->setText("0");
  emit size->editingFinished();
  EXPECT_EQ(applied.size(), 3u);
  EXPECT_EQ(Text(dialog, "recordSize"), "132");
  EXPECT_TRUE(user.shown().empty());
}

TEST(FilePropertiesDialog, QeditCodeIsRefusedWithoutQeditOnTheHost) {
  testing::ScriptedUserInterface user;
  int applied = 0;
  FilePropertiesDialog dialog(RecordDocument(false), user,
                              [&](const DocumentFormat&) { ++applied; });
  ChooseFileCode(dialog, 111);
  EXPECT_EQ(applied, 0);
  ASSERT_EQ(user.shown().size(), 1u);
  EXPECT_EQ(
      user.shown()[0].text.rfind("Vandrel does not allow you to create files in Robelle Qedit", 0),
      0u);
  EXPECT_EQ(dialog.format().mpe.fcode, 0);
  EXPECT_EQ(dialog.format().mpe.reclen, 256);
  EXPECT_EQ(TabTitles(dialog), (QStringList{"General", "MPE"}));
  EXPECT_EQ(Text(dialog, "fileCode"), "(0) - Default (unreserved)");

  // Connected to a host with Qedit, but the connection is gone: refused too.
  FilePropertiesInput offline = RecordDocument(true);
  offline.connected = false;
  FilePropertiesDialog closed(offline, user, [&](const DocumentFormat&) { ++applied; });
  ChooseFileCode(closed, 111);
  EXPECT_EQ(applied, 0);
  EXPECT_EQ(user.shown().size(), 2u);
}

}  // namespace
}  // namespace vandrel::ui
