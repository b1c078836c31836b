// The Code Navigator of a numbered COBOL II source opened from an MPE/iX
// host: the shipped extension lists it, the structure tree and the
// toolbar's function list show it and follow the caret, Next Function,
// bookmarks, Parameter Info and the Go To dialog move through it, and edits
// reach the navigator on Refresh and after a save that keeps the records.
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QToolTip>
#include <QTreeWidget>
#include <sstream>

#include "core/main_menu.h"
#include "editor/control_messages.h"
#include "editor/ui/editor_navigator.h"
#include "editor/ui/go_to_dialog.h"
#include "shell/main_menu_bar.h"
#include "shell/main_toolbars.h"
#include "support/host_frame.h"
#include "templates/navigator/parser_symbol.h"

namespace vandrel::shell {
namespace {

using testing::HostFrameTest;
using testing::Lines;
using testing::ReadTextFile;
using testing::Record;
using testing::WaitFor;
using testing::WriteTextFile;

const std::vector<std::string> kSource = {
    Record("000100", " IDENTIFICATION DIVISION."),
    Record("000200", " PROGRAM-ID. NAVDEMO."),
    Record("000300", " DATA DIVISION."),
    Record("000400", " WORKING-STORAGE SECTION."),
    Record("000500", " 01  WS-TOTAL        PIC 9(5)."),
    Record("000600", " PROCEDURE DIVISION."),
    Record("000700", " 1000-MAIN."),
    Record("000800", "     PERFORM 2000-ADD."),
    Record("000900", "     CALL \"PRICER\" USING WS-TOTAL."),
    Record("001000", "     STOP RUN."),
    Record("001100", " 2000-ADD."),
    Record("001200", "     ADD 1 TO WS-TOTAL."),
};

std::vector<std::string> EntryTexts(const ui::EditorWindow& editor) {
  std::vector<std::string> texts;
  for (const FunctionListEntry& entry : editor.navigator().entries()) {
    texts.push_back(std::string(entry.depth * 2, ' ') + entry.text);
  }
  return texts;
}

void PressKey(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

class CodeNavigator : public HostFrameTest {
 protected:
  void SetUp() override {
    source_ = dir_ / "root" / "DEMO" / "SOURCE";
    std::filesystem::create_directories(source_ / ".tandrill");
    WriteTextFile(source_ / "NAVDEMO", Lines(kSource));
    WriteTextFile(source_ / ".tandrill" / "NAVDEMO", testing::kCobolAttributes);
    StartAgent("mpe", "mpe.vdp", false);
  }

  ui::EditorWindow* Open(MainFrame& frame) {
    return OpenInProject(frame, "mpe.vdp", "/DEMO/SOURCE/NAVDEMO");
  }

  std::filesystem::path source_;
};

TEST_F(CodeNavigator, NumberedHostSourceIsListedAndWalkedThroughItsNavigator) {
  MainFrame& frame = NewFrame();
  ui::EditorWindow* editor = Open(frame);
  ASSERT_NE(editor, nullptr) << (ui_.shown().empty() ? "" : ui_.shown().back().text);
  ASSERT_TRUE(editor->HasLineNumbers());
  ui::QsciEditControl* control = editor->control();

  // The shipped extension reads the text as edited (numbers hidden); the
  // list has the Sections, then the Functions, each sorted by name.
  EXPECT_EQ(EntryTexts(*editor), (std::vector<std::string>{
                                     "DATA DIVISION",
                                     "  WORKING-STORAGE SECTION",
                                     "IDENTIFICATION DIVISION (NAVDEMO)",
                                     "PROCEDURE DIVISION",
                                     "1000-MAIN",
                                     "2000-ADD",
                                 }));
  QComboBox* list = frame.toolbars()->navigatorList();
  EXPECT_TRUE(list->isEnabled());
  EXPECT_EQ(list->count(), 6);
  EXPECT_TRUE(frame.mainMenu()->State().navigatorActive);
  auto* tree = editor->findChild<QTreeWidget*>("structureTree");
  ASSERT_NE(tree, nullptr);
  std::vector<std::string> categories;
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    categories.push_back(tree->topLevelItem(i)->text(0).toStdString());
  EXPECT_EQ(categories, (std::vector<std::string>{"Divisions and Sections", "Data", "Paragraphs",
                                                  "Called Programs"}));

  // Next Function walks the linked lines in text order and stops at the
  // last one; the function list follows the caret.
  std::vector<int> visited;
  while (editor->NextFunction(true)) visited.push_back(control->Caret().line);
  EXPECT_EQ(visited, (std::vector<int>{2, 3, 5, 6, 10}));
  EXPECT_EQ(control->Caret().line, 10);
  EXPECT_TRUE(WaitFor([&] { return list->currentText().trimmed() == "2000-ADD"; }));
  EXPECT_TRUE(editor->NextFunction(false));
  EXPECT_EQ(control->Caret().line, 6);
  EXPECT_TRUE(WaitFor([&] { return list->currentText().trimmed() == "1000-MAIN"; }))
      << list->currentText().toStdString();

  // Choosing an entry goes to its line with the go-to mark; an arrow key
  // takes the mark away.
  list->setCurrentIndex(3);
  emit list->activated(3);
  EXPECT_EQ(control->Caret().line, 5);
  EXPECT_TRUE(control->Marks(5) & kLineMarkGoTo);
  PressKey(control->scintilla(), Qt::Key_Down);
  EXPECT_TRUE(WaitFor([&] { return (control->Marks(5) & kLineMarkGoTo) == 0; }));

  // Previous Bookmark from the first line finds the last bookmark.
  for (int line : {3, 8}) {
    control->MoveCaretToLine(line);
    frame.RunCommand(cmd::kToggleBookmark);
  }
  control->MoveCaretToLine(0);
  frame.RunCommand(cmd::kPreviousBookmark);
  EXPECT_EQ(control->Caret().line, 8);
  frame.RunCommand(cmd::kClearBookmarks);
  EXPECT_EQ(control->NextMarkedLine(0, kLineMarkBookmark, true), -1);

  // Parameter Info shows the called program's USING list, on the command
  // and on a typed "(".
  const int column = control->scintilla()->text(8).indexOf("PRICER") + 2;
  control->SetSelection(8, column, 8, column);
  EXPECT_TRUE(editor->ShowParameterInfo(false, true));
  EXPECT_EQ(QToolTip::text().toStdString(), "PRICER(WS-TOTAL)");
  control->MoveCaretToLine(11);
  EXPECT_FALSE(editor->ShowParameterInfo(false, true));  // ADD: nothing known

  // Go To Definition and the structure tree go to the symbol's line.
  const NavigatorDefinition definition =
      editor->navigator().navigator()->FindDefinition("2000-add");
  EXPECT_EQ(definition.line, 11);
  EXPECT_EQ(definition.category, kVdxFunction);
  editor->navigator().ShowTab(1);
  QTreeWidgetItem* paragraphs = tree->topLevelItem(2);
  ASSERT_EQ(paragraphs->childCount(), 2);
  emit tree->itemDoubleClicked(paragraphs->child(0), 0);
  EXPECT_EQ(editor->navigator().currentTab(), 0);
  EXPECT_EQ(control->Caret().line, 6);
}

TEST_F(CodeNavigator, GoToDialogReadsPhysicalNumbersDefinitionsAndReferences) {
  MainFrame& frame = NewFrame();
  ui::EditorWindow* editor = Open(frame);
  ASSERT_NE(editor, nullptr) << (ui_.shown().empty() ? "" : ui_.shown().back().text);
  ui::QsciEditControl* control = editor->control();

  frame.RunCommand(cmd::kGoTo);
  auto* dialog = frame.findChild<ui::GoToDialog*>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->choice(), GoToChoice::kLine);
  auto* input = dialog->findChild<QLineEdit*>("goToInput");
  auto* physical = dialog->findChild<QCheckBox*>("goToPhysical");
  auto* go = dialog->findChild<QPushButton*>("goToButton");
  auto* previous = dialog->findChild<QPushButton*>("goToPrevious");
  ASSERT_TRUE(input && physical && go && previous);
  // The document shows its own numbers: they are what a line is named by.
  EXPECT_TRUE(physical->isEnabled());
  EXPECT_TRUE(physical->isChecked());
  EXPECT_FALSE(previous->isEnabled());

  // 0.7 is number 700 (thousandths), the seventh record; 0.0 and a number
  // no line carries move nothing and leave the mark where it was.
  input->setText("0.7");
  go->click();
  EXPECT_EQ(control->Caret().line, 6);
  EXPECT_TRUE(control->Marks(6) & kLineMarkGoTo);
  for (const char* nothing : {"0.0", "0.75", "abc"}) {
    input->setText(nothing);
    go->click();
    EXPECT_EQ(control->Caret().line, 6) << nothing;
    EXPECT_TRUE(control->Marks(6) & kLineMarkGoTo) << nothing;
  }
  // Number 0 and numbers past the last line name no line either.
  EXPECT_FALSE(editor->GoToLine(0, kGoToFileNumber | kGoToMark));
  EXPECT_FALSE(editor->GoToLine(999900, kGoToFileNumber | kGoToMark));
  EXPECT_FALSE(editor->GoToLine(13, kGoToMark));
  EXPECT_EQ(control->Caret().line, 6);
  EXPECT_TRUE(control->Marks(6) & kLineMarkGoTo);
  // Plain line numbers without the box.
  physical->setChecked(false);
  input->setText("12");
  go->click();
  EXPECT_EQ(control->Caret().line, 11);

  // Definition: the identifiers are the navigator's entries.
  dialog->SetChoice(GoToChoice::kDefinition);
  auto* identifiers = dialog->findChild<QComboBox*>("goToIdentifiers");
  ASSERT_NE(identifiers, nullptr);
  EXPECT_EQ(identifiers->count(), 6);
  EXPECT_TRUE(go->isEnabled());
  identifiers->setEditText("1000-main");
  go->click();
  EXPECT_EQ(control->Caret().line, 6);

  // Reference: the next and previous use of the word, whole words only.
  dialog->SetChoice(GoToChoice::kReference);
  EXPECT_TRUE(previous->isEnabled());
  identifiers->setEditText("WS-TOTAL");
  go->click();
  EXPECT_EQ(control->Caret().line, 8);
  go->click();
  EXPECT_EQ(control->Caret().line, 11);
  previous->click();
  EXPECT_EQ(control->Caret().line, 8);
  dialog->close();
}

TEST_F(CodeNavigator, EditsReachTheNavigatorOnRefreshAndAfterTheSave) {
  MainFrame& frame = NewFrame();
  ui::EditorWindow* editor = Open(frame);
  ASSERT_NE(editor, nullptr) << (ui_.shown().empty() ? "" : ui_.shown().back().text);
  QsciScintilla* text = editor->control()->scintilla();
  const QString eol = text->eolMode() == QsciScintilla::EolWindows ? "\r\n"
                      : text->eolMode() == QsciScintilla::EolMac   ? "\r"
                                                                   : "\n";
  // A new paragraph, not saved yet: Refresh parses the text as it stands.
  editor->control()->SetSelection(11, 1000, 11, 1000);
  editor->control()->ReplaceSelection((eol + " 3000-EXTRA." + eol + "     EXIT.").toStdString());
  EXPECT_EQ(editor->navigator().entries().size(), 6u);
  frame.RunCommand(cmd::kRefresh);
  std::vector<std::string> entries = EntryTexts(*editor);
  ASSERT_EQ(entries.size(), 7u);
  EXPECT_EQ(entries.back(), "3000-EXTRA");
  // Its link follows the text: an inserted line above moves it down.
  text->insertAt(" " + eol, 1, 0);
  EXPECT_TRUE(editor->GoToLine(6, kGoToNavigatorEntry));
  EXPECT_EQ(editor->control()->Caret().line, 13);

  // After the save the navigator is parsed again, and the host keeps its
  // records with their numbers.
  text->setSelection(1, 0, 2, 0);
  text->removeSelectedText();
  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  EXPECT_FALSE(editor->isModified());
  EXPECT_EQ(EntryTexts(*editor).back(), "3000-EXTRA");
  std::vector<std::string> records;
  std::istringstream lines(ReadTextFile(source_ / "NAVDEMO"));
  for (std::string line; std::getline(lines, line);) records.push_back(line);
  ASSERT_EQ(records.size(), 14u);
  for (std::size_t i = 0; i < kSource.size(); ++i) EXPECT_EQ(records[i], kSource[i]) << i;
  EXPECT_EQ(records[12].substr(6), Record("000000", " 3000-EXTRA.").substr(6));
  EXPECT_GT(records[12].substr(0, 6), "001200");
}

}  // namespace
}  // namespace vandrel::shell
