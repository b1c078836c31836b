// An editor window: the document child of the main frame that shows one
// document. It owns the document's format record and its edit control,
// chooses and applies the document's template, loads the file, keeps the
// caption in step with the name, the modified mark and the read-only state,
// and saves the document (in place or under a new local name), asking
// before a modified document is closed.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "documents/document_format.h"
#include "documents/load_request.h"
#include "documents/print_layout.h"
#include "documents/save_document.h"
#include "editor/edit_journal.h"
#include "editor/find_model.h"
#include "editor/ui/last_local_folder.h"
#include "editor/ui/qsci_edit_control.h"
#include "project/build_runner.h"
#include "project/macros.h"
#include "remote/overwrite_question.h"

class QCloseEvent;
class QMdiSubWindow;
class QTimer;

namespace vandrel {
struct AppSettings;
class NavigatorItem;
class ProgressReporter;
class SettingsStore;
class TemplateCatalogue;
class UserInterface;
}  // namespace vandrel

namespace vandrel::ui {

class EditorFrame;
class EditorHost;
class EditorNavigator;

// What every editor window of the frame shares. All pointers must outlive
// the windows; `catalogue`, `store`, `progress` and `localFolder` may be null.
class DocumentJournal;

struct EditorServices {
  const TemplateCatalogue* catalogue = nullptr;  // null: every template gives the plain defaults
  const AppSettings* settings = nullptr;         // required
  SettingsStore* store = nullptr;                // file-type table and recent lists
  UserInterface* ui = nullptr;                   // required
  ProgressReporter* progress = nullptr;
  LastLocalFolder* localFolder = nullptr;  // null: Local Save As starts in LocalFolder
  EditorHost* host = nullptr;              // null: no host saves, Save As is a local one
  EditorFrame* frame = nullptr;            // null: the context menu lists no windows
  FindSession* find = nullptr;             // null: the window keeps its own searches
  DocumentJournal* journal = nullptr;      // null: unsaved edits are not journaled
};

// A host file as the open-file request brought it.
struct HostDocument {
  std::string hostPath;
  std::string templateName;     // empty: the file type or the host attributes choose
  bool readOnly = false;        // the item, the dialog or the host says so
  std::int32_t formatHint = 0;  // 1 MPE/iX records, 3 Qedit, 0 plain text
  HostFileInfo fileInfo;
  std::int32_t lockNumber = -1;                  // the host lock the open took, -1 when none
  std::optional<CharacterTable> characterTable;  // translation on when present
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
  // A document recovered from the journal of unsaved edits: its text, line
  // data and format as they were, modified, without a host lock (that died
  // with the session that took it). Null when the entry cannot be shown.
  static EditorWindow* OpenRecovered(const EditorServices& services, const JournalEntry& entry,
                                     std::optional<CharacterTable> characterTable,
                                     QWidget* parent = nullptr);
  static EditorWindow* OpenLocal(const EditorServices& services, const std::string& path,
                                 const std::string& templateName, bool readOnly,
                                 QWidget* parent = nullptr);

  // A host file downloaded to `downloadedFile` (in record form when the
  // hint says so), shown under its host path; the host file information and
  // lock travel in its format record. Null when the load failed (the user
  // has been told) or the user declined to edit binary data.
  static EditorWindow* OpenHost(const EditorServices& services, const std::string& downloadedFile,
                                const HostDocument& document, QWidget* parent = nullptr);

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

  // Save (1004): nothing for a read-only document; a local document is
  // saved in place; with a host connection a host document is uploaded and
  // an unnamed one goes to host Save As; without one, Local Save As. True
  // when saved, or, for the host, when the upload was queued.
  bool Save();
  // Save As (1005): the host "Save File As" dialog while connected, else
  // Local Save As.
  bool SaveAs();
  // Save As to the host path `hostPath` (the named-anew upload).
  bool SaveToHostAs(const std::string& hostPath);
  // A document whose name is a host path.
  bool IsHostDocument() const;
  // What a tool run for this window knows of it: the document's path and
  // template, the caret (from 1) and the word at the caret (the project's
  // path is the caller's).
  project::ToolMacroValues ToolFacts() const;
  // Takes the settings again after they changed: the font and colours, the
  // margins, and the template's editing values and colouring.
  void ApplySettings();
  // An upload of this document is running.
  bool transferRunning() const { return transferRunning_; }
  // The session ended: the host lock is forgotten (it died with the session).
  void ForgetHostLock() { format_.lockId = -1; }
  std::int32_t hostLock() const { return format_.lockId; }
  // "File Has Been Changed" > Merge: the host's current version of this
  // document's file (the question's bytes) merged into the text being
  // edited against the text as loaded or last saved. Changes to different
  // lines go in without a question; where both changed the same lines the
  // user chooses, or cancels (nothing changes). The merge is one undo step
  // and leaves the document modified, taken as based on the host's version,
  // so that its next save does not ask again. True when merged.
  bool MergeHostChanges(const remote::OverwriteCase& question, QWidget* dialogParent);
  // A restored session took the document's lock again.
  void RestoreHostLock(std::int32_t lock);
  // The lock the document held before its session was lost could not be
  // taken again: the caption says so until the document holds a lock.
  void MarkLockLost();
  bool lockLost() const { return lockLost_ && format_.lockId == -1; }
  // Local Save As (3039) to a path already chosen; the document becomes
  // local under that name. True when saved.
  bool SaveLocalAs(const std::string& path);
  // Local Save As with the "Save Local File" dialog.
  bool SaveLocalAsWithDialog();
  // Asks "Save changes to '%s' ?" for a modified, writable document and
  // saves on Yes; true when the window may close.
  bool QueryClose();

  // Insert File into Project (3095): the host document becomes an entry of
  // the open project; a document not on the host is refused with a message.
  bool InsertIntoProject();
  // Takes the format record edited in the file properties: the template
  // (applied again when it changed), the tab size, the line ends and the
  // MPE and Qedit values the next save writes.
  void ApplyProperties(const DocumentFormat& edited);
  // The document's template was edited: its editing settings and syntax
  // colouring are applied again and the navigator parses anew. The host
  // format and numbering the text was loaded with stay as they are.
  void ReapplyTemplate();
  // The edit-range tip for the selection: "%ld - %ld (%ld)" with the first
  // and last selected columns of the file's record and their count; empty
  // when the selection is empty or spans lines.
  QString EditRangeTipText() const;
  // What Print and Export as PDF take: the lines with their file numbers and
  // COBOL'85 tokens, the document's name (or "Untitled") and the lines of
  // the selection, when there is one.
  PrintSource ToPrint() const;
  // The indicators of status parts 3 and 4.
  bool TabsAsSpaces() const;
  bool OverwriteMode() const { return control_->OverwriteMode(); }
  bool HasSelection() const { return control_->HasSelection(); }
  LineNumberView lineNumberView() const { return control_->lineNumberView(); }
  // The context menu at the screen position `global`.
  void ShowContextMenu(const QPoint& global);

  // Select Line (3133): the caret's whole line.
  void SelectLine();
  // Ruler (3041): toggles the document's ruler flag and tells the control.
  void ToggleRuler();
  bool RulerShown() const;
  // Line-number views 3104-3106; file numbers only when the document has them.
  bool SetLineNumberView(LineNumberView view);
  bool HasLineNumbers() const;
  // Renumber (3127): the "Edit Line Numbering" dialog, then the control
  // renumbers as it asked. Nothing for a read-only or unnumbered document;
  // true when the numbers changed.
  bool Renumber();

  // Moves the caret to the start of a line and marks it (flags kGoTo* of
  // editor/control_messages.h): `value` is the 1-based line, or with
  // kGoToFileNumber a number of the file's own numbering. The go-to and
  // error marks a go-to leaves stay until the caret leaves that place.
  // False, with nothing changed, when no line answers to the value.
  // With kGoToNavigatorEntry `value` is an entry of the function list
  // (from 0), taken where its line stands now.
  bool GoToLine(std::int64_t value, std::uint32_t flags);
  // The next (kGoToNextUse) or previous (kGoToPreviousUse) use of `text`
  // from the selection, whole words, wrapping round; selected when found.
  bool GoToText(std::string_view text, std::uint32_t flags);

  // ---- Bookmarks and the Code Navigator ---------------------------------------
  void ToggleBookmark();
  // Next and Previous Bookmark; false (nothing moves) when there is none.
  bool NextBookmark(bool forward);
  void ClearBookmarks();
  // Next and Previous Function: the next linked line; a beep when none.
  bool NextFunction(bool forward);
  // Parameter Info for the word at the caret (`typed`: before the "(" just
  // typed). `explicitly`: the user asked, so nothing found beeps.
  bool ShowParameterInfo(bool typed, bool explicitly);
  // Refresh (3078): parses the text again through the template's extension.
  void RefreshNavigator();
  EditorNavigator& navigator() const { return *navigator_; }
  // The function-list entry covering the caret line, or -1.
  int CurrentEntry() const;

  // The document's own compile setting, taken from its project entry when
  // the window was made: what Compile runs once the document is no item of
  // the open project.
  const project::DocumentCompile& documentCompile() const { return documentCompile_; }
  void SetDocumentCompile(project::DocumentCompile compile) {
    documentCompile_ = std::move(compile);
  }

  // What a search proposes from this document: the selection inside one
  // line, else the word at the caret.
  std::string SearchProposal() const;

  // Carries out an editing command of the frame; false when it is not one
  // this window handles.
  bool RunCommand(int commandId);
  // A search is remembered: Find Next and Find Previous can repeat it.
  bool SearchRemembered() const;

  // Chooses the path for Local Save As; the default shows the file dialog.
  // Returning an empty string cancels.
  using SavePathChooser = std::function<std::string(const std::string& proposed)>;
  static void SetSavePathChooser(SavePathChooser chooser);

  // ---- SaveWindow ---------------------------------------------------------------
  DocumentFormat& Format() override { return format_; }
  SaveEditor& Editor() override { return *control_; }
  bool UploadRunning() override { return transferRunning_; }
  std::string CobolToken() override;
  const CharacterTable* TranslationTable() override {
    return characterTable_ ? &*characterTable_ : nullptr;
  }
  std::int32_t CaretLine() override;
  void MoveCaretToLine(std::int32_t line, bool errorMark) override;
  void ReleaseHostLock() override;
  void SetTransferRunning(bool running) override;
  void DocumentSaved(const std::string& name, SaveKind kind) override;
  void HostFileCreated(const std::string& hostPath) override;
  void HostSaveFailed(const UploadOutcome& outcome) override;
  void CloseAfterSave() override;

  // ---- EditNotificationSink ------------------------------------------------------
  void Notify(const EditNotification& notification) override;
  void ModifiedChanged(bool modified) override;

 signals:
  void captionChanged(const QString& caption);
  // The caret moved: 1-based line and column.
  void caretMoved(long line, long column);
  // The caret went to another line (0-based): the frame's function list
  // follows.
  void caretLineChanged(int line);
  // The navigator was refreshed: its entries may differ.
  void navigatorChanged();
  // Whether there is a selection, or the insert mode, changed: the frame's
  // Cut, Copy and indicators follow.
  void editStateChanged();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  EditorWindow(const EditorServices& services, QWidget* parent);
  // What a window is opened from: the file to load, the document's name,
  // and the format record and translation it starts with.
  struct OpenSeed {
    std::string loadPath;
    std::string name;
    std::string templateName;
    bool readOnly = false;
    DocumentFormat format;
    std::optional<CharacterTable> characterTable;
  };
  static EditorWindow* Open(const EditorServices& services, OpenSeed seed, QWidget* parent);
  // Chooses the template when none was given and applies its editing part
  // (and the host-format part for an empty document).
  void ChooseAndApplyTemplate(const std::string& templateName, bool startsEmpty);
  void UpdateCaption();
  // Takes the go-to and error marks of the last go-to away.
  void ForgetGoToMarks();
  bool SaveTo(const SaveTarget& target);
  SaveServices MakeSaveServices(Uploader* uploader);
  // The upload's completion, on the user-interface thread.
  void UploadFinished(const UploadRequest& request, const UploadOutcome& outcome);
  bool HostConnected() const;
  QMdiSubWindow* Child() const;

  // Find (1014), Replace (1015), Find Next (1016), Find Previous (3136).
  void RunFindCommand(int commandId);
  FindSession& Searches() const;

  // The word at the caret, or before the "(" just typed.
  std::string WordAtCaret(bool typed) const;
  // The tip with `declaration`'s parameters, under the caret, until the caret
  // leaves its line.
  void ShowParameterTip(const NavigatorItem& declaration);
  void HideParameterTip();

  EditorServices services_;
  mutable std::unique_ptr<FindSession> ownSearches_;
  QsciEditControl* control_ = nullptr;
  EditorNavigator* navigator_ = nullptr;
  int lastCaretLine_ = -1;
  int tipLine_ = -1;  // the line of the shown parameter tip, -1 when none
  DocumentFormat format_;
  std::string name_;  // local or host path; empty for a new document
  std::optional<CharacterTable> characterTable_;
  // A host document's file as loaded or last saved (the download's or the
  // upload's form): the common original of a merge. Removed with the window.
  std::filesystem::path loadedCopy_;
  void KeepLoadedCopy(const std::filesystem::path& file);
  std::string mergedStatus_;  // for the status bar once the stopped save has ended

  // The journal of unsaved edits: an entry shortly after typing pauses, and
  // at least every few seconds while it goes on.
  void ScheduleJournal();
  void WriteJournal();
  void ForgetJournal();
  std::uint64_t journalId_ = 0;
  QTimer* journalTimer_ = nullptr;
  std::int64_t firstUnjournaled_ = -1;  // ms since the epoch of the oldest edit not journaled
  bool journaled_ = false;              // an entry of this window may be on disk
  project::DocumentCompile documentCompile_;
  bool readOnly_ = false;
  bool transferRunning_ = false;
  bool lockLost_ = false;
  bool closeAfterSave_ = false;  // Yes to "Save changes" while closing; the save is on its way
  // The lines the last go-to marked (-1: none) and where it left the caret.
  std::int64_t goToMarkLine_ = -1;
  std::int64_t errorMarkLine_ = -1;
  CaretPlace goToCaret_;
  bool hadSelection_ = false;
  bool wasOverwriting_ = false;
};

}  // namespace vandrel::ui
