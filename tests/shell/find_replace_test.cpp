// The Find and Replace dialogs through the frame's commands, answered as a
// user would, on real editor windows.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "core/find_history.h"
#include "core/main_menu.h"
#include "core/settings_store.h"
#include "core/string_ids.h"
#include "editor/control_messages.h"
#include "editor/ui/editor_window.h"
#include "editor/ui/find_dialog.h"
#include "editor/ui/replace_dialog.h"
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
using testing::TempDir;

void SetBox(QDialog& dialog, const char* name, const std::string& text) {
  auto* box = dialog.findChild<QComboBox*>(name);
  ASSERT_NE(box, nullptr) << name;
  box->setEditText(QString::fromStdString(text));
}

std::string Box(QDialog& dialog, const char* name) {
  return dialog.findChild<QComboBox*>(name)->currentText().toStdString();
}

QPushButton* Button(QDialog& dialog, const char* name) {
  return dialog.findChild<QPushButton*>(name);
}

class FindReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const FileType cobol{"COBOL", "*.cob"};
    ASSERT_TRUE(ApplyFileTypes(store, std::span(&cobol, 1)));
    catalogue.Append(testing::CobolTemplate());
    frame = std::make_unique<MainFrame>(&store);
    frame->SetTemplateCatalogue(&catalogue);
    frame->SetUserInterface(&ui);
    frame->resize(900, 600);
    frame->show();
  }
  void TearDown() override {
    for (QMdiSubWindow* child : frame->documentArea()->subWindowList()) delete child;
  }

  ui::EditorWindow* Open(const std::string& name, const std::string& text) {
    const auto path = dir / name;
    std::ofstream(path, std::ios::binary) << text;
    if (!frame->OpenLocalFile(QString::fromStdString(path.string()), false)) return nullptr;
    return frame->ActiveEditor();
  }

  // Runs `command` and answers the dialog it opens with `act`; the dialog
  // is cancelled afterwards when `act` left it open.
  template <typename Dialog>
  void WithDialog(int command, const std::function<void(Dialog&)>& act) {
    ModalAnswer<Dialog> answer([&act](Dialog& dialog) {
      act(dialog);
      if (dialog.isVisible()) Button(dialog, "cancel")->click();
    });
    frame->RunCommand(command);
  }

  std::string Text(ui::EditorWindow* editor) { return std::string(editor->control()->Text()); }
  std::string Selected(ui::EditorWindow* editor) {
    int l1 = 0, c1 = 0, l2 = 0, c2 = 0;
    if (!editor->control()->Selection(&l1, &c1, &l2, &c2)) return {};
    const auto from = static_cast<std::size_t>(editor->control()->PositionOf(l1, c1));
    const auto to = static_cast<std::size_t>(editor->control()->PositionOf(l2, c2));
    return Text(editor).substr(from, to - from);
  }
  bool MenuEnabled(int command) { return frame->mainMenu()->Action(command)->isEnabled(); }

  TempDir dir;
  SettingsStore store{dir / "settings.store"};
  TemplateCatalogue catalogue;
  testing::ScriptedUserInterface ui;
  std::unique_ptr<MainFrame> frame;
};

TEST_F(FindReplaceTest, ReplaceAllGrowsWithoutLoopingDeletesAndUndoesInOneStep) {
  ui::EditorWindow* editor = Open("a.txt", "a a a\n");
  ASSERT_NE(editor, nullptr);
  WithDialog<ui::ReplaceDialog>(cmd::kReplace, [](ui::ReplaceDialog& dialog) {
    SetBox(dialog, "findWhat", "a");
    SetBox(dialog, "replaceWith", "");
    EXPECT_EQ(Button(dialog, "replace")->text().toStdString(), "&Delete");
    EXPECT_EQ(Button(dialog, "replaceAll")->text().toStdString(), "Delete &All");
    SetBox(dialog, "replaceWith", "aa");
    EXPECT_EQ(Button(dialog, "replace")->text().toStdString(), "&Replace");
    EXPECT_EQ(Button(dialog, "replaceAll")->text().toStdString(), "Replace &All");
    Button(dialog, "replaceAll")->click();
  });
  EXPECT_EQ(Text(editor), "aa aa aa");
  EXPECT_TRUE(editor->isModified());
  frame->RunCommand(cmd::kUndo);
  EXPECT_EQ(Text(editor), "a a a");
  EXPECT_FALSE(editor->isModified());

  // An empty replacement deletes every occurrence.
  WithDialog<ui::ReplaceDialog>(cmd::kReplace, [](ui::ReplaceDialog& dialog) {
    SetBox(dialog, "findWhat", " ");
    SetBox(dialog, "replaceWith", "");
    Button(dialog, "replaceAll")->click();
  });
  EXPECT_EQ(Text(editor), "aaa");
  // The replacement history holds the empty text of the last search as
  // nothing, and "aa" from the first.
  EXPECT_EQ(LoadHistory(store, kReplaceHistory), std::vector<std::string>{"aa"});
}

TEST_F(FindReplaceTest, HistoryOfTwentyIsCutToTheCurrentTextAndFifteen) {
  ui::EditorWindow* editor = Open("h.txt", "one two three\n");
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(store.Update([this](SettingsTree& tree) {
    bool ok = true;
    for (int i = 0; i < 20; ++i) {
      const std::string text = "entry" + std::to_string(i);
      ok = tree.SetValue(
               store.KeyPath(kFindHistory), std::to_string(i), kStorageText,
               std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) &&
           ok;
    }
    return ok;
  }));
  WithDialog<ui::FindDialog>(cmd::kFind, [](ui::FindDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QComboBox*>("findWhat")->count(), 20);
    SetBox(dialog, "findWhat", "two");
    Button(dialog, "findNext")->click();
    // Saved and loaded again while the dialog is open.
    EXPECT_EQ(dialog.findChild<QComboBox*>("findWhat")->count(), 16);
    EXPECT_EQ(Box(dialog, "findWhat"), "two");
  });
  const std::vector<std::string> history = LoadHistory(store, kFindHistory);
  ASSERT_EQ(history.size(), 16u);
  EXPECT_EQ(history.front(), "two");
  EXPECT_EQ(history.back(), "entry14");
  EXPECT_EQ(Selected(editor), "two");
}

TEST_F(FindReplaceTest, ProposalsFollowTheSelection) {
  ui::EditorWindow* editor = Open("p.txt", "MOVE ALPHA TO BETA\nADD WS-GAMMA\n");
  ASSERT_NE(editor, nullptr);
  ui::QsciEditControl* control = editor->control();
  // Three words inside one line are proposed as they stand.
  control->SetSelection(0, 5, 0, 18);
  WithDialog<ui::FindDialog>(cmd::kFind, [](ui::FindDialog& dialog) {
    EXPECT_EQ(Box(dialog, "findWhat"), "ALPHA TO BETA");
  });
  // Over two lines: the word at the caret (a hyphenated COBOL name), and
  // Replace chooses the selection.
  control->SetSelection(0, 2, 1, 9);
  WithDialog<ui::ReplaceDialog>(cmd::kReplace, [](ui::ReplaceDialog& dialog) {
    EXPECT_EQ(Box(dialog, "findWhat"), "WS-GAMMA");
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("selection")->isChecked());
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("selection")->isEnabled());
    // Find Next and the wrap box count only for the whole file.
    EXPECT_FALSE(Button(dialog, "findNext")->isEnabled());
  });
  // No selection: "Selection" is disabled, the word at the caret proposed.
  control->SetSelection(0, 15, 0, 15);
  WithDialog<ui::ReplaceDialog>(cmd::kReplace, [](ui::ReplaceDialog& dialog) {
    EXPECT_EQ(Box(dialog, "findWhat"), "BETA");
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("selection")->isEnabled());
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("wholeFile")->isChecked());
    EXPECT_TRUE(Button(dialog, "findNext")->isEnabled());
  });
}

TEST_F(FindReplaceTest, FindNextAndPreviousRepeatTheSearchAfterTheDialogClosed) {
  ui::EditorWindow* editor = Open("n.txt", "x B\ny b\nz B\n");
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(MenuEnabled(cmd::kFindNext));
  EXPECT_FALSE(MenuEnabled(cmd::kFindPrevious));
  WithDialog<ui::FindDialog>(cmd::kFind, [](ui::FindDialog& dialog) {
    SetBox(dialog, "findWhat", "B");
    dialog.findChild<QCheckBox*>("matchCase")->setChecked(true);
    Button(dialog, "findNext")->click();
  });
  EXPECT_TRUE(MenuEnabled(cmd::kFindNext));
  EXPECT_TRUE(MenuEnabled(cmd::kFindPrevious));
  EXPECT_EQ(editor->control()->Caret().line, 0);
  // Match case skips the small b of the second line; wrap comes back to the first.
  frame->RunCommand(cmd::kFindNext);
  EXPECT_EQ(editor->control()->Caret().line, 2);
  frame->RunCommand(cmd::kFindNext);
  EXPECT_EQ(editor->control()->Caret().line, 0);
  frame->RunCommand(cmd::kFindPrevious);
  EXPECT_EQ(editor->control()->Caret().line, 2);
  EXPECT_EQ(Selected(editor), "B");
  EXPECT_TRUE(ui.shown().empty());

  // Not found: the message, and the selection stays.
  WithDialog<ui::FindDialog>(cmd::kFind, [](ui::FindDialog& dialog) {
    SetBox(dialog, "findWhat", "QQ");
    Button(dialog, "findNext")->click();
  });
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown().back().text, "Cannot find the string 'QQ'.");
  EXPECT_EQ(editor->control()->Caret().line, 2);
  EXPECT_EQ(Selected(editor), "B");
}

TEST_F(FindReplaceTest, MarkAllBookmarksEveryLineHoldingAMatch) {
  ui::EditorWindow* editor = Open("m.txt", "CALL A\nnothing\ncall b call c\nend\n");
  ASSERT_NE(editor, nullptr);
  ui::QsciEditControl* control = editor->control();
  control->SetMarks(2, kLineMarkGoTo | kLineMarkError);
  WithDialog<ui::FindDialog>(cmd::kFind, [](ui::FindDialog& dialog) {
    SetBox(dialog, "findWhat", "call");
    dialog.findChild<QCheckBox*>("wholeWord")->setChecked(true);
    Button(dialog, "markAll")->click();
    EXPECT_FALSE(dialog.isVisible());
  });
  EXPECT_EQ(control->Marks(0), kLineMarkBookmark);
  EXPECT_EQ(control->Marks(1), 0u);
  EXPECT_EQ(control->Marks(2), kLineMarkBookmark);
  EXPECT_EQ(control->Marks(3), 0u);
}

TEST_F(FindReplaceTest, ReplaceAllKeepsTheLineNumbersOfANumberedDocument) {
  ui::EditorWindow* editor = Open("prog.cob", testing::kCobolSource);
  ASSERT_NE(editor, nullptr);
  ui::QsciEditControl* control = editor->control();
  ASSERT_EQ(control->NumberOfLine(4), 450);
  control->SetMarks(3, kLineMarkBookmark);
  WithDialog<ui::ReplaceDialog>(cmd::kReplace, [](ui::ReplaceDialog& dialog) {
    SetBox(dialog, "findWhat", "move");
    SetBox(dialog, "replaceWith", "MOVE-IT");
    Button(dialog, "replaceAll")->click();
  });
  EXPECT_EQ(control->Text().find("MOVE "), std::string_view::npos);
  const std::int64_t numbers[] = {100, 200, 300, 400, 450, 500};
  for (int line = 0; line < 6; ++line) EXPECT_EQ(control->NumberOfLine(line), numbers[line]);
  EXPECT_EQ(control->Marks(3), kLineMarkBookmark);
  EXPECT_EQ(control->MarginText(4), "000450 ");
  // Saved with the numbers each line kept.
  frame->RunCommand(cmd::kSave);
  std::ifstream in(dir / "prog.cob", std::ios::binary);
  const std::string saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(saved.find("000450     MOVE-IT 1 TO X."), std::string::npos) << saved;
  EXPECT_NE(saved.find("000500     DISPLAY \"MOVE-IT\"."), std::string::npos) << saved;
}

}  // namespace
}  // namespace vandrel::shell
