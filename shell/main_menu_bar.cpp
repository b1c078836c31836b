#include "shell/main_menu_bar.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include "core/menu_model.h"
#include "core/recent_list.h"
#include "core/settings_store.h"

namespace vandrel::shell {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QKeySequence KeySequenceFromName(std::string_view keys) {
  QString name = ToQString(keys);
  // Only the last part names the key; '+' on its own would split wrongly.
  const qsizetype plus = name.lastIndexOf('+', name.size() - 2);
  QString modifiers = plus < 0 ? QString() : name.left(plus + 1);
  QString key = plus < 0 ? name : name.mid(plus + 1);
  if (key == "Break")
    key = "Pause";
  else if (key == "Enter")
    key = "Return";
  else if (key == "Escape")
    key = "Esc";
  return QKeySequence::fromString(modifiers + key, QKeySequence::PortableText);
}

MainMenuBar::MainMenuBar(QMainWindow* window) : QObject(window) {
  QMenuBar* bar = window->menuBar();
  for (const MainMenuPopup& popup : BuildMainMenu()) {
    QMenu* menu = bar->addMenu(ToQString(popup.title));
    menu->setObjectName(QString("popup%1").arg(popups_.size()));
    popups_.push_back(menu);
    popupTitles_.push_back(popup.title);
    for (const MenuEntry& entry : popup.menu.Entries()) {
      if (entry.separator) {
        menu->addSeparator();
        continue;
      }
      menu->addAction(AddAction(menu, entry.commandId, ToQString(MenuLabel(entry.text))));
    }
  }
  AddRecentPopups(Popup(0));
  if (QMenu* window = PopupTitled("&Window")) {
    connect(window, &QMenu::aboutToShow, this, &MainMenuBar::RefreshWindowList);
  }
  for (int commandId : AcceleratorOnlyCommands()) {
    QAction* action = AddAction(window, commandId, QString());
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
  }
  ApplyState(state_);
}

QAction* MainMenuBar::AddAction(QObject* owner, int commandId, const QString& label) {
  auto* action = new QAction(label, owner);
  action->setObjectName(QString("command%1").arg(commandId));
  QList<QKeySequence> shortcuts;
  for (const AcceleratorKey& key : MainAccelerators()) {
    if (key.commandId == commandId) shortcuts.push_back(KeySequenceFromName(key.keys));
  }
  action->setShortcuts(shortcuts);
  action->setStatusTip(QString::fromStdString(CommandPrompt(commandId)));
  action->setToolTip(QString::fromStdString(CommandTooltip(commandId)));
  connect(action, &QAction::triggered, this,
          [this, commandId] { emit commandTriggered(commandId); });
  actions_[commandId] = action;
  return action;
}

void MainMenuBar::AddRecentPopups(QMenu* fileMenu) {
  QAction* before = Action(kRecentPopupsBefore);
  // The separator above Exit closes the recent group too.
  const QList<QAction*> items = fileMenu->actions();
  const qsizetype index = items.indexOf(before);
  if (index > 0 && items[index - 1]->isSeparator()) before = items[index - 1];
  // A group of its own between printing and Exit.
  fileMenu->insertSeparator(before);
  for (const RecentPopupSpec& spec : RecentPopups()) {
    auto* popup = new QMenu(ToQString(spec.title), fileMenu);
    popup->setObjectName(QString("recent%1").arg(spec.commandBase));
    fileMenu->insertMenu(before, popup);
    recentPopups_[spec.commandBase] = popup;
    const int base = spec.commandBase;
    connect(popup, &QMenu::aboutToShow, this, [this, base] { RefreshRecentPopup(base); });
  }
}

QMenu* MainMenuBar::RecentPopup(int commandBase) const {
  auto it = recentPopups_.find(commandBase);
  return it == recentPopups_.end() ? nullptr : it->second;
}

void MainMenuBar::RefreshRecentPopup(int commandBase) {
  QMenu* popup = RecentPopup(commandBase);
  if (!popup) return;
  popup->clear();
  std::string_view list;
  for (const RecentPopupSpec& spec : RecentPopups()) {
    if (spec.commandBase == commandBase) list = spec.list;
  }
  MenuModel model;
  // Entry n has the id base + n.
  if (recentStore_)
    RecentListMenu(*recentStore_, list, model, 0, commandBase + 1, kRecentEntriesKept);
  for (const MenuEntry& entry : model.Entries()) {
    if (entry.separator) continue;
    QAction* action = popup->addAction(ToQString(entry.text));
    const int commandId = entry.commandId;
    action->setObjectName(QString("command%1").arg(commandId));
    connect(action, &QAction::triggered, this,
            [this, commandId] { emit commandTriggered(commandId); });
  }
  if (popup->isEmpty()) popup->addAction(tr("(empty)"))->setEnabled(false);
}

void MainMenuBar::RefreshWindowList() {
  QMenu* window = PopupTitled("&Window");
  if (!window) return;
  for (QAction* action : windowListActions_) {
    window->removeAction(action);
    action->deleteLater();
  }
  windowListActions_.clear();
  const std::vector<WindowListEntry> entries =
      windowList_ ? windowList_() : std::vector<WindowListEntry>{};
  if (entries.empty()) return;
  windowListActions_.push_back(window->addSeparator());
  const int shown = std::min<int>(static_cast<int>(entries.size()), kWindowListEntries);
  for (int i = 0; i < shown; ++i) {
    QAction* action = window->addAction(
        ToQString(WindowListText(i, entries[static_cast<std::size_t>(i)].caption.toStdString())));
    const int commandId = cmd::kFirstWindowChild + i;
    action->setObjectName(QString("command%1").arg(commandId));
    action->setCheckable(true);
    action->setChecked(entries[static_cast<std::size_t>(i)].active);
    connect(action, &QAction::triggered, this,
            [this, commandId] { emit commandTriggered(commandId); });
    windowListActions_.push_back(action);
  }
}

QMenu* MainMenuBar::PopupTitled(std::string_view title) const {
  for (std::size_t i = 0; i < popupTitles_.size(); ++i) {
    if (popupTitles_[i] == title) return popups_[i];
  }
  return nullptr;
}

QAction* MainMenuBar::Action(int commandId) const {
  auto it = actions_.find(commandId);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainMenuBar::Popup(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < popups_.size() ? popups_[index] : nullptr;
}

void MainMenuBar::ApplyState(const FrameCommandState& state) {
  state_ = state;
  for (auto& [commandId, action] : actions_) action->setEnabled(IsCommandEnabled(commandId, state));
}

}  // namespace vandrel::shell
