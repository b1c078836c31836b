// Help in the frame, with the manual, templates and help files the build
// installs beside the programs: F1 on a COBOL word shows its entry (and
// says why when there is none), Help Contents and Search lead to pages and
// headings, links inside the manual work, and the About box shows the
// version and the licence.
#include "help/ui/help_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>

#include "core/main_menu.h"
#include "core/settings_store.h"
#include "editor/ui/editor_window.h"
#include "editor/ui/qsci_edit_control.h"
#include "help/manual.h"
#include "help/ui/about_dialog.h"
#include "shell/frame_help.h"
#include "shell/main_frame.h"
#include "shell/main_menu_bar.h"
#include "support/modal_dialog.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::shell {
namespace {

using testing::ModalAnswer;
using testing::ScriptedUserInterface;
using testing::TempDir;

// The help command's menu entry or accelerator, as the user reaches it.
void Press(MainFrame& frame, int commandId) {
  QAction* action = frame.mainMenu()->Action(commandId);
  ASSERT_NE(action, nullptr) << commandId;
  ASSERT_TRUE(action->isEnabled()) << commandId;
  action->trigger();
}

QString CaretHeading(const ui::HelpWindow& help) {
  return help.browser()->textCursor().block().text();
}

TEST(HelpWindowTest, F1OnACobolWordShowsItsEntryAndSaysWhyWhenThereIsNone) {
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  const std::filesystem::path source = dir / "prog.cbl";
  testing::WriteTextFile(source,
                         "       IDENTIFICATION DIVISION.\n"
                         "       PROGRAM-ID. DEMO.\n"
                         "       PROCEDURE DIVISION.\n"
                         "           PERFORM 100-INIT.\n"
                         "           STOP RUN.\n");
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();
  EXPECT_FALSE(frame.mainMenu()->Action(cmd::kContextHelp)->isEnabled());  // no document
  ASSERT_TRUE(frame.OpenLocalFile(QString::fromStdString(source.string()), false, "Ansi - COBOL"));
  ui::EditorWindow* editor = frame.ActiveEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(frame.mainMenu()->Action(cmd::kContextHelp)->shortcut(), QKeySequence(Qt::Key_F1));

  editor->control()->SetSelection(3, 14, 3, 14);  // inside "PERFORM"
  Press(frame, cmd::kContextHelp);
  ui::HelpWindow* help = frame.help().window();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  const QString shown = help->browser()->toPlainText();
  EXPECT_TRUE(shown.startsWith("PERFORM\nRuns a paragraph or section")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("PERFORM UNTIL")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("cobol.hlp")) << shown.toStdString();
  EXPECT_EQ(help->currentPage(), "");

  // A hyphenated word is one word, found as the start of a longer keyword.
  editor->control()->SetSelection(0, 12, 0, 12);  // "IDENTIFICATION"
  Press(frame, cmd::kContextHelp);
  EXPECT_TRUE(help->browser()->toPlainText().contains("IDENTIFICATION DIVISION"));

  // Nothing found, nothing to look up: the status bar says so.
  editor->control()->SetSelection(1, 20, 1, 20);  // "DEMO"
  const QString before = help->browser()->toPlainText();
  Press(frame, cmd::kContextHelp);
  EXPECT_EQ(frame.statusBar()->currentMessage(), "Context help: no entry for 'DEMO' in cobol.hlp.");
  EXPECT_EQ(help->browser()->toPlainText(), before);
  editor->control()->SetSelection(4, 2, 4, 2);  // blanks
  Press(frame, cmd::kContextHelp);
  EXPECT_EQ(frame.statusBar()->currentMessage(),
            "Context help: there is no word at the caret to look up.");
}

TEST(HelpWindowTest, ContentsSearchLinksAndTheAgentPage) {
  TempDir dir;
  SettingsStore store(dir / "settings.reg");
  ScriptedUserInterface ui;
  MainFrame frame(&store);
  frame.SetUserInterface(&ui);
  frame.show();

  Press(frame, cmd::kHelpContents);
  ui::HelpWindow* help = frame.help().window();
  ASSERT_NE(help, nullptr);
  ASSERT_GE(help->manual().pages().size(), 6u);
  EXPECT_EQ(help->tabs()->currentIndex(), 0);
  EXPECT_EQ(help->currentPage(), help::kFirstPage);
  EXPECT_EQ(help->contents()->topLevelItemCount(), static_cast<int>(help->manual().pages().size()));
  EXPECT_TRUE(help->browser()->toPlainText().startsWith("Getting started"));

  // A heading in the contents shows its page there.
  QTreeWidgetItem* page = help->contents()->topLevelItem(1);
  ASSERT_GE(page->childCount(), 3);
  QTreeWidgetItem* heading = page->child(2);
  help->contents()->setCurrentItem(heading);
  EXPECT_EQ(help->currentPage(), help->manual().pages()[1].fileName);
  EXPECT_EQ(CaretHeading(*help), heading->text(0));

  // Search: every word, best place first, the words marked on the page.
  Press(frame, cmd::kHelpSearch);
  EXPECT_EQ(help->tabs()->currentIndex(), 1);
  help->searchField()->setText("tandrill passwd");
  emit help->searchField()->returnPressed();
  ASSERT_GE(help->searchResults()->count(), 1);
  EXPECT_TRUE(help->searchResults()->item(0)->text().startsWith("The users file"))
      << help->searchResults()->item(0)->text().toStdString();
  EXPECT_EQ(help->currentPage(), help::kAgentPage);
  EXPECT_EQ(CaretHeading(*help), "The users file");
  EXPECT_FALSE(help->browser()->extraSelections().isEmpty());
  help->searchField()->setText("zzyzx");
  emit help->searchField()->returnPressed();
  EXPECT_EQ(help->searchResults()->count(), 0);

  // A link to a heading of another page.
  emit help->browser()->anchorClicked(QUrl("02-editing-host-files.md#sequence-numbers"));
  EXPECT_EQ(help->currentPage(), "02-editing-host-files.md");
  EXPECT_EQ(CaretHeading(*help), "Sequence numbers");
  help->backButton()->click();
  EXPECT_EQ(help->currentPage(), help::kAgentPage);
  EXPECT_EQ(CaretHeading(*help), "The users file");
  help->forwardButton()->click();
  EXPECT_EQ(CaretHeading(*help), "Sequence numbers");
  EXPECT_FALSE(help->forwardButton()->isEnabled());

  Press(frame, cmd::kInstallingServerSoftware);
  EXPECT_EQ(help->currentPage(), help::kAgentPage);
  EXPECT_TRUE(help->browser()->toPlainText().startsWith("Installing the host agent"));
  EXPECT_EQ(frame.help().window(), help);  // one window for the frame

  bool answered = false;
  {
    ModalAnswer<ui::AboutDialog> answer([&](ui::AboutDialog& about) {
      answered = true;
      const QString text = about.findChild<QLabel*>("aboutText")->text();
      EXPECT_TRUE(text.contains(QStringLiteral("Version " VANDREL_VERSION)));
      EXPECT_TRUE(text.contains("GNU General Public License"));
      ASSERT_NE(about.licenceText(), nullptr);
      EXPECT_TRUE(about.licenceText()->toPlainText().contains("GNU GENERAL PUBLIC LICENSE"));
      about.accept();
    });
    Press(frame, cmd::kAbout);
  }
  EXPECT_TRUE(answered);
}

}  // namespace
}  // namespace vandrel::shell
