// The frame's "Main" and "Navigator" toolbars: buttons sharing the menu
// bar's actions (so enabling follows the menu), the navigator's drop-down
// list, and each bar's placement kept in the settings.
#pragma once

#include <QObject>

#include "core/main_toolbars.h"
#include "core/toolbar_placement.h"

class QComboBox;
class QMainWindow;
class QToolBar;

namespace vandrel {
class SettingsStore;
}

namespace vandrel::shell {

class MainMenuBar;

class MainToolbars : public QObject {
  Q_OBJECT

 public:
  MainToolbars(QMainWindow* window, MainMenuBar* menu);

  QToolBar* mainBar() const { return main_; }
  QToolBar* navigatorBar() const { return navigator_; }
  QComboBox* navigatorList() const { return navigatorList_; }

  // Places each bar where the settings say, or docks both at the top: side
  // by side when the screen is wide enough for both, else on two rows.
  void RestorePlacement(SettingsStore* store);
  void StorePlacement(SettingsStore& store) const;

  // The navigator list is usable only while an editor has entries for it.
  void SetNavigatorEnabled(bool enabled);
  // Ctrl+Q: drops the list down and gives it the focus, when enabled.
  void DropDownNavigator();

 private:
  QToolBar* CreateBar(const ToolbarSpec& spec, MainMenuBar* menu);
  void Place(QToolBar* bar, const ToolbarPlacement& placement, bool newRow);

  QMainWindow* window_;
  QToolBar* main_;
  QToolBar* navigator_;
  QComboBox* navigatorList_;
};

}  // namespace vandrel::shell
