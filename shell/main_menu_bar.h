// The frame's menu bar and keyboard accelerators, built from the menu data
// of the core: one action per command, with its shortcut, its status-bar
// prompt and its enabled state.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <map>
#include <string_view>

#include "core/main_menu.h"

class QAction;
class QMainWindow;
class QMenu;

namespace vandrel::shell {

// "Ctrl+Break", "Alt+Enter", "Escape" and the like as a key sequence.
QKeySequence KeySequenceFromName(std::string_view keys);

class MainMenuBar : public QObject {
  Q_OBJECT

 public:
  // Sets `window`'s menu bar and adds the accelerator-only actions to it.
  explicit MainMenuBar(QMainWindow* window);

  QAction* Action(int commandId) const;
  QMenu* Popup(int index) const;
  void ApplyState(const FrameCommandState& state);
  const FrameCommandState& State() const { return state_; }

 signals:
  void commandTriggered(int commandId);

 private:
  QAction* AddAction(QObject* owner, int commandId, const QString& label);

  std::map<int, QAction*> actions_;
  std::vector<QMenu*> popups_;
  FrameCommandState state_;
};

}  // namespace vandrel::shell
