// The frame's menu bar and keyboard accelerators, built from the menu data
// of the core: one action per command, with its shortcut, its status-bar
// prompt and its enabled state.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/main_menu.h"

class QAction;
class QMainWindow;
class QMenu;

namespace vandrel {
class SettingsStore;
}

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
  // The popup titled `title` ("&Tools", "&Window"), or null.
  QMenu* PopupTitled(std::string_view title) const;

  // The recent popups read their entries from `store` each time they open;
  // null leaves them empty.
  void SetRecentListStore(SettingsStore* store) { recentStore_ = store; }
  QMenu* RecentPopup(int commandBase) const;
  // Rebuilds the recent popup of `commandBase` from the store now.
  void RefreshRecentPopup(int commandBase);

  // The Window menu lists the document children the provider gives, in
  // order, marking the active one.
  struct WindowListEntry {
    QString caption;
    bool active = false;
  };
  using WindowListProvider = std::function<std::vector<WindowListEntry>()>;
  void SetWindowListProvider(WindowListProvider provider) { windowList_ = std::move(provider); }
  // Rebuilds the list at the end of the Window menu now.
  void RefreshWindowList();
  void ApplyState(const FrameCommandState& state);
  const FrameCommandState& State() const { return state_; }

 signals:
  void commandTriggered(int commandId);

 private:
  QAction* AddAction(QObject* owner, int commandId, const QString& label);

  void AddRecentPopups(QMenu* fileMenu);

  std::map<int, QAction*> actions_;
  std::vector<QMenu*> popups_;
  std::vector<std::string> popupTitles_;
  std::map<int, QMenu*> recentPopups_;  // by command base
  std::vector<QAction*> windowListActions_;
  SettingsStore* recentStore_ = nullptr;
  WindowListProvider windowList_;
  FrameCommandState state_;
};

}  // namespace vandrel::shell
