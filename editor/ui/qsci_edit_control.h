// The edit control widget: a QScintilla view over ControlDocument. The view
// holds the text, its styling, the caret and the undo history; the document
// holds everything else the control answers for (numbers, tokens, marks,
// links, tab stops) and turns load and save requests into text and back.
//
// Text moves between the two in bulk: a load hands the whole text to the
// view in one call, a save reads the view's whole buffer in place. Between
// the two, every insertion and deletion the view makes is reported to the
// document's line data, so each line's number, token and marks move with it.
// A new line that would need a number where none is free is refused
// (notification 105): Enter before the view acts on it, any other insertion
// (a paste, a drop, a caller's text) taken back right after.
//
// What the margins show is filled in only for the lines on screen, and the
// syntax lexer styles only what is about to be drawn, so a document of a
// million lines loads as fast as its text can be copied.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/three_way_merge.h"
#include "documents/line_numbers.h"
#include "documents/load_request.h"
#include "documents/save_request.h"
#include "editor/control_document.h"
#include "editor/control_messages.h"
#include "editor/edit_control.h"
#include "editor/text_search.h"

class QsciScintilla;

namespace vandrel {
struct AppSettings;
}

namespace vandrel::ui {

class SyntaxLexer;
class RulerBar;

// Colour value standing for the system's window text (foreground) or window
// (background) colour.
inline constexpr std::uint32_t kSystemColour = 0x1000000;

// The font and colours the control draws with, as the settings hold them
// (red in the lowest byte; kSystemColour for the system colour).
struct ControlAppearance {
  std::string fontName = "Courier";
  std::int32_t fontSize = 10;
  std::uint32_t text = 0x000000;
  std::uint32_t background = 0xFFFFFF;
  std::uint32_t comment = 0x008000;
  std::uint32_t selection = 0x000000;
  std::uint32_t selectionText = 0xFFFFFF;
  std::uint32_t lineNumbers = 0xFFFFFF;  // file numbers (view 2)
  std::uint32_t lineNumbersText = 0xC0C0C0;
  std::uint32_t virtualNumbers = 0x800000;  // virtual numbers (view 1)
  std::uint32_t virtualNumbersText = 0xFFFFFF;
  std::uint32_t margin = 0xFFFFFF;  // selection margin
  std::uint32_t marginText = 0x0000FF;
  std::uint32_t bookmark = 0xFFFF00;
  std::uint32_t bookmarkText = 0x000000;
  std::uint32_t tag = 0x00FFFF;  // go-to mark
  std::uint32_t tagText = 0x000000;
  std::uint32_t error = 0x0000FF;  // error or tag mark
  std::uint32_t errorText = 0xFFFFFF;
  std::uint32_t token = 0xC0C0C0;  // COBOL'85 token area
  std::uint32_t tokenText = 0x000000;
  std::uint32_t limitArea = 0xE1E1E1;  // text beyond the line length limit

  static ControlAppearance FromSettings(const vandrel::AppSettings& settings);
};

// A notification to the control's parent (codes kEditNotify*, 100 to 105).
struct EditNotification {
  int code = 0;
  std::int64_t done = 0;  // progress (101)
  std::int64_t total = 0;
  int character = 0;  // the character typed (102)
};

class EditNotificationSink {
 public:
  virtual ~EditNotificationSink() = default;
  virtual void Notify(const EditNotification& notification) = 0;
  // The text came to differ from what was last loaded or saved, or came
  // back to it (an undo to the save point, a save, a load).
  virtual void ModifiedChanged(bool modified) { (void)modified; }
};

// Where the caret is: 0-based line and column.
struct CaretPlace {
  int line = 0;
  int column = 0;
};

class QsciEditControl final : public QWidget, public EditControl, public SaveEditor {
 public:
  explicit QsciEditControl(QWidget* parent = nullptr);
  ~QsciEditControl() override;

  // ---- Configuration from a template (EditControl) ----------------------------
  void SetSyntax(const SyntaxDescription& syntax) override;
  void ClearKeywordLists() override;
  void AddKeywordList(const KeywordListRecord& list) override;
  void SetNumbering(const NumberingDescription* numbering) override;
  void SetTabWidth(std::int32_t width) override;
  void SetLineLimit(std::uint32_t packedParam) override;
  void SetOptionBits(std::uint32_t mask, std::uint32_t value) override;
  void SetTabPositions(std::int32_t count, const std::int32_t* positions) override;
  void SetMarginMode(std::int32_t mode) override;
  void SetCobolTokenMode(std::int32_t mode) override;

  // ---- Loading [33] and saving (SaveEditor) ---------------------------------------
  // Reads the document and shows it; on failure the shown text stays.
  LoadOutcome Load(const LoadRequest& request);
  LoadOutcome LoadData(std::span<const std::uint8_t> data, const LoadRequest& request);
  // A document as it was journaled: its text, line data and token text;
  // the control counts it as modified.
  void Restore(std::string_view text, const LineMetadata& lines, std::string_view tokenText);
  void SetCobolTokenText(std::string_view text) override;
  LongestLine MeasureLongestLine(bool saveTabsAsSpaces) override;
  std::int32_t LineCount() override;
  bool WriteSaveRequest(const SaveRequest& request) override;
  bool WriteText(int fd) override;
  void TextSaved() override;
  // The save with its outcome, into the request's file or into `sink`.
  SaveOutcome Save(const SaveRequest& request);
  SaveOutcome Save(const SaveRequest& request, ByteSink& sink);

  // The whole text, lines separated by '\n' (a view into the buffer, valid
  // until the next change).
  std::string_view Text() const;
  // [25] Whether the text differs from what was last loaded or saved: the
  // view's save point, so an undo back to it counts as unmodified.
  bool IsModified() const { return modified_; }

  // ---- Numbers [19, 47, 38], marks [24, 5, 27], links [43, 42, 45] -------------
  std::int64_t NumberOfLine(std::int64_t line) const;
  std::int64_t LineWithNumber(std::int64_t number) const;
  bool Renumber(std::int64_t first, std::int64_t last, std::int64_t start, std::int64_t increment,
                bool mark);
  std::uint32_t Marks(std::int64_t line) const;
  bool SetMarks(std::int64_t line, std::uint32_t marks);
  std::int64_t NextMarkedLine(std::int64_t from, std::uint32_t mask, bool forward) const;
  void ClearMarks(std::uint32_t mask);
  bool SetLink(std::int64_t line, std::int32_t value);
  void ClearLinks();
  std::int64_t NextLinkedLine(std::int64_t from, bool forward) const;
  // The first line linked to `value` (links move with the lines they are
  // on), or -1.
  std::int64_t LineOfLink(std::int32_t value) const;
  std::int32_t Link(std::int64_t line) const;

  // ---- Display --------------------------------------------------------------------
  void SetAppearance(const ControlAppearance& appearance);
  const ControlAppearance& appearance() const { return appearance_; }
  void SetLineNumberView(LineNumberView view);
  LineNumberView lineNumberView() const { return view_; }
  void SetSelectionMargin(bool shown);
  void SetDragDropEditing(bool enabled);
  bool dragDropEditing() const { return dragDrop_; }
  // [14]
  void SetReadOnly(bool readOnly);
  bool IsReadOnly() const;
  bool RulerShown() const;
  std::uint32_t optionBits() const { return options_; }
  // The column where the line-length limit area begins (0-based), or -1.
  std::int32_t LimitColumn() const;

  // ---- Caret, selection and clipboard --------------------------------------------
  CaretPlace Caret() const;
  // Puts the caret at the start of `line` (0-based, kept within the text)
  // and scrolls it into view; returns the line it went to, or -1 when the
  // view holds no line.
  int MoveCaretToLine(int line);
  // Selects the caret's whole line with its line end.
  void SelectCaretLine();
  void SelectAll();
  void Undo();
  void Redo();
  void Cut();
  void Copy();
  void Paste();

  // ---- Searching [11], replacing [13], the word at a place [20] ------------------
  // Searches the whole text as `record` says; on success fills its found
  // range and returns true. The selection does not move.
  bool Find(SearchRecord& record) const;
  // Puts `text` in place of the selection (at the caret when there is none);
  // the caret ends after it. Nothing for a read-only document.
  void ReplaceSelection(std::string_view text);
  // Replaces whole lines, as one undo step: each replacement's lines
  // [first, first + count) of the text as it is give way to its lines, the
  // last replacement first so that none moves another. New lines are
  // numbered between their neighbours like typed ones. False, with the text
  // as it was, when the control is read-only or a replacement's lines find
  // no free numbers.
  bool ReplaceLines(const std::vector<LineReplacement>& replacements);
  // The word at 0-based `line` and `column` (see WordAround); empty when none.
  std::string WordAt(int line, int column) const;
  // Selects from the first place (the anchor) to the second (the caret) and
  // scrolls the caret into view.
  void SetSelection(int anchorLine, int anchorColumn, int caretLine, int caretColumn);
  // The byte offset in Text() of a place (the column kept within its line),
  // and the place of an offset.
  std::int64_t PositionOf(int line, int column) const;
  CaretPlace PlaceOf(std::int64_t position) const;
  // The screen rectangle of the selection's first line, from the start of
  // the selection to its end (or the end of that line).
  QRect SelectionScreenRect() const;
  // Everything changed between the two calls is undone in one step.
  void BeginUndoGroup();
  void EndUndoGroup();
  // Replace All over [from, to) of Text(): every match lying wholly inside,
  // in one pass that goes on after each replacement, as one undo step.
  // `rangeEnd` is `to` moved by the change in length. Lines keep their
  // numbers, marks and links; each line that changed is marked changed.
  struct ReplaceAllOutcome {
    std::int64_t count = 0;
    std::int64_t rangeEnd = 0;
  };
  ReplaceAllOutcome ReplaceAll(const TextMatcher& matcher, std::int64_t from, std::int64_t to,
                               std::string_view replacement);

  void SetNotificationSink(EditNotificationSink* sink) { sink_ = sink; }

  // There is a selection (not empty).
  bool HasSelection() const;
  // The selection as 0-based lines and columns; false when there is none.
  bool Selection(int* lineFrom, int* columnFrom, int* lineTo, int* columnTo) const;
  // The screen position just below the start of the selection (or the caret).
  QPoint SelectionScreenPoint() const;
  // The view has the keyboard focus.
  bool ViewHasFocus() const;
  // Typing replaces characters (the Insert key toggles it).
  bool OverwriteMode() const;
  // The file name under the screen position `global`: letters, digits and
  // the characters of host and local paths around it; empty when none.
  std::string FileNameAt(const QPoint& global) const;
  // The word (see WordAround) under the screen position `global`.
  std::string WordAtPoint(const QPoint& global) const;
  // The control's own context menu is replaced: `handler` gets the screen
  // position to show the window's menu at (5 pixels into the control for
  // the menu key).
  void SetContextMenuHandler(std::function<void(const QPoint& global)> handler);

  // The view itself, for the control's own parts and for tests that drive
  // it as the user would; everything else asks the control.
  QsciScintilla* scintilla() const { return sci_; }
  const SyntaxLexer& lexer() const { return *lexer_; }
  const ControlDocument& document() const { return document_; }
  // The margin text of a line as it is shown (file numbers and token), for
  // the lines on screen.
  std::string MarginText(std::int64_t line) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Lines [first, first + count) give way to `lines`, line ends and all.
  bool ReplaceWholeLines(std::size_t first, std::size_t count, std::span<const std::string> lines);
  struct Placement;

  LoadOutcome ShowLoaded(LoadOutcome outcome);
  void Notify(int code, std::int64_t done = 0, std::int64_t total = 0, int character = 0);
  void OnModified(int position, int type, const char* text, int length, int linesAdded);
  void UpdateModified();
  bool RefuseNewLine();
  // One undo (or redo) step, and the lines it changed marked.
  void TakeStep(bool undo);
  void MarkDifferingLines(std::string_view before, std::string_view after);
  void TakeBackRefused();
  void FollowInsertion(int position, std::string_view text);
  void FollowDeletion(int position, std::string_view text);
  void OnUpdateUi(int updated);
  Placement PlaceInsertion(int position, std::string_view text) const;
  void ShowMarks(std::int64_t line);
  void ShowAllMarks();
  void UpdateMargins();
  void FillVisibleMargins(bool force);
  void UpdateEdge();
  void ApplyColours();
  void ApplyMarginStyles();
  bool InsertTabAsSpaces();
  int CharacterWidth() const;

  QMetaObject::Connection contextMenu_;  // the window's own context menu
  QsciScintilla* sci_ = nullptr;
  SyntaxLexer* lexer_ = nullptr;
  RulerBar* ruler_ = nullptr;
  ControlDocument document_;
  ControlAppearance appearance_;
  EditNotificationSink* sink_ = nullptr;

  LineNumberView view_ = LineNumberView::kNone;
  std::uint32_t options_ = 0;
  std::int32_t lineLimit_ = 0;
  bool selectionMargin_ = true;
  bool dragDrop_ = true;
  bool loading_ = false;
  // What IsModified() answers and the sink was last told.
  bool modified_ = false;
  // Modified although the view is at its save point: taking back refused
  // lines empties the undo history, which moves the save point to the
  // text's present state.
  bool keptModified_ = false;
  // Lines the view took in that no number could be found for, and whether
  // the text was modified before they came.
  struct {
    bool active = false;
    long start = 0;
    long end = 0;
    bool wasModified = false;
  } refused_;
  // The lines whose margin text is filled in, and whether it went stale.
  std::int64_t filledFirst_ = -1;
  std::int64_t filledEnd_ = -1;
  bool marginStale_ = true;
  int numberMarginDigits_ = 0;

  friend class RulerBar;
};

}  // namespace vandrel::ui
