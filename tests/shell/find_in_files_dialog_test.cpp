// Find in Files from the frame against a real agent: the dialog opens with
// the session's current directory and the word at the caret, the results
// fill the "Find in Files" pane, a double-click on a result opens the host
// file at its line (on an MPE/iX host a numbered source in record form,
// writable), and the histories keep what was searched.
#include "project/ui/find_in_files_dialog.h"

#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <fstream>

#include "core/find_history.h"
#include "core/main_menu.h"
#include "core/settings_store.h"
#include "editor/ui/editor_window.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "project/project_file.h"
#include "project/ui/output_window.h"
#include "remote/output_writer.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "support/agent_process.h"
#include "support/event_wait.h"
#include "support/modal_dialog.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::shell {
namespace {

using testing::AgentProcess;
using testing::ModalAnswer;
using testing::ScriptedUserInterface;
using testing::TempDir;
using testing::WaitFor;

void Write(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

class FindInFilesTest : public ::testing::Test {
 protected:
  void StartAgent(const char* personality) {
    agent_ = std::make_unique<AgentProcess>(
        std::vector<std::string>{"--root", (dir_ / "root").string(), "--port", "0", "--bind",
                                 "127.0.0.1", "--no-login", "--personality", personality});
    const int port = agent_->ReadPort();
    ASSERT_NE(port, 0);
    project::Project saved;
    saved.projectSettings().server = "127.0.0.1";
    saved.projectSettings().port = port;
    ASSERT_TRUE(project::SaveProjectFile(saved, dir_ / "host.vdp"));
    frame_ = std::make_unique<MainFrame>(&store_);
    frame_->SetUserInterface(&ui_);
    frame_->resize(1000, 700);
    frame_->show();
    EXPECT_FALSE(frame_->mainMenu()->Action(cmd::kFindInFiles)->isEnabled());
    ASSERT_TRUE(frame_->OpenProject((dir_ / "host.vdp").string()));
    ASSERT_TRUE(WaitFor([&] { return frame_->connected() && !frame_->busy(); }));
    ASSERT_TRUE(frame_->mainMenu()->Action(cmd::kFindInFiles)->isEnabled());
  }

  // Runs Find in Files, answering the dialog with `fill` and then Find;
  // waits for the search to end.
  void Search(const std::function<void(ui::FindInFilesDialog&)>& fill) {
    {
      ModalAnswer<ui::FindInFilesDialog> answer([&](ui::FindInFilesDialog& dialog) {
        fill(dialog);
        ASSERT_TRUE(dialog.findButton()->isEnabled());
        dialog.findButton()->click();
      });
      frame_->RunCommand(cmd::kFindInFiles);
    }
    ASSERT_TRUE(WaitFor([&] { return !frame_->busy(); }));
    output()->Flush();
  }

  ui::OutputWindow* output() const { return frame_->findChild<ui::OutputWindow*>(); }

  // The pane's line index that holds `text`; -1 when none.
  std::int64_t LineHolding(const std::string& text) const {
    project::OutputPanes& panes = frame_->outputPanes();
    for (std::size_t i = 0; i < panes.LineCount(remote::kPaneFindInFiles); ++i) {
      if (panes.Line(remote::kPaneFindInFiles, i).find(text) != std::string::npos)
        return static_cast<std::int64_t>(i);
    }
    return -1;
  }

  // Double-clicks line `line` of the "Find in Files" pane as the user would.
  void DoubleClick(std::int64_t line) {
    QPlainTextEdit* view = output()->PaneView(remote::kPaneFindInFiles);
    const QTextBlock block = view->document()->findBlockByNumber(static_cast<int>(line));
    view->setTextCursor(QTextCursor(block));
    view->ensureCursorVisible();
    const QPoint at = view->cursorRect(QTextCursor(block)).center() + QPoint(4, 0);
    QMouseEvent click(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &click);
  }

  TempDir dir_;
  std::unique_ptr<AgentProcess> agent_;
  SettingsStore store_{dir_ / "settings.reg"};
  ScriptedUserInterface ui_;
  std::unique_ptr<MainFrame> frame_;  // goes first
};

TEST_F(FindInFilesTest, PosixResultsFillThePaneAndOpenAtTheirLine) {
  Write(dir_ / "root" / "src" / "main.c", "int main(void)\n{\n  return helper();\n}\n");
  Write(dir_ / "root" / "src" / "lib" / "helper.c", "int helper(void)\n{\n  return 0;\n}\n");
  Write(dir_ / "root" / "src" / "notes.txt", "return of the helper\n");
  ASSERT_NO_FATAL_FAILURE(StartAgent("posix"));
  ASSERT_TRUE(SaveHistory(store_, kWildcardHistory, "*.c", {}));
  // Something left in the pane from before goes when the search starts.
  frame_->outputPanes().Print(remote::kPaneFindInFiles, "old(1): stale");
  frame_->ShowOutput(false);

  Search([&](ui::FindInFilesDialog& dialog) {
    EXPECT_EQ(dialog.fileTypesBox()->currentText(), "*.c");
    EXPECT_TRUE(dialog.subdirectoriesBox()->isChecked());
    // Without a project's file list of its own the project choice is still
    // offered: the project that connected is open.
    EXPECT_TRUE(dialog.projectFilesBox()->isEnabled());
    EXPECT_FALSE(dialog.findButton()->isEnabled());  // nothing to find yet
    // The host names its current directory after the dialog opened.
    ASSERT_TRUE(WaitFor([&] { return !dialog.directoryBox()->currentText().isEmpty(); }));
    dialog.findWhatBox()->setEditText("return");
    dialog.directoryBox()->setEditText("/src");
  });
  EXPECT_TRUE(frame_->OutputShown());
  EXPECT_EQ(output()->CurrentPane(), remote::kPaneFindInFiles);
  const std::string pane = frame_->outputPanes().Text(remote::kPaneFindInFiles);
  EXPECT_EQ(pane.find("stale"), std::string::npos) << pane;
  EXPECT_NE(pane.find("/src/main.c(3):   return helper();"), std::string::npos) << pane;
  EXPECT_NE(pane.find("/src/lib/helper.c(3):"), std::string::npos) << pane;
  EXPECT_EQ(pane.find("notes.txt"), std::string::npos) << pane;
  EXPECT_TRUE(ui_.shown().empty());

  const std::int64_t result = LineHolding("/src/lib/helper.c(3)");
  ASSERT_GE(result, 0);
  DoubleClick(result);
  ASSERT_TRUE(WaitFor([&] { return frame_->EditorWindows().size() == 1 && !frame_->busy(); }));
  ui::EditorWindow* editor = frame_->EditorWindows().front();
  EXPECT_EQ(editor->documentName(), "/src/lib/helper.c");
  EXPECT_FALSE(editor->isReadOnly());
  EXPECT_EQ(editor->CaretLine(), 3);

  // The histories keep the search, newest first and without repeats; the
  // next dialog proposes the word at the caret of the active editor.
  editor->control()->scintilla()->setCursorPosition(0, 6);
  Search([&](ui::FindInFilesDialog& dialog) {
    EXPECT_EQ(dialog.findWhatBox()->currentText(), "helper");
    EXPECT_EQ(dialog.findWhatBox()->itemText(0), "return");
    EXPECT_EQ(dialog.directoryBox()->itemText(0), "/src");
    dialog.wholeWordBox()->setChecked(true);
    dialog.subdirectoriesBox()->setChecked(false);
    dialog.directoryBox()->setEditText("/src");
  });
  EXPECT_EQ(LoadHistory(store_, kFindHistory), (std::vector<std::string>{"helper", "return"}));
  EXPECT_EQ(LoadHistory(store_, kWildcardHistory), (std::vector<std::string>{"*.c"}));
  EXPECT_EQ(LoadHistory(store_, kFolderHistory), (std::vector<std::string>{"/src"}));
  const std::string second = frame_->outputPanes().Text(remote::kPaneFindInFiles);
  EXPECT_NE(second.find("/src/main.c(3):"), std::string::npos) << second;
  EXPECT_EQ(second.find("/src/lib/"), std::string::npos) << second;  // no sub-directories
}

TEST_F(FindInFilesTest, MpeResultOpensTheNumberedSourceInRecordFormAtItsLine) {
  std::string source;
  int number = 0;
  for (const char* text : {" IDENTIFICATION DIVISION.", " PROGRAM-ID. PAYROLL.",
                           " PROCEDURE DIVISION.", "     DISPLAY \"HELLO\".", "     STOP RUN."}) {
    number += 100;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", number);
    std::string record = digits + std::string(text);
    record.resize(80, ' ');
    source += record + "\n";
  }
  const std::filesystem::path group = dir_ / "root" / "DEMO" / "SOURCE";
  Write(group / "PAYROLL", source);
  Write(group / ".tandrill" / "PAYROLL",
        "FCODE=1052\nRECLEN=80\nBFACT=16\nTYPE=0\nMODE=1\nLIMIT=1023\nCCTL=0\nM#L=0\n"
        "QLANG=0\nQRECLEN=0\nQLNL=0\nQLNJ=0\nLW=\nACD=\n");
  ASSERT_NO_FATAL_FAILURE(StartAgent("mpe"));

  Search([&](ui::FindInFilesDialog& dialog) {
    dialog.findWhatBox()->setEditText("display");
    dialog.fileTypesBox()->setEditText("PAY@");
    dialog.directoryBox()->setEditText("/DEMO");
  });
  const std::int64_t result = LineHolding("/DEMO/SOURCE/PAYROLL(4)");
  ASSERT_GE(result, 0) << frame_->outputPanes().Text(remote::kPaneFindInFiles);
  DoubleClick(result);
  ASSERT_TRUE(WaitFor([&] { return frame_->EditorWindows().size() == 1 && !frame_->busy(); }));
  ui::EditorWindow* editor = frame_->EditorWindows().front();
  EXPECT_EQ(editor->documentName(), "/DEMO/SOURCE/PAYROLL");
  EXPECT_FALSE(editor->isReadOnly());
  EXPECT_TRUE(editor->format().formatFlags & kFormatRecordForm);
  EXPECT_EQ(editor->format().mpe.reclen, 80);
  EXPECT_TRUE(editor->HasLineNumbers());
  EXPECT_EQ(editor->control()->NumberOfLine(3), 400);
  EXPECT_EQ(editor->CaretLine(), 4);
  EXPECT_EQ(editor->control()->scintilla()->text(3).trimmed().toStdString(), "DISPLAY \"HELLO\".");
  EXPECT_TRUE(frame_->mainMenu()->Action(cmd::kRenumber)->isEnabled());
  EXPECT_TRUE(ui_.shown().empty());
}

}  // namespace
}  // namespace vandrel::shell
