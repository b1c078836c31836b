#include "shell/main_menu_bar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusTipEvent>

#include "core/main_menu.h"
#include "shell/main_frame.h"
#include "shell/status_bar.h"

namespace vandrel::shell {
namespace {

QMdiSubWindow* AddChild(MainFrame& frame) {
  QMdiSubWindow* child = frame.documentArea()->addSubWindow(new QPlainTextEdit);
  child->setAttribute(Qt::WA_DeleteOnClose);
  child->show();
  frame.documentArea()->setActiveSubWindow(child);
  return child;
}

TEST(MainMenuBar, MenusInOrderWithItemsAndSeparators) {
  MainFrame frame;
  QStringList titles;
  for (QAction* top : frame.menuBar()->actions()) titles << top->text();
  EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&Search", "&View", "&Project", "&Host",
                                 "&Tools", "&Window", "&Help"}));

  const QList<QAction*> file = frame.mainMenu()->Popup(0)->actions();
  ASSERT_FALSE(file.isEmpty());
  EXPECT_EQ(file.front(), frame.mainMenu()->Action(cmd::kNewFile));
  EXPECT_EQ(file.back(), frame.mainMenu()->Action(cmd::kExit));
  EXPECT_TRUE(file[file.size() - 2]->isSeparator());
  EXPECT_EQ(file.back()->text(), "E&xit");
}

TEST(MainMenuBar, ShortcutsFromKeyNames) {
  MainFrame frame;
  EXPECT_EQ(frame.mainMenu()->Action(cmd::kNewFile)->shortcut(), QKeySequence("Ctrl+N"));
  EXPECT_EQ(frame.mainMenu()->Action(cmd::kLocalOpen)->shortcut(), QKeySequence("Ctrl+Shift+O"));
  EXPECT_EQ(frame.mainMenu()->Action(cmd::kStop)->shortcut(),
            QKeySequence(Qt::CTRL | Qt::Key_Pause));
  EXPECT_EQ(frame.mainMenu()->Action(cmd::kProperties)->shortcut(),
            QKeySequence(Qt::ALT | Qt::Key_Return));
  EXPECT_EQ(frame.mainMenu()->Action(cmd::kEscape)->shortcut(), QKeySequence(Qt::Key_Escape));
  EXPECT_EQ(frame.mainMenu()->Action(cmd::kToggleRibbon)->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::ALT | Qt::Key_Equal),
                                 QKeySequence(Qt::CTRL | Qt::Key_W)}));
  // Every key of the table turns into a key sequence.
  for (const AcceleratorKey& key : MainAccelerators())
    EXPECT_FALSE(KeySequenceFromName(key.keys).isEmpty()) << key.keys;
  // Accelerator-only commands live on the frame, outside the menus.
  EXPECT_TRUE(frame.actions().contains(frame.mainMenu()->Action(cmd::kNavigatorList)));
}

TEST(MainMenuBar, EnablingFollowsTheActiveChild) {
  MainFrame frame;
  frame.show();
  MainMenuBar* menu = frame.mainMenu();
  EXPECT_TRUE(menu->Action(cmd::kExit)->isEnabled());
  EXPECT_FALSE(menu->Action(cmd::kSave)->isEnabled());
  EXPECT_FALSE(menu->Action(cmd::kWindowClose)->isEnabled());
  EXPECT_TRUE(menu->Action(cmd::kConnect)->isEnabled());
  EXPECT_FALSE(menu->Action(cmd::kDisconnect)->isEnabled());
  EXPECT_FALSE(menu->Action(cmd::kTechnicalSupport)->isEnabled());  // not built

  AddChild(frame);
  AddChild(frame);
  EXPECT_TRUE(menu->Action(cmd::kWindowClose)->isEnabled());
  EXPECT_TRUE(menu->Action(cmd::kCascade)->isEnabled());
  EXPECT_FALSE(menu->Action(cmd::kSave)->isEnabled());

  menu->Action(cmd::kTileVertically)->trigger();
  const QList<QMdiSubWindow*> children = frame.documentArea()->subWindowList();
  ASSERT_EQ(children.size(), 2);
  EXPECT_EQ(children[0]->geometry().top(), children[1]->geometry().top());
  EXPECT_LT(children[0]->geometry().right(), children[1]->geometry().left() + 1);

  menu->Action(cmd::kCloseAll)->trigger();
  QCoreApplication::processEvents();
  EXPECT_TRUE(frame.documentArea()->subWindowList().isEmpty());
  EXPECT_FALSE(menu->Action(cmd::kWindowClose)->isEnabled());
}

TEST(MainMenuBar, HoverPromptInPartZeroThenReady) {
  MainFrame frame;
  frame.show();
  StatusBar* status = frame.frameStatusBar();
  EXPECT_EQ(status->currentMessage(), "Ready");
  QAction* newFile = frame.mainMenu()->Action(cmd::kNewFile);
  EXPECT_EQ(newFile->statusTip(), "Creates a new document");
  EXPECT_EQ(newFile->toolTip(), "New (Ctrl+N)");

  // A highlighted menu item reports its prompt through the menu bar.
  newFile->showStatusText(frame.menuBar());
  EXPECT_EQ(status->currentMessage(), "Creates a new document");
  QStatusTipEvent leave{QString()};
  QCoreApplication::sendEvent(frame.menuBar(), &leave);
  EXPECT_EQ(status->currentMessage(), "Ready");
}

TEST(StatusBar, FixedPartsAndGreyedIndicators) {
  MainFrame frame;
  frame.show();
  StatusBar* status = frame.frameStatusBar();
  EXPECT_EQ(status->PartText(StatusBar::kConnection), "Disconnected");
  for (int part : {StatusBar::kTab, StatusBar::kOverwrite, StatusBar::kReadOnly})
    EXPECT_TRUE(status->IsPartGreyed(part)) << part;
  EXPECT_EQ(status->PartText(StatusBar::kOverwrite), "OVR");

  status->SetPartText(StatusBar::kTab, "TAB");
  EXPECT_FALSE(status->IsPartGreyed(StatusBar::kTab));
  status->SetPartText(StatusBar::kReadOnly, "!READ");
  EXPECT_TRUE(status->IsPartGreyed(StatusBar::kReadOnly));
  EXPECT_EQ(status->PartText(StatusBar::kReadOnly), "READ");

  const QFontMetrics metrics(status->font());
  EXPECT_EQ(status->PartLabel(StatusBar::kPosition)->width(),
            metrics.horizontalAdvance("Ln 999999, Col 999") + 6);
  EXPECT_EQ(status->PartLabel(StatusBar::kConnection)->width(),
            metrics.horizontalAdvance("Disconnected") + 6);

  frame.SetConnected(true);
  EXPECT_EQ(status->PartText(StatusBar::kConnection), "Connected");
  status->ResetIndicators();
  EXPECT_TRUE(status->IsPartGreyed(StatusBar::kTab));
  EXPECT_EQ(status->currentMessage(), "Ready");
}

}  // namespace
}  // namespace vandrel::shell
