// The main frame: one window holding the document area in which editor
// windows live. It restores its placement from the settings and stores it
// again when it closes.
#pragma once

#include <QMainWindow>

class QMdiArea;

namespace vandrel {
class SettingsStore;
}

namespace vandrel::shell {

class MainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // `store` may be null (no settings kept); it must outlive the frame.
  explicit MainFrame(SettingsStore* store = nullptr, QWidget* parent = nullptr);

  QMdiArea* documentArea() const { return documentArea_; }
  // Applies the stored "Window" rectangle; true when "Maximized" was 1.
  bool RestorePlacement();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void StorePlacement();

  SettingsStore* store_;
  QMdiArea* documentArea_;
};

}  // namespace vandrel::shell
