#include "shell/main_frame.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>

#include "core/app_settings.h"
#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/settings_store.h"
#include "core/string_ids.h"
#include "shell/main_menu_bar.h"
#include "shell/status_bar.h"

namespace vandrel::shell {

MainFrame::MainFrame(SettingsStore* store, QWidget* parent)
    : QMainWindow(parent), store_(store), documentArea_(new QMdiArea(this)) {
  setObjectName(QString::fromStdString(LoadText(kStrMainWindowClass)));
  setWindowTitle(QString::fromStdString(LoadText(kStrAppCaption)));
  documentArea_->setObjectName("documentArea");
  documentArea_->setViewMode(QMdiArea::SubWindowView);
  setCentralWidget(documentArea_);
  statusBar_ = new StatusBar(this);
  setStatusBar(statusBar_);
  mainMenu_ = new MainMenuBar(this);
  connect(mainMenu_, &MainMenuBar::commandTriggered, this, &MainFrame::RunCommand);
  connect(documentArea_, &QMdiArea::subWindowActivated, this, &MainFrame::UpdateCommandState);
  UpdateCommandState();
  resize(1024, 720);
}

void MainFrame::UpdateCommandState() {
  FrameCommandState state = mainMenu_->State();
  state.childActive = documentArea_->activeSubWindow() != nullptr;
  mainMenu_->ApplyState(state);
}

void MainFrame::SetConnected(bool connected) {
  FrameCommandState state = mainMenu_->State();
  state.connected = connected;
  mainMenu_->ApplyState(state);
  statusBar_->SetConnected(connected);
}

void MainFrame::TileChildren(bool sideBySide) {
  QList<QMdiSubWindow*> children;
  for (QMdiSubWindow* child : documentArea_->subWindowList()) {
    if (!child->isMinimized()) children.push_back(child);
  }
  if (children.isEmpty()) return;
  const QRect area = documentArea_->viewport()->rect();
  const int count = static_cast<int>(children.size());
  for (int i = 0; i < count; ++i) {
    children[i]->showNormal();
    if (sideBySide) {
      const int left = area.width() * i / count;
      children[i]->setGeometry(left, 0, area.width() * (i + 1) / count - left, area.height());
    } else {
      const int top = area.height() * i / count;
      children[i]->setGeometry(0, top, area.width(), area.height() * (i + 1) / count - top);
    }
  }
}

void MainFrame::RunCommand(int commandId) {
  if (!IsCommandEnabled(commandId, mainMenu_->State())) return;
  switch (commandId) {
    case cmd::kExit:
      close();
      break;
    case cmd::kAbout:
      QMessageBox::about(this, windowTitle(), windowTitle());
      break;
    case cmd::kCloseFile:
    case cmd::kWindowClose:
      documentArea_->closeActiveSubWindow();
      break;
    case cmd::kCloseAll:
      documentArea_->closeAllSubWindows();
      break;
    case cmd::kWindowNext:
      documentArea_->activateNextSubWindow();
      break;
    case cmd::kWindowPrevious:
      documentArea_->activatePreviousSubWindow();
      break;
    case cmd::kCascade:
      documentArea_->cascadeSubWindows();
      break;
    case cmd::kTileHorizontally:
      TileChildren(false);
      break;
    case cmd::kTileVertically:
      TileChildren(true);
      break;
    case cmd::kActivateEditor:
      if (QMdiSubWindow* child = documentArea_->activeSubWindow()) child->widget()->setFocus();
      break;
    default:
      break;
  }
}

bool MainFrame::RestorePlacement() {
  if (!store_) return false;
  WindowRect rect;
  if (ReadWindowRect(*store_, &rect) && rect.right > rect.left && rect.bottom > rect.top)
    setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  std::int32_t maximized = 0;
  return ReadMaximized(*store_, &maximized) && maximized == 1;
}

void MainFrame::StorePlacement() {
  if (!store_) return;
  WriteMaximized(*store_, isMaximized() ? 1 : 0);
  const QRect r = isMaximized() ? normalGeometry() : geometry();
  WriteWindowRect(*store_, {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
}

void MainFrame::closeEvent(QCloseEvent* event) {
  StorePlacement();
  event->accept();
}

}  // namespace vandrel::shell
