// Host files edited in the frame against a real agent: a numbered COBOL II
// source on an MPE/iX host opens writable in record form, its edits go back
// record for record with their sequence numbers, the host lock lives as
// long as the document and the session, a file changed on the host asks
// before it is overwritten, a dropped connection loses nothing, and a
// plain text file on a POSIX host saves as the text it was.
#include <Qsci/qsciscintilla.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QPushButton>
#include <fstream>
#include <sstream>

#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/settings_store.h"
#include "core/string_ids.h"
#include "editor/ui/editor_window.h"
#include "editor/ui/file_changed_dialog.h"
#include "editor/ui/merge_dialog.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "project/project_file.h"
#include "shell/frame_editor_host.h"
#include "shell/frame_host_connection.h"
#include "shell/main_frame.h"
#include "support/agent_process.h"
#include "support/event_wait.h"
#include "support/host_frame.h"
#include "support/modal_dialog.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::shell {
namespace {

using testing::AgentProcess;
using testing::HostFrameTest;
using testing::kPayrollSource;
using testing::Lines;
using testing::LockedOnHost;
using testing::ModalAnswer;
using testing::ReadTextFile;
using testing::Record;
using testing::RecordsOf;
using testing::ScriptedUserInterface;
using testing::TempDir;
using testing::WaitFor;
using testing::WriteTextFile;

class HostEditing : public HostFrameTest {
 protected:
  void SetUp() override {
    source_ = dir_ / "root" / "DEMO" / "SOURCE";
    std::filesystem::create_directories(source_ / ".tandrill");
    WriteTextFile(source_ / "PAYROLL", Lines(kPayrollSource));
    WriteTextFile(source_ / ".tandrill" / "PAYROLL", testing::kCobolAttributes);
    StartAgent();
  }

  void StartAgent() { HostFrameTest::StartAgent("mpe", "mpe.vdp", true); }

  // Opens the project (with file locking kept) and the numbered source.
  ui::EditorWindow* OpenSource(MainFrame& frame) {
    frame.settings().SpecialOptions = 1;
    frame.settings().Debugging = 1;
    return OpenInProject(frame, "mpe.vdp", "/DEMO/SOURCE/PAYROLL");
  }

  std::string HostText() const { return ReadTextFile(source_ / "PAYROLL"); }

  std::filesystem::path source_;
};

TEST_F(HostEditing, NumberedSourceSavesRecordForRecordAndKeepsItsLockAndAttributes) {
  MainFrame& frame = NewFrame();
  ScriptedUserInterface& ui = ui_;
  ui::EditorWindow* editor = OpenSource(frame);
  ASSERT_NE(editor, nullptr) << (ui.shown().empty() ? "" : ui.shown().back().text);

  // Record form with its attributes, numbers out of the text, writable, and
  // nothing asked (the record lengths are not taken for binary data).
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;
  EXPECT_FALSE(editor->isReadOnly());
  EXPECT_EQ(editor->Caption(), "/DEMO/SOURCE/PAYROLL");
  EXPECT_TRUE(editor->format().formatFlags & kFormatRecordForm);
  EXPECT_EQ(editor->format().mpe.fcode, 1052);
  EXPECT_EQ(editor->format().mpe.reclen, 80);
  EXPECT_EQ(editor->format().fileInfo.fileCode, 1052);
  EXPECT_TRUE(editor->HasLineNumbers());
  QsciScintilla* text = editor->control()->scintilla();
  EXPECT_EQ(text->text(1).trimmed().toStdString(), "PROGRAM-ID. PAYROLL.");
  // The open took the host lock.
  EXPECT_NE(editor->hostLock(), -1);
  EXPECT_TRUE(LockedOnHost(source_ / "PAYROLL"));

  // Change line 2, insert a line after line 3, save.
  const int at = text->text(1).indexOf("PAYROLL");
  text->setSelection(1, at, 1, at + 7);
  text->replaceSelectedText("PAYCALC");
  const QString eol = text->eolMode() == QsciScintilla::EolWindows ? "\r\n"
                      : text->eolMode() == QsciScintilla::EolMac   ? "\r"
                                                                   : "\n";
  text->insertAt(eol + "     DISPLAY \"NEW\".", 2, text->text(2).trimmed().size() + 1);
  ASSERT_TRUE(editor->isModified());
  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;
  EXPECT_FALSE(editor->isModified());
  EXPECT_EQ(editor->Caption(), "/DEMO/SOURCE/PAYROLL");

  // Every record not edited is what it was; the edited one keeps its
  // number; the new one is numbered between its neighbours.
  const std::vector<std::string> records = RecordsOf(HostText());
  ASSERT_EQ(records.size(), 6u) << HostText();
  EXPECT_EQ(records[0], kPayrollSource[0]);
  EXPECT_EQ(records[1], Record("000200", " PROGRAM-ID. PAYCALC."));
  EXPECT_EQ(records[2], kPayrollSource[2]);
  EXPECT_GT(records[3].substr(0, 6), "000300");
  EXPECT_LT(records[3].substr(0, 6), "000400");
  EXPECT_EQ(records[3].substr(6), Record("000000", "     DISPLAY \"NEW\".").substr(6));
  EXPECT_EQ(records[4], kPayrollSource[3]);
  EXPECT_EQ(records[5], kPayrollSource[4]);
  // The attributes stay, the record count follows the lines.
  const std::string attributes = ReadTextFile(source_ / ".tandrill" / "PAYROLL");
  EXPECT_NE(attributes.find("FCODE=1052\n"), std::string::npos) << attributes;
  EXPECT_NE(attributes.find("RECLEN=80\n"), std::string::npos) << attributes;
  EXPECT_NE(attributes.find("TYPE=0\n"), std::string::npos) << attributes;
  EXPECT_NE(attributes.find("BFACT=16\n"), std::string::npos) << attributes;
  // The save gave the lock back before writing and took the new file's.
  EXPECT_NE(editor->hostLock(), -1);
  EXPECT_TRUE(LockedOnHost(source_ / "PAYROLL"));

  // A host file the project does not hold goes into it as an entry.
  EXPECT_TRUE(editor->InsertIntoProject());
  const project::ProjectItem* entry = frame.project().FindItem("PAYROLL", 1);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->FullPath().value_or(""), "/DEMO/SOURCE/PAYROLL");
  EXPECT_TRUE(frame.project().Modified());
  // While debugging, the Debug pane has every command and reply.
  const std::string trace = frame.outputPanes().Text(2);
  EXPECT_NE(trace.find("=GET_FILEINFO /DEMO/SOURCE/PAYROLL"), std::string::npos) << trace;
  EXPECT_NE(trace.find("=RECV_FILE"), std::string::npos) << trace;

  // Closing gives the lock back.
  auto* child = qobject_cast<QMdiSubWindow*>(editor->parentWidget());
  ASSERT_NE(child, nullptr);
  child->close();
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().empty() && !frame.busy(); }));
  EXPECT_FALSE(LockedOnHost(source_ / "PAYROLL"));
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;
}

TEST_F(HostEditing, ErrorAtANumberedLineGoesToTheLineCarryingThatNumber) {
  // Compiler messages name the file's own sequence numbers.
  {
    project::Project saved;
    saved.projectSettings().server = "127.0.0.1";
    saved.projectSettings().port = port_;
    saved.projectSettings().outputMasks = {"ERR $(LineNumber) $(FileName)"};
    ASSERT_TRUE(project::SaveProjectFile(saved, dir_ / "masks.vdp"));
  }
  MainFrame& frame = NewFrame();
  ASSERT_TRUE(frame.OpenProject((dir_ / "masks.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  frame.outputPanes().Print(0, "ERR 000400 /DEMO/SOURCE/PAYROLL");
  frame.UpdateCommandState();
  frame.RunCommand(cmd::kNextErrorTag);
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().size() == 1 && !frame.busy(); }))
      << (ui_.shown().empty() ? "" : ui_.shown().back().text);
  ui::EditorWindow* editor = frame.EditorWindows().front();
  ui::QsciEditControl* control = editor->control();
  // 000400 is the fourth record; it carries the error mark.
  EXPECT_EQ(editor->CaretLine(), 4);
  EXPECT_TRUE(control->Marks(3) & kLineMarkError);

  // A number no line carries moves nothing and leaves the mark.
  EXPECT_FALSE(editor->GoToLine(450, kGoToFileNumber | kGoToErrorMark));
  EXPECT_EQ(editor->CaretLine(), 4);
  EXPECT_TRUE(control->Marks(3) & kLineMarkError);

  // The mark goes when the caret leaves the place the jump left it at.
  control->MoveCaretToLine(0);
  EXPECT_TRUE(WaitFor([&] { return (control->Marks(3) & kLineMarkError) == 0; }));
}

TEST_F(HostEditing, ChangedHostFileIsOverwrittenOnlyOnYes) {
  MainFrame& frame = NewFrame();
  ScriptedUserInterface& ui = ui_;
  frame.settings().SpecialOptions = 0;  // no locks: another writer may change the file
  ui::EditorWindow* editor = nullptr;
  ASSERT_TRUE(frame.OpenProject((dir_ / "mpe.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  ASSERT_TRUE(frame.OpenHostFile("/DEMO/SOURCE/PAYROLL"));
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().size() == 1 && !frame.busy(); }));
  editor = frame.EditorWindows().front();
  EXPECT_EQ(editor->hostLock(), -1);

  // Someone else writes the file meanwhile.
  std::vector<std::string> theirs = kPayrollSource;
  theirs[4] = Record("000500", "     GOBACK.");
  WriteTextFile(source_ / "PAYROLL", Lines(theirs));
  const auto later =
      std::filesystem::last_write_time(source_ / "PAYROLL") + std::chrono::seconds(5);
  std::filesystem::last_write_time(source_ / "PAYROLL", later);

  QsciScintilla* text = editor->control()->scintilla();
  text->insertAt("*", 0, 1);
  ui.Answer(kIdNo);
  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_NE(ui.shown()[0].text.find("has been altered on the server"), std::string::npos);
  EXPECT_EQ(HostText(), Lines(theirs));  // No leaves the other writer's file alone
  EXPECT_TRUE(editor->isModified());

  ui.Answer(kIdYes);
  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  ASSERT_EQ(ui.shown().size(), 2u);
  EXPECT_FALSE(editor->isModified());
  EXPECT_EQ(HostText().substr(0, 8), "000100 *");
  // Saving again after our own save asks nothing.
  text->insertAt("*", 0, 1);
  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  EXPECT_EQ(ui.shown().size(), 2u);
}

// Two writers of one numbered source: Merge takes the other's changes in
// beside the document's own, asks only where both changed the same lines,
// and the merged text saves with its sequence numbers kept and the new
// lines numbered between their neighbours.
TEST_F(HostEditing, MergeCombinesBothWritersAndAsksOnlyWhereTheyChangedTheSameLine) {
  MainFrame& frame = NewFrame();
  ScriptedUserInterface& ui = ui_;
  frame.settings().SpecialOptions = 0;  // no locks: another writer may change the file
  ASSERT_TRUE(frame.OpenProject((dir_ / "mpe.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  frame.hostConnection()->AskQuestionsAsMessages(false);  // the dialog itself
  ASSERT_TRUE(frame.OpenHostFile("/DEMO/SOURCE/PAYROLL"));
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().size() == 1 && !frame.busy(); }));
  ui::EditorWindow* editor = frame.EditorWindows().front();
  QsciScintilla* text = editor->control()->scintilla();

  auto writeTheirs = [&](const std::vector<std::string>& records, int seconds) {
    WriteTextFile(source_ / "PAYROLL", Lines(records));
    std::filesystem::last_write_time(
        source_ / "PAYROLL",
        std::filesystem::file_time_type::clock::now() + std::chrono::seconds(seconds));
  };
  auto save = [&] {
    frame.RunCommand(cmd::kSave);
    ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  };

  // They insert a line after 000200 and change the last; here the first
  // line changes and a line goes in after 000300.
  std::vector<std::string> theirs = kPayrollSource;
  theirs[4] = Record("000500", "     GOBACK.");
  theirs.insert(theirs.begin() + 2, Record("000250", " AUTHOR. THEM."));
  writeTheirs(theirs, 5);
  text->insertAt("*", 0, 0);
  text->insertAt("\n     DISPLAY \"MINE\".", 2, text->text(2).trimmed().size() + 1);
  {
    ModalAnswer<ui::FileChangedDialog> answer([](ui::FileChangedDialog& shown) {
      ASSERT_TRUE(shown.mergeButton()->isEnabled());
      shown.mergeButton()->click();
    });
    save();
  }
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;
  EXPECT_EQ(HostText(), Lines(theirs));  // nothing written yet
  ASSERT_TRUE(editor->isModified());
  EXPECT_EQ(text->text(2).trimmed().toStdString(), "AUTHOR. THEM.");
  EXPECT_EQ(text->text(6).trimmed().toStdString(), "GOBACK.");

  // The merged text saves without another question.
  save();
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;
  EXPECT_FALSE(editor->isModified());
  std::vector<std::string> records = RecordsOf(HostText());
  ASSERT_EQ(records.size(), 7u) << HostText();
  EXPECT_EQ(records[0], Record("000100", "* IDENTIFICATION DIVISION."));
  EXPECT_EQ(records[1], kPayrollSource[1]);
  // Their new line is numbered between its neighbours like one typed here.
  EXPECT_GT(records[2].substr(0, 6), "000200");
  EXPECT_LT(records[2].substr(0, 6), "000300");
  EXPECT_EQ(records[2].substr(6), theirs[2].substr(6));
  EXPECT_EQ(records[3], kPayrollSource[2]);
  EXPECT_GT(records[4].substr(0, 6), "000300");
  EXPECT_LT(records[4].substr(0, 6), "000400");
  EXPECT_EQ(records[4].substr(6), Record("000000", "     DISPLAY \"MINE\".").substr(6));
  EXPECT_EQ(records[5], kPayrollSource[3]);
  EXPECT_EQ(records[6], theirs[5]);

  // Both change the DISPLAY line: the choice is the user's, here theirs.
  std::vector<std::string> again = records;
  again[5] = Record("000400", "     DISPLAY \"THEIRS\".");
  writeTheirs(again, 10);
  const int at = text->text(5).indexOf("HELLO");
  ASSERT_GT(at, 0);
  text->setSelection(5, at, 5, at + 5);
  text->replaceSelectedText("OURS");
  text->insertAt("*", 0, 0);  // only here
  std::size_t conflicts = 0;
  {
    ModalAnswer<ui::MergeConflictDialog> choose([&](ui::MergeConflictDialog& shown) {
      conflicts = shown.conflictCount();
      shown.Choose(0, false);
      shown.accept();
    });
    ModalAnswer<ui::FileChangedDialog> answer(
        [](ui::FileChangedDialog& shown) { shown.mergeButton()->click(); });
    save();
  }
  EXPECT_EQ(conflicts, 1u);
  EXPECT_EQ(text->text(5).trimmed().toStdString(), "DISPLAY \"THEIRS\".");
  save();
  records = RecordsOf(HostText());
  ASSERT_EQ(records.size(), 7u) << HostText();
  EXPECT_EQ(records[5], again[5]);
  EXPECT_EQ(records[0], Record("000100", "** IDENTIFICATION DIVISION."));
  EXPECT_EQ(records[6], theirs[5]);
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;
}

TEST_F(HostEditing, DroppedConnectionKeepsTheEditsAndASaveAfterReconnectingSucceeds) {
  MainFrame& frame = NewFrame();
  ScriptedUserInterface& ui = ui_;
  ui::EditorWindow* editor = OpenSource(frame);
  ASSERT_NE(editor, nullptr);
  const std::string before = HostText();

  editor->control()->scintilla()->insertAt("*", 0, 1);
  agent_.reset();  // the host goes away
  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  // The failure shows the connection gone: the session ends without an
  // error box, and the lock died with the session that took it.
  ASSERT_TRUE(WaitFor([&] { return !frame.connected(); }));
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;
  EXPECT_TRUE(editor->isModified());
  EXPECT_EQ(HostText(), before);
  EXPECT_EQ(editor->hostLock(), -1);

  // A new host process on the same tree, the project pointed at it; the
  // lost session is given up first.
  StartAgent();
  frame.RunCommand(cmd::kDisconnect);
  frame.project().projectSettings().port = port_;
  frame.RunCommand(cmd::kConnect);
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  const std::size_t reported = ui.shown().size();
  frame.RunCommand(cmd::kSave);
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  EXPECT_EQ(ui.shown().size(), reported) << ui.shown().back().text;
  EXPECT_FALSE(editor->isModified());
  EXPECT_EQ(HostText().substr(0, 8), "000100 *");
}

TEST_F(HostEditing, ClosingWithYesWaitsForTheUploadAndClosesWhenItSucceeded) {
  MainFrame& frame = NewFrame();
  ScriptedUserInterface& ui = ui_;
  ui::EditorWindow* editor = OpenSource(frame);
  ASSERT_NE(editor, nullptr);
  editor->control()->scintilla()->insertAt("*", 0, 1);
  auto* child = qobject_cast<QMdiSubWindow*>(editor->parentWidget());
  ASSERT_NE(child, nullptr);

  ui.Answer(kIdYes);  // "Save changes to '%s' ?"
  child->close();
  // The window waits, minimised, while its upload runs; a second close and
  // a second save are refused meanwhile.
  EXPECT_EQ(frame.EditorWindows().size(), 1);
  if (editor->transferRunning()) {
    EXPECT_TRUE(child->isMinimized());
    child->close();
    EXPECT_EQ(frame.EditorWindows().size(), 1);
    editor->Save();
    ASSERT_EQ(ui.shown().size(), 2u);
    EXPECT_EQ(ui.shown()[1].text,
              FormatText(LoadText(kStrUploadInProgress), std::string("/DEMO/SOURCE/PAYROLL")));
  }
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().empty() && !frame.busy(); }));
  EXPECT_EQ(HostText().substr(0, 8), "000100 *");
  EXPECT_FALSE(LockedOnHost(source_ / "PAYROLL"));
}

// A new document saved to the MPE/iX host becomes a standard MPE file under
// the name Save As chose; a name in its text opens by resolution on the host.
TEST_F(HostEditing, NewDocumentSavesAsAStandardMpeFileAndNamesInItOpen) {
  MainFrame& frame = NewFrame();
  ScriptedUserInterface& ui = ui_;
  ASSERT_TRUE(frame.OpenProject((dir_ / "mpe.vdp").string()));
  ASSERT_TRUE(WaitFor([&] { return frame.connected() && !frame.busy(); }));
  std::string proposedFolder = "?";
  frame.editorHost().SetSavePathChooser([&](const std::string& folder, const std::string&) {
    proposedFolder = folder;
    return std::optional<std::string>("/DEMO/SOURCE/NOTES");
  });

  ui::EditorWindow* editor = frame.NewDocument(std::string());
  ASSERT_NE(editor, nullptr);
  editor->control()->scintilla()->setText("SEE PAYROLL\nAND A LONGER SECOND LINE");
  frame.RunCommand(cmd::kSave);  // unnamed and connected: host Save As
  ASSERT_TRUE(WaitFor([&] { return !editor->transferRunning() && !frame.busy(); }));
  EXPECT_TRUE(ui.shown().empty()) << ui.shown().front().text;
  EXPECT_EQ(proposedFolder, "");
  EXPECT_EQ(editor->documentName(), "/DEMO/SOURCE/NOTES");
  EXPECT_FALSE(editor->isModified());
  const std::string attributes = ReadTextFile(source_ / ".tandrill" / "NOTES");
  for (const char* value : {"FCODE=0\n", "RECLEN=24\n", "BFACT=1\n", "TYPE=0\n", "MODE=1\n"})
    EXPECT_NE(attributes.find(value), std::string::npos) << value << " in " << attributes;
  EXPECT_EQ(ReadTextFile(source_ / "NOTES"),
            "SEE PAYROLL             \nAND A LONGER SECOND LINE\n");

  // Open File on "PAYROLL" resolves it beside the document.
  ASSERT_TRUE(frame.OpenHostFileByName("PAYROLL", "/DEMO/SOURCE"));
  ASSERT_TRUE(WaitFor([&] { return frame.EditorWindows().size() == 2 && !frame.busy(); }));
  EXPECT_EQ(frame.ActiveEditor()->documentName(), "/DEMO/SOURCE/PAYROLL");
  // A name the host cannot resolve says so.
  ASSERT_TRUE(frame.OpenHostFileByName("NOSUCH.NOGROUP", "/DEMO/SOURCE"));
  ASSERT_TRUE(WaitFor([&] { return !ui.shown().empty() && !frame.busy(); }));
  EXPECT_EQ(ui.shown().back().text,
            FormatText(LoadText(kStrResolveFileFailed), std::string("NOSUCH.NOGROUP"),
                       std::string("/DEMO/SOURCE")));
}

// A POSIX host with one text file; `Open` shows it in a frame connected to it.
class HostEditingPosix : public HostFrameTest {
 protected:
  void Start(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(dir_ / "root" / "src");
    WriteTextFile(dir_ / "root" / "src" / name, text);
    StartAgent("posix", "posix.vdp", false);
  }

  ui::EditorWindow* Open(MainFrame& frame, const std::string& hostPath) {
    return OpenInProject(frame, "posix.vdp", hostPath);
  }

  void Save(MainFrame& frame, ui::EditorWindow& editor) {
    frame.RunCommand(cmd::kSave);
    ASSERT_TRUE(WaitFor([&] { return !editor.transferRunning() && !frame.busy(); }));
  }
};

// A plain text file: opened writable, saved as the text it was with the
// edit in it.
TEST_F(HostEditingPosix, TextFileSavesAsText) {
  Start("hello.c", "int main(void)\n{\n  return 0;\n}\n");
  MainFrame& frame = NewFrame();
  ui::EditorWindow* editor = Open(frame, "/src/hello.c");
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->isReadOnly());
  EXPECT_FALSE(editor->format().formatFlags & kFormatRecordForm);
  editor->control()->scintilla()->insertAt("  return 1;\n", 2, 0);
  Save(frame, *editor);
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  EXPECT_EQ(ReadTextFile(dir_ / "root" / "src" / "hello.c"),
            "int main(void)\n{\n  return 1;\n  return 0;\n}\n");
}

// The default character map translates a host file on its way in and back.
TEST_F(HostEditingPosix, DefaultCharacterMapTranslatesBothWays) {
  Start("note.txt", "price @ 5\n");
  // "@" on the host is "|" on the PC, and back.
  std::filesystem::create_directories(dir_ / "nls");
  WriteTextFile(dir_ / "nls" / "maps.nls", "[Pipes]\n64=124\n124=64\n");
  MainFrame& frame = NewFrame();
  frame.settings().NLSFiles = (dir_ / "nls").string();
  frame.settings().NLSDefaultCharSet = "pipes";
  frame.LoadCharacterMaps();
  ui::EditorWindow* editor = Open(frame, "/src/note.txt");
  ASSERT_NE(editor, nullptr) << (ui_.shown().empty() ? "" : ui_.shown().back().text);
  QsciScintilla* text = editor->control()->scintilla();
  EXPECT_EQ(text->text().toStdString(), "price | 5");
  text->insertAt("| ", 0, 0);
  Save(frame, *editor);
  EXPECT_TRUE(ui_.shown().empty()) << ui_.shown().front().text;
  EXPECT_EQ(ReadTextFile(dir_ / "root" / "src" / "note.txt"), "@ price @ 5\n");
}

}  // namespace
}  // namespace vandrel::shell
