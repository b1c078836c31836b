#include "shell/main_frame.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <algorithm>
#include <array>
#include <filesystem>

#include "core/app_settings.h"
#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/progress.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "core/string_ids.h"
#include "editor/ui/editor_window.h"
#include "platform/install_paths.h"
#include "shell/main_menu_bar.h"
#include "shell/qt_user_interface.h"
#include "shell/status_bar.h"
#include "templates/template_matching.h"

namespace vandrel::shell {
namespace {

// Load and save progress as the status bar shows it.
class StatusBarProgress final : public ProgressReporter {
 public:
  explicit StatusBarProgress(StatusBar* bar) : bar_(bar) {}
  void ShowStatus(std::string_view text) override {
    bar_->showMessage(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  void SetProgress(int) override {}
  void ClearProgress() override { bar_->clearMessage(); }

 private:
  StatusBar* bar_;
};

constexpr std::array kEditorCommands{
    cmd::kNewFile,
    cmd::kLocalOpen,
    cmd::kCloseFile,
    cmd::kSave,
    cmd::kSaveAs,
    cmd::kLocalSaveAs,
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
  statusBar_ = new StatusBar(this);
  setStatusBar(statusBar_);
  mainMenu_ = new MainMenuBar(this);
  progress_ = std::make_unique<StatusBarProgress>(statusBar_);
  if (store_) settings_.Read(*store_);
  lastLocalFolder_ = QString::fromStdString(settings_.LocalFolder);
  connect(mainMenu_, &MainMenuBar::commandTriggered, this, &MainFrame::RunCommand);
  connect(documentArea_, &QMdiArea::subWindowActivated, this, &MainFrame::UpdateCommandState);
  UpdateCommandState();
  resize(1024, 720);
}

void MainFrame::UpdateCommandState() {
  FrameCommandState state = mainMenu_->State();
  state.childActive = documentArea_->activeSubWindow() != nullptr;
  state.documentActive = ActiveEditor() != nullptr;
  mainMenu_->ApplyState(state);
  for (const int commandId : kEditorCommands) {
    if (QAction* action = mainMenu_->Action(commandId))
      action->setEnabled(IsEditorCommandEnabled(commandId));
  }
  if (ui::EditorWindow* editor = ActiveEditor()) {
    statusBar_->SetPartText(
        StatusBar::kReadOnly,
        QString::fromStdString(
            LoadText(editor->isReadOnly() ? kStrStatusReadOnly : kStrStatusReadOnlyOff)));
  }
}

bool MainFrame::IsEditorCommand(int commandId) const {
  return std::find(kEditorCommands.begin(), kEditorCommands.end(), commandId) !=
         kEditorCommands.end();
}

bool MainFrame::IsEditorCommandEnabled(int commandId) const {
  const ui::EditorWindow* editor = ActiveEditor();
  switch (commandId) {
    case cmd::kNewFile:
    case cmd::kLocalOpen:
      return true;
    case cmd::kCloseFile:
      return documentArea_->activeSubWindow() != nullptr;
    case cmd::kSave:
    case cmd::kPaste:
      return editor && !editor->isReadOnly();
    case cmd::kCut:
      return editor && !editor->isReadOnly();
    case cmd::kLineNumbersPhysical:
      return editor && editor->HasLineNumbers();
    default:
      return editor != nullptr;
  }
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

void MainFrame::SetUserInterface(UserInterface* ui) { ui_ = ui; }

UserInterface& MainFrame::Ui() {
  if (ui_) return *ui_;
  if (!ownUi_) ownUi_ = std::make_unique<QtUserInterface>(this);
  return *ownUi_;
}

void MainFrame::SetTemplateCatalogue(const TemplateCatalogue* catalogue) { catalogue_ = catalogue; }

const TemplateCatalogue* MainFrame::Templates() {
  if (catalogue_) return catalogue_;
  if (!ownCatalogueLoaded_) {
    ownCatalogueLoaded_ = true;
    CatalogueFolders folders;
    folders.templatesFolder = settings_.TemplatesFolder.empty()
                                  ? platform::DefaultTemplatesFolder().string()
                                  : settings_.TemplatesFolder;
    folders.localTemplates = settings_.LocalTemplates;
    folders.vdxFolder = settings_.VDXFolder;
    ownCatalogue_.LoadCatalogue(folders, progress_.get());
    progress_->ClearProgress();
  }
  return &ownCatalogue_;
}

void MainFrame::AddEditorWindow(ui::EditorWindow* window) {
  QMdiSubWindow* child = documentArea_->addSubWindow(window);
  child->setAttribute(Qt::WA_DeleteOnClose);
  // A new child takes most of the document area rather than its content's hint.
  const QSize area = documentArea_->viewport()->size();
  if (area.width() > 200 && area.height() > 150) child->resize(area * 3 / 4);
  connect(window, &ui::EditorWindow::captionChanged, this, &MainFrame::UpdateCommandState);
  connect(window, &ui::EditorWindow::caretMoved, this, [this](long line, long column) {
    statusBar_->SetPartText(StatusBar::kPosition, QString::fromStdString(FormatText(
                                                      LoadText(kStrCaretPosition), line, column)));
  });
  child->show();
  window->setFocus();
  documentArea_->setActiveSubWindow(child);
  UpdateCommandState();
}

bool MainFrame::OpenLocalFile(const QString& path, bool readOnly) {
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
  ui::EditorServices services{Templates(), &settings_, store_, &Ui(), progress_.get()};
  ui::EditorWindow* window =
      ui::EditorWindow::OpenLocal(services, path.toStdString(), std::string(), readOnly);
  if (!window) return false;
  if (store_) RecentListAdd(*store_, kRecentLocalFiles, window->documentName());
  AddEditorWindow(window);
  return true;
}

ui::EditorWindow* MainFrame::NewDocument(const std::string& templateName) {
  ui::EditorServices services{Templates(), &settings_, store_, &Ui(), progress_.get()};
  ui::EditorWindow* window = ui::EditorWindow::CreateNew(services, templateName);
  AddEditorWindow(window);
  return window;
}

void MainFrame::NewFile() {
  std::optional<std::string> chosen;
  if (templateChooser_) {
    chosen = templateChooser_();
  } else {
    QStringList names{
        QString::fromUtf8(kTemplateNone.data(), static_cast<qsizetype>(kTemplateNone.size()))};
    for (const auto& item : Templates()->Templates())
      names.push_back(QString::fromStdString(item->settings.Name));
    bool ok = false;
    const QString name =
        QInputDialog::getItem(this, tr("New File"), tr("Template:"), names, 0, false, &ok);
    if (ok) chosen = name.toStdString();
  }
  if (chosen) NewDocument(*chosen);
}

void MainFrame::LocalOpen() {
  bool readOnly = false;
  const QStringList files = openChooser_ ? openChooser_(lastLocalFolder_, &readOnly)
                                         : ChooseLocalFiles(this, lastLocalFolder_, &readOnly);
  if (files.isEmpty()) return;
  lastLocalFolder_ = QFileInfo(files.front()).absolutePath();
  for (const QString& file : files) OpenLocalFile(file, readOnly);
}

void MainFrame::RunEditorCommand(int commandId) {
  switch (commandId) {
    case cmd::kNewFile:
      NewFile();
      return;
    case cmd::kLocalOpen:
      LocalOpen();
      return;
    case cmd::kCloseFile:
      documentArea_->closeActiveSubWindow();
      return;
    default:
      if (ui::EditorWindow* editor = ActiveEditor()) editor->RunCommand(commandId);
      UpdateCommandState();
      return;
  }
}

void MainFrame::SetConnected(bool connected) {
  FrameCommandState state = mainMenu_->State();
  state.connected = connected;
  mainMenu_->ApplyState(state);
  statusBar_->SetConnected(connected);
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

void MainFrame::RunCommand(int commandId) {
  if (IsEditorCommand(commandId)) {
    if (IsEditorCommandEnabled(commandId)) RunEditorCommand(commandId);
    return;
  }
  if (!IsCommandEnabled(commandId, mainMenu_->State())) return;
  switch (commandId) {
    case cmd::kExit:
      close();
      break;
    case cmd::kAbout:
      QMessageBox::about(this, windowTitle(), windowTitle());
      break;
    case cmd::kWindowClose:
      documentArea_->closeActiveSubWindow();
      break;
    case cmd::kCloseAll:
      documentArea_->closeAllSubWindows();
      break;
    case cmd::kWindowNext:
      documentArea_->activateNextSubWindow();
      break;
    case cmd::kWindowPrevious:
      documentArea_->activatePreviousSubWindow();
      break;
    case cmd::kCascade:
      documentArea_->cascadeSubWindows();
      break;
    case cmd::kTileHorizontally:
      TileChildren(false);
      break;
    case cmd::kTileVertically:
      TileChildren(true);
      break;
    case cmd::kActivateEditor:
      if (QMdiSubWindow* child = documentArea_->activeSubWindow()) child->widget()->setFocus();
      break;
    default:
      break;
  }
}

bool MainFrame::RestorePlacement() {
  if (!store_) return false;
  WindowRect rect;
  if (ReadWindowRect(*store_, &rect) && rect.right > rect.left && rect.bottom > rect.top)
    setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  std::int32_t maximized = 0;
  return ReadMaximized(*store_, &maximized) && maximized == 1;
}

void MainFrame::StorePlacement() {
  if (!store_) return;
  WriteMaximized(*store_, isMaximized() ? 1 : 0);
  const QRect r = isMaximized() ? normalGeometry() : geometry();
  WriteWindowRect(*store_, {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
}

void MainFrame::closeEvent(QCloseEvent* event) {
  // Each editor window may ask about its changes; a Cancel keeps the frame.
  for (QMdiSubWindow* child : documentArea_->subWindowList()) {
    if (!child->close()) {
      event->ignore();
      return;
    }
  }
  StorePlacement();
  event->accept();
}

}  // namespace vandrel::shell
