// The main frame: one window holding the document area in which editor
// windows live. It restores its placement from the settings and stores it
// again when it closes.
#pragma once

#include <QMainWindow>

class QMdiArea;
class QMdiSubWindow;

namespace vandrel {
class SettingsStore;
}

namespace vandrel::shell {

class MainMenuBar;
class StatusBar;

class MainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // `store` may be null (no settings kept); it must outlive the frame.
  explicit MainFrame(SettingsStore* store = nullptr, QWidget* parent = nullptr);

  QMdiArea* documentArea() const { return documentArea_; }
  // Applies the stored "Window" rectangle; true when "Maximized" was 1.
  bool RestorePlacement();

  MainMenuBar* mainMenu() const { return mainMenu_; }
  StatusBar* frameStatusBar() const { return statusBar_; }
  // Carries out a menu or accelerator command the frame itself handles.
  void RunCommand(int commandId);
  // Records the connection state: status part 1 and the host commands follow.
  void SetConnected(bool connected);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void StorePlacement();
  void UpdateCommandState();
  // Side by side (vertical) or one above the other, each the full extent.
  void TileChildren(bool sideBySide);

  SettingsStore* store_;
  QMdiArea* documentArea_;
  StatusBar* statusBar_;
  MainMenuBar* mainMenu_;
};

}  // namespace vandrel::shell
