// Renumbering through the "Edit Line Numbering" dialog of an editor window
// on a numbered source: the dialog follows the selection and refuses a
// sequence that runs into the next line's number, the control renumbers
// what OK asked, and a read-only document does not offer it. A new line
// where no number is free is refused with the window's message.
#include "editor/ui/renumber_dialog.h"

#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>

#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/settings_store.h"
#include "core/string_ids.h"
#include "editor/ui/editor_window.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "support/cobol_fixture.h"
#include "support/modal_dialog.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"
#include "templates/file_types.h"
#include "templates/template_catalogue.h"

namespace vandrel::shell {
namespace {

using testing::ModalAnswer;
using testing::ScriptedUserInterface;
using testing::TempDir;

// 30 lines: 100 to 900 on lines 1-9, 1000 to 1100 in steps of 10 on lines
// 10-20, then 2100 and 2101 (no number free between them), then 2200 on.
std::string NumberedSource() {
  std::string text;
  const auto add = [&](int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", number);
    text += std::string(digits) + "     MOVE " + std::to_string(number) + " TO X.\n";
  };
  for (int i = 1; i <= 9; ++i) add(i * 100);
  for (int i = 0; i <= 10; ++i) add(1000 + i * 10);
  add(2100);
  add(2101);
  for (int i = 0; i < 8; ++i) add(2200 + i * 100);
  return text;
}

// Replaces the field's text as typing would.
void Type(QLineEdit* field, const QString& text) {
  field->selectAll();
  field->insert(text);
}

class RenumberDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const FileType cobol{"COBOL", "*.cob"};
    ASSERT_TRUE(ApplyFileTypes(store_, std::span(&cobol, 1)));
    catalogue_.Append(testing::CobolTemplate());
    frame_ = std::make_unique<MainFrame>(&store_);
    frame_->SetTemplateCatalogue(&catalogue_);
    frame_->SetUserInterface(&ui_);
    frame_->resize(900, 600);
    frame_->show();
    source_ = dir_ / "prog.cob";
    std::ofstream(source_, std::ios::binary) << NumberedSource();
  }
  void TearDown() override {
    for (QMdiSubWindow* child : frame_->documentArea()->subWindowList()) delete child;
  }

  ui::EditorWindow* Open(bool readOnly) {
    if (!frame_->OpenLocalFile(QString::fromStdString(source_.string()), readOnly)) return nullptr;
    return frame_->ActiveEditor();
  }

  TempDir dir_;
  SettingsStore store_{dir_ / "settings.reg"};
  TemplateCatalogue catalogue_;
  ScriptedUserInterface ui_;
  std::unique_ptr<MainFrame> frame_;
  std::filesystem::path source_;
};

TEST_F(RenumberDialogTest, RangeBetweenNeighboursIsCheckedAndRenumbered) {
  ui::EditorWindow* editor = Open(false);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->HasLineNumbers());
  QAction* renumber = frame_->mainMenu()->Action(cmd::kRenumber);
  ASSERT_TRUE(renumber->isEnabled());
  ui::QsciEditControl* control = editor->control();
  // Lines 10 to 20; the selection ends at the start of line 21.
  control->scintilla()->setSelection(9, 3, 20, 0);

  bool checked = false;
  {
    ModalAnswer<ui::RenumberDialog> answer([&](ui::RenumberDialog& dialog) {
      EXPECT_TRUE(dialog.rangeButton()->isChecked());
      EXPECT_TRUE(dialog.firstLineField()->isEnabled());
      EXPECT_EQ(dialog.firstLineField()->text(), "10");
      EXPECT_EQ(dialog.lastLineField()->text(), "20");
      EXPECT_EQ(dialog.firstNumberLabel()->text(), "1000");
      EXPECT_EQ(dialog.lastNumberLabel()->text(), "1100");
      EXPECT_EQ(dialog.validRangeLabel()->text(), "901 - 2099");
      EXPECT_EQ(dialog.startField()->text(), "1000");
      EXPECT_EQ(dialog.incrementField()->text(), "10");
      EXPECT_TRUE(dialog.markBox()->isChecked());

      // 1100 + 10 x 100 reaches 2100, the next line's number: refused, and
      // the dialog keeps what was typed.
      Type(dialog.startField(), "1100");
      Type(dialog.incrementField(), "100");
      EXPECT_EQ(dialog.resultingSequenceLabel()->text(), "1100 - 2100 (11 lines)");
      dialog.okButton()->click();
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_EQ(dialog.startField()->text(), "1100");
      ASSERT_EQ(ui_.shown().size(), 1u);
      EXPECT_EQ(ui_.shown()[0].text, LoadText(kStrInvalidNumberingSequence));
      EXPECT_EQ(control->NumberOfLine(9), 1000);

      Type(dialog.startField(), "1000");
      EXPECT_EQ(dialog.resultingSequenceLabel()->text(), "1000 - 2000 (11 lines)");
      dialog.markBox()->setChecked(false);
      checked = true;
      dialog.okButton()->click();
    });
    frame_->RunCommand(cmd::kRenumber);
  }
  ASSERT_TRUE(checked);
  EXPECT_EQ(control->NumberOfLine(8), 900);
  EXPECT_EQ(control->NumberOfLine(9), 1000);
  EXPECT_EQ(control->NumberOfLine(10), 1100);
  EXPECT_EQ(control->NumberOfLine(19), 2000);
  EXPECT_EQ(control->NumberOfLine(20), 2100);
  // The new numbers are what the next save writes.
  EXPECT_TRUE(editor->isModified());
  // The choice of marks is what the next dialog starts with.
  EXPECT_EQ(frame_->settings().RenumberMarkers, 0);
  AppSettings reread;
  reread.Read(store_);
  EXPECT_EQ(reread.RenumberMarkers, 0);

  // Cancel changes nothing.
  control->scintilla()->setSelection(0, 0, 0, 0);
  {
    ModalAnswer<ui::RenumberDialog> answer([&](ui::RenumberDialog& dialog) {
      EXPECT_TRUE(dialog.entireFileButton()->isChecked());
      EXPECT_FALSE(dialog.markBox()->isChecked());
      EXPECT_EQ(dialog.validRangeLabel()->text(), "1 - 999999");
      Type(dialog.startField(), "10");
      dialog.reject();
    });
    EXPECT_FALSE(editor->Renumber());
  }
  EXPECT_EQ(control->NumberOfLine(0), 100);
}

TEST_F(RenumberDialogTest, ReadOnlyDocumentsAreNotRenumberedAndFullNumbersRefuseNewLines) {
  ui::EditorWindow* readOnly = Open(true);
  ASSERT_NE(readOnly, nullptr);
  ASSERT_TRUE(readOnly->isReadOnly());
  EXPECT_FALSE(frame_->mainMenu()->Action(cmd::kRenumber)->isEnabled());
  EXPECT_FALSE(readOnly->Renumber());  // no dialog comes
  delete frame_->documentArea()->activeSubWindow();

  // Between 2100 (line 21) and 2101 no number is free for a new line.
  ui::EditorWindow* editor = Open(false);
  ASSERT_NE(editor, nullptr);
  QsciScintilla* sci = editor->control()->scintilla();
  sci->setFocus();
  sci->setCursorPosition(20, sci->text(20).length() - 1);
  const int lines = sci->lines();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::sendEvent(sci, &enter);
  QApplication::processEvents();
  EXPECT_EQ(sci->lines(), lines);
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].text, LoadText(kStrNoFreeLineNumber));
}

}  // namespace
}  // namespace vandrel::shell
