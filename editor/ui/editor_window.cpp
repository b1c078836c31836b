#include "editor/ui/editor_window.h"

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "core/app_settings.h"
#include "core/main_menu.h"
#include "core/message_box.h"
#include "core/progress.h"
#include "core/string_ids.h"
#include "documents/date_stamps.h"
#include "documents/document_loader.h"
#include "documents/line_numbers.h"
#include "documents/load_request.h"
#include "documents/renumber_model.h"
#include "editor/print_source.h"
#include "editor/ui/editor_context_menu.h"
#include "editor/ui/editor_finder.h"
#include "editor/ui/editor_frame.h"
#include "editor/ui/editor_host.h"
#include "editor/ui/editor_navigator.h"
#include "editor/ui/find_dialog.h"
#include "editor/ui/renumber_dialog.h"
#include "editor/ui/replace_dialog.h"
#include "remote/document_requests.h"
#include "remote/listing_view.h"
#include "templates/apply_template.h"
#include "templates/template_catalogue.h"
#include "templates/template_matching.h"

namespace vandrel::ui {
namespace {

SilentProgress& Silent() {
  static SilentProgress silent;
  return silent;
}

const TemplateCatalogue& CatalogueOf(const EditorServices& services) {
  static const TemplateCatalogue empty;
  return services.catalogue ? *services.catalogue : empty;
}

EditorWindow::SavePathChooser& SaveChooser() {
  static EditorWindow::SavePathChooser chooser;
  return chooser;
}

// A file with no write permission bits at all is opened read-only: saving it
// in place could only fail (or, for a privileged user, overwrite a file its
// owner protected).
bool FileIsWriteProtected(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && (status.st_mode & 0222) == 0;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace

EditorWindow::EditorWindow(const EditorServices& services, QWidget* parent)
    : QWidget(parent), services_(services), control_(new QsciEditControl(this)) {
  setObjectName("mdiEdit");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  EditorNavigator::Services navigation;
  navigation.catalogue = services_.catalogue;
  navigation.settings = services_.settings;
  navigation.progress = services_.progress;
  if (EditorFrame* frame = services_.frame) {
    navigation.diagnostic = [frame](std::string_view line) {
      frame->WriteNavigatorDiagnostic(line);
    };
  }
  navigator_ = new EditorNavigator(this, layout, control_, std::move(navigation));
  connect(navigator_, &EditorNavigator::lineChosen, this,
          [this](int line) { GoToLine(line, kGoToMark); });
  connect(navigator_, &EditorNavigator::entriesChanged, this, &EditorWindow::navigatorChanged);
  setFocusProxy(control_);
  const AppSettings& settings = *services_.settings;
  control_->SetAppearance(ControlAppearance::FromSettings(settings));
  control_->SetSelectionMargin(settings.SelectionMargin != 0);
  control_->SetDragDropEditing(settings.DragDropEditing != 0);
  control_->SetNotificationSink(this);
  control_->SetContextMenuHandler([this](const QPoint& global) { ShowContextMenu(global); });
}

EditorWindow::~EditorWindow() {
  control_->SetNotificationSink(nullptr);
  // A window that goes without being closed (the program is ending without
  // the user's answer) leaves its journal to be recovered.
  ReleaseHeaderData(format_);
  if (!loadedCopy_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(loadedCopy_, ignored);
  }
}

void EditorWindow::ApplySettings() {
  const AppSettings& settings = *services_.settings;
  control_->SetAppearance(ControlAppearance::FromSettings(settings));
  control_->SetSelectionMargin(settings.SelectionMargin != 0);
  control_->SetDragDropEditing(settings.DragDropEditing != 0);
  ReapplyTemplate();
  UpdateCaption();
  navigator_->ShowTemplateName(format_.templateName);
}

void EditorWindow::ChooseAndApplyTemplate(const std::string& templateName, bool startsEmpty) {
  std::string name = templateName;
  if (name.empty()) {
    if (services_.catalogue && services_.store) {
      name = ChooseTemplate(*services_.catalogue, *services_.store, name_, format_);
    } else if (name_.empty()) {
      name = std::string(kTemplateNone);
    } else if (services_.catalogue) {
      name = MatchHostAttributes(*services_.catalogue, format_).value_or("");
    }
  }
  format_.templateName = name.substr(0, kTemplateNameField - 1);
  const unsigned parts = kApplyEditing | (startsEmpty ? kApplyHostFormat : 0u);
  ApplyTemplate(CatalogueOf(services_), *services_.settings, format_.templateName, nullptr, format_,
                parts);
}

EditorWindow* EditorWindow::CreateNew(const EditorServices& services,
                                      const std::string& templateName, QWidget* parent) {
  auto* window = new EditorWindow(services, parent);
  window->ChooseAndApplyTemplate(templateName.empty() ? std::string(kTemplateNone) : templateName,
                                 true);
  ApplyTemplate(CatalogueOf(services), *services.settings, window->format_.templateName,
                window->control_, window->format_, kApplyPush);
  if (services.settings->VirtualLineNumbers != 0 &&
      window->control_->lineNumberView() == LineNumberView::kNone) {
    window->control_->SetLineNumberView(LineNumberView::kVirtual);
  }
  window->navigator_->ShowTemplateName(window->format_.templateName);
  window->UpdateCaption();
  return window;
}

EditorWindow* EditorWindow::OpenLocal(const EditorServices& services, const std::string& path,
                                      const std::string& templateName, bool readOnly,
                                      QWidget* parent) {
  OpenSeed seed;
  seed.name = AbsolutePath(path);
  seed.loadPath = seed.name;
  seed.templateName = templateName;
  seed.readOnly = readOnly || FileIsWriteProtected(seed.name);
  seed.format.formatFlags = kFormatLocal;
  return Open(services, std::move(seed), parent);
}

EditorWindow* EditorWindow::OpenHost(const EditorServices& services,
                                     const std::string& downloadedFile,
                                     const HostDocument& document, QWidget* parent) {
  OpenSeed seed;
  seed.loadPath = downloadedFile;
  seed.name = document.hostPath;
  seed.templateName = document.templateName;
  seed.readOnly = document.readOnly;
  // The download is in record form behind its header records on MPE/iX
  // hosts, and a Qedit file carries the Qedit header as well.
  seed.format.formatFlags = remote::FormatFlagsOfHint(document.formatHint);
  seed.format.fileInfo = document.fileInfo;
  seed.format.lockId = document.lockNumber;
  seed.characterTable = document.characterTable;
  EditorWindow* window = Open(services, std::move(seed), parent);
  if (window != nullptr) window->KeepLoadedCopy(downloadedFile);
  return window;
}

EditorWindow* EditorWindow::OpenRecovered(const EditorServices& services, const JournalEntry& entry,
                                          std::optional<CharacterTable> characterTable,
                                          QWidget* parent) {
  if (entry.lines.LineCount() < 1) return nullptr;
  std::unique_ptr<EditorWindow> window(new EditorWindow(services, nullptr));
  window->name_ = entry.documentName;
  window->characterTable_ = std::move(characterTable);
  window->format_ = entry.format;
  // The template's settings reach the control as an open gives them; the
  // text and its line data then come back exactly as they were.
  window->ChooseAndApplyTemplate(entry.format.templateName, false);
  ApplyTemplate(CatalogueOf(services), *services.settings, window->format_.templateName,
                window->control_, window->format_, kApplyPush);
  window->format_ = entry.format;
  window->format_.lockId = -1;
  window->control_->Restore(entry.text, entry.lines, entry.tokenText);
  LineNumberView view = LineNumberView::kNone;
  if (entry.lines.numbering().mode != NumberingMode::kNone &&
      !(window->format_.editFlags & kEditHideLineNumbers)) {
    view = LineNumberView::kFile;
  } else if (services.settings->VirtualLineNumbers != 0) {
    view = LineNumberView::kVirtual;
  }
  window->control_->SetLineNumberView(view);
  window->navigator_->ShowTemplateName(window->format_.templateName);
  window->UpdateCaption();
  window->RefreshNavigator();
  window->WriteJournal();  // its own entry, before the recovered one goes
  if (parent) window->setParent(parent);
  return window.release();
}

EditorWindow* EditorWindow::Open(const EditorServices& services, OpenSeed seed, QWidget* parent) {
  std::unique_ptr<EditorWindow> window(new EditorWindow(services, nullptr));
  UserInterface& ui = *services.ui;
  window->name_ = seed.name;
  window->readOnly_ = seed.readOnly;
  window->characterTable_ = seed.characterTable;
  window->control_->SetReadOnly(window->readOnly_);

  DocumentFormat& format = window->format_;
  format.formatFlags = seed.format.formatFlags;
  format.fileInfo = seed.format.fileInfo;
  format.lockId = seed.format.lockId;
  LoadOptions options;
  options.detectLineNumbers = services.settings->DetectLineNoPrompt != 0;
  LoadedDocument loaded = LoadDocument(std::filesystem::path(seed.loadPath), format, options);
  if (!loaded) {
    MessageBox(ui, kMbOk | kMbIconWarning, kStrOpenFileDamaged, seed.name);
    return nullptr;
  }

  window->ChooseAndApplyTemplate(seed.templateName, false);
  if (services.progress) services.progress->ShowStatus(LoadText(kStrOpeningFile));
  const LoadRequest request =
      BuildLoadRequest(format, loaded.file.get(), loaded.dataOffset, window->TranslationTable());
  const bool numbersTakenOut = ApplyLoadRequestNumbering(format, request);
  const LoadOutcome outcome = window->control_->Load(request);
  loaded.file.reset();  // the file is not held open while it is edited
  if (services.progress) services.progress->ClearProgress();
  if (outcome.code != kLoadResultOk) {
    MessageBox(ui, kMbOk | kMbIconWarning, LoadResultMessageId(outcome.code), seed.name);
    return nullptr;
  }
  // The template's settings as the control receives them, then the view.
  ApplyTemplate(CatalogueOf(services), *services.settings, format.templateName, window->control_,
                format, kApplyPush);
  LineNumberView view = LineNumberView::kNone;
  if (numbersTakenOut && !(format.editFlags & kEditHideLineNumbers)) {
    view = LineNumberView::kFile;
  } else if (services.settings->VirtualLineNumbers != 0) {
    view = LineNumberView::kVirtual;
  }
  window->control_->SetLineNumberView(view);
  if (const std::int32_t lastLine = QeditLastLine(format); lastLine > 0) {
    window->MoveCaretToLine(lastLine, false);
  }
  window->navigator_->ShowTemplateName(format.templateName);
  window->UpdateCaption();

  if (outcome.binary &&
      MessageBox(ui, kMbYesNo | kMbIconWarning, kStrBinaryDataQuestion) != kIdYes) {
    return nullptr;
  }
  window->RefreshNavigator();
  if (parent) window->setParent(parent);
  return window.release();
}

QString EditorWindow::Caption() const {
  std::string caption = name_.empty() ? LoadText(kStrUntitled) : name_;
  if (isModified()) caption += " *";
  if (readOnly_) caption += LoadText(kStrReadOnlySuffix);
  if (lockLost()) caption += LoadText(kStrNotLockedSuffix);
  return QString::fromStdString(caption);
}

void EditorWindow::RestoreHostLock(std::int32_t lock) {
  format_.lockId = lock;
  lockLost_ = false;
  UpdateCaption();
}

void EditorWindow::MarkLockLost() {
  lockLost_ = true;
  UpdateCaption();
}

void EditorWindow::UpdateCaption() {
  const QString caption = Caption();
  // "[*]" in a title is Qt's modified placeholder; doubled it shows as itself.
  QString title = caption;
  title.replace("[*]", "[*][*]");
  setWindowTitle(title);
  emit captionChanged(caption);
}

bool EditorWindow::HostConnected() const {
  return services_.host != nullptr && services_.host->SaveState().requestEngineAvailable;
}

bool EditorWindow::IsHostDocument() const { return !name_.empty() && !format_.IsLocal(); }

namespace {

// Hands the window's uploads to the host connection; the completion comes
// back to the window while it still exists.
class WindowUploader final : public Uploader {
 public:
  WindowUploader(EditorHost& host,
                 std::function<void(const UploadRequest&, const UploadOutcome&)> done)
      : host_(host), done_(std::move(done)) {}
  bool QueueUpload(const UploadRequest& request) override {
    return host_.QueueUpload(
        request, [request, done = done_](const UploadOutcome& outcome) { done(request, outcome); });
  }

 private:
  EditorHost& host_;
  std::function<void(const UploadRequest&, const UploadOutcome&)> done_;
};

}  // namespace

SaveServices EditorWindow::MakeSaveServices(Uploader* uploader) {
  SaveServices services{*services_.ui,
                        services_.progress ? *services_.progress : Silent(),
                        services_.host ? services_.host->SaveState() : HostConnectionState{},
                        uploader,
                        services_.store,
                        // The token is cut to 30 characters.
                        [](std::string_view token) { return ExpandDateStamps(token, 32); },
                        {}};
  return services;
}

bool EditorWindow::SaveTo(const SaveTarget& target) {
  std::optional<WindowUploader> uploader;
  if (services_.host) {
    QPointer<EditorWindow> self(this);
    uploader.emplace(*services_.host,
                     [self](const UploadRequest& request, const UploadOutcome& outcome) {
                       if (self) {
                         self->UploadFinished(request, outcome);
                       } else {
                         std::error_code ignored;
                         std::filesystem::remove(request.temporaryFile, ignored);
                       }
                     });
  }
  SaveServices services = MakeSaveServices(uploader ? &*uploader : nullptr);
  return SaveDocument(*this, target, services).ok;
}

void EditorWindow::UploadFinished(const UploadRequest& request, const UploadOutcome& outcome) {
  // What the host now holds is the original of the next merge.
  if (outcome.ok) KeepLoadedCopy(request.temporaryFile);
  SaveServices services = MakeSaveServices(nullptr);
  CompleteHostSave(*this, request, outcome, services);
}

bool EditorWindow::Save() {
  if (readOnly_) return false;
  if (!name_.empty() && format_.IsLocal()) {
    SaveTarget target;
    target.kind = SaveKind::kLocal;
    target.name = name_;
    target.closing = closeAfterSave_;
    return SaveTo(target);
  }
  if (!HostConnected()) return SaveLocalAsWithDialog();
  if (name_.empty()) return SaveAs();
  SaveTarget target;
  target.kind = SaveKind::kHost;
  target.name = name_;
  target.closing = closeAfterSave_;
  return SaveTo(target);
}

bool EditorWindow::SaveAs() {
  if (!HostConnected()) return SaveLocalAsWithDialog();
  std::string folder;
  std::string proposed;
  if (const std::size_t slash = name_.find_last_of("/\\"); slash != std::string::npos) {
    proposed = name_.substr(slash + 1);
    if (IsHostDocument()) folder = remote::HostFolderOf(name_);
  } else {
    proposed = name_;
  }
  const std::optional<std::string> chosen = services_.host->ChooseHostSavePath(folder, proposed);
  if (!chosen || chosen->empty()) return false;
  return SaveToHostAs(*chosen);
}

bool EditorWindow::SaveToHostAs(const std::string& hostPath) {
  if (hostPath.empty() || !HostConnected()) return false;
  SaveTarget target;
  target.kind = SaveKind::kHost;
  target.name = hostPath;
  target.namedAnew = true;
  target.closing = closeAfterSave_;
  return SaveTo(target);
}

bool EditorWindow::SaveLocalAs(const std::string& path) {
  if (path.empty()) return false;
  SaveTarget target;
  target.kind = SaveKind::kLocal;
  target.name = AbsolutePath(path);
  target.namedAnew = true;
  target.closing = closeAfterSave_;
  if (!SaveTo(target)) return false;
  format_.formatFlags |= kFormatLocal;
  if (services_.localFolder) services_.localFolder->Remember(target.name);
  return true;
}

void EditorWindow::SetSavePathChooser(SavePathChooser chooser) {
  SaveChooser() = std::move(chooser);
}

bool EditorWindow::SaveLocalAsWithDialog() {
  std::string proposed = name_;
  if (proposed.empty() || !format_.IsLocal()) {
    // Without a local name: the last local folder, which Local Open shares.
    const std::string& folder =
        services_.localFolder ? services_.localFolder->folder() : services_.settings->LocalFolder;
    const std::string file =
        name_.empty() ? std::string() : std::filesystem::path(name_).filename().string();
    proposed = folder.empty() ? file : (std::filesystem::path(folder) / file).string();
  }
  std::string path;
  if (SaveChooser()) {
    path = SaveChooser()(proposed);
  } else {
    // Every file, named with or without an extension.
    path =
        QFileDialog::getSaveFileName(this, QString::fromStdString(LoadText(kStrSaveLocalFileTitle)),
                                     QString::fromStdString(proposed), "All Files (*)")
            .toStdString();
  }
  return SaveLocalAs(path);
}

QMdiSubWindow* EditorWindow::Child() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

bool EditorWindow::QueryClose() {
  // A close after save waits for its upload, which closes the window.
  if (closeAfterSave_ || transferRunning_) return false;
  if (!readOnly_ && isModified()) {
    const std::string shownName = name_.empty() ? LoadText(kStrUntitled) : name_;
    const int answer = MessageBox(*services_.ui, kMbYesNoCancel | kMbIconQuestion,
                                  kStrSaveChangesQuestion, shownName);
    if (answer == kIdCancel) return false;
    if (answer == kIdYes) {
      closeAfterSave_ = true;
      const bool saved = Save();
      if (saved && transferRunning_) {
        // The upload's completion closes the window, or restores it.
        if (QMdiSubWindow* child = Child()) {
          child->showMinimized();
        } else {
          showMinimized();
        }
        return false;
      }
      closeAfterSave_ = false;
      if (!saved) return false;
    }
  }
  ReleaseHostLock();
  ForgetJournal();  // saved, discarded by the user, or never changed
  return true;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (QueryClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void EditorWindow::CloseAfterSave() {
  closeAfterSave_ = false;
  if (QMdiSubWindow* child = Child()) {
    child->close();
  } else {
    close();
  }
}

void EditorWindow::HostSaveFailed(const UploadOutcome&) {
  // The failure has been reported; the document stays open and modified.
  if (!mergedStatus_.empty() && services_.progress) {
    services_.progress->ShowStatus(mergedStatus_);
  }
  mergedStatus_.clear();
  if (closeAfterSave_) {
    closeAfterSave_ = false;
    if (QMdiSubWindow* child = Child()) {
      child->showNormal();
    } else {
      showNormal();
    }
  }
}

void EditorWindow::HostFileCreated(const std::string& hostPath) {
  if (services_.host) services_.host->HostFileCreated(hostPath);
}

void EditorWindow::SetTransferRunning(bool running) {
  transferRunning_ = running;
  if (services_.host) services_.host->TransferStateChanged();
}

void EditorWindow::ReleaseHostLock() {
  if (format_.lockId == -1 || services_.host == nullptr) return;
  QPointer<EditorWindow> self(this);
  const std::int32_t lock = format_.lockId;
  services_.host->ReleaseLock(lock, [self, lock](bool released) {
    if (self && released && self->format_.lockId == lock) self->format_.lockId = -1;
  });
}

void EditorWindow::DocumentSaved(const std::string& name, SaveKind kind) {
  if (kind != SaveKind::kTemporaryCopy) name_ = name;
  readOnly_ = false;
  control_->SetReadOnly(false);
  UpdateCaption();
  if (kind != SaveKind::kTemporaryCopy) RefreshNavigator();
}

std::string EditorWindow::CobolToken() {
  if (services_.host) {
    if (std::optional<std::string> token = services_.host->ProjectCobolToken(name_)) return *token;
  }
  return services_.settings->Cobol85Token;
}

std::int32_t EditorWindow::CaretLine() { return control_->Caret().line + 1; }

void EditorWindow::MoveCaretToLine(std::int32_t line, bool errorMark) {
  GoToLine(line, errorMark ? kGoToErrorMark : 0);
}

bool EditorWindow::GoToLine(std::int64_t value, std::uint32_t flags) {
  navigator_->ShowTab(0);
  const std::int32_t lineCount = control_->LineCount();
  std::optional<std::int32_t> target;
  if (flags & kGoToNavigatorEntry) {
    const std::int64_t line = navigator_->EntryLine(static_cast<int>(value));
    if (line < 0) return false;
    target = static_cast<std::int32_t>(line);
  } else if (flags & kGoToFileNumber) {
    target = LineOfNumber(format_, lineCount, value, [this](std::int32_t number) {
      return static_cast<std::int32_t>(control_->LineWithNumber(number));
    });
  } else if (value >= 1 && value <= lineCount) {
    target = static_cast<std::int32_t>(value - 1);
  }
  if (!target) return false;
  ForgetGoToMarks();
  const int line = control_->MoveCaretToLine(*target);
  if (line < 0) return false;
  if (flags & kGoToSelectLine) control_->SelectCaretLine();
  if (flags & kGoToMark) {
    control_->SetMarks(line, control_->Marks(line) | kLineMarkGoTo);
    goToMarkLine_ = line;
  }
  if (flags & kGoToErrorMark) {
    control_->SetMarks(line, control_->Marks(line) | kLineMarkError);
    errorMarkLine_ = line;
  }
  goToCaret_ = control_->Caret();
  return true;
}

void EditorWindow::ForgetGoToMarks() {
  const std::int32_t lineCount = control_->LineCount();
  if (goToMarkLine_ >= 0 && goToMarkLine_ < lineCount)
    control_->SetMarks(goToMarkLine_, control_->Marks(goToMarkLine_) & ~kLineMarkGoTo);
  if (errorMarkLine_ >= 0 && errorMarkLine_ < lineCount)
    control_->SetMarks(errorMarkLine_, control_->Marks(errorMarkLine_) & ~kLineMarkError);
  goToMarkLine_ = -1;
  errorMarkLine_ = -1;
}

void EditorWindow::SelectLine() { control_->SelectCaretLine(); }

void EditorWindow::ApplyProperties(const DocumentFormat& edited) {
  const std::string oldTemplate = format_.templateName;
  const std::int32_t oldTabWidth = format_.tabWidth;
  // The lock and the host's information are the window's, not the page's.
  const std::int32_t lock = format_.lockId;
  const HostFileInfo info = format_.fileInfo;
  format_ = edited;
  format_.lockId = lock;
  format_.fileInfo = info;
  // A new template, or the tab size back to "(default)", takes the
  // template's editing settings again.
  if (format_.templateName != oldTemplate || (format_.tabWidth == 0 && oldTabWidth != 0)) {
    ApplyTemplate(CatalogueOf(services_), *services_.settings, format_.templateName, control_,
                  format_, kApplyEditing | kApplyPush);
  } else if (format_.tabWidth != oldTabWidth) {
    control_->SetTabWidth(format_.tabWidth);
  }
  UpdateCaption();
  if (format_.templateName != oldTemplate) {
    navigator_->ShowTemplateName(format_.templateName);
    RefreshNavigator();
  }
}

PrintSource EditorWindow::ToPrint() const {
  PrintSource source = MakePrintSource(control_->Text(), control_->document().lines(), format_,
                                       name_.empty() ? LoadText(kStrUntitled) : name_);
  int lineFrom = 0, columnFrom = 0, lineTo = 0, columnTo = 0;
  if (control_->Selection(&lineFrom, &columnFrom, &lineTo, &columnTo)) {
    source.selection = SelectedPrintLines(lineFrom, columnFrom, lineTo, columnTo);
  }
  return source;
}

void EditorWindow::ReapplyTemplate() {
  // What the text was loaded with and is saved by stays: the numbering,
  // the COBOL line tokens and trimming.
  constexpr std::uint32_t kLoadedWith = kEditTrim | kEditRemoveLineNumbers | kEditRenumber |
                                        kEditMpeLineNumberFormat | kEditCobol85 |
                                        kEditHideLineNumbers | kEditIntelliSequence;
  const std::uint32_t loaded = format_.editFlags & kLoadedWith;
  ApplyTemplate(CatalogueOf(services_), *services_.settings, format_.templateName, nullptr, format_,
                kApplyEditing);
  format_.editFlags = (format_.editFlags & ~kLoadedWith) | loaded;
  ApplyTemplate(CatalogueOf(services_), *services_.settings, format_.templateName, control_,
                format_, kApplyPush);
  RefreshNavigator();
}

QString EditorWindow::EditRangeTipText() const {
  int lineFrom = 0, columnFrom = 0, lineTo = 0, columnTo = 0;
  if (!control_->Selection(&lineFrom, &columnFrom, &lineTo, &columnTo)) return {};
  if (lineFrom != lineTo || columnTo <= columnFrom) return {};
  // Columns of the file's record: numbers at the start come before the text.
  const long shift =
      HasLineNumbers() && format_.numbering.position == 1 ? format_.numbering.digits : 0;
  const long first = columnFrom + 1 + shift;
  const long last = columnTo + shift;
  return QString::fromStdString(
      FormatText(LoadText(kStrSelectionRangeTip), first, last, last - first + 1));
}

bool EditorWindow::TabsAsSpaces() const {
  return (control_->optionBits() & kEditOptionTabsAsSpaces) != 0;
}

bool EditorWindow::InsertIntoProject() {
  if (name_.find('/') == std::string::npos || format_.IsLocal()) {
    MessageBox(*services_.ui, kMbOk | kMbIconWarning, kStrSaveBeforeInsertIntoProject);
    return false;
  }
  return services_.frame != nullptr &&
         services_.frame->InsertIntoProject(name_, format_.templateName, readOnly_);
}

void EditorWindow::ShowContextMenu(const QPoint& global) {
  EditorMenuState state;
  state.hasSelection = control_->HasSelection();
  const QClipboard* clipboard = QGuiApplication::clipboard();
  state.clipboardHasText = clipboard && !clipboard->text().isEmpty();
  state.readOnly = readOnly_;
  state.hasLineNumbers = HasLineNumbers();
  state.renumberAvailable = true;
  state.word = control_->FileNameAt(global);
  const std::string clicked = control_->WordAtPoint(global);
  const Navigator* navigator = navigator_->navigator();
  NavigatorDefinition definition;
  if (navigator && !clicked.empty()) {
    definition = navigator->FindDefinition(clicked);
    if (definition.line >= 0) {
      state.definition = clicked;
      state.definitionIsFunction = navigator->ParameterInfo(clicked) != nullptr;
    }
  }
  state.findAvailable = true;
  if (services_.frame) {
    state.canInsertIntoProject = services_.frame->CanInsertIntoProject(name_);
    state.windows = services_.frame->WindowList();
  }
  std::unique_ptr<QMenu> menu = BuildEditorContextMenu(state, this);
  QAction* chosen = menu->exec(global);
  if (!chosen) return;
  const int data = chosen->data().toInt();
  if (data == kMenuOpenWord) {
    if (services_.frame) services_.frame->OpenNamedFile(name_, IsHostDocument(), state.word);
  } else if (data == kMenuGoToDefinition) {
    GoToLine(definition.line, kGoToMark);
  } else if (data == cmd::kParameterInfo) {
    // The declaration of the word clicked, under the caret's place.
    if (const NavigatorItem* found = navigator ? navigator->ParameterInfo(clicked) : nullptr) {
      ShowParameterTip(*found);
    }
  } else if (!RunCommand(data) && services_.frame) {
    services_.frame->RunMenuCommand(data);
  }
}

void EditorWindow::ToggleRuler() {
  format_.editFlags ^= kEditRuler;
  control_->SetOptionBits(kEditOptionRuler,
                          (format_.editFlags & kEditRuler) ? kEditOptionRuler : 0);
}

bool EditorWindow::RulerShown() const { return control_->RulerShown(); }

bool EditorWindow::HasLineNumbers() const {
  return format_.numbering.position != 0 && format_.numbering.digits != 0 &&
         (format_.editFlags & kEditRemoveLineNumbers);
}

bool EditorWindow::SetLineNumberView(LineNumberView view) {
  if (view == LineNumberView::kFile && !HasLineNumbers()) return false;
  control_->SetLineNumberView(view);
  return true;
}

bool EditorWindow::Renumber() {
  if (readOnly_ || !HasLineNumbers()) return false;
  TextSelection selection;
  int firstLine = 0;
  int firstColumn = 0;
  int lastLine = 0;
  int lastColumn = 0;
  if (control_->Selection(&firstLine, &firstColumn, &lastLine, &lastColumn))
    selection = {firstLine, firstColumn, lastLine, lastColumn};
  QsciEditControl* control = control_;
  RenumberInput input = MakeRenumberInput(
      format_, control_->LineCount(), selection, services_.settings->RenumberMarkers != 0,
      [control](std::int32_t line) -> std::optional<std::int32_t> {
        const std::int64_t number = control->NumberOfLine(line);
        if (number == kNoLineNumber) return std::nullopt;
        return static_cast<std::int32_t>(number);
      });
  RenumberDialog dialog(std::move(input), *services_.ui, this);
  if (dialog.exec() != QDialog::Accepted || !dialog.outcome()) return false;
  const RenumberOutcome& outcome = *dialog.outcome();
  const RenumberRequest& request = outcome.request;
  if (!control_->Renumber(request.firstLine, request.lastLine, request.start, request.increment,
                          request.mark != 0))
    return false;
  if (outcome.setsActiveNumbering) {
    format_.activeNumbering.start = request.start;
    format_.activeNumbering.increment = request.increment;
  }
  if (services_.frame) services_.frame->RememberRenumberMarkers(outcome.markLines);
  control_->update();
  return true;
}

bool EditorWindow::RunCommand(int commandId) {
  switch (commandId) {
    case cmd::kSave:
      Save();
      return true;
    case cmd::kSaveAs:
      SaveAs();
      return true;
    case cmd::kLocalSaveAs:
      SaveLocalAsWithDialog();
      return true;
    case cmd::kSelectAll:
      control_->SelectAll();
      return true;
    case cmd::kUndo:
      control_->Undo();
      return true;
    case cmd::kRedo:
      control_->Redo();
      return true;
    case cmd::kCut:
      control_->Cut();
      return true;
    case cmd::kCopy:
      control_->Copy();
      return true;
    case cmd::kPaste:
      control_->Paste();
      return true;
    case cmd::kSelectLine:
      SelectLine();
      return true;
    case cmd::kInsertFileIntoProject:
      InsertIntoProject();
      return true;
    case cmd::kRuler:
      ToggleRuler();
      return true;
    case cmd::kLineNumbersOff:
      SetLineNumberView(LineNumberView::kNone);
      return true;
    case cmd::kLineNumbersVirtual:
      SetLineNumberView(LineNumberView::kVirtual);
      return true;
    case cmd::kLineNumbersPhysical:
      SetLineNumberView(LineNumberView::kFile);
      return true;
    case cmd::kRenumber:
      Renumber();
      return true;
    case cmd::kToggleBookmark:
      ToggleBookmark();
      return true;
    case cmd::kNextBookmark:
    case cmd::kPreviousBookmark:
      NextBookmark(commandId == cmd::kNextBookmark);
      return true;
    case cmd::kClearBookmarks:
      ClearBookmarks();
      return true;
    case cmd::kNextFunction:
    case cmd::kPreviousFunction:
      NextFunction(commandId == cmd::kNextFunction);
      return true;
    case cmd::kParameterInfo:
      ShowParameterInfo(false, true);
      return true;
    case cmd::kRefresh:
      RefreshNavigator();
      return true;
    case cmd::kToggleRibbon:
      navigator_->ToggleTab();
      return true;
    case cmd::kFind:
    case cmd::kReplace:
    case cmd::kFindNext:
    case cmd::kFindPrevious:
      RunFindCommand(commandId);
      return true;
    default:
      return false;
  }
}

std::string EditorWindow::SearchProposal() const {
  const EditorFinder finder(*control_, *services_.ui, Searches());
  return ProposedSearchText(finder.Facts());
}

FindSession& EditorWindow::Searches() const {
  if (services_.find != nullptr) return *services_.find;
  if (!ownSearches_) ownSearches_ = std::make_unique<FindSession>();
  return *ownSearches_;
}

bool EditorWindow::SearchRemembered() const { return Searches().HasRemembered(); }

void EditorWindow::RunFindCommand(int commandId) {
  EditorFinder finder(*control_, *services_.ui, Searches());
  const SearchDialogServices dialog{control_, &finder, &Searches(), services_.settings,
                                    services_.store};
  switch (commandId) {
    case cmd::kFind: {
      FindDialog find(dialog, this);
      find.exec();
      break;
    }
    case cmd::kReplace: {
      if (readOnly_) return;
      ReplaceDialog replace(dialog, this);
      replace.exec();
      break;
    }
    default:
      finder.Repeat(commandId == cmd::kFindNext);
      break;
  }
  // Find Next and Find Previous follow the remembered search.
  emit editStateChanged();
}

void EditorWindow::Notify(const EditNotification& notification) {
  switch (notification.code) {
    case kEditNotifyCaretMoved: {
      const CaretPlace caret = control_->Caret();
      // The marks of the last go-to last until the caret leaves its place.
      if ((goToMarkLine_ >= 0 || errorMarkLine_ >= 0) &&
          (caret.line != goToCaret_.line || caret.column != goToCaret_.column)) {
        ForgetGoToMarks();
      }
      emit caretMoved(caret.line + 1, caret.column + 1);
      if (caret.line != lastCaretLine_) {
        lastCaretLine_ = caret.line;
        if (tipLine_ >= 0 && caret.line != tipLine_) HideParameterTip();
        emit caretLineChanged(caret.line);
      }
      const bool selection = control_->HasSelection();
      const bool overwriting = control_->OverwriteMode();
      if (selection != hadSelection_ || overwriting != wasOverwriting_) {
        hadSelection_ = selection;
        wasOverwriting_ = overwriting;
        emit editStateChanged();
      }
      const QString tip = services_.settings->EditRangeTips != 0 && control_->ViewHasFocus()
                              ? EditRangeTipText()
                              : QString();
      if (tip.isEmpty()) {
        QToolTip::hideText();
      } else {
        QToolTip::showText(control_->SelectionScreenPoint(), tip, control_);
      }
      break;
    }
    case kEditNotifyTextChanged:
      ScheduleJournal();
      break;
    case kEditNotifyCloseTip:
      QToolTip::hideText();
      tipLine_ = -1;
      break;
    case kEditNotifyCharacterTyped:
      if (notification.character == '(' && services_.settings->CodeNavigatorTips != 0) {
        ShowParameterInfo(true, false);
      }
      break;
    case kEditNotifyNoFreeLineNumber:
      QApplication::beep();
      MessageBox(*services_.ui, kMbOk | kMbIconWarning, NotificationMessageId(notification.code));
      break;
    case kEditNotifyProgress:
      if (services_.progress && notification.total > 0) {
        services_.progress->SetProgress(
            static_cast<int>(notification.done * 100 / notification.total));
      }
      break;
    default:
      break;
  }
}

// The caption's " *" follows the text's save point, and so does the journal.
void EditorWindow::ModifiedChanged(bool modified) {
  UpdateCaption();
  if (modified) {
    ScheduleJournal();
  } else {
    ForgetJournal();
  }
}

}  // namespace vandrel::ui
