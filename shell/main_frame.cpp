#include "shell/main_frame.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QStatusBar>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/settings_store.h"
#include "core/string_ids.h"

namespace vandrel::shell {

MainFrame::MainFrame(SettingsStore* store, QWidget* parent)
    : QMainWindow(parent), store_(store), documentArea_(new QMdiArea(this)) {
  setObjectName(QString::fromStdString(LoadText(kStrMainWindowClass)));
  setWindowTitle(QString::fromStdString(LoadText(kStrAppCaption)));
  documentArea_->setObjectName("documentArea");
  documentArea_->setViewMode(QMdiArea::SubWindowView);
  setCentralWidget(documentArea_);
  statusBar()->showMessage(QString::fromStdString(LoadText(kStrReady)));
  resize(1024, 720);
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
