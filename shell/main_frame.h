// The main frame: one window holding the document area in which editor
// windows live. It restores its placement from the settings and stores it
// again when it closes, opens local files and new documents into editor
// windows, and hands the editing commands to the active one.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/app_settings.h"
#include "core/progress.h"
#include "core/user_interface.h"
#include "templates/template_catalogue.h"

class QMdiArea;
class QMdiSubWindow;

namespace vandrel {
class SettingsStore;
}

namespace vandrel::ui {
class EditorWindow;
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

  // Opens the local file at `path` in an editor window (or activates the
  // window already showing it, unless duplicates are allowed). A failed load
  // is reported to the user; false then.
  bool OpenLocalFile(const QString& path, bool readOnly = false);
  // A new, unnamed document with `templateName` (empty: "(none)").
  ui::EditorWindow* NewDocument(const std::string& templateName);
  // The active editor window, or null.
  ui::EditorWindow* ActiveEditor() const;
  QList<ui::EditorWindow*> EditorWindows() const;
  // The editor window whose document is `path`, or null.
  ui::EditorWindow* FindOpenWindow(const QString& path) const;

  const AppSettings& settings() const { return settings_; }
  AppSettings& settings() { return settings_; }
  // Where message boxes go; null restores the frame's own Qt message boxes.
  void SetUserInterface(UserInterface* ui);
  // The templates documents are opened with; null: the catalogue of the
  // template folders in the settings, loaded on first use.
  void SetTemplateCatalogue(const TemplateCatalogue* catalogue);
  // Choosers standing in for the file and template dialogs (tests, scripts).
  // The open chooser returns the chosen files (none: cancelled) and sets the
  // read-only choice; the template chooser returns the chosen name or nothing.
  using LocalOpenChooser = std::function<QStringList(const QString& folder, bool* readOnly)>;
  using TemplateChooser = std::function<std::optional<std::string>()>;
  void SetLocalOpenChooser(LocalOpenChooser chooser) { openChooser_ = std::move(chooser); }
  void SetNewTemplateChooser(TemplateChooser chooser) { templateChooser_ = std::move(chooser); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void StorePlacement();
  void UpdateCommandState();
  // The editor commands the frame carries out itself: handled and enabled
  // here, whatever the shared menu data says about them.
  bool IsEditorCommand(int commandId) const;
  bool IsEditorCommandEnabled(int commandId) const;
  void RunEditorCommand(int commandId);
  void LocalOpen();
  void NewFile();
  void AddEditorWindow(ui::EditorWindow* window);
  const TemplateCatalogue* Templates();
  UserInterface& Ui();
  // Side by side (vertical) or one above the other, each the full extent.
  void TileChildren(bool sideBySide);

  SettingsStore* store_;
  QMdiArea* documentArea_;
  StatusBar* statusBar_;
  MainMenuBar* mainMenu_;
  AppSettings settings_;
  std::unique_ptr<UserInterface> ownUi_;
  UserInterface* ui_ = nullptr;
  std::unique_ptr<ProgressReporter> progress_;
  const TemplateCatalogue* catalogue_ = nullptr;
  TemplateCatalogue ownCatalogue_;
  bool ownCatalogueLoaded_ = false;
  QString lastLocalFolder_;
  LocalOpenChooser openChooser_;
  TemplateChooser templateChooser_;
};

}  // namespace vandrel::shell
