#include "editor/ui/editor_window.h"

#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/app_settings.h"
#include "core/main_menu.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "shell/status_bar.h"
#include "support/cobol_fixture.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"
#include "templates/file_types.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel::shell {
namespace {

using Sci = QsciScintillaBase;
using testing::CobolTemplate;
using testing::ScriptedUserInterface;
using testing::TempDir;
const std::string& kSource = testing::kCobolSource;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Closed windows go at the next turn of the event loop.
void DeleteClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class EditorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const FileType cobol{"COBOL", "*.cob;*.cbl"};
    ASSERT_TRUE(ApplyFileTypes(store, std::span(&cobol, 1)));
    catalogue.Append(CobolTemplate());
    frame = std::make_unique<MainFrame>(&store);
    frame->SetTemplateCatalogue(&catalogue);
    frame->SetUserInterface(&ui);
    frame->resize(900, 600);
    frame->show();
    source = dir / "prog.cob";
    WriteFile(source, kSource);
  }
  void TearDown() override {
    ui::EditorWindow::SetSavePathChooser(nullptr);
    // Leave without questions about what a test left modified.
    for (QMdiSubWindow* child : frame->documentArea()->subWindowList()) delete child;
  }

  ui::EditorWindow* Open(const std::filesystem::path& path, bool readOnly = false) {
    if (!frame->OpenLocalFile(QString::fromStdString(path.string()), readOnly)) return nullptr;
    return frame->ActiveEditor();
  }
  QMdiSubWindow* ChildOf(ui::EditorWindow* editor) {
    return qobject_cast<QMdiSubWindow*>(editor->parentWidget());
  }
  // "MOVE 1" becomes "MOVE 2" on line 5.
  void EditMoveLine(ui::EditorWindow* editor) {
    QsciScintilla* sci = editor->control()->scintilla();
    const long at = static_cast<long>(editor->control()->Text().find("MOVE 1")) + 5;
    sci->SendScintilla(Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(at), at + 1);
    sci->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(1), "2");
  }
  std::string Edited() {
    std::string expected = kSource;
    expected.replace(expected.find("MOVE 1"), 6, "MOVE 2");
    return expected;
  }

  TempDir dir;
  SettingsStore store{dir / "settings.store"};
  TemplateCatalogue catalogue;
  ScriptedUserInterface ui;
  std::unique_ptr<MainFrame> frame;
  std::filesystem::path source;
};

TEST_F(EditorWindowTest, FileTypeTemplateTakesOutSequenceNumbersAndShowsThem) {
  ui::EditorWindow* editor = Open(source);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->templateName(), "COBOL");
  EXPECT_EQ(editor->control()->Text().substr(0, 25), " IDENTIFICATION DIVISION.");
  EXPECT_EQ(editor->control()->Text().find("000"), std::string_view::npos);
  EXPECT_EQ(editor->control()->lineNumberView(), LineNumberView::kFile);
  EXPECT_EQ(editor->control()->MarginText(4), "000450 ");
  EXPECT_EQ(editor->windowTitle().toStdString(), source.string());
  EXPECT_FALSE(editor->isModified());
  EXPECT_FALSE(editor->isReadOnly());

  // The views switch through the frame's commands.
  frame->RunCommand(cmd::kLineNumbersOff);
  EXPECT_EQ(editor->control()->lineNumberView(), LineNumberView::kNone);
  frame->RunCommand(cmd::kLineNumbersPhysical);
  EXPECT_EQ(editor->control()->lineNumberView(), LineNumberView::kFile);

  // Recorded as a recent local file; a second open shows the same window.
  std::string recent;
  ASSERT_TRUE(RecentListEntry(store, kRecentLocalFiles, 1, &recent));
  EXPECT_EQ(recent, source.string());
  EXPECT_EQ(Open(source), editor);
  EXPECT_EQ(frame->EditorWindows().size(), 1);

  if (!qEnvironmentVariableIsEmpty("VANDREL_SCREENSHOT")) {
    QApplication::processEvents();
    frame->grab().save(qEnvironmentVariable("VANDREL_SCREENSHOT"));
  }
}

TEST_F(EditorWindowTest, SavingAnEditWritesOnlyThatLineAndClearsTheMark) {
  ui::EditorWindow* editor = Open(source);
  ASSERT_NE(editor, nullptr);
  EditMoveLine(editor);
  EXPECT_TRUE(editor->isModified());
  EXPECT_EQ(editor->windowTitle().toStdString(), source.string() + " *");
  EXPECT_EQ(ChildOf(editor)->windowTitle().toStdString(), source.string() + " *");

  frame->RunCommand(cmd::kSave);
  EXPECT_EQ(ReadFile(source), Edited());
  EXPECT_FALSE(editor->isModified());
  EXPECT_FALSE(editor->control()->IsModified());
  EXPECT_EQ(editor->windowTitle().toStdString(), source.string());
  EXPECT_TRUE(ui.shown().empty());
}

// The caption's " *" follows the text's save point: typing sets it, an undo
// back to the loaded text clears it, and a save moves the save point.
TEST_F(EditorWindowTest, ModifiedMarkFollowsTheSavePoint) {
  ui::EditorWindow* editor = Open(source);
  ASSERT_NE(editor, nullptr);
  QMdiSubWindow* child = ChildOf(editor);
  const std::string name = source.string();
  const std::string loaded(editor->control()->Text());
  auto type = [&] {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "X");
    QApplication::sendEvent(editor->control()->scintilla(), &press);
  };

  type();
  EXPECT_TRUE(editor->isModified());
  EXPECT_EQ(child->windowTitle().toStdString(), name + " *");
  frame->RunCommand(cmd::kUndo);
  EXPECT_EQ(editor->control()->Text(), loaded);
  EXPECT_FALSE(editor->isModified());
  EXPECT_EQ(child->windowTitle().toStdString(), name);

  type();
  EXPECT_EQ(child->windowTitle().toStdString(), name + " *");
  frame->RunCommand(cmd::kSave);
  EXPECT_NE(ReadFile(source), kSource);
  EXPECT_FALSE(editor->isModified());
  EXPECT_EQ(child->windowTitle().toStdString(), name);
  // Undo leaves the new save point, redo comes back to it.
  frame->RunCommand(cmd::kUndo);
  EXPECT_EQ(child->windowTitle().toStdString(), name + " *");
  frame->RunCommand(cmd::kRedo);
  EXPECT_EQ(child->windowTitle().toStdString(), name);
  EXPECT_TRUE(child->close());
  EXPECT_TRUE(ui.shown().empty());
}

TEST_F(EditorWindowTest, ClosingAModifiedDocumentAsksAboutItsChanges) {
  ui::EditorWindow* editor = Open(source);
  ASSERT_NE(editor, nullptr);
  EditMoveLine(editor);

  ui.Answer(kIdCancel);  // the window stays
  EXPECT_FALSE(ChildOf(editor)->close());
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0].text, "Save changes to '" + source.string() + "' ?");
  EXPECT_EQ(ui.shown()[0].style, kMbYesNoCancel | kMbIconQuestion);
  EXPECT_EQ(frame->EditorWindows().size(), 1);

  ui.Answer(kIdYes);  // saved, then closed
  frame->RunCommand(cmd::kCloseFile);
  EXPECT_EQ(ReadFile(source), Edited());
  EXPECT_EQ(ui.shown().size(), 2u);
  DeleteClosed();
  EXPECT_TRUE(frame->EditorWindows().isEmpty());

  // No closes without saving; an unmodified window closes without a question.
  editor = Open(source);
  ASSERT_NE(editor, nullptr);
  editor->control()->scintilla()->SendScintilla(Sci::SCI_INSERTTEXT, 0UL, "X");
  ui.Answer(kIdNo);
  EXPECT_TRUE(ChildOf(editor)->close());
  EXPECT_EQ(ReadFile(source), Edited());
  EXPECT_EQ(ui.shown().size(), 3u);
  DeleteClosed();
  editor = Open(source);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(ChildOf(editor)->close());
  EXPECT_EQ(ui.shown().size(), 3u);
}

TEST_F(EditorWindowTest, NewDocumentIsUntitledAndSavesThroughLocalSaveAs) {
  ui::EditorWindow* editor = frame->NewDocument("");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->templateName(), "(none)");
  EXPECT_EQ(editor->windowTitle(), "Untitled");
  editor->control()->scintilla()->SendScintilla(Sci::SCI_INSERTTEXT, 0UL, "HELLO");
  EXPECT_EQ(editor->windowTitle(), "Untitled *");

  // Closing asks with "Untitled"; Yes asks for a name, none keeps the window.
  std::string proposed;
  const std::filesystem::path target = dir / "new.txt";
  std::string answer;
  ui::EditorWindow::SetSavePathChooser([&](const std::string& offered) {
    proposed = offered;
    return answer;
  });
  ui.Answer(kIdYes);
  EXPECT_FALSE(ChildOf(editor)->close());
  EXPECT_EQ(ui.shown().back().text, "Save changes to 'Untitled' ?");

  answer = target.string();
  ui.Answer(kIdYes);
  EXPECT_TRUE(ChildOf(editor)->close());
  EXPECT_EQ(ReadFile(target), "HELLO\r\n");  // a new local file gets CR LF
}

TEST_F(EditorWindowTest, LocalSaveAsRenamesTheDocument) {
  ui::EditorWindow* editor = Open(source, true);
  ASSERT_NE(editor, nullptr);
  const std::filesystem::path copy = dir / "copy.cob";
  ui::EditorWindow::SetSavePathChooser([&](const std::string&) { return copy.string(); });
  frame->RunCommand(cmd::kLocalSaveAs);
  EXPECT_EQ(ReadFile(copy), kSource);
  EXPECT_EQ(editor->documentName(), copy.string());
  EXPECT_FALSE(editor->isReadOnly());  // a saved copy is the user's to edit
  EXPECT_EQ(editor->windowTitle().toStdString(), copy.string());
}

TEST_F(EditorWindowTest, ReadOnlyFilesAndTheReadOnlyChoice) {
  const std::filesystem::path locked = dir / "locked.cob";
  WriteFile(locked, kSource);
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  ui::EditorWindow* editor = Open(locked);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isReadOnly());
  EXPECT_TRUE(editor->control()->IsReadOnly());
  EXPECT_EQ(editor->windowTitle().toStdString(), locked.string() + " (Read Only)");
  EXPECT_FALSE(frame->mainMenu()->Action(cmd::kSave)->isEnabled());
  EXPECT_TRUE(frame->mainMenu()->Action(cmd::kLocalSaveAs)->isEnabled());

  // Typing does nothing, Save writes nothing, closing asks nothing.
  editor->control()->scintilla()->SendScintilla(Sci::SCI_INSERTTEXT, 0UL, "X");
  editor->Save();
  EXPECT_EQ(ReadFile(locked), kSource);
  EXPECT_TRUE(ChildOf(editor)->close());
  EXPECT_TRUE(ui.shown().empty());
  DeleteClosed();

  // Local Open with several files and the read-only box ticked.
  const std::filesystem::path second = dir / "second.cbl";
  WriteFile(second, kSource);
  QString offeredFolder;
  frame->SetLocalOpenChooser([&](const QString& folder, bool* readOnly) {
    offeredFolder = folder;
    *readOnly = true;
    return QStringList{QString::fromStdString(source.string()),
                       QString::fromStdString(second.string())};
  });
  frame->RunCommand(cmd::kLocalOpen);
  ASSERT_EQ(frame->EditorWindows().size(), 2);
  for (ui::EditorWindow* opened : frame->EditorWindows()) {
    EXPECT_TRUE(opened->isReadOnly());
    EXPECT_TRUE(opened->windowTitle().endsWith(" (Read Only)"));
  }
  EXPECT_TRUE(frame->mainMenu()->Action(cmd::kSave)->isEnabled() == false);
}

// Local Open and Local Save As share one last local folder: it starts at the
// LocalFolder setting and follows the file last chosen in either dialog.
TEST_F(EditorWindowTest, LocalOpenAndLocalSaveAsShareTheLastLocalFolder) {
  AppSettings settings;
  settings.LocalFolder = (dir / "start").string();
  settings.Write(store);
  frame = std::make_unique<MainFrame>(&store);
  frame->SetTemplateCatalogue(&catalogue);
  frame->SetUserInterface(&ui);
  frame->show();
  QString offered;
  frame->SetLocalOpenChooser([&](const QString& folder, bool*) {
    offered = folder;
    return QStringList{QString::fromStdString(source.string())};
  });
  frame->RunCommand(cmd::kLocalOpen);
  EXPECT_EQ(offered.toStdString(), settings.LocalFolder);

  std::string proposed;
  const std::filesystem::path saved = dir / "sub" / "new.txt";
  std::filesystem::create_directories(saved.parent_path());
  ui::EditorWindow::SetSavePathChooser([&](const std::string& offeredPath) {
    proposed = offeredPath;
    return saved.string();
  });
  ui::EditorWindow* editor = frame->NewDocument("");
  ASSERT_NE(editor, nullptr);
  frame->RunCommand(cmd::kLocalSaveAs);
  EXPECT_EQ(proposed, (dir / "").string());  // where the opened file lies
  EXPECT_EQ(editor->documentName(), saved.string());

  frame->RunCommand(cmd::kLocalOpen);
  EXPECT_EQ(offered.toStdString(), saved.parent_path().string());
}

TEST_F(EditorWindowTest, LoadFailuresAndBinaryData) {
  const std::filesystem::path missing = dir / "missing.cob";
  EXPECT_FALSE(frame->OpenLocalFile(QString::fromStdString(missing.string())));
  ASSERT_EQ(ui.shown().size(), 1u);
  EXPECT_EQ(ui.shown()[0].text.rfind("Unable to open file '" + missing.string() + "'.", 0), 0u);
  EXPECT_TRUE(frame->EditorWindows().isEmpty());

  const std::filesystem::path binary = dir / "data.bin";
  WriteFile(binary, std::string("AB\0\1\2\3CD\n\0\0\0\n", 14));
  ui.Answer(kIdNo);
  EXPECT_FALSE(frame->OpenLocalFile(QString::fromStdString(binary.string())));
  ASSERT_EQ(ui.shown().size(), 2u);
  EXPECT_EQ(ui.shown()[1].text.rfind("This file may contain binary data", 0), 0u);
  EXPECT_EQ(ui.shown()[1].style, kMbYesNo | kMbIconWarning);
  EXPECT_TRUE(frame->EditorWindows().isEmpty());
  ui.Answer(kIdYes);
  EXPECT_TRUE(frame->OpenLocalFile(QString::fromStdString(binary.string())));
  EXPECT_EQ(frame->EditorWindows().size(), 1);
}

TEST_F(EditorWindowTest, SelectLineAndRuler) {
  ui::EditorWindow* editor = Open(source);
  ASSERT_NE(editor, nullptr);
  QsciScintilla* sci = editor->control()->scintilla();
  sci->setCursorPosition(1, 4);
  frame->RunCommand(cmd::kSelectLine);
  EXPECT_EQ(sci->selectedText().toStdString(), " PROGRAM-ID. HELLO.\n");
  sci->setCursorPosition(5, 2);  // the last line has no line end
  frame->RunCommand(cmd::kSelectLine);
  EXPECT_EQ(sci->selectedText().toStdString(), "     DISPLAY \"MOVE\".");

  const bool shown = editor->RulerShown();
  frame->RunCommand(cmd::kRuler);
  EXPECT_NE(editor->RulerShown(), shown);
  frame->RunCommand(cmd::kRuler);
  EXPECT_EQ(editor->RulerShown(), shown);
}

// The selection decides Cut and Copy and the edit-range tip, whose columns
// are those of the file's record (the six digits at the start included);
// the view's radio mark and the insert mode follow the active document.
TEST_F(EditorWindowTest, SelectionTipCutCopyAndIndicators) {
  ui::EditorWindow* editor = Open(source);
  ASSERT_NE(editor, nullptr);
  QAction* cut = frame->mainMenu()->Action(cmd::kCut);
  QAction* copy = frame->mainMenu()->Action(cmd::kCopy);
  EXPECT_FALSE(cut->isEnabled());
  EXPECT_FALSE(copy->isEnabled());
  EXPECT_EQ(editor->EditRangeTipText(), "");

  // Columns 5 to 9 of the text are 11 to 15 of the record.
  QsciScintilla* sci = editor->control()->scintilla();
  sci->setSelection(0, 4, 0, 9);
  QApplication::processEvents();
  EXPECT_EQ(editor->EditRangeTipText(), "11 - 15 (5)");
  EXPECT_TRUE(cut->isEnabled());
  EXPECT_TRUE(copy->isEnabled());
  // A selection over two lines has no tip.
  sci->setSelection(0, 4, 1, 2);
  EXPECT_EQ(editor->EditRangeTipText(), "");
  sci->setSelection(0, 0, 0, 0);
  QApplication::processEvents();
  EXPECT_FALSE(copy->isEnabled());

  EXPECT_TRUE(frame->mainMenu()->Action(cmd::kLineNumbersPhysical)->isChecked());
  frame->RunCommand(cmd::kLineNumbersVirtual);
  EXPECT_TRUE(frame->mainMenu()->Action(cmd::kLineNumbersVirtual)->isChecked());
  EXPECT_FALSE(frame->mainMenu()->Action(cmd::kLineNumbersPhysical)->isChecked());

  EXPECT_TRUE(frame->frameStatusBar()->IsPartGreyed(StatusBar::kOverwrite));
  sci->setOverwriteMode(true);
  frame->UpdateCommandState();
  EXPECT_FALSE(frame->frameStatusBar()->IsPartGreyed(StatusBar::kOverwrite));
  EXPECT_EQ(frame->frameStatusBar()->PartText(StatusBar::kOverwrite), "OVR");
}

}  // namespace
}  // namespace vandrel::shell
