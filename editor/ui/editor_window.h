// An editor window: the document child of the main frame that shows one
// document. It owns the document's format record and its edit control,
// chooses and applies the document's template, loads the file, keeps the
// caption in step with the name, the modified mark and the read-only state,
// and saves the document (in place or under a new local name), asking
// before a modified document is closed.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "documents/document_format.h"
#include "documents/save_document.h"
#include "editor/ui/last_local_folder.h"
#include "editor/ui/qsci_edit_control.h"

class QCloseEvent;

namespace vandrel {
struct AppSettings;
class ProgressReporter;
class SettingsStore;
class TemplateCatalogue;
class UserInterface;
}  // namespace vandrel

namespace vandrel::ui {

// What every editor window of the frame shares. All pointers must outlive
// the windows; `catalogue`, `store`, `progress` and `localFolder` may be null.
struct EditorServices {
  const TemplateCatalogue* catalogue = nullptr;  // null: every template gives the plain defaults
  const AppSettings* settings = nullptr;         // required
  SettingsStore* store = nullptr;                // file-type table and recent lists
  UserInterface* ui = nullptr;                   // required
  ProgressReporter* progress = nullptr;
  LastLocalFolder* localFolder = nullptr;  // null: Local Save As starts in LocalFolder
};

class EditorWindow final : public QWidget, public SaveWindow, public EditNotificationSink {
  Q_OBJECT

 public:
  // An empty, unnamed document. An empty template name means "(none)".
  static EditorWindow* CreateNew(const EditorServices& services, const std::string& templateName,
                                 QWidget* parent = nullptr);
  // Loads the local file at `path`. An empty template name lets the file
  // type (then the format) choose. A file nobody may write opens read-only.
  // Returns null when the load failed (the user has been told) or the user
  // declined to edit what looks like binary data.
  static EditorWindow* OpenLocal(const EditorServices& services, const std::string& path,
                                 const std::string& templateName, bool readOnly,
                                 QWidget* parent = nullptr);

  // A host file downloaded to `downloadedFile`, shown read-only under its
  // host path (which also chooses the template when none is given). Saving
  // it back to the host comes with host editing; Local Save As keeps a copy.
  static EditorWindow* OpenDownloaded(const EditorServices& services,
                                      const std::string& downloadedFile,
                                      const std::string& hostPath, const std::string& templateName,
                                      QWidget* parent = nullptr);

  ~EditorWindow() override;

  QsciEditControl* control() const { return control_; }
  const std::string& documentName() const { return name_; }
  const std::string& templateName() const { return format_.templateName; }
  const DocumentFormat& format() const { return format_; }
  // The edit control owns the modified state: an undo back to the save
  // point counts as unmodified.
  bool isModified() const { return control_->IsModified(); }
  bool isReadOnly() const { return readOnly_; }
  // The name (or "Untitled"), " *" when modified, " (Read Only)" when read-only.
  QString Caption() const;

  // Save (1004): nothing for a read-only document; a named document is saved
  // in place, an unnamed one asks for a local name. True when saved.
  bool Save();
  // Local Save As (3039) to a path already chosen; the document becomes
  // local under that name. True when saved.
  bool SaveLocalAs(const std::string& path);
  // Local Save As with the "Save Local File" dialog.
  bool SaveLocalAsWithDialog();
  // Asks "Save changes to '%s' ?" for a modified, writable document and
  // saves on Yes; true when the window may close.
  bool QueryClose();

  // Select Line (3133): the caret's whole line.
  void SelectLine();
  // Ruler (3041): toggles the document's ruler flag and tells the control.
  void ToggleRuler();
  bool RulerShown() const;
  // Line-number views 3104-3106; file numbers only when the document has them.
  bool SetLineNumberView(LineNumberView view);
  bool HasLineNumbers() const;

  // Carries out an editing command of the frame; false when it is not one
  // this window handles.
  bool RunCommand(int commandId);

  // Chooses the path for Local Save As; the default shows the file dialog.
  // Returning an empty string cancels.
  using SavePathChooser = std::function<std::string(const std::string& proposed)>;
  static void SetSavePathChooser(SavePathChooser chooser);

  // ---- SaveWindow ---------------------------------------------------------------
  DocumentFormat& Format() override { return format_; }
  SaveEditor& Editor() override { return *control_; }
  bool UploadRunning() override { return transferRunning_; }
  std::string CobolToken() override;
  const CharacterTable* TranslationTable() override { return nullptr; }
  std::int32_t CaretLine() override;
  void MoveCaretToLine(std::int32_t line, bool errorMark) override;
  void ReleaseHostLock() override {}
  void SetTransferRunning(bool running) override { transferRunning_ = running; }
  void DocumentSaved(const std::string& name, SaveKind kind) override;
  void HostFileCreated(const std::string&) override {}
  void HostSaveFailed(const UploadOutcome&) override {}
  void CloseAfterSave() override;

  // ---- EditNotificationSink ------------------------------------------------------
  void Notify(const EditNotification& notification) override;
  void ModifiedChanged(bool modified) override;

 signals:
  void captionChanged(const QString& caption);
  // The caret moved: 1-based line and column.
  void caretMoved(long line, long column);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  EditorWindow(const EditorServices& services, QWidget* parent);
  // Loads `loadPath` into a new window for the document called `name`.
  static EditorWindow* Open(const EditorServices& services, const std::string& loadPath,
                            const std::string& name, const std::string& templateName, bool readOnly,
                            QWidget* parent);
  // Chooses the template when none was given and applies its editing part
  // (and the host-format part for an empty document).
  void ChooseAndApplyTemplate(const std::string& templateName, bool startsEmpty);
  void UpdateCaption();
  bool SaveTo(const SaveTarget& target);

  EditorServices services_;
  QsciEditControl* control_ = nullptr;
  DocumentFormat format_;
  std::string name_;  // local path; empty for a new document
  bool readOnly_ = false;
  bool transferRunning_ = false;
  bool closeAfterSave_ = false;
  bool closingAfterSave_ = false;
};

}  // namespace vandrel::ui
