#include "shell/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QDockWidget>
#include <QFileDialog>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "core/app_settings.h"
#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/progress.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "core/string_ids.h"
#include "documents/ui/file_properties_dialog.h"
#include "editor/ui/command_line_window.h"
#include "editor/ui/editor_context_menu.h"
#include "editor/ui/editor_navigator.h"
#include "editor/ui/editor_window.h"
#include "platform/ascii_text.h"
#include "platform/install_paths.h"
#include "project/build_runner.h"
#include "project/error_navigation.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "project/project_controller.h"
#include "project/project_menu.h"
#include "project/project_operations.h"
#include "project/project_session.h"
#include "project/project_tree.h"
#include "project/ui/output_mask_dialog.h"
#include "project/ui/output_window.h"
#include "project/ui/project_settings_dialog.h"
#include "project/ui/workspace_window.h"
#include "remote/connect_thread.h"
#include "remote/error_report.h"
#include "remote/listing_view.h"
#include "remote/ui/remote_file_dialog.h"
#include "shell/connection_info_dialog.h"
#include "shell/frame_build_application.h"
#include "shell/frame_command_line.h"
#include "shell/frame_editor_host.h"
#include "shell/frame_find_in_files.h"
#include "shell/frame_help.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_journal.h"
#include "shell/frame_navigator_list.h"
#include "shell/frame_print.h"
#include "shell/frame_project_frame.h"
#include "shell/frame_project_window.h"
#include "shell/frame_reconnect.h"
#include "shell/frame_tools.h"
#include "shell/host_choices.h"
#include "shell/host_file_opener.h"
#include "shell/main_menu_bar.h"
#include "shell/main_toolbars.h"
#include "shell/qt_user_interface.h"
#include "shell/recover_dialog.h"
#include "shell/status_bar.h"
#include "shell/tip_dialog.h"
#include "templates/catalogue_folders.h"
#include "templates/template_matching.h"
#include "templates/ui/new_file_dialog.h"
#include "templates/ui/template_manager.h"

namespace vandrel::shell {
namespace {

// Load, save and transfer progress as the status bar shows it, reported
// from the user-interface thread or from the request worker.
class StatusBarProgress final : public ProgressReporter {
 public:
  explicit StatusBarProgress(StatusBar* bar) : bar_(bar) {}
  void ShowStatus(std::string_view text) override {
    const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QMetaObject::invokeMethod(bar_, [bar = bar_, shown] { bar->showMessage(shown); });
  }
  void SetProgress(int percent) override {
    QMetaObject::invokeMethod(bar_, [bar = bar_, percent] { bar->SetProgress(percent); });
  }
  void ClearProgress() override {
    QMetaObject::invokeMethod(bar_, [bar = bar_] {
      bar->ClearProgress();
      bar->clearMessage();
    });
  }

 private:
  StatusBar* bar_;
};

// The editing commands the active editor window carries out.
constexpr std::array kEditorCommands{
    cmd::kSave,
    cmd::kSaveAs,
    cmd::kLocalSaveAs,
    cmd::kInsertFileIntoProject,
    cmd::kSelectAll,
    cmd::kUndo,
    cmd::kRedo,
    cmd::kCut,
    cmd::kCopy,
    cmd::kPaste,
    cmd::kSelectLine,
    cmd::kRuler,
    cmd::kLineNumbersOff,
    cmd::kLineNumbersVirtual,
    cmd::kLineNumbersPhysical,
    cmd::kRenumber,
    cmd::kFind,
    cmd::kReplace,
    cmd::kFindNext,
    cmd::kFindPrevious,
    cmd::kToggleBookmark,
    cmd::kNextBookmark,
    cmd::kPreviousBookmark,
    cmd::kClearBookmarks,
    cmd::kNextFunction,
    cmd::kPreviousFunction,
    cmd::kParameterInfo,
    cmd::kRefresh,
    cmd::kToggleRibbon,
};

// The frame's message boxes as the project flows see them: whatever user
// interface the frame uses at the time of asking.
class FrameUserInterface final : public UserInterface {
 public:
  explicit FrameUserInterface(std::function<UserInterface&()> current)
      : current_(std::move(current)) {}
  int ShowMessage(const std::string& caption, const std::string& text, unsigned style) override {
    return current_().ShowMessage(caption, text, style);
  }

 private:
  std::function<UserInterface&()> current_;
};

// The open dialog with a read-only choice beside the file list.
QStringList ChooseLocalFiles(QWidget* owner, const QString& folder, bool* readOnly) {
  QFileDialog dialog(owner, QString::fromStdString(LoadText(kStrOpenLocalFileTitle)), folder,
                     "All Files (*)");
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* readOnlyBox = new QCheckBox(QObject::tr("Open as &read-only"), &dialog);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    grid->addWidget(readOnlyBox, grid->rowCount(), 0, 1, -1);
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  *readOnly = readOnlyBox->isChecked();
  return dialog.selectedFiles();
}

}  // namespace

MainFrame::MainFrame(SettingsStore* store, QWidget* parent)
    : QMainWindow(parent), store_(store), documentArea_(new QMdiArea(this)) {
  setObjectName(QString::fromStdString(LoadText(kStrMainWindowClass)));
  setWindowTitle(QString::fromStdString(LoadText(kStrAppCaption)));
  documentArea_->setObjectName("documentArea");
  documentArea_->setViewMode(QMdiArea::SubWindowView);
  setCentralWidget(documentArea_);
  if (store_) settings_.Read(*store_);
  if (settings_.ShowViewsOnStartup == 0) workspaceShown_ = outputShown_ = false;
  localFolder_ = ui::LastLocalFolder(settings_.LocalFolder);

  mainMenu_ = new MainMenuBar(this);
  mainMenu_->SetRecentListStore(store_);
  mainMenu_->SetWindowListProvider([this] {
    std::vector<MainMenuBar::WindowListEntry> entries;
    QMdiSubWindow* active = documentArea_->activeSubWindow();
    for (QMdiSubWindow* child : ListedChildren())
      entries.push_back({child->windowTitle(), child == active});
    return entries;
  });
  for (int commandId : {cmd::kWorkspace, cmd::kOutput, cmd::kLineNumbersOff,
                        cmd::kLineNumbersVirtual, cmd::kLineNumbersPhysical}) {
    if (QAction* action = mainMenu_->Action(commandId)) action->setCheckable(true);
  }
  toolbars_ = new MainToolbars(this, mainMenu_);
  statusBar_ = new StatusBar(this);
  setStatusBar(statusBar_);
  progress_ = std::make_unique<StatusBarProgress>(statusBar_);
  frameUi_ = std::make_unique<FrameUserInterface>([this]() -> UserInterface& { return Ui(); });
  project_ = std::make_unique<project::Project>();
  projectWindow_ = std::make_unique<FrameProjectWindow>(*this, *statusBar_, *this, *this);
  CreateViews();

  hostConnection_ = new FrameHostConnection(*this, *statusBar_, *frameUi_, *outputPanes_,
                                            progress_.get(), this, commandOutput_.get());
  commandRunner_ = std::make_unique<FrameCommandRunner>(
      *hostConnection_, *this, *commandOutput_, [this] { return commandLineWindow(); },
      [this] {
        return ChosenCharacterTable(characterMaps_, project_->EffectiveCharSet(),
                                    settings_.NLSDefaultCharSet);
      });
  commandOutput_->SetCompletionHandler([this] {
    if (!hostConnection_->AnyPending()) SetBusy(false);
    UpdateCommandState();
  });
  hostConnection_->SetSettings(&settings_);
  reconnect_ = new FrameReconnect(*hostConnection_, *statusBar_, *this, *frameUi_, settings_, this);
  hostConnection_->SetReconnect(reconnect_);
  // Busy ends when the last host request has completed.
  idleCheck_ = new QTimer(this);
  idleCheck_->setInterval(100);
  connect(idleCheck_, &QTimer::timeout, this, [this] {
    if (!hostConnection_->AnyPending() && !hostConnection_->connecting()) SetBusy(false);
  });

  editorHost_ = std::make_unique<FrameEditorHost>(*hostConnection_, *this, *project_);
  HostDocumentWindows& windows = *this;
  hostOpener_ = std::make_unique<HostFileOpener>(*hostConnection_, *this, windows, *project_,
                                                 settings_, store_);
  hostOpener_->SetCharacterMaps(
      [this](const std::string& name) { return characterMaps_.Find(name); });
  editorHost_->SetSavePathChooser([this](const std::string& folder, const std::string& name) {
    return ChooseHostSavePath(folder, name);
  });
  editorHost_->SetCreatedFileHandler([this](const std::string&) { UpdateCommandState(); });
  projectWindow_->SetHostFileChooser([this](const std::string& title, const std::string& folder) {
    return ChooseHostFilesToAdd(title, folder);
  });

  projectFrame_ =
      std::make_unique<FrameProjectFrame>(*this, *hostConnection_, *this, *this, store_);
  projectFrame_->SetHostDialogServices([this] { return RemoteServices(); });
  projectFrame_->SetSettingsServices([this] { return SettingsServices(); });
  projectWindow_->SetSettingsServices([this] { return SettingsServices(); });
  buildApplication_ =
      new FrameBuildApplication(*hostConnection_, *this, *this, *this, *project_, *frameUi_, this);
  errorNavigator_ = std::make_unique<project::ErrorNavigator>(*outputPanes_, *buildApplication_);
  buildApplication_->SetNavigator(errorNavigator_.get());
  buildRunner_ = std::make_unique<project::BuildRunner>(*project_, *outputPanes_, *errorNavigator_,
                                                        *buildApplication_, *frameUi_);
  buildRunner_->SetSettings(project::BuildSettingsOf(settings_));
  projectController_ = std::make_unique<project::ProjectController>(
      *project_, *projectFrame_, *frameUi_, settings_, progress_.get());

  connect(mainMenu_, &MainMenuBar::commandTriggered, this, &MainFrame::RunCommand);
  if (QMenu* toolsMenu = mainMenu_->PopupTitled("&Tools")) {
    ToolServices services;
    services.store = store_;
    services.connected = [this] { return connected_; };
    services.showCommandLine = [this] { return ShowCommandLine(); };
    services.report = [this](const QString& text) { statusBar_->showMessage(text, 6000); };
    tools_ = new FrameTools(*toolsMenu, *this, std::move(services));
    connect(tools_, &FrameTools::commandTriggered, this, &MainFrame::RunCommand);
    tools_->Rebuild();
  }
  print_ = std::make_unique<FramePrint>(*this, settings_, store_);
  {
    HelpServices services;
    services.templates = [this] { return Templates(); };
    services.report = [this](const QString& text) { statusBar_->showMessage(text, 8000); };
    help_ = std::make_unique<FrameHelp>(*this, std::move(services));
  }
  navigatorList_ = new FrameNavigatorList(toolbars_->navigatorList(), this);
  connect(documentArea_, &QMdiArea::subWindowActivated, this,
          [this] { navigatorList_->Show(ActiveEditor()); });
  connect(documentArea_, &QMdiArea::subWindowActivated, this, &MainFrame::UpdateCommandState);
  connect(documentArea_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* child) {
    // The command line takes the keys once it is brought forward.
    if (child && child == commandLineChild_) {
      statusBar_->clearMessage();
      commandLineWindow()->Activated();
    }
  });
  UpdateCommandState();
  resize(1024, 720);
}

MainFrame::~MainFrame() {
  // No thread may call into the frame once it starts going.
  hostConnection_->Shutdown();
  // Widgets hidden and deleted while the frame goes must not reach this
  // half-destroyed frame through their signals.
  workspaceDock_->toggleViewAction()->disconnect(this);
  outputDock_->toggleViewAction()->disconnect(this);
  documentArea_->disconnect(this);
  for (QMdiSubWindow* child : documentArea_->findChildren<QMdiSubWindow*>()) {
    child->disconnect(this);
    if (child->widget()) child->widget()->disconnect(this);
  }
  workspace_->disconnect(this);
  output_->disconnect(this);
  qApp->disconnect(this);
  // The tree lets go of the project, and the output view of the panes,
  // before the project and the panes go.
  workspace_->ShowProject(nullptr);
  delete output_;
}

void MainFrame::CreateViews() {
  setCorner(Qt::BottomLeftCorner, Qt::BottomDockWidgetArea);
  setCorner(Qt::BottomRightCorner, Qt::BottomDockWidgetArea);
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);

  outputPanes_ = std::make_unique<project::OutputPanes>();
  commandOutput_ = std::make_unique<CommandLineOutput>(*outputPanes_);
  workspaceDock_ = new QDockWidget(tr("Workspace"), this);
  workspaceDock_->setObjectName("workspace");
  workspaceDock_->setWidget(CreateWorkspaceView());
  addDockWidget(Qt::LeftDockWidgetArea, workspaceDock_);

  outputDock_ = new QDockWidget(tr("Output"), this);
  outputDock_->setObjectName("output");
  outputDock_->setWidget(CreateOutputView());
  addDockWidget(Qt::BottomDockWidgetArea, outputDock_);

  // A view closed by its own button counts as toggled off.
  connect(workspaceDock_->toggleViewAction(), &QAction::toggled, this, [this](bool shown) {
    workspaceShown_ = shown;
    if (QAction* action = mainMenu_->Action(cmd::kWorkspace)) action->setChecked(shown);
  });
  connect(outputDock_->toggleViewAction(), &QAction::toggled, this, [this](bool shown) {
    outputShown_ = shown;
    if (QAction* action = mainMenu_->Action(cmd::kOutput)) action->setChecked(shown);
  });
  workspaceDock_->setVisible(workspaceShown_);
  outputDock_->setVisible(outputShown_);
  if (QAction* action = mainMenu_->Action(cmd::kWorkspace)) action->setChecked(workspaceShown_);
  if (QAction* action = mainMenu_->Action(cmd::kOutput)) action->setChecked(outputShown_);
}

QWidget* MainFrame::CreateWorkspaceView() {
  workspace_ = new ui::WorkspaceWindow(workspaceDock_);
  // The tree belongs to the project from now on, but stays empty until a
  // project is opened into it.
  workspace_->ShowProject(project_.get());
  project::RemoveFromTree(*project_, *workspace_);
  connect(workspace_, &ui::WorkspaceWindow::fileActivated, this,
          [this](project::ProjectItem* item) {
            if (item) RunProjectCommand(*item, project::kCommandOpenItem);
          });
  // What the Project menu offers follows the workspace's selection and focus.
  connect(workspace_, &ui::WorkspaceWindow::selectionChanged, this, &MainFrame::UpdateCommandState);
  connect(workspace_, &ui::WorkspaceWindow::activated, this, &MainFrame::UpdateCommandState);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* before, QWidget* now) {
    if (before == workspace_->tree() || now == workspace_->tree()) UpdateCommandState();
  });
  connect(workspace_, &ui::WorkspaceWindow::commandRequested, this, [this](int commandId) {
    if (project::ProjectItem* item = workspace_->SelectedItem())
      RunProjectCommand(*item, commandId);
  });
  return workspace_;
}

QWidget* MainFrame::CreateOutputView() {
  output_ = new ui::OutputWindow(*outputPanes_, outputDock_);
  output_->ApplySettings(settings_);
  connect(output_, &ui::OutputWindow::paneShown, this, [this] {
    if (!outputShown_) ShowOutput(true);
  });
  connect(output_, &ui::OutputWindow::hideRequested, this, [this] { ShowOutput(false); });
  connect(output_, &ui::OutputWindow::paneTextChanged, this, &MainFrame::UpdateCommandState);
  connect(output_, &ui::OutputWindow::lineActivated, this, [this](int pane, std::int64_t line) {
    PrepareErrorMasks();
    if (line >= 0) errorNavigator_->DoubleClick(pane, static_cast<std::size_t>(line));
  });
  return output_;
}

void MainFrame::RunProjectCommand(project::ProjectItem& item, int commandId) {
  if (commandId == project::kCommandRemove) {
    // The project itself stays; anything else goes after a confirmation.
    if (item.IsProject()) {
      QApplication::beep();
      return;
    }
    if (settings_.ConfirmDelete != 0 &&
        MessageBox(Ui(), kMbYesNo | kMbIconQuestion, kStrConfirmRemoveProjectItem, item.Name()) !=
            kIdYes)
      return;
  }
  project::DoCommand(item, *projectWindow_, commandId);
  UpdateCommandState();
}

void MainFrame::RestoreLayout() {
  toolbars_->RestorePlacement(store_);
  // The stored sizes, kept inside the bounds the splitters allow.
  const QSize client = size();
  const int width = std::clamp(settings_.VerticalDivider, 100, std::max(100, client.width() - 100));
  const int height =
      std::clamp(settings_.HorizontalDivider, 40, std::max(40, client.height() - 200));
  resizeDocks({workspaceDock_}, {width}, Qt::Horizontal);
  resizeDocks({outputDock_}, {height}, Qt::Vertical);
}

void MainFrame::StoreDividers() {
  if (workspaceShown_ && workspaceDock_->width() > 0)
    settings_.VerticalDivider = workspaceDock_->width();
  if (outputShown_ && outputDock_->height() > 0)
    settings_.HorizontalDivider = outputDock_->height();
}

void MainFrame::ShowWorkspace(bool shown) {
  workspaceShown_ = shown;
  workspaceDock_->setVisible(shown);
  if (QAction* action = mainMenu_->Action(cmd::kWorkspace)) action->setChecked(shown);
}

void MainFrame::ShowOutput(bool shown) {
  outputShown_ = shown;
  outputDock_->setVisible(shown);
  if (QAction* action = mainMenu_->Action(cmd::kOutput)) action->setChecked(shown);
}

void MainFrame::UpdateCommandState() {
  workspace_->SetMenuState({connected_, busy_});
  FrameCommandState state = mainMenu_->State();
  ui::EditorWindow* editor = ActiveEditor();
  ui::CommandLineWindow* commandLine =
      commandLineChild_ && documentArea_->activeSubWindow() == commandLineChild_
          ? commandLineWindow()
          : nullptr;
  state.childActive = documentArea_->activeSubWindow() != nullptr;
  state.documentActive = editor != nullptr;
  state.commandLineActive = commandLine != nullptr;
  state.documentReadOnly = editor ? editor->isReadOnly() : commandLine && commandLine->isReadOnly();
  state.documentNumbered = editor && editor->HasLineNumbers();
  state.documentSelection =
      editor ? editor->HasSelection() : commandLine && commandLine->HasSelection();
  state.searchRemembered = editor && editor->SearchRemembered();
  state.navigatorActive = editor && editor->navigator().HasEntries();
  state.projectOpen = projectController_ && projectController_->IsOpen();
  state.outputHasText = outputPanes_ && !outputPanes_->IsEmpty(outputPanes_->CurrentPane());
  state.busy = busy_;
  state.connected = connected_;
  state.sessionLost = reconnect_ && reconnect_->lost();
  state.workspaceFocused = workspace_->TreeHasFocus();
  const project::ProjectItem* target = state.projectOpen ? workspace_->CommandTarget() : nullptr;
  state.targetItem = target != nullptr;
  state.targetFolder = target && target->IsFolder();
  state.targetCanCompile = target && !target->IsFolder() && target->CanCompile();
  state.targetCanBuild = target && target->CanBuild();
  mainMenu_->ApplyState(state);
  // Parts 3 and 5 grey out without a document.
  statusBar_->SetPartText(
      StatusBar::kReadOnly,
      QString::fromStdString(
          LoadText(editor && editor->isReadOnly() ? kStrStatusReadOnly : kStrStatusReadOnlyOff)));
  // The line-number view of the active document carries the radio mark.
  const std::array<std::pair<int, LineNumberView>, 3> views{
      {{cmd::kLineNumbersOff, LineNumberView::kNone},
       {cmd::kLineNumbersVirtual, LineNumberView::kVirtual},
       {cmd::kLineNumbersPhysical, LineNumberView::kFile}}};
  for (const auto& [command, view] : views) {
    if (QAction* action = mainMenu_->Action(command))
      action->setChecked(editor && editor->lineNumberView() == view);
  }
  if (editor) {
    // Part 2 follows the active editor's caret, parts 3 and 4 its tab and
    // insert modes.
    const ui::CaretPlace caret = editor->control()->Caret();
    statusBar_->ShowCaret(static_cast<long>(caret.line) + 1, static_cast<long>(caret.column) + 1);
    statusBar_->SetPartText(
        StatusBar::kTab, QString::fromStdString(
                             LoadText(editor->TabsAsSpaces() ? kStrStatusTab : kStrStatusTabOff)));
    statusBar_->SetPartText(
        StatusBar::kOverwrite,
        QString::fromStdString(
            LoadText(editor->OverwriteMode() ? kStrStatusOverwrite : kStrStatusOverwriteOff)));
  } else {
    statusBar_->ResetIndicators();
    statusBar_->SetPartText(StatusBar::kPosition, QString());
  }
}

bool MainFrame::IsEditorCommand(int commandId) const {
  return std::find(kEditorCommands.begin(), kEditorCommands.end(), commandId) !=
         kEditorCommands.end();
}

void MainFrame::AddEditorWindow(ui::EditorWindow* window) {
  // The entry's own compile command stays with the document.
  if (const project::ProjectItem* item =
          project_->FindItem(window->documentName(), hostConnection_->hostKind())) {
    if (!item->IsFolder()) {
      window->SetDocumentCompile(
          {item->settings().compileFlags & project::kCompileOverride, item->settings().compile});
    }
  }
  QMdiSubWindow* child = documentArea_->addSubWindow(window);
  child->setAttribute(Qt::WA_DeleteOnClose);
  child->setWindowIcon(
      QIcon::fromTheme("text-x-generic", style()->standardIcon(QStyle::SP_FileIcon)));
  PlaceNewChild(child);
  connect(window, &ui::EditorWindow::captionChanged, this, &MainFrame::UpdateCommandState);
  connect(window, &ui::EditorWindow::caretMoved, statusBar_, &StatusBar::ShowCaret);
  connect(window, &ui::EditorWindow::editStateChanged, this, &MainFrame::UpdateCommandState);
  // The function list follows the active editor's navigator and caret.
  connect(window, &ui::EditorWindow::navigatorChanged, this, [this, window] {
    if (ActiveEditor() == window) navigatorList_->Show(window);
    UpdateCommandState();
  });
  connect(window, &ui::EditorWindow::caretLineChanged, this, [this, window] {
    if (navigatorList_->shownEditor() == window) navigatorList_->FollowCaret();
  });
  child->show();
  window->setFocus();
  documentArea_->setActiveSubWindow(child);
  navigatorList_->Show(ActiveEditor());
  UpdateCommandState();
}

bool MainFrame::OpenLocalFile(const QString& path, bool readOnly, const std::string& templateName) {
  if (settings_.AllowDuplicateOpen == 0) {
    if (ui::EditorWindow* open = FindOpenWindow(path)) {
      auto* child = qobject_cast<QMdiSubWindow*>(open->parentWidget());
      if (child) {
        if (child->isMinimized()) child->showNormal();
        documentArea_->setActiveSubWindow(child);
      }
      return true;
    }
  }
  ui::EditorWindow* window =
      ui::EditorWindow::OpenLocal(WindowServices(), path.toStdString(), templateName, readOnly);
  if (!window) return false;
  if (store_) RecentListAdd(*store_, kRecentLocalFiles, window->documentName());
  AddEditorWindow(window);
  return true;
}

ui::CommandLineWindow* MainFrame::commandLineWindow() const {
  return commandLineChild_ ? qobject_cast<ui::CommandLineWindow*>(commandLineChild_->widget())
                           : nullptr;
}

void MainFrame::PlaceNewChild(QMdiSubWindow* child) {
  // A new child takes most of the document area rather than its content's
  // hint, a step below and right of the one before it.
  const QSize area = documentArea_->viewport()->size();
  if (area.width() > 200 && area.height() > 150) {
    child->resize(area * 3 / 4);
    const int step = 26 * static_cast<int>((documentArea_->subWindowList().size() - 1) % 6);
    child->move(step, step);
  }
}

ui::CommandLineWindow* MainFrame::ShowCommandLine() {
  if (!commandLineChild_) {
    auto* window = new ui::CommandLineWindow(*commandRunner_);
    window->setObjectName(QStringLiteral("mdiCommnad"));
    window->ApplySettings(settings_);
    QMdiSubWindow* child = documentArea_->addSubWindow(window);
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->setWindowTitle(QString::fromStdString(LoadText(kStrCommandLineCaption)));
    child->setWindowIcon(
        QIcon::fromTheme("utilities-terminal", style()->standardIcon(QStyle::SP_ComputerIcon)));
    PlaceNewChild(child);
    connect(window, &ui::CommandLineWindow::editStateChanged, this, &MainFrame::UpdateCommandState);
    commandLineChild_ = child;
    child->show();
  }
  if (commandLineChild_->isMinimized()) commandLineChild_->showNormal();
  documentArea_->setActiveSubWindow(commandLineChild_);
  commandLineWindow()->Activated();
  return commandLineWindow();
}

ui::EditorWindow* MainFrame::ActiveEditor() const {
  QMdiSubWindow* child = documentArea_->activeSubWindow();
  return child ? qobject_cast<ui::EditorWindow*>(child->widget()) : nullptr;
}

QList<ui::EditorWindow*> MainFrame::EditorWindows() const {
  QList<ui::EditorWindow*> windows;
  for (QMdiSubWindow* child : documentArea_->subWindowList()) {
    // A closed window stays listed until it is deleted at the next turn of
    // the event loop.
    if (child->isHidden()) continue;
    if (auto* editor = qobject_cast<ui::EditorWindow*>(child->widget())) windows.push_back(editor);
  }
  return windows;
}

ui::EditorWindow* MainFrame::FindOpenWindow(const QString& path) const {
  std::error_code error;
  const std::string wanted =
      std::filesystem::absolute(path.toStdString(), error).lexically_normal().string();
  for (ui::EditorWindow* editor : EditorWindows()) {
    if (!editor->documentName().empty() && editor->documentName() == wanted) return editor;
  }
  return nullptr;
}

void MainFrame::SetUserInterface(UserInterface* ui) {
  ui_ = ui;
  hostConnection_->AskQuestionsAsMessages(ui != nullptr);
}

ui::EditorServices MainFrame::WindowServices() {
  return {Templates(),   &settings_,        store_, &Ui(),      progress_.get(),
          &localFolder_, editorHost_.get(), this,   &searches_, journal_};
}

UserInterface& MainFrame::Ui() {
  if (ui_) return *ui_;
  if (!ownUi_) ownUi_ = std::make_unique<QtUserInterface>(this);
  return *ownUi_;
}

TemplateCatalogue* MainFrame::Templates() {
  if (catalogue_) return catalogue_;
  if (!ownCatalogueLoaded_) {
    ownCatalogueLoaded_ = true;
    ownCatalogue_.LoadCatalogue(CatalogueFoldersOf(settings_), progress_.get());
    progress_->ClearProgress();
  }
  return &ownCatalogue_;
}

ui::EditorWindow* MainFrame::NewDocument(const std::string& templateName) {
  ui::EditorWindow* window = ui::EditorWindow::CreateNew(WindowServices(), templateName);
  AddEditorWindow(window);
  return window;
}

void MainFrame::NewFile() {
  const std::optional<std::string> chosen =
      templateChooser_ ? templateChooser_() : ui::NewFileDialog::Choose(this, *Templates());
  if (chosen) NewDocument(*chosen);
}

bool MainFrame::OfferTip(bool forced) {
  const bool shown = TipDialog::Offer(settings_, platform::DefaultTipsFile(), this, forced);
  UpdateCommandState();
  return shown;
}

void MainFrame::LocalOpen() {
  bool readOnly = false;
  const QString folder = QString::fromStdString(localFolder_.folder());
  const QStringList files =
      openChooser_ ? openChooser_(folder, &readOnly) : ChooseLocalFiles(this, folder, &readOnly);
  if (files.isEmpty()) return;
  localFolder_.Remember(files.front().toStdString());
  for (const QString& file : files) OpenLocalFile(file, readOnly);
}

void MainFrame::TileChildren(bool sideBySide) {
  QList<QMdiSubWindow*> children;
  for (QMdiSubWindow* child : documentArea_->subWindowList()) {
    if (!child->isMinimized()) children.push_back(child);
  }
  if (children.isEmpty()) return;
  const QRect area = documentArea_->viewport()->rect();
  const int count = static_cast<int>(children.size());
  for (int i = 0; i < count; ++i) {
    children[i]->showNormal();
    if (sideBySide) {
      const int left = area.width() * i / count;
      children[i]->setGeometry(left, 0, area.width() * (i + 1) / count - left, area.height());
    } else {
      const int top = area.height() * i / count;
      children[i]->setGeometry(0, top, area.width(), area.height() * (i + 1) / count - top);
    }
  }
}

bool MainFrame::RestorePlacement() {
  WindowRect rect;
  if (store_ && ReadWindowRect(*store_, &rect) && rect.right > rect.left &&
      rect.bottom > rect.top) {
    setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  } else if (const QScreen* screen = QApplication::primaryScreen()) {
    // Nothing stored: most of the screen, centred.
    const QRect available = screen->availableGeometry();
    const QSize size = available.size() * 9 / 10;
    setGeometry(QRect(available.center() - QPoint(size.width() / 2, size.height() / 2), size));
  }
  if (!store_) return false;
  std::int32_t maximized = 0;
  return ReadMaximized(*store_, &maximized) && maximized == 1;
}

void MainFrame::SetTemplateCatalogue(TemplateCatalogue* catalogue) { catalogue_ = catalogue; }

void MainFrame::ReapplyTemplate(const std::string& name) {
  for (ui::EditorWindow* editor : EditorWindows()) {
    if (platform::EqualsIgnoreCase(editor->templateName(), name)) editor->ReapplyTemplate();
  }
}

bool MainFrame::OpenProject(const std::string& path) {
  const bool opened = projectController_->Open(path);
  UpdateCommandState();
  return opened;
}

void MainFrame::CloseProject() {
  projectController_->Close();
  UpdateCommandState();
}

bool MainFrame::ProjectOpen() const { return projectController_->IsOpen(); }

std::int32_t MainFrame::HostKind() const { return hostConnection_->hostKind(); }

bool MainFrame::CloseAllDocuments() {
  for (QMdiSubWindow* child : documentArea_->subWindowList()) {
    if (!child->close()) return false;
  }
  return true;
}

void MainFrame::SaveAll() {
  if (projectController_->IsOpen() && project_->Modified()) projectController_->Save();
  for (ui::EditorWindow* editor : EditorWindows()) {
    if (editor->isModified()) editor->Save();
  }
  UpdateCommandState();
}

void MainFrame::CommandStateChanged() { UpdateCommandState(); }

void MainFrame::ActivateWorkspace() { RunCommand(cmd::kActivateWorkspace); }

void MainFrame::SetConnected(bool connected) {
  const bool changed = connected != connected_;
  connected_ = connected;
  statusBar_->SetConnected(connected);
  // Remote tools are greyed while there is no host.
  if (changed) RebuildToolsMenu();
  UpdateCommandState();
}

void MainFrame::RebuildToolsMenu() {
  if (tools_) tools_->Rebuild();
}

void MainFrame::RunToolCommand(int index) {
  if (!tools_) return;
  ui::EditorWindow* editor = workspace_->TreeHasFocus() ? nullptr : ActiveEditor();
  if (!editor) {
    tools_->Run(index, nullptr);
    return;
  }
  project::ToolMacroValues facts = editor->ToolFacts();
  facts.projectPath = project_->Path();
  tools_->Run(index, &facts);
}

bool MainFrame::RouteToWorkspace(int commandId) {
  if (!workspace_->TreeHasFocus()) return false;
  project::ProjectItem* target = workspace_->CommandTarget();
  if (!target) return false;
  RunProjectCommand(*target, commandId);
  return true;
}

void MainFrame::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy)
    idleCheck_->start();
  else
    idleCheck_->stop();
  if (busy)
    QApplication::setOverrideCursor(Qt::BusyCursor);
  else
    QApplication::restoreOverrideCursor();
  // Moving the pointer onto itself shows the new cursor at once.
  QCursor::setPos(QCursor::pos());
  UpdateCommandState();
}

void MainFrame::OpenRecent(int commandId) {
  const std::optional<RecentCommandTarget> target = RecentCommand(commandId);
  if (!target || !store_) return;
  std::string entry;
  if (!RecentListEntry(*store_, target->list, target->index, &entry)) return;
  if (target->list == kRecentLocalFiles) {
    OpenLocalFile(QString::fromStdString(entry));
  } else if (target->list == kRecentProjects) {
    OpenProject(entry);
  } else if (connected_) {
    OpenHostFile(entry, std::string(), 0, false);
  }
}

void MainFrame::PrepareErrorMasks() {
  errorNavigator_->SetCatalogue(Templates());
  errorNavigator_->SetMaskList(projectController_->IsOpen()
                                   ? project_->projectSettings().outputMasks
                                   : std::vector<std::string>{});
}

project::ProjectItem* MainFrame::BuildTarget() {
  if (workspace_->TreeHasFocus()) return workspace_->CommandTarget();
  if (ui::EditorWindow* editor = ActiveEditor()) {
    if (project::ProjectItem* item =
            project_->FindItem(editor->documentName(), hostConnection_->hostKind()))
      return item;
  }
  return workspace_->CommandTarget();
}

void MainFrame::CompileActiveDocument() {
  ui::EditorWindow* editor = ActiveEditor();
  if (!editor) return;
  if (project::ProjectItem* item =
          project_->FindItem(editor->documentName(), hostConnection_->hostKind())) {
    CompileItem(*item);
    return;
  }
  // A document outside the project compiles with its own command, if it has one.
  const project::DocumentCompile& own = editor->documentCompile();
  if (!(own.flags & project::kDocumentOwnCommand) || own.command.empty()) {
    statusBar_->showMessage(
        tr("%1 is not in the project and has no compile command of its own")
            .arg(QString::fromStdString(editor->documentName().empty() ? LoadText(kStrUntitled)
                                                                       : editor->documentName())),
        6000);
    return;
  }
  PrepareErrorMasks();
  buildRunner_->SetSettings(project::BuildSettingsOf(settings_));
  buildRunner_->Compile(nullptr, own);
  UpdateCommandState();
}

void MainFrame::CompileItem(project::ProjectItem& item) {
  PrepareErrorMasks();
  buildRunner_->SetSettings(project::BuildSettingsOf(settings_));
  buildRunner_->Compile(&item);
  UpdateCommandState();
}

void MainFrame::BuildItem(project::ProjectItem& item) {
  PrepareErrorMasks();
  buildRunner_->SetSettings(project::BuildSettingsOf(settings_));
  buildRunner_->Build(item);
  UpdateCommandState();
}

void MainFrame::ConnectToHost() {
  // After a lost connection: the same host, login and session again.
  if (reconnect_->ConnectByHand()) return;
  hostConnection_->Connect(
      project::ConnectParametersOf(*project_, settings_.ShowConnectionDlg != 0));
}

bool MainFrame::OpenHostFile(const std::string& hostPath, const std::string& templateName,
                             std::int64_t line, bool readOnly, std::uint32_t goToFlags) {
  HostOpen open;
  open.hostPath = hostPath;
  open.templateName = templateName;
  open.line = line;
  open.goToFlags = goToFlags;
  open.readOnly = readOnly;
  return hostOpener_->Open(open);
}

bool MainFrame::OpenHostFileByName(const std::string& name, const std::string& contextPath) {
  return hostOpener_->OpenByName(name, contextPath);
}

ui::EditorWindow* MainFrame::FindHostWindow(const std::string& hostPath) {
  // Hosts of kind 9 compare file names without regard to case.
  const bool noCase = hostConnection_->hostKind() == remote::kHostKindNoCase;
  const QString wanted = QString::fromStdString(hostPath);
  for (ui::EditorWindow* editor : EditorWindows()) {
    if (!editor->IsHostDocument()) continue;
    const QString name = QString::fromStdString(editor->documentName());
    if (name.compare(wanted, noCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0) return editor;
  }
  return nullptr;
}

void MainFrame::ActivateWindow(ui::EditorWindow& window) {
  if (auto* child = qobject_cast<QMdiSubWindow*>(window.parentWidget())) {
    if (child->isMinimized()) child->showNormal();
    documentArea_->setActiveSubWindow(child);
  }
}

ui::EditorWindow* MainFrame::OpenHostWindow(const std::string& downloadedFile,
                                            const ui::HostDocument& document) {
  ui::EditorWindow* window = ui::EditorWindow::OpenHost(WindowServices(), downloadedFile, document);
  if (window) AddEditorWindow(window);
  return window;
}

std::vector<ui::EditorFrame::WindowEntry> MainFrame::WindowList() {
  std::vector<WindowEntry> entries;
  QMdiSubWindow* active = documentArea_->activeSubWindow();
  for (QMdiSubWindow* child : ListedChildren())
    entries.push_back({child->windowTitle().toStdString(), child == active});
  return entries;
}

void MainFrame::RunMenuCommand(int command) { RunCommand(command); }

bool MainFrame::CanInsertIntoProject(const std::string& documentName) {
  return projectController_->IsOpen() && !documentName.empty() &&
         project_->FindItem(documentName, hostConnection_->hostKind()) == nullptr;
}

bool MainFrame::InsertIntoProject(const std::string& hostPath, const std::string& templateName,
                                  bool readOnly) {
  if (!projectController_->IsOpen()) return false;
  const std::size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return false;
  project::AddFilesChoice choice;
  choice.directory = remote::HostFolderOf(hostPath);
  choice.names = {hostPath.substr(slash + 1)};
  choice.templateName = templateName;
  choice.readOnly = readOnly;
  // Into the folder chosen in the workspace, else the project itself.
  project::ProjectItem* folder = workspace_->CommandTarget();
  while (folder && !folder->IsFolder()) folder = folder->Parent();
  if (!folder) folder = project_.get();
  return project::AddFiles(*folder, choice) > 0;
}

void MainFrame::OpenNamedFile(const std::string& documentName, bool hostDocument,
                              const std::string& name) {
  if (name.empty()) return;
  const std::string folder = remote::HostFolderOf(documentName);
  if (hostDocument) {
    if (!OpenHostFileByName(name, folder)) {
      statusBar_->showMessage(
          tr("Connect to the host to open %1").arg(QString::fromStdString(name)), 6000);
    }
    return;
  }
  const std::filesystem::path path =
      name.front() == '/' ? std::filesystem::path(name) : std::filesystem::path(folder) / name;
  OpenLocalFile(QString::fromStdString(path.string()));
}

void MainFrame::WriteNavigatorDiagnostic(std::string_view line) { outputPanes_->Print(2, line); }

void MainFrame::NextErrorTag(bool forward) {
  RunCommand(forward ? cmd::kNextErrorTag : cmd::kPreviousErrorTag);
}

void MainFrame::ActivateDocument() {
  if (QMdiSubWindow* child = documentArea_->activeSubWindow()) {
    documentArea_->setActiveSubWindow(child);
    if (child->widget()) child->widget()->setFocus();
  }
}

void MainFrame::RememberRenumberMarkers(bool mark) {
  settings_.RenumberMarkers = mark ? 1 : 0;
  if (store_) store_->WriteValue("", BytesRow("RenumberMarkers", &settings_.RenumberMarkers));
}

ui::RemoteDialogServices MainFrame::RemoteServices() {
  ui::RemoteDialogServices services;
  services.worker = &hostConnection_->worker();
  services.hostKind = hostConnection_->hostKind();
  services.catalogue = Templates();
  services.ui = &Ui();
  services.settings = &settings_;
  services.stop = [this] { RunCommand(cmd::kStop); };
  services.setBusy = [this](bool busy) {
    if (busy || !hostConnection_->AnyPending()) SetBusy(busy);
  };
  return services;
}

void MainFrame::FindInFiles() {
  if (!hostConnection_->connected()) return;
  FindInFilesServices services;
  services.remote = RemoteServices();
  services.store = store_;
  if (projectController_->IsOpen()) services.project = project_.get();
  services.panes = outputPanes_.get();
  services.requests = buildApplication_;
  services.ui = &Ui();
  services.proposedText = ProposedSearchText(ActiveEditor());
  RunFindInFiles(services, this);
}

void MainFrame::ShowHostOpenDialog(const std::string& folder) {
  if (!hostConnection_->connected()) return;
  ui::RemoteFileDialog dialog(RemoteServices(), ui::RemoteDialogMode::kOpen,
                              QString::fromStdString(LoadText(kStrHostOpenTitle)), folder,
                              std::string(), true, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const ui::RemoteFileChoice choice = dialog.choice();
  for (const std::string& path : choice.paths)
    OpenHostFile(path, choice.templateName, 0, choice.readOnly);
}

std::optional<project::AddFilesChoice> MainFrame::ChooseHostFilesToAdd(const std::string& title,
                                                                       const std::string& folder) {
  if (!hostConnection_->connected()) return std::nullopt;
  return ChooseHostFiles(RemoteServices(), title, folder, this);
}

ui::ProjectSettingsServices MainFrame::SettingsServices() {
  ui::ProjectSettingsServices services;
  services.catalogue = Templates();
  services.characterMaps = &characterMaps_;
  services.settings = &settings_;
  // Directories are browsed on the host, while there is one.
  if (hostConnection_->connected()) {
    services.browseFolder = [this](const std::string& folder) {
      return BrowseHostFolderWithHistory(RemoteServices(), store_, folder, this);
    };
  }
  return services;
}

std::optional<std::string> MainFrame::ChooseHostSavePath(const std::string& folder,
                                                         const std::string& proposedName) {
  ui::RemoteFileDialog dialog(RemoteServices(), ui::RemoteDialogMode::kSaveAs, tr("Save File As"),
                              folder, proposedName, false, this);
  if (dialog.exec() != QDialog::Accepted || dialog.choice().paths.empty()) return std::nullopt;
  return dialog.choice().paths.front();
}

void MainFrame::ShowDocumentProperties() {
  ui::EditorWindow* editor = ActiveEditor();
  if (!editor) return;
  ui::FilePropertiesInput input;
  input.format = editor->format();
  input.textLength = static_cast<std::int64_t>(editor->control()->Text().size());
  input.lineCount = editor->control()->LineCount();
  input.catalogue = Templates();
  input.connected = hostConnection_->connected();
  input.qeditAvailable = input.connected && hostConnection_->session().qeditAvailable();
  QPointer<ui::EditorWindow> target(editor);
  ui::FilePropertiesDialog dialog(
      std::move(input), Ui(),
      [this, target](const DocumentFormat& edited) {
        if (!target) return;
        const std::string before = target->templateName();
        target->ApplyProperties(edited);
        // The project entry follows the document's template.
        if (target->templateName() != before) {
          if (project::ProjectItem* item =
                  project_->FindItem(target->documentName(), hostConnection_->hostKind())) {
            item->settings().type = target->templateName();
            project_->SetModified(true);
          }
        }
      },
      this);
  dialog.exec();
}

void MainFrame::LoadCharacterMaps() {
  if (!settings_.NLSFiles.empty()) characterMaps_.Load(settings_.NLSFiles, progress_.get());
  progress_->ClearProgress();
}

void MainFrame::SessionEnded() {
  // Locks die with the session that took them.
  for (ui::EditorWindow* editor : EditorWindows()) editor->ForgetHostLock();
  UpdateCommandState();
}

void MainFrame::StartJournal(const std::filesystem::path& folder) {
  if (journal_ != nullptr) return;
  journal_ = new FrameJournal(
      folder,
      [this] {
        JournalSessionFacts facts;
        facts.hostName = project_->ServerAddress();
        facts.port = project_->Port();
        facts.user = project_->User();
        facts.projectFile = project_->Path();
        return facts;
      },
      this);
  if (!journal_->running()) {
    std::fprintf(stderr, "vandrel: unsaved edits are not journaled: %s\n",
                 journal_->startError().c_str());
  }
  connect(journal_, &FrameJournal::writeFailed, this, [this](const QString& error) {
    progress_->ShowStatus("Unsaved edits could not be journaled: " + error.toStdString());
  });
}

void MainFrame::OfferRecovery() {
  if (journal_ == nullptr) return;
  const JournalListing listing = ListRecoverable(journal_->folder());
  if (listing.recoverable.empty() && listing.unreadable.empty()) return;
  RecoverDialog dialog(listing, journal_->folder(), this);
  const int result = dialog.exec();
  if (result == RecoverDialog::kDiscard) {
    for (const std::filesystem::path& path : dialog.chosen()) DiscardJournal(path);
  } else if (result == RecoverDialog::kRecover) {
    for (const std::filesystem::path& path : dialog.chosen()) RecoverJournal(path);
  }
}

bool MainFrame::RecoverJournal(const std::filesystem::path& path) {
  const JournalRead read = ReadJournal(path);
  ui::EditorWindow* window = nullptr;
  if (read.status == JournalReadStatus::kOk) {
    const JournalEntry& entry = *read.entry;
    std::optional<CharacterTable> table;
    if (!entry.local) table = hostOpener_->CharacterTableFor(entry.documentName);
    window = ui::EditorWindow::OpenRecovered(WindowServices(), entry, std::move(table));
  }
  if (window == nullptr) {
    QMessageBox::warning(
        this, tr("Recover unsaved changes"),
        tr("The journal %1 could not be reopened (%2). It is kept.")
            .arg(QString::fromStdString(path.string()),
                 QString::fromStdString(read.error.empty() ? "no text" : read.error)));
    return false;
  }
  AddEditorWindow(window);
  // The reopened window's own journal is on disk before the old one goes.
  if (journal_ != nullptr) journal_->Flush();
  DiscardJournal(path);
  return true;
}

bool MainFrame::MergeHostChanges(const remote::OverwriteCase& question, QWidget* parent) {
  for (ui::EditorWindow* editor : EditorWindows()) {
    if (editor->IsHostDocument() && editor->documentName() == question.hostPath) {
      return editor->MergeHostChanges(question, parent);
    }
  }
  return false;
}

QList<QMdiSubWindow*> MainFrame::ListedChildren() const {
  // A closed window stays in the area's list until it is deleted.
  QList<QMdiSubWindow*> children;
  for (QMdiSubWindow* child : documentArea_->subWindowList()) {
    if (!child->isHidden() || child->isMinimized()) children.push_back(child);
  }
  return children;
}

void MainFrame::ActivateChild(int index) {
  const QList<QMdiSubWindow*> children = ListedChildren();
  if (index < 0 || index >= children.size()) return;
  QMdiSubWindow* child = children[index];
  if (child->isMinimized()) child->showNormal();
  documentArea_->setActiveSubWindow(child);
}

void MainFrame::RunCommand(int commandId) {
  if (commandId >= cmd::kRecentProjectBase && commandId < cmd::kToolBase) {
    OpenRecent(commandId);
    return;
  }
  if (commandId >= cmd::kFirstWindowChild &&
      commandId < cmd::kFirstWindowChild + ui::kMenuWindowEntries) {
    ActivateChild(commandId - cmd::kFirstWindowChild);
    return;
  }
  if (commandId >= kFirstToolCommand && commandId < kFirstToolCommand + kMostTools) {
    RunToolCommand(commandId - kFirstToolCommand);
    return;
  }
  if (!IsCommandEnabled(commandId, mainMenu_->State())) return;
  if (!RunFrameCommand(commandId)) {
    // The active child carries out its own commands.
    ui::CommandLineWindow* commandLine =
        mainMenu_->State().commandLineActive ? commandLineWindow() : nullptr;
    if (commandLine) {
      commandLine->RunCommand(commandId);
    } else if (IsEditorCommand(commandId)) {
      if (ui::EditorWindow* editor = ActiveEditor()) editor->RunCommand(commandId);
    }
  }
  UpdateCommandState();
}

bool MainFrame::RunFrameCommand(int commandId) {
  switch (commandId) {
    case cmd::kNewFile:
      NewFile();
      return true;
    case cmd::kLocalOpen:
      LocalOpen();
      return true;
    case cmd::kCloseFile:
    case cmd::kWindowClose:
      documentArea_->closeActiveSubWindow();
      return true;
    case cmd::kSaveAll:
      SaveAll();
      return true;
    case cmd::kPageSetup:
      print_->PageSetup();
      return true;
    case cmd::kPrint:
    case cmd::kExportPdf:
      if (ui::EditorWindow* editor = ActiveEditor())
        commandId == cmd::kPrint ? print_->Print(*editor) : (void)print_->ExportPdf(*editor);
      return true;
    case cmd::kExit:
      close();
      return true;
    case cmd::kAbout:
    case cmd::kContextHelp:
    case cmd::kHelpContents:
    case cmd::kHelpSearch:
    case cmd::kInstallingServerSoftware: {
      const ui::EditorWindow* editor = ActiveEditor();
      const project::ToolMacroValues facts =
          editor ? editor->ToolFacts() : project::ToolMacroValues();
      help_->Run(commandId, editor ? &facts : nullptr);
      return true;
    }
    case cmd::kCloseAll:
      CloseAllDocuments();
      return true;
    case cmd::kOptions:
      ShowOptions();
      return true;
    case cmd::kWindowNext:
      documentArea_->activateNextSubWindow();
      return true;
    case cmd::kWindowPrevious:
      documentArea_->activatePreviousSubWindow();
      return true;
    case cmd::kCascade:
      documentArea_->cascadeSubWindows();
      return true;
    case cmd::kTileHorizontally:
      TileChildren(false);
      return true;
    case cmd::kTileVertically:
      TileChildren(true);
      return true;
    case cmd::kWorkspace:
      ShowWorkspace(!workspaceShown_);
      return true;
    case cmd::kOutput:
      ShowOutput(!outputShown_);
      return true;
    case cmd::kActivateWorkspace:
      if (!workspaceShown_) ShowWorkspace(true);
      workspace_->tree()->setFocus();
      return true;
    case cmd::kActivateOutput:
      if (!outputShown_) ShowOutput(true);
      if (QWidget* pane = output_->PaneView(output_->CurrentPane())) pane->setFocus();
      return true;
    case cmd::kActivateEditor:
      if (QMdiSubWindow* child = documentArea_->activeSubWindow()) child->widget()->setFocus();
      return true;
    case cmd::kNewProject:
      projectController_->New();
      return true;
    case cmd::kOpenProject:
      projectController_->Open();
      return true;
    case cmd::kSaveProject:
      projectController_->Save();
      return true;
    case cmd::kSaveProjectAs:
      projectController_->SaveAs();
      return true;
    case cmd::kCloseProject:
      projectController_->Close();
      return true;
    case cmd::kConnect:
      ConnectToHost();
      return true;
    case cmd::kFindInFiles:
      FindInFiles();
      return true;
    case cmd::kConnectionInfo: {
      if (!hostConnection_->connected()) return true;
      ConnectionInfoDialog dialog(hostConnection_->session().connectionInformation(), this);
      dialog.exec();
      return true;
    }
    case cmd::kCompile:
      if (!RouteToWorkspace(commandId)) CompileActiveDocument();
      return true;
    case cmd::kBuild:
      if (project::ProjectItem* item = BuildTarget()) BuildItem(*item);
      return true;
    case cmd::kNextErrorTag:
      PrepareErrorMasks();
      errorNavigator_->NextError();
      return true;
    case cmd::kPreviousErrorTag:
      PrepareErrorMasks();
      errorNavigator_->PreviousError();
      return true;
    case cmd::kDisconnect:
      reconnect_->Forget();
      hostConnection_->Disconnect();
      return true;
    case cmd::kStop:
      hostConnection_->Stop();
      if (!hostConnection_->AnyPending()) SetBusy(false);
      return true;
    case cmd::kNewFolder:
    case cmd::kAddFilesToFolder:
    case cmd::kCopyFolder:
    case cmd::kProjectSettings:
      if (project::ProjectItem* target = workspace_->CommandTarget())
        RunProjectCommand(*target, commandId);
      return true;
    case cmd::kOpenFile: {
      // In the folder of the active host document, else of the workspace's
      // item, else where the session is.
      std::string folder;
      ui::EditorWindow* editor = ActiveEditor();
      if (editor && editor->IsHostDocument()) {
        folder = remote::HostFolderOf(editor->documentName());
      } else if (projectController_->IsOpen()) {
        if (project::ProjectItem* target = workspace_->CommandTarget())
          folder = target->FolderPath();
      }
      ShowHostOpenDialog(folder);
      return true;
    }
    case cmd::kProperties:
      if (!RouteToWorkspace(commandId)) ShowDocumentProperties();
      return true;
    case cmd::kNavigatorList:
      toolbars_->DropDownNavigator();
      return true;
    case cmd::kGoTo:
      if (!goToDialog_) {
        goToDialog_ = new ui::GoToDialog(*this, this);
        goToDialog_->show();
      }
      goToDialog_->raise();
      goToDialog_->activateWindow();
      return true;
    case cmd::kTipOfTheDay:
      OfferTip(true);
      return true;
    case cmd::kTemplates:
      ui::ShowTemplateManager(
          this, {Templates(), &Ui(), settings_.LocalTemplates,
                 [this](const std::string& name) { ReapplyTemplate(name); }, &ui::EditOutputMask});
      return true;
    case cmd::kCommandLine:
      ShowCommandLine();
      return true;
    default:
      return false;
  }
}

void MainFrame::StorePlacement() {
  StoreDividers();
  if (!store_) return;
  toolbars_->StorePlacement(*store_);
  const bool maximized = isMaximized();
  WriteMaximized(*store_, maximized ? 1 : 0);
  // The rectangle only of a window shown at its own size.
  if (!maximized && !isMinimized()) {
    const QRect r = geometry();
    WriteWindowRect(*store_, {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
  }
}

void MainFrame::closeEvent(QCloseEvent* event) {
  // The project's changes first; Cancel, or a failed save, keeps the frame.
  if (!projectController_->QuerySaveChanges()) {
    event->ignore();
    return;
  }
  if (busy_ || hostConnection_->AnyPending()) {
    MessageBox(Ui(), kMbOk | kMbIconWarning, kStrCloseWhileRequestsPending);
    event->ignore();
    return;
  }
  // Each editor window may ask about its changes; a Cancel keeps the frame.
  if (!CloseAllDocuments() || busy_) {
    event->ignore();
    return;
  }
  StorePlacement();
  hostConnection_->Shutdown();
  connected_ = false;
  closed_ = true;
  event->accept();
}

}  // namespace vandrel::shell
