#include "shell/main_menu_bar.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

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
    popups_.push_back(menu);
    for (const MenuEntry& entry : popup.menu.Entries()) {
      if (entry.separator) {
        menu->addSeparator();
        continue;
      }
      menu->addAction(AddAction(menu, entry.commandId, ToQString(MenuLabel(entry.text))));
    }
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
