// The main frame: one window holding the document area in which editor
// windows live, the workspace and output windows docked beside it, the two
// toolbars and the status bar. It restores its placement from the settings
// and stores it again when it closes, opens local files, new documents and
// projects, dispatches every menu and toolbar command, and shuts down in
// order.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/app_settings.h"
#include "core/progress.h"
#include "core/user_interface.h"
#include "documents/character_maps.h"
#include "editor/find_model.h"
#include "editor/ui/editor_frame.h"
#include "editor/ui/go_to_dialog.h"
#include "editor/ui/last_local_folder.h"
#include "shell/frame_host_view.h"
#include "shell/frame_host_work.h"
#include "shell/host_file_opener.h"
#include "shell/script_desktop.h"
#include "templates/template_catalogue.h"

class QDockWidget;
class QTimer;
class QMdiArea;
class QMdiSubWindow;

namespace vandrel {
class SettingsStore;
}

namespace vandrel::project {
struct AddFilesChoice;
class BuildRunner;
class ErrorNavigator;
class OutputPanes;
class Project;
class ProjectItem;
class ProjectController;
}  // namespace vandrel::project

namespace vandrel::ui {
class CommandLineWindow;
struct ProjectSettingsServices;
struct RemoteDialogServices;
class EditorWindow;
struct EditorServices;
class OutputWindow;
class WorkspaceWindow;
}  // namespace vandrel::ui

namespace vandrel::shell {

class CommandLineOutput;
class FrameBuildApplication;
class FrameCommandRunner;
class FrameEditorHost;
class FrameHelp;
class FrameHostConnection;
class FrameJournal;
class FrameReconnect;
class FrameNavigatorList;
class FramePrint;
class FrameProjectFrame;
class FrameProjectWindow;
class FrameTools;
class MainMenuBar;
class MainToolbars;
class StatusBar;

// The frame offers its collaborators narrow ports (FrameHostView,
// FrameHostWork, and ScriptDesktop with DocumentOpener and FrameDocuments)
// and wires each of them to the few things it needs; none of them holds
// the frame.
class MainFrame : public QMainWindow,
                  public FrameHostView,
                  public FrameHostWork,
                  public ScriptDesktop,
                  private HostDocumentWindows,
                  private ui::EditorFrame,
                  private ui::GoToTarget {
  Q_OBJECT

 public:
  // `store` may be null (no settings kept); it must outlive the frame.
  explicit MainFrame(SettingsStore* store = nullptr, QWidget* parent = nullptr);
  ~MainFrame() override;

  QMdiArea* documentArea() const { return documentArea_; }
  // Applies the stored "Window" rectangle; true when "Maximized" was 1.
  bool RestorePlacement();

  MainMenuBar* mainMenu() const { return mainMenu_; }
  MainToolbars* toolbars() const { return toolbars_; }
  StatusBar* frameStatusBar() const { return statusBar_; }
  QDockWidget* workspaceDock() const { return workspaceDock_; }
  QDockWidget* outputDock() const { return outputDock_; }
  // Carries out a menu, toolbar or accelerator command.
  void RunCommand(int commandId);
  // Enables and disables every command for the frame's present state.
  void UpdateCommandState();
  // Records the connection state: status part 1 and the host commands follow.
  void SetConnected(bool connected) override;
  // While busy, Stop is enabled and the frame shows the working cursor.
  void SetBusy(bool busy) override;
  bool busy() const override { return busy_; }
  bool connected() const override { return connected_; }

  // The views beside the document area; toggled by 3094 and 3082.
  bool WorkspaceShown() const { return workspaceShown_; }
  bool OutputShown() const { return outputShown_; }
  void ShowWorkspace(bool shown);
  void ShowOutput(bool shown);
  // Places the toolbars and sizes the views from the settings; called once
  // the frame is about to be shown.
  void RestoreLayout();

  // The application's one project and its flows.
  project::Project& project() override { return *project_; }
  project::ProjectController& projectController() { return *projectController_; }
  bool OpenProject(const std::string& path) override;
  project::OutputPanes& outputPanes() { return *outputPanes_; }
  ui::WorkspaceWindow* workspace() const { return workspace_; }
  // Build (F7) of what builds `item`; reported when not connected.
  void BuildItem(project::ProjectItem& item) override;
  project::ErrorNavigator& errorNavigator() { return *errorNavigator_; }

  // The Tools menu's tools, rebuilt from the settings (after the tools
  // change; the frame rebuilds them itself on connect and disconnect).
  FrameTools& tools() { return *tools_; }
  // The About box, the manual's window and context help.
  FrameHelp& help() { return *help_; }
  void RebuildToolsMenu();

  // Options... (3017): on OK the settings are stored and every window takes
  // them at once.
  void ShowOptions();
  // Every editor, the output panes and the command line window take the
  // frame's settings again.
  void ApplySettingsEverywhere();

  // The tip of the day, when ShowTips is set or `forced`; true when shown.
  bool OfferTip(bool forced);

  // Downloads the host file at `hostPath` and opens it in an editor window
  // (read-only when asked or when the host says so), at `line` when it is
  // above 0, or activates the window already showing it. False when
  // nothing could be asked of the host.
  bool OpenHostFile(const std::string& hostPath, const std::string& templateName = std::string(),
                    std::int64_t line = 0, bool readOnly = false,
                    std::uint32_t goToFlags = 0) override;
  // Opens the host file `name` resolves to in `contextPath` (entry 171 when
  // none); false without a session.
  bool OpenHostFileByName(const std::string& name, const std::string& contextPath);
  FrameEditorHost& editorHost() { return *editorHost_; }
  // The host "Open" dialog in `folder` (empty: the session's current
  // directory); every file chosen is opened.
  void ShowHostOpenDialog(const std::string& folder) override;
  // Loads the character maps of the NLSFiles folder; called once at start-up.
  void LoadCharacterMaps();
  const CharacterMaps& characterMaps() const { return characterMaps_; }
  FrameHostConnection* hostConnection() const { return hostConnection_; }
  // Journals unsaved edits in `folder` from now on (the writer runs until the
  // frame goes); without a call nothing is journaled.
  void StartJournal(const std::filesystem::path& folder);
  FrameJournal* journal() const { return journal_; }
  // "Recover unsaved changes" when an editor that ended without saving left
  // journals (or unreadable ones) behind; reopens the chosen documents.
  void OfferRecovery();
  // Reopens the document journaled at `path` and drops that journal once
  // the reopened window's own is on disk; false (reported) when it cannot.
  bool RecoverJournal(const std::filesystem::path& path);
  FrameReconnect* reconnect() const { return reconnect_; }
  // Opens the local file at `path` in an editor window (or activates the
  // window already showing it, unless duplicates are allowed). A failed load
  // is reported to the user; false then. `templateName` chooses the
  // template; empty lets the file type decide.
  bool OpenLocalFile(const QString& path, bool readOnly = false,
                     const std::string& templateName = std::string()) override;
  // A new, unnamed document with `templateName` (empty: "(none)").
  ui::EditorWindow* NewDocument(const std::string& templateName);
  // The active editor window, or null.
  ui::EditorWindow* ActiveEditor() const;
  // The command line window (there is at most one), or null; Command Line
  // (F12) activates it or creates it.
  ui::CommandLineWindow* commandLineWindow() const;
  ui::CommandLineWindow* ShowCommandLine();
  QList<ui::EditorWindow*> EditorWindows() const override;

  const AppSettings& settings() const { return settings_; }
  AppSettings& settings() { return settings_; }
  // Loads the templates and parser extensions now rather than on first use.
  void LoadTemplates() { Templates(); }
  UserInterface& userInterface() { return Ui(); }
  // Where message boxes go; null restores the frame's own Qt message boxes.
  void SetUserInterface(UserInterface* ui);
  // The templates documents are opened with; null: the catalogue of the
  // template folders in the settings, loaded on first use.
  void SetTemplateCatalogue(TemplateCatalogue* catalogue);
  // The template `name` changed: every editor window using it takes it again.
  void ReapplyTemplate(const std::string& name);
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
  // ---- FrameHostView -----------------------------------------------------------
  void CommandStateChanged() override;
  void ActivateWorkspace() override;
  void SessionEnded() override;
  bool MergeHostChanges(const remote::OverwriteCase& question, QWidget* parent) override;
  // ---- ui::EditorFrame ---------------------------------------------------------
  std::vector<WindowEntry> WindowList() override;
  void RunMenuCommand(int command) override;
  bool CanInsertIntoProject(const std::string& documentName) override;
  bool InsertIntoProject(const std::string& hostPath, const std::string& templateName,
                         bool readOnly) override;
  void OpenNamedFile(const std::string& documentName, bool hostDocument,
                     const std::string& name) override;
  void RememberRenumberMarkers(bool mark) override;
  void WriteNavigatorDiagnostic(std::string_view line) override;
  // ---- ui::GoToTarget -----------------------------------------------------------
  ui::EditorWindow* ActiveDocument() override { return ActiveEditor(); }
  void NextErrorTag(bool forward) override;
  void ActivateDocument() override;
  // ---- HostDocumentWindows -----------------------------------------------------
  ui::EditorWindow* FindHostWindow(const std::string& hostPath) override;
  void ActivateWindow(ui::EditorWindow& window) override;
  ui::EditorWindow* OpenHostWindow(const std::string& downloadedFile,
                                   const ui::HostDocument& document) override;
  // ---- FrameHostWork -----------------------------------------------------------
  void CompileItem(project::ProjectItem& item) override;
  // ---- FrameDocuments ----------------------------------------------------------
  void SaveAll() override;
  bool CloseAllDocuments() override;
  // ---- ScriptDesktop -----------------------------------------------------------
  void CloseProject() override;
  bool ProjectOpen() const override;
  std::int32_t HostKind() const override;
  void RunProjectCommand(project::ProjectItem& item, int commandId) override;
  bool Closed() const override { return closed_; }

  // What the host file dialogs are given.
  ui::RemoteDialogServices RemoteServices();
  std::optional<project::AddFilesChoice> ChooseHostFilesToAdd(const std::string& title,
                                                              const std::string& folder);
  // What the project settings dialog is given.
  ui::ProjectSettingsServices SettingsServices();
  std::optional<std::string> ChooseHostSavePath(const std::string& folder,
                                                const std::string& proposedName);
  // File properties (3026) of the active document.
  void ShowDocumentProperties();
  void CreateViews();
  QWidget* CreateWorkspaceView();
  QWidget* CreateOutputView();
  void StorePlacement();
  void StoreDividers();
  // Commands carried out by the active editor window.
  bool IsEditorCommand(int commandId) const;
  bool RunFrameCommand(int commandId);
  void OpenRecent(int commandId);
  // Tool `index` (command 10800 + index): the workspace has no use for it,
  // so with the keyboard in the workspace it runs without document facts;
  // otherwise for the active editor window when there is one.
  void RunToolCommand(int index);
  // Commands 3018, 3026, 3046, 3096 and 3097 go to the workspace's item
  // while the workspace has the keyboard; true when it took the command.
  bool RouteToWorkspace(int commandId);
  void ConnectToHost();
  // Find in Files (3045): the dialog, then the search on the host.
  void FindInFiles();
  // The project item a build from the menu acts on: the workspace's while
  // it has the keyboard, else the active document's item, else the
  // workspace's.
  project::ProjectItem* BuildTarget();
  // Compile (3018) of the active document: its project item, else the
  // document's own compile command.
  void CompileActiveDocument();
  void PrepareErrorMasks();
  void ActivateChild(int index);
  // The document children the Window menu lists, in the area's order.
  QList<QMdiSubWindow*> ListedChildren() const;
  void LocalOpen();
  void NewFile();
  void AddEditorWindow(ui::EditorWindow* window);
  // Sizes and places a new document child in the document area.
  void PlaceNewChild(QMdiSubWindow* child);
  // The editor window whose document is `path`, or null.
  ui::EditorWindow* FindOpenWindow(const QString& path) const;
  // What the frame's editor windows share.
  ui::EditorServices WindowServices();
  TemplateCatalogue* Templates();
  UserInterface& Ui();
  // Side by side (vertical) or one above the other, each the full extent.
  void TileChildren(bool sideBySide);

  SettingsStore* store_;
  QMdiArea* documentArea_;
  StatusBar* statusBar_;
  MainMenuBar* mainMenu_;
  MainToolbars* toolbars_ = nullptr;
  QDockWidget* workspaceDock_ = nullptr;
  QDockWidget* outputDock_ = nullptr;
  ui::WorkspaceWindow* workspace_ = nullptr;
  ui::OutputWindow* output_ = nullptr;
  std::unique_ptr<FrameProjectWindow> projectWindow_;
  FrameHostConnection* hostConnection_ = nullptr;
  FrameReconnect* reconnect_ = nullptr;  // restores a lost session
  std::unique_ptr<FrameEditorHost> editorHost_;
  std::unique_ptr<HostFileOpener> hostOpener_;
  FrameBuildApplication* buildApplication_ = nullptr;
  std::unique_ptr<project::ErrorNavigator> errorNavigator_;
  std::unique_ptr<project::BuildRunner> buildRunner_;
  QTimer* idleCheck_ = nullptr;
  bool workspaceShown_ = true;
  bool outputShown_ = true;
  bool busy_ = false;
  bool connected_ = false;
  bool closed_ = false;
  AppSettings settings_;
  // The search options and the remembered search, shared by every editor.
  FindSession searches_{&settings_};
  std::unique_ptr<project::Project> project_;
  std::unique_ptr<FrameProjectFrame> projectFrame_;
  std::unique_ptr<project::ProjectController> projectController_;
  std::unique_ptr<project::OutputPanes> outputPanes_;
  // Host output: the command line window's to it, the rest to the panes.
  std::unique_ptr<CommandLineOutput> commandOutput_;
  std::unique_ptr<FrameCommandRunner> commandRunner_;
  QPointer<QMdiSubWindow> commandLineChild_;
  FrameNavigatorList* navigatorList_ = nullptr;
  FrameTools* tools_ = nullptr;
  std::unique_ptr<FramePrint> print_;  // Print, Page Setup, Export as PDF
  std::unique_ptr<FrameHelp> help_;
  // A child of the frame, so that it outlives the document windows.
  FrameJournal* journal_ = nullptr;
  QPointer<ui::GoToDialog> goToDialog_;
  std::unique_ptr<UserInterface> ownUi_;
  std::unique_ptr<UserInterface> frameUi_;
  UserInterface* ui_ = nullptr;
  std::unique_ptr<ProgressReporter> progress_;
  TemplateCatalogue* catalogue_ = nullptr;
  TemplateCatalogue ownCatalogue_;
  bool ownCatalogueLoaded_ = false;
  // Where Local Open and Local Save As start.
  ui::LastLocalFolder localFolder_;
  CharacterMaps characterMaps_;
  LocalOpenChooser openChooser_;
  TemplateChooser templateChooser_;
};

}  // namespace vandrel::shell
