#include "shell/main_toolbars.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QListView>
#include <QMainWindow>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QWidget>

#include "core/main_menu.h"
#include "core/settings_store.h"
#include "shell/main_menu_bar.h"

namespace vandrel::shell {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A themed picture, or the style's own for the few that have one.
QIcon ButtonIcon(const ToolbarButton& button) {
  QIcon icon = QIcon::fromTheme(ToQString(button.iconName));
  if (!icon.isNull()) return icon;
  QStyle* style = QApplication::style();
  switch (button.commandId) {
    case cmd::kNewFile:
      return style->standardIcon(QStyle::SP_FileIcon);
    case cmd::kLocalOpen:
      return style->standardIcon(QStyle::SP_DialogOpenButton);
    case cmd::kSave:
    case cmd::kSaveAll:
      return style->standardIcon(QStyle::SP_DialogSaveButton);
    case cmd::kStop:
      return style->standardIcon(QStyle::SP_BrowserStop);
    case cmd::kHelpContents:
      return style->standardIcon(QStyle::SP_DialogHelpButton);
    case cmd::kRefresh:
      return style->standardIcon(QStyle::SP_BrowserReload);
    case cmd::kPreviousErrorTag:
    case cmd::kPreviousFunction:
      return style->standardIcon(QStyle::SP_ArrowUp);
    case cmd::kNextErrorTag:
    case cmd::kNextFunction:
      return style->standardIcon(QStyle::SP_ArrowDown);
    default:
      return style->standardIcon(QStyle::SP_CommandLink);
  }
}

}  // namespace

MainToolbars::MainToolbars(QMainWindow* window, MainMenuBar* menu)
    : QObject(window), window_(window) {
  main_ = CreateBar(MainToolbar(), menu);
  navigator_ = CreateBar(NavigatorToolbar(), menu);

  navigatorList_ = new QComboBox(navigator_);
  navigatorList_->setObjectName("navigatorList");
  navigatorList_->setFixedWidth(kNavigatorListWidth);
  // The open list is as tall as kNavigatorListHeight allows.
  navigatorList_->setMaxVisibleItems(
      std::max(1, kNavigatorListHeight / std::max(1, navigatorList_->fontMetrics().height() + 2)));
  auto* spacer = new QWidget(navigator_);
  spacer->setFixedWidth(kNavigatorListX);
  navigator_->addWidget(spacer);
  navigator_->addWidget(navigatorList_);
  navigatorList_->setEnabled(false);
}

QToolBar* MainToolbars::CreateBar(const ToolbarSpec& spec, MainMenuBar* menu) {
  auto* bar = new QToolBar(ToQString(spec.name), window_);
  bar->setObjectName(ToQString(spec.name));
  bar->setIconSize(QSize(16, 16));
  bar->setAllowedAreas(Qt::AllToolBarAreas);
  for (const ToolbarButton& button : spec.buttons) {
    if (button.commandId == 0) {
      bar->addSeparator();
      continue;
    }
    QAction* action = menu->Action(button.commandId);
    if (!action) continue;
    if (action->icon().isNull()) action->setIcon(ButtonIcon(button));
    bar->addAction(action);
  }
  return bar;
}

void MainToolbars::Place(QToolBar* bar, const ToolbarPlacement& placement, bool newRow) {
  if (newRow) window_->addToolBarBreak(Qt::TopToolBarArea);
  window_->addToolBar(Qt::TopToolBarArea, bar);
  if (!placement.docked) {
    // A floating bar is a tool window of its own at its screen position.
    bar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    bar->move(placement.x, placement.y);
    bar->adjustSize();
    bar->show();
  }
}

void MainToolbars::RestorePlacement(SettingsStore* store) {
  ToolbarPlacement mainPlacement;
  ToolbarPlacement navigatorPlacement;
  const bool mainStored = store && ReadToolbarPlacement(*store, kMainToolbarName, &mainPlacement);
  const bool navigatorStored =
      store && ReadToolbarPlacement(*store, kNavigatorToolbarName, &navigatorPlacement);

  bool navigatorOnNewRow = false;
  if (mainStored && navigatorStored) {
    // Both docked: a bar lower than the other's row starts a row of its own.
    navigatorOnNewRow = mainPlacement.docked && navigatorPlacement.docked &&
                        navigatorPlacement.y > mainPlacement.y + main_->sizeHint().height() / 2;
  } else {
    const QScreen* screen = window_->screen() ? window_->screen() : QApplication::primaryScreen();
    const int available = screen ? screen->availableGeometry().width() : 1024;
    navigatorOnNewRow = main_->sizeHint().width() + navigator_->sizeHint().width() > available;
    if (!mainStored) mainPlacement = ToolbarPlacement{};
    if (!navigatorStored) navigatorPlacement = ToolbarPlacement{};
  }
  Place(main_, mainPlacement, false);
  Place(navigator_, navigatorPlacement, navigatorOnNewRow);
}

void MainToolbars::StorePlacement(SettingsStore& store) const {
  for (QToolBar* bar : {main_, navigator_}) {
    ToolbarPlacement placement;
    placement.docked = !bar->isFloating();
    const QPoint position = placement.docked ? bar->mapTo(window_, QPoint(0, 0)) : bar->pos();
    placement.x = position.x();
    placement.y = position.y();
    WriteToolbarPlacement(store, bar->objectName().toStdString(), placement);
  }
}

void MainToolbars::SetNavigatorEnabled(bool enabled) { navigatorList_->setEnabled(enabled); }

void MainToolbars::DropDownNavigator() {
  if (!navigatorList_->isEnabled()) return;
  navigatorList_->setFocus();
  navigatorList_->showPopup();
}

}  // namespace vandrel::shell
