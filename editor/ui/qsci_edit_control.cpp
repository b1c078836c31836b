#include "editor/ui/qsci_edit_control.h"

#include <Qsci/qsciscintilla.h>

#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "core/app_settings.h"
#include "editor/ui/syntax_lexer.h"

namespace vandrel::ui {

namespace {

using Sci = QsciScintillaBase;

// Margins, left to right: the selection margin with the mark symbols, the
// virtual line numbers, and the text margin with the file numbers and the
// COBOL'85 tokens (one text per line serves both).
constexpr int kSelectionMargin = 0;
constexpr int kVirtualNumberMargin = 1;
constexpr int kTextMargin = 2;
constexpr int kMarginCount = 5;
constexpr int kSelectionMarginWidth = 16;

// Styles of the margin text, above the predefined styles and out of the
// lexer's reach.
constexpr int kStyleFileNumber = 40;
constexpr int kStyleToken = 41;

// Each mark bit shows as a line background and as a symbol in the
// selection margin; later markers draw over earlier ones.
struct MarkMarkers {
  std::uint32_t bit;
  int line;
  int symbol;
};
constexpr MarkMarkers kMarkMarkers[] = {
    {kLineMarkBookmark, 0, 3},
    {kLineMarkGoTo, 1, 4},
    {kLineMarkError, 2, 5},
};
constexpr int kSymbolMarkerMask = (1 << 3) | (1 << 4) | (1 << 5);
constexpr int kAllMarkerMask = 0x3F;

int DigitCount(std::int64_t value) {
  int digits = 1;
  while (value >= 10) {
    value /= 10;
    ++digits;
  }
  return digits;
}

}  // namespace

// ---- Ruler ------------------------------------------------------------------------

// The column ruler above the text: a tick per column, a longer one every
// five, the column every ten, counted in the document's records (numbers at
// the start of a line count as the first columns), and the line-length
// limit marked.
class RulerBar final : public QWidget {
 public:
  explicit RulerBar(QsciEditControl* control) : QWidget(control), control_(control) {
    setAutoFillBackground(true);
  }
  void Resize() { setFixedHeight(fontMetrics().height() + 6); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QsciScintilla* view = control_->scintilla();
    QPainter painter(this);
    const int charWidth = control_->CharacterWidth();
    if (charWidth <= 0) return;
    int textLeft = view->frameWidth() - static_cast<int>(view->SendScintilla(Sci::SCI_GETXOFFSET));
    for (int margin = 0; margin < kMarginCount; ++margin) {
      textLeft += static_cast<int>(view->SendScintilla(Sci::SCI_GETMARGINWIDTHN, margin));
    }
    const LineNumbering& numbering = control_->document().lines().numbering();
    const int columnOffset =
        numbering.mode != NumberingMode::kNone && numbering.AtStart() ? numbering.digits : 0;
    const int limit = control_->LimitColumn();
    const int bottom = height() - 1;
    const int firstColumn = std::max(0, (-textLeft) / charWidth);
    painter.setPen(palette().color(QPalette::WindowText));
    for (int column = firstColumn;; ++column) {
      const int x = textLeft + column * charWidth;
      if (x > width()) break;
      if (x < 0) continue;
      const int recordColumn = column + 1 + columnOffset;
      if (column == limit) painter.fillRect(x, 0, charWidth, height(), palette().mid());
      const int tick = recordColumn % 5 == 0 ? 5 : 2;
      painter.drawLine(x + charWidth / 2, bottom, x + charWidth / 2, bottom - tick);
      if (recordColumn % 10 == 0) {
        painter.drawText(QRect(x - charWidth * 2, 0, charWidth * 5, bottom - 5),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(recordColumn));
      }
    }
  }

 private:
  QsciEditControl* control_;
};

// ---- Appearance ---------------------------------------------------------------------

ControlAppearance ControlAppearance::FromSettings(const AppSettings& s) {
  ControlAppearance a;
  a.fontName = s.EditorFont;
  a.fontSize = s.EditorFontSize;
  a.text = s.TextColor;
  a.background = s.BackgroundColor;
  a.comment = s.CommentColor;
  a.selection = s.SelectionColor;
  a.selectionText = s.SelectionTextColor;
  a.lineNumbers = s.LineNoColor;
  a.lineNumbersText = s.LineNoTextColor;
  a.virtualNumbers = s.VirtualNoColor;
  a.virtualNumbersText = s.VirtualNoTextColor;
  a.margin = s.MarginColor;
  a.marginText = s.MarginTextColor;
  a.bookmark = s.BookmarkColor;
  a.bookmarkText = s.BookmarkTextColor;
  a.tag = s.JumpTagColor;
  a.tagText = s.JumpTagTextColor;
  a.error = s.ErrorColor;
  a.errorText = s.ErrorTextColor;
  a.token = s.TokenColor;
  a.tokenText = s.TokenTextColor;
  a.limitArea = s.LimitArea;
  return a;
}

// ---- Construction ---------------------------------------------------------------------

struct QsciEditControl::Placement {
  std::int64_t insertAt = 0;      // the new lines go before this line
  std::int64_t changedLine = -1;  // the line whose own text changed, or -1
};

QsciEditControl::QsciEditControl(QWidget* parent) : QWidget(parent) {
  sci_ = new QsciScintilla(this);
  ruler_ = new RulerBar(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ruler_);
  layout->addWidget(sci_, 1);
  ruler_->hide();

  // Bytes are shown one to a character, so every byte loaded is saved back
  // as it was; lines end with '\n' only.
  sci_->setUtf8(false);
  sci_->setEolMode(QsciScintilla::EolUnix);
  sci_->SendScintilla(Sci::SCI_SETMODEVENTMASK,
                      static_cast<unsigned long>(Sci::SC_MOD_INSERTTEXT | Sci::SC_MOD_DELETETEXT));
  sci_->SendScintilla(Sci::SCI_SETPASTECONVERTENDINGS, 1UL);
  // A jump far into a long document shows the text at once and colours what
  // lies before it in idle time.
  sci_->SendScintilla(Sci::SCI_SETIDLESTYLING,
                      static_cast<unsigned long>(Sci::SC_IDLESTYLING_TOVISIBLE));
  lexer_ = new SyntaxLexer(sci_);
  sci_->setLexer(lexer_);

  for (int margin = 0; margin < kMarginCount; ++margin) {
    sci_->SendScintilla(Sci::SCI_SETMARGINMASKN, margin, 0L);
    sci_->SendScintilla(Sci::SCI_SETMARGINWIDTHN, margin, 0L);
  }
  sci_->SendScintilla(Sci::SCI_SETMARGINTYPEN, kSelectionMargin,
                      static_cast<long>(Sci::SC_MARGIN_COLOUR));
  sci_->SendScintilla(Sci::SCI_SETMARGINMASKN, kSelectionMargin,
                      static_cast<long>(kSymbolMarkerMask));
  sci_->SendScintilla(Sci::SCI_SETMARGINTYPEN, kVirtualNumberMargin,
                      static_cast<long>(Sci::SC_MARGIN_NUMBER));
  sci_->SendScintilla(Sci::SCI_SETMARGINTYPEN, kTextMargin, static_cast<long>(Sci::SC_MARGIN_TEXT));
  for (const MarkMarkers& m : kMarkMarkers) {
    sci_->SendScintilla(Sci::SCI_MARKERDEFINE, m.line, static_cast<long>(Sci::SC_MARK_BACKGROUND));
  }
  sci_->SendScintilla(Sci::SCI_MARKERDEFINE, kMarkMarkers[0].symbol,
                      static_cast<long>(Sci::SC_MARK_BOOKMARK));
  sci_->SendScintilla(Sci::SCI_MARKERDEFINE, kMarkMarkers[1].symbol,
                      static_cast<long>(Sci::SC_MARK_SHORTARROW));
  sci_->SendScintilla(Sci::SCI_MARKERDEFINE, kMarkMarkers[2].symbol,
                      static_cast<long>(Sci::SC_MARK_CIRCLE));

  connect(sci_, &QsciScintillaBase::SCN_MODIFIED, this,
          [this](int position, int type, const char* text, int length, int linesAdded, int, int,
                 int, int, int) { OnModified(position, type, text, length, linesAdded); });
  connect(sci_, &QsciScintillaBase::SCN_UPDATEUI, this,
          [this](int updated) { OnUpdateUi(updated); });
  connect(sci_, &QsciScintillaBase::SCN_CHARADDED, this,
          [this](int character) { Notify(kEditNotifyCharacterTyped, 0, 0, character); });
  sci_->installEventFilter(this);
  sci_->viewport()->installEventFilter(this);

  SetAppearance(ControlAppearance::FromSettings(AppSettings{}));
  SetSelectionMargin(true);
  SetTabWidth(document_.tabs().width);
}

QsciEditControl::~QsciEditControl() = default;

void QsciEditControl::Notify(int code, std::int64_t done, std::int64_t total, int character) {
  if (sink_ != nullptr) sink_->Notify(EditNotification{code, done, total, character});
}

// ---- Configuration --------------------------------------------------------------------

void QsciEditControl::SetSyntax(const SyntaxDescription& syntax) { lexer_->SetSyntax(syntax); }

void QsciEditControl::ClearKeywordLists() { lexer_->ClearKeywordLists(); }

void QsciEditControl::AddKeywordList(const KeywordListRecord& list) {
  lexer_->AddKeywordList(list);
}

void QsciEditControl::SetNumbering(const NumberingDescription* numbering) {
  document_.SetNumbering(numbering);
  UpdateMargins();
  UpdateEdge();
}

void QsciEditControl::SetTabWidth(std::int32_t width) {
  if (width <= 0) width = 8;
  document_.SetTabWidth(width);
  sci_->setTabWidth(width);
}

void QsciEditControl::SetLineLimit(std::uint32_t packedParam) {
  lineLimit_ = LineLimitOf(packedParam);
  UpdateEdge();
}

void QsciEditControl::SetOptionBits(std::uint32_t mask, std::uint32_t value) {
  options_ = (options_ & ~mask) | (value & mask);
  sci_->setAutoIndent(options_ & kEditOptionSmartIndent);
  sci_->setIndentationsUseTabs(!(options_ & kEditOptionTabsAsSpaces));
  ruler_->setVisible(RulerShown());
  if (mask & kEditOptionMpeLineNumbers) UpdateMargins();
}

void QsciEditControl::SetTabPositions(std::int32_t count, const std::int32_t* positions) {
  document_.SetTabPositions(std::min<std::int32_t>(count, kMaxTabPositions), positions);
}

void QsciEditControl::SetMarginMode(std::int32_t mode) {
  if (mode == kMarginLineNumbers) {
    SetLineNumberView(LineNumberView::kFile);
  } else if (mode == static_cast<std::int32_t>(LineNumberView::kVirtual)) {
    SetLineNumberView(LineNumberView::kVirtual);
  } else {
    SetLineNumberView(LineNumberView::kNone);
  }
}

void QsciEditControl::SetCobolTokenMode(std::int32_t mode) {
  document_.SetCobolTokenMode(mode);
  UpdateMargins();
  UpdateEdge();
}

// ---- Loading and saving -----------------------------------------------------------------

LoadOutcome QsciEditControl::Load(const LoadRequest& request) {
  Notify(kEditNotifyProgress, 0, 1);
  return ShowLoaded(document_.Load(request));
}

LoadOutcome QsciEditControl::LoadData(std::span<const std::uint8_t> data,
                                      const LoadRequest& request) {
  Notify(kEditNotifyProgress, 0, 1);
  return ShowLoaded(document_.LoadData(data, request));
}

void QsciEditControl::Restore(std::string_view text, const LineMetadata& lines,
                              std::string_view tokenText) {
  document_.lines() = lines;
  document_.SetTokenText(tokenText);
  LoadOutcome outcome;
  outcome.text.assign(text);
  ShowLoaded(std::move(outcome));
  keptModified_ = true;
  UpdateModified();
  marginStale_ = true;
  ShowAllMarks();
  UpdateMargins();
  FillVisibleMargins(true);
}

LoadOutcome QsciEditControl::ShowLoaded(LoadOutcome outcome) {
  if (outcome.code != kLoadResultOk) return outcome;
  loading_ = true;
  const bool readOnly = sci_->isReadOnly();
  // No modification notices while the text goes in: the control ignores them
  // during a load, and the view would copy the whole text into a UTF-16
  // string for its accessibility events (twice the text in memory, and a
  // quarter of the time of opening a large document).
  const long eventMask = sci_->SendScintilla(Sci::SCI_GETMODEVENTMASK);
  sci_->SendScintilla(Sci::SCI_SETMODEVENTMASK, 0UL);
  sci_->SendScintilla(Sci::SCI_SETREADONLY, 0UL);
  sci_->SendScintilla(Sci::SCI_SETUNDOCOLLECTION, 0UL);
  sci_->SendScintilla(Sci::SCI_CLEARALL);
  sci_->SendScintilla(Sci::SCI_MARKERDELETEALL, static_cast<unsigned long>(-1));
  sci_->SendScintilla(Sci::SCI_ALLOCATE, static_cast<unsigned long>(outcome.text.size() + 1));
  // One append of the whole text; zero bytes in it are kept.
  sci_->SendScintilla(Sci::SCI_APPENDTEXT, static_cast<uintptr_t>(outcome.text.size()),
                      outcome.text.data());
  sci_->SendScintilla(Sci::SCI_EMPTYUNDOBUFFER);
  sci_->SendScintilla(Sci::SCI_SETUNDOCOLLECTION, 1UL);
  sci_->SendScintilla(Sci::SCI_SETSAVEPOINT);
  sci_->SendScintilla(Sci::SCI_GOTOPOS, 0UL);
  sci_->SendScintilla(Sci::SCI_SETREADONLY, static_cast<unsigned long>(readOnly));
  sci_->SendScintilla(Sci::SCI_SETMODEVENTMASK, static_cast<unsigned long>(eventMask));
  loading_ = false;
  keptModified_ = false;
  UpdateModified();

  ShowAllMarks();
  UpdateMargins();
  UpdateEdge();
  const std::int64_t lines = document_.LineCount();
  Notify(kEditNotifyProgress, lines, lines);
  // The text now lives in the view.
  std::string().swap(outcome.text);
  return outcome;
}

std::string_view QsciEditControl::Text() const {
  const auto length = static_cast<std::size_t>(sci_->SendScintilla(Sci::SCI_GETLENGTH));
  const auto* text =
      static_cast<const char*>(sci_->SendScintillaPtrResult(Sci::SCI_GETCHARACTERPOINTER));
  return text == nullptr ? std::string_view() : std::string_view(text, length);
}

SaveOutcome QsciEditControl::Save(const SaveRequest& request) {
  return document_.Save(Text(), request);
}

SaveOutcome QsciEditControl::Save(const SaveRequest& request, ByteSink& sink) {
  return document_.Save(Text(), request, sink);
}

void QsciEditControl::SetCobolTokenText(std::string_view text) { document_.SetTokenText(text); }

LongestLine QsciEditControl::MeasureLongestLine(bool saveTabsAsSpaces) {
  return document_.MeasureLongestLine(Text(), saveTabsAsSpaces);
}

std::int32_t QsciEditControl::LineCount() {
  return static_cast<std::int32_t>(std::min<std::int64_t>(document_.LineCount(), INT32_MAX));
}

bool QsciEditControl::WriteSaveRequest(const SaveRequest& request) {
  return static_cast<bool>(Save(request));
}

bool QsciEditControl::WriteText(int fd) { return document_.WriteText(Text(), fd); }

void QsciEditControl::TextSaved() {
  document_.TextSaved();
  sci_->SendScintilla(Sci::SCI_SETSAVEPOINT);
  keptModified_ = false;
  UpdateModified();
  FillVisibleMargins(true);  // changed lines show the token they were written with
}

void QsciEditControl::UpdateModified() {
  const bool modified = keptModified_ || sci_->SendScintilla(Sci::SCI_GETMODIFY) != 0;
  if (modified == modified_) return;
  modified_ = modified;
  if (sink_ != nullptr) sink_->ModifiedChanged(modified);
}

// ---- Following the view's edits ----------------------------------------------------------

// Where `text`, about to be inserted at `position`, puts its new lines: a
// text ending in a line end inserted at a line start adds whole lines before
// that line; one starting with a line end at a line end adds lines after
// it; anything else splits the line, which changes.
QsciEditControl::Placement QsciEditControl::PlaceInsertion(int position,
                                                           std::string_view text) const {
  const long line = sci_->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
  const bool atStart = sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, line) == position;
  const bool atEnd = sci_->SendScintilla(Sci::SCI_GETLINEENDPOSITION, line) == position;
  Placement placement;
  if (atStart && !text.empty() && text.back() == '\n') {
    placement.insertAt = line;
  } else if (atEnd && !text.empty() && text.front() == '\n') {
    placement.insertAt = line + 1;
  } else {
    placement.insertAt = line + 1;
    placement.changedLine = line;
  }
  return placement;
}

void QsciEditControl::OnModified(int position, int type, const char* text, int length,
                                 int linesAdded) {
  if (loading_) return;
  const std::string_view changed = text != nullptr && length > 0
                                       ? std::string_view(text, static_cast<std::size_t>(length))
                                       : std::string_view();
  if (length <= 0) return;
  if (refused_.active) {
    // What the same action adds right after refused lines (an indent) goes
    // with them.
    if ((type & Sci::SC_MOD_INSERTTEXT) && position >= refused_.start && position <= refused_.end) {
      refused_.end += length;
    }
    return;
  }
  if (type & Sci::SC_MOD_INSERTTEXT) {
    FollowInsertion(position, changed);
  } else if (type & Sci::SC_MOD_DELETETEXT) {
    FollowDeletion(position, changed);
  } else {
    return;
  }
  marginStale_ = true;
  if (linesAdded != 0 && view_ == LineNumberView::kVirtual &&
      std::max(4, DigitCount(document_.LineCount())) != numberMarginDigits_) {
    UpdateMargins();
  }
  // Refused lines are taken back before they count.
  if (!refused_.active) UpdateModified();
  Notify(kEditNotifyTextChanged);
}

bool QsciEditControl::RefuseNewLine() {
  // Checked before the view acts on the key: the common way to add a line.
  const long anchor = sci_->SendScintilla(Sci::SCI_GETANCHOR);
  const long caret = sci_->SendScintilla(Sci::SCI_GETCURRENTPOS);
  if (anchor != caret || IsReadOnly()) return false;
  const Placement placement = PlaceInsertion(static_cast<int>(caret), "\n");
  if (document_.lines().CanInsertLines(placement.insertAt, 1)) return false;
  Notify(kEditNotifyNoFreeLineNumber);
  return true;
}

void QsciEditControl::TakeBackRefused() {
  if (!refused_.active) return;
  refused_.active = false;
  // The lines never reached the document's line data; the view lets go of
  // them too. The undo history held the insertion, so it cannot stay.
  loading_ = true;
  sci_->SendScintilla(Sci::SCI_SETUNDOCOLLECTION, 0UL);
  sci_->SendScintilla(Sci::SCI_DELETERANGE, static_cast<unsigned long>(refused_.start),
                      refused_.end - refused_.start);
  sci_->SendScintilla(Sci::SCI_EMPTYUNDOBUFFER);
  sci_->SendScintilla(Sci::SCI_SETUNDOCOLLECTION, 1UL);
  loading_ = false;
  // The view now counts the present text as saved; what was modified before
  // the refused lines came stays modified.
  keptModified_ = refused_.wasModified;
  UpdateModified();
  marginStale_ = true;
  FillVisibleMargins(true);
  Notify(kEditNotifyNoFreeLineNumber);
}

void QsciEditControl::FollowInsertion(int position, std::string_view text) {
  LineMetadata& lines = document_.lines();
  const auto newLines = std::count(text.begin(), text.end(), '\n');
  const long line = sci_->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
  if (newLines == 0) {
    lines.MarkChanged(line);
    return;
  }
  // Classify as before the insertion: the view now holds the new text at
  // `position`, followed by what stood there.
  const bool atStart = sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, line) == position;
  const long after = position + static_cast<long>(text.size());
  const bool atEnd =
      after >= sci_->SendScintilla(Sci::SCI_GETLENGTH) ||
      sci_->SendScintilla(Sci::SCI_GETCHARAT, static_cast<unsigned long>(after)) == '\n';
  std::int64_t insertAt = line + 1;
  std::int64_t changedLine = line;
  if (atStart && text.back() == '\n') {
    insertAt = line;
    changedLine = -1;
  } else if (atEnd && text.front() == '\n') {
    changedLine = -1;
  }
  // Undo and redo restore lines between the same neighbours they were
  // numbered between; a paste, a drop or a caller's insertion may find no
  // free number, and is then taken back as soon as the view is done.
  if (lines.InsertLines(insertAt, newLines) != InsertResult::kOk) {
    refused_ = {true, position, after, modified_};
    QMetaObject::invokeMethod(
        this, [this] { TakeBackRefused(); }, Qt::QueuedConnection);
    return;
  }
  if (changedLine >= 0) lines.MarkChanged(changedLine);
}

void QsciEditControl::FollowDeletion(int position, std::string_view text) {
  LineMetadata& lines = document_.lines();
  const auto removedLines = std::count(text.begin(), text.end(), '\n');
  const long line = sci_->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
  if (removedLines == 0) {
    lines.MarkChanged(line);
    return;
  }
  const bool atStart = sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, line) == position;
  const bool atEnd =
      position >= sci_->SendScintilla(Sci::SCI_GETLENGTH) ||
      sci_->SendScintilla(Sci::SCI_GETCHARAT, static_cast<unsigned long>(position)) == '\n';
  if (atStart && text.back() == '\n') {
    lines.DeleteLines(line, removedLines);  // whole lines went
  } else if (atEnd && text.front() == '\n') {
    lines.DeleteLines(line + 1, removedLines);  // the line itself is untouched
  } else {
    lines.DeleteLines(line + 1, removedLines);
    lines.MarkChanged(line);
  }
}

void QsciEditControl::OnUpdateUi(int updated) {
  if (updated & Sci::SC_UPDATE_SELECTION) Notify(kEditNotifyCaretMoved);
  if (updated & (Sci::SC_UPDATE_V_SCROLL | Sci::SC_UPDATE_H_SCROLL)) Notify(kEditNotifyCloseTip);
  if (updated & Sci::SC_UPDATE_H_SCROLL) ruler_->update();
  FillVisibleMargins(false);
}

// ---- Numbers, marks and links ---------------------------------------------------------------

std::int64_t QsciEditControl::NumberOfLine(std::int64_t line) const {
  return document_.lines().NumberOfLine(line);
}

std::int64_t QsciEditControl::LineWithNumber(std::int64_t number) const {
  return document_.lines().LineWithNumber(number);
}

bool QsciEditControl::Renumber(std::int64_t first, std::int64_t last, std::int64_t start,
                               std::int64_t increment, bool mark) {
  if (!document_.lines().Renumber(first, last, start, increment, mark)) return false;
  // The next save writes the new numbers: until then the document differs
  // from its file, though its text has not changed.
  keptModified_ = true;
  UpdateModified();
  if (mark) {
    const std::int64_t end = std::min(last + 1, document_.LineCount());
    for (std::int64_t line = first; line < end; ++line) ShowMarks(line);
  }
  UpdateMargins();
  return true;
}

std::uint32_t QsciEditControl::Marks(std::int64_t line) const {
  return document_.lines().Marks(line);
}

bool QsciEditControl::SetMarks(std::int64_t line, std::uint32_t marks) {
  if (!document_.lines().SetMarks(line, marks & kLineMarkAll)) return false;
  ShowMarks(line);
  return true;
}

std::int64_t QsciEditControl::NextMarkedLine(std::int64_t from, std::uint32_t mask,
                                             bool forward) const {
  return document_.lines().NextLineWithMark(from, mask, forward);
}

void QsciEditControl::ClearMarks(std::uint32_t mask) {
  document_.lines().ClearMarks(mask);
  for (const MarkMarkers& m : kMarkMarkers) {
    if (!(mask & m.bit)) continue;
    sci_->SendScintilla(Sci::SCI_MARKERDELETEALL, static_cast<unsigned long>(m.line));
    sci_->SendScintilla(Sci::SCI_MARKERDELETEALL, static_cast<unsigned long>(m.symbol));
  }
}

bool QsciEditControl::SetLink(std::int64_t line, std::int32_t value) {
  return document_.lines().SetLink(line, value);
}

void QsciEditControl::ClearLinks() { document_.lines().ClearLinks(); }

std::int64_t QsciEditControl::NextLinkedLine(std::int64_t from, bool forward) const {
  return document_.lines().NextLinkedLine(from, forward);
}

std::int64_t QsciEditControl::LineOfLink(std::int32_t value) const {
  if (value == 0) return -1;
  for (std::int64_t line = NextLinkedLine(0, true); line >= 0;
       line = NextLinkedLine(line + 1, true)) {
    if (document_.lines().Link(line) == value) return line;
  }
  return -1;
}

std::int32_t QsciEditControl::Link(std::int64_t line) const { return document_.lines().Link(line); }

void QsciEditControl::ShowMarks(std::int64_t line) {
  const std::uint32_t marks = document_.lines().Marks(line);
  const long shown = sci_->SendScintilla(Sci::SCI_MARKERGET, static_cast<unsigned long>(line));
  for (const MarkMarkers& m : kMarkMarkers) {
    const bool wanted = marks & m.bit;
    for (int marker : {m.line, m.symbol}) {
      const bool present = shown & (1L << marker);
      if (wanted && !present) {
        sci_->SendScintilla(Sci::SCI_MARKERADD, static_cast<unsigned long>(line),
                            static_cast<long>(marker));
      } else if (!wanted && present) {
        sci_->SendScintilla(Sci::SCI_MARKERDELETE, static_cast<unsigned long>(line),
                            static_cast<long>(marker));
      }
    }
  }
}

void QsciEditControl::ShowAllMarks() {
  sci_->SendScintilla(Sci::SCI_MARKERDELETEALL, static_cast<unsigned long>(-1));
  for (std::int64_t line = document_.lines().NextLineWithMark(0, kLineMarkAll, true); line >= 0;) {
    ShowMarks(line);
    const std::int64_t next = document_.lines().NextLineWithMark(line + 1, kLineMarkAll, true);
    if (next <= line) break;  // wrapped round
    line = next;
  }
}

// ---- Margins -------------------------------------------------------------------------------

std::string QsciEditControl::MarginText(std::int64_t line) const {
  std::string text;
  if (view_ == LineNumberView::kFile) {
    const LineNumbering& numbering = document_.lines().numbering();
    const bool mpe = options_ & kEditOptionMpeLineNumbers;
    const std::int64_t number = document_.lines().NumberOfLine(line);
    if (number == kNoLineNumber) {
      text.assign(static_cast<std::size_t>(LineNumberFieldWidth(numbering.digits, mpe) + 1), ' ');
    } else {
      text = FormatLineNumber(number, numbering.digits, mpe);
    }
  }
  if (document_.lines().tokens()) {
    const std::string_view token = document_.lines().Token(line);
    text += token;
    text.append(kTokenWidth - token.size(), ' ');
  }
  return text;
}

void QsciEditControl::UpdateMargins() {
  const LineNumbering& numbering = document_.lines().numbering();
  const bool mpe = options_ & kEditOptionMpeLineNumbers;
  std::size_t textColumns = 0;
  if (view_ == LineNumberView::kFile) {
    textColumns += static_cast<std::size_t>(LineNumberFieldWidth(numbering.digits, mpe) + 1);
  }
  if (document_.lines().tokens()) textColumns += kTokenWidth;
  const int charWidth = CharacterWidth();
  sci_->SendScintilla(Sci::SCI_SETMARGINWIDTHN, kTextMargin,
                      static_cast<long>(textColumns == 0 ? 0 : textColumns * charWidth + 4));

  int virtualWidth = 0;
  if (view_ == LineNumberView::kVirtual) {
    numberMarginDigits_ = std::max(4, DigitCount(document_.LineCount()));
    virtualWidth = (numberMarginDigits_ + 1) * charWidth;
  }
  sci_->SendScintilla(Sci::SCI_SETMARGINWIDTHN, kVirtualNumberMargin,
                      static_cast<long>(virtualWidth));
  sci_->SendScintilla(Sci::SCI_SETMARGINWIDTHN, kSelectionMargin,
                      static_cast<long>(selectionMargin_ ? kSelectionMarginWidth : 0));
  FillVisibleMargins(true);
  ruler_->update();
}

void QsciEditControl::FillVisibleMargins(bool force) {
  const bool shown = view_ == LineNumberView::kFile || document_.lines().tokens();
  if (!shown) return;
  const std::int64_t lineCount = sci_->SendScintilla(Sci::SCI_GETLINECOUNT);
  const std::int64_t first = sci_->SendScintilla(Sci::SCI_DOCLINEFROMVISIBLE,
                                                 sci_->SendScintilla(Sci::SCI_GETFIRSTVISIBLELINE));
  const std::int64_t end =
      std::min(lineCount, first + sci_->SendScintilla(Sci::SCI_LINESONSCREEN) + 2);
  if (!force && !marginStale_ && first == filledFirst_ && end == filledEnd_) return;
  filledFirst_ = first;
  filledEnd_ = end;
  marginStale_ = false;
  const std::size_t numberColumns =
      view_ == LineNumberView::kFile
          ? static_cast<std::size_t>(LineNumberFieldWidth(document_.lines().numbering().digits,
                                                          options_ & kEditOptionMpeLineNumbers) +
                                     1)
          : 0;
  std::string styles;
  for (std::int64_t line = first; line < end; ++line) {
    const std::string text = MarginText(line);
    styles.assign(text.size(), static_cast<char>(kStyleToken));
    std::fill_n(styles.begin(), std::min(numberColumns, text.size()),
                static_cast<char>(kStyleFileNumber));
    sci_->SendScintilla(Sci::SCI_MARGINSETTEXT, static_cast<uintptr_t>(line), text.c_str());
    sci_->SendScintilla(Sci::SCI_MARGINSETSTYLES, static_cast<uintptr_t>(line), styles.c_str());
  }
}

void QsciEditControl::SetLineNumberView(LineNumberView view) {
  view_ = view;
  ApplyMarginStyles();
  UpdateMargins();
}

void QsciEditControl::SetSelectionMargin(bool shown) {
  selectionMargin_ = shown;
  UpdateMargins();
}

// ---- Display ---------------------------------------------------------------------------------

std::int32_t QsciEditControl::LimitColumn() const {
  if (lineLimit_ <= 0) return -1;
  std::int32_t column = lineLimit_;
  const LineNumbering& numbering = document_.lines().numbering();
  if (numbering.mode != NumberingMode::kNone) {
    // The limit counts the whole record; the text starts after numbers at
    // the start and must stop before numbers at the end.
    column = numbering.AtStart() ? column - numbering.digits : std::min(column, numbering.column);
  }
  if (document_.lines().tokens()) column = std::min<std::int32_t>(column, kTokenColumn);
  return std::max(column, 0);
}

void QsciEditControl::UpdateEdge() {
  const std::int32_t column = LimitColumn();
  if (column < 0) {
    sci_->setEdgeMode(QsciScintilla::EdgeNone);
  } else {
    sci_->setEdgeMode(QsciScintilla::EdgeBackground);
    sci_->setEdgeColumn(column);
  }
  ruler_->update();
}

bool QsciEditControl::RulerShown() const { return (options_ & kEditOptionRuler) != 0; }

void QsciEditControl::SetAppearance(const ControlAppearance& appearance) {
  appearance_ = appearance;
  ApplyColours();
  UpdateMargins();
}

void QsciEditControl::ApplyColours() {
  const ControlAppearance& a = appearance_;
  auto colour = [this](std::uint32_t value, QPalette::ColorRole systemRole) {
    return value == kSystemColour ? palette().color(systemRole) : ColourOf(value);
  };
  const QColor text = colour(a.text, QPalette::Text);
  const QColor background = colour(a.background, QPalette::Base);
  QFont font(QString::fromStdString(a.fontName), a.fontSize > 0 ? a.fontSize : 10);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  lexer_->SetAppearance(font, text, background, colour(a.comment, QPalette::Text));
  sci_->setCaretForegroundColor(text);
  sci_->setSelectionBackgroundColor(colour(a.selection, QPalette::Highlight));
  sci_->setSelectionForegroundColor(colour(a.selectionText, QPalette::HighlightedText));
  sci_->SendScintilla(Sci::SCI_SETMARGINBACKN, static_cast<unsigned long>(kSelectionMargin),
                      colour(a.margin, QPalette::Base));
  sci_->setEdgeColor(colour(a.limitArea, QPalette::AlternateBase));

  const std::pair<std::uint32_t, std::uint32_t> markColours[] = {
      {a.bookmark, a.bookmarkText}, {a.tag, a.tagText}, {a.error, a.errorText}};
  for (std::size_t i = 0; i < std::size(kMarkMarkers); ++i) {
    const QColor back = colour(markColours[i].first, QPalette::Highlight);
    const QColor fore = colour(markColours[i].second, QPalette::HighlightedText);
    sci_->SendScintilla(Sci::SCI_MARKERSETBACK, static_cast<unsigned long>(kMarkMarkers[i].line),
                        back);
    sci_->SendScintilla(Sci::SCI_MARKERSETBACK, static_cast<unsigned long>(kMarkMarkers[i].symbol),
                        back);
    sci_->SendScintilla(Sci::SCI_MARKERSETFORE, static_cast<unsigned long>(kMarkMarkers[i].symbol),
                        fore);
  }
  ruler_->setFont(font);
  ruler_->Resize();
  ApplyMarginStyles();
}

// The margin styles: the virtual number margin's colours follow the view.
void QsciEditControl::ApplyMarginStyles() {
  const ControlAppearance& a = appearance_;
  auto colour = [this](std::uint32_t value, QPalette::ColorRole systemRole) {
    return value == kSystemColour ? palette().color(systemRole) : ColourOf(value);
  };
  const QFont font = lexer_->defaultFont();
  const QByteArray family = font.family().toLatin1();
  const bool fileView = view_ == LineNumberView::kFile;
  const QColor numbersBack = colour(fileView ? a.lineNumbers : a.virtualNumbers, QPalette::Base);
  const QColor numbersFore =
      colour(fileView ? a.lineNumbersText : a.virtualNumbersText, QPalette::Text);
  struct MarginStyle {
    int style;
    QColor fore;
    QColor back;
  };
  const MarginStyle styles[] = {
      {Sci::STYLE_LINENUMBER, numbersFore, numbersBack},
      {kStyleFileNumber, colour(a.lineNumbersText, QPalette::Text),
       colour(a.lineNumbers, QPalette::Base)},
      {kStyleToken, colour(a.tokenText, QPalette::Text), colour(a.token, QPalette::Base)},
  };
  for (const MarginStyle& s : styles) {
    sci_->SendScintilla(Sci::SCI_STYLESETFONT, static_cast<uintptr_t>(s.style), family.constData());
    sci_->SendScintilla(Sci::SCI_STYLESETSIZE, static_cast<unsigned long>(s.style),
                        static_cast<long>(font.pointSize()));
    sci_->SendScintilla(Sci::SCI_STYLESETFORE, static_cast<unsigned long>(s.style), s.fore);
    sci_->SendScintilla(Sci::SCI_STYLESETBACK, static_cast<unsigned long>(s.style), s.back);
  }
}

int QsciEditControl::CharacterWidth() const {
  const long width =
      sci_->SendScintilla(Sci::SCI_TEXTWIDTH, static_cast<uintptr_t>(kStyleText), "0");
  return width > 0 ? static_cast<int>(width) : 8;
}

void QsciEditControl::SetReadOnly(bool readOnly) { sci_->setReadOnly(readOnly); }

bool QsciEditControl::IsReadOnly() const { return sci_->isReadOnly(); }

// ---- Caret, selection and clipboard ----------------------------------------------------------

CaretPlace QsciEditControl::Caret() const {
  CaretPlace caret;
  sci_->getCursorPosition(&caret.line, &caret.column);
  return caret;
}

int QsciEditControl::MoveCaretToLine(int line) {
  const int count = sci_->lines();
  if (count <= 0) return -1;
  const int target = std::clamp(line, 0, count - 1);
  sci_->setCursorPosition(target, 0);
  sci_->ensureLineVisible(target);
  return target;
}

void QsciEditControl::SelectCaretLine() {
  const CaretPlace caret = Caret();
  const long start =
      sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(caret.line));
  const long end = caret.line + 1 < sci_->lines()
                       ? sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE,
                                             static_cast<unsigned long>(caret.line + 1))
                       : sci_->SendScintilla(Sci::SCI_GETLENGTH);
  sci_->SendScintilla(Sci::SCI_SETSEL, static_cast<unsigned long>(start), end);
}

void QsciEditControl::SelectAll() { sci_->selectAll(true); }

void QsciEditControl::Undo() { TakeStep(true); }

void QsciEditControl::Redo() { TakeStep(false); }

// An undo or redo step runs with the view's change notices held back: for
// every change it reports, the view counts the characters before it (for
// its accessibility events), so a step of many changes – the undo of a
// Replace All over many lines – would take time growing with the square of
// the text. The lines are then compared with the text before the step, and
// each one that differs is marked changed. A step that adds or removes
// lines is taken back and taken again with the notices on, so the line
// data follows it change by change.
void QsciEditControl::TakeStep(bool undo) {
  const int can = undo ? Sci::SCI_CANUNDO : Sci::SCI_CANREDO;
  const int step = undo ? Sci::SCI_UNDO : Sci::SCI_REDO;
  const int back = undo ? Sci::SCI_REDO : Sci::SCI_UNDO;
  if (sci_->SendScintilla(can) == 0) return;
  const std::string before(Text());
  const long lineCount = sci_->SendScintilla(Sci::SCI_GETLINECOUNT);
  const long eventMask = sci_->SendScintilla(Sci::SCI_GETMODEVENTMASK);
  sci_->SendScintilla(Sci::SCI_SETMODEVENTMASK, 0UL);
  sci_->SendScintilla(step);
  if (sci_->SendScintilla(Sci::SCI_GETLINECOUNT) != lineCount) {
    sci_->SendScintilla(back);
    sci_->SendScintilla(Sci::SCI_SETMODEVENTMASK, static_cast<unsigned long>(eventMask));
    sci_->SendScintilla(step);
    return;
  }
  sci_->SendScintilla(Sci::SCI_SETMODEVENTMASK, static_cast<unsigned long>(eventMask));
  MarkDifferingLines(before, Text());
  ShowAllMarks();
  marginStale_ = true;
  UpdateModified();
  Notify(kEditNotifyTextChanged);
}

void QsciEditControl::MarkDifferingLines(std::string_view before, std::string_view after) {
  LineMetadata& lines = document_.lines();
  std::int64_t line = 0;
  std::size_t a = 0;
  std::size_t b = 0;
  while (a <= before.size() && b <= after.size()) {
    const std::size_t endA = std::min(before.find('\n', a), before.size());
    const std::size_t endB = std::min(after.find('\n', b), after.size());
    if (before.substr(a, endA - a) != after.substr(b, endB - b)) lines.MarkChanged(line);
    a = endA + 1;
    b = endB + 1;
    ++line;
  }
}

void QsciEditControl::Cut() { sci_->cut(); }

void QsciEditControl::Copy() { sci_->copy(); }

bool QsciEditControl::HasSelection() const { return sci_->hasSelectedText(); }

bool QsciEditControl::Selection(int* lineFrom, int* columnFrom, int* lineTo, int* columnTo) const {
  if (!sci_->hasSelectedText()) return false;
  sci_->getSelection(lineFrom, columnFrom, lineTo, columnTo);
  return true;
}

QPoint QsciEditControl::SelectionScreenPoint() const {
  const long start = sci_->SendScintilla(Sci::SCI_GETSELECTIONSTART);
  const int x = static_cast<int>(sci_->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, start));
  const int y = static_cast<int>(sci_->SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0UL, start));
  const int height = static_cast<int>(sci_->SendScintilla(Sci::SCI_TEXTHEIGHT, 0UL));
  return sci_->viewport()->mapToGlobal(QPoint(x, y + height + 2));
}

bool QsciEditControl::OverwriteMode() const { return sci_->overwriteMode(); }

bool QsciEditControl::ViewHasFocus() const { return sci_->hasFocus(); }

std::string QsciEditControl::FileNameAt(const QPoint& global) const {
  const QPoint local = sci_->viewport()->mapFromGlobal(global);
  const long position =
      sci_->SendScintilla(QsciScintilla::SCI_POSITIONFROMPOINTCLOSE,
                          static_cast<unsigned long>(local.x()), static_cast<long>(local.y()));
  if (position < 0) return {};
  const long line = sci_->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION,
                                        static_cast<unsigned long>(position));
  const long start =
      sci_->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long length =
      sci_->SendScintilla(QsciScintilla::SCI_LINELENGTH, static_cast<unsigned long>(line));
  std::string text(static_cast<std::size_t>(std::max(length, 0L)), '\0');
  if (length > 0) {
    sci_->SendScintilla(QsciScintilla::SCI_GETLINE, static_cast<unsigned long>(line), text.data());
  }
  const auto inName = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) != 0 || std::strchr("_./-$#@~", c) != nullptr;
  };
  std::size_t at = static_cast<std::size_t>(position - start);
  if (at > text.size()) return {};
  std::size_t first = at;
  while (first > 0 && inName(text[first - 1])) --first;
  std::size_t last = at;
  while (last < text.size() && inName(text[last])) ++last;
  std::string name = text.substr(first, last - first);
  // A name that ends a sentence keeps its full stop out.
  while (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

void QsciEditControl::SetContextMenuHandler(std::function<void(const QPoint& global)> handler) {
  sci_->setContextMenuPolicy(handler ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
  disconnect(contextMenu_);
  if (!handler) return;
  contextMenu_ = connect(sci_, &QWidget::customContextMenuRequested, this,
                         [this, handler = std::move(handler)](const QPoint& local) {
                           // The menu key asks with the caret's place; the menu then stands
                           // 5 pixels into the control rather than at the pointer.
                           const QPoint pointer = sci_->viewport()->mapFromGlobal(QCursor::pos());
                           const bool fromPointer = sci_->viewport()->rect().contains(pointer) &&
                                                    (pointer - local).manhattanLength() < 3;
                           handler(fromPointer ? QCursor::pos() : sci_->mapToGlobal(QPoint(5, 5)));
                         });
}

void QsciEditControl::Paste() { sci_->paste(); }

void QsciEditControl::SetDragDropEditing(bool enabled) {
  dragDrop_ = enabled;
  sci_->setAcceptDrops(enabled);
  sci_->viewport()->setAcceptDrops(enabled);
}

// ---- Searching and replacing -----------------------------------------------------------------

std::int64_t QsciEditControl::PositionOf(int line, int column) const {
  const long lines = sci_->SendScintilla(Sci::SCI_GETLINECOUNT);
  if (line < 0) return 0;
  if (line >= lines) return sci_->SendScintilla(Sci::SCI_GETLENGTH);
  const long start =
      sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long end =
      sci_->SendScintilla(Sci::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
  return std::min<std::int64_t>(start + std::max(column, 0), end);
}

CaretPlace QsciEditControl::PlaceOf(std::int64_t position) const {
  const long line =
      sci_->SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
  const long start =
      sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  return CaretPlace{static_cast<int>(line), static_cast<int>(position - start)};
}

bool QsciEditControl::Find(SearchRecord& record) const { return FindInText(Text(), record); }

void QsciEditControl::ReplaceSelection(std::string_view text) {
  if (IsReadOnly()) return;
  sci_->SendScintilla(Sci::SCI_TARGETFROMSELECTION);
  sci_->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(text.size()), text.data());
  const long end = sci_->SendScintilla(Sci::SCI_GETTARGETEND);
  sci_->SendScintilla(Sci::SCI_GOTOPOS, static_cast<unsigned long>(end));
}

bool QsciEditControl::ReplaceWholeLines(std::size_t first, std::size_t count,
                                        std::span<const std::string> lines) {
  auto positionOf = [this](std::size_t line) {
    return sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  };
  const auto lineCount = static_cast<std::size_t>(document_.LineCount());
  if (first + count > lineCount) return false;
  std::string text;
  for (const std::string& line : lines) (text += line) += '\n';
  long at = 0;
  bool whole = false;
  if (first + count < lineCount) {
    // Whole lines followed by others: they go with their line ends.
    at = positionOf(first);
    if (count > 0) {
      sci_->SendScintilla(Sci::SCI_DELETERANGE, static_cast<unsigned long>(at),
                          positionOf(first + count) - at);
    }
  } else if (first > 0) {
    // The last lines: they go with the line end before them, and the new
    // ones follow a line end of their own.
    if (count > 0) {
      at = positionOf(first) - 1;
      sci_->SendScintilla(Sci::SCI_DELETERANGE, static_cast<unsigned long>(at),
                          sci_->SendScintilla(Sci::SCI_GETLENGTH) - at);
    }
    at = sci_->SendScintilla(Sci::SCI_GETLENGTH);
    if (!text.empty()) text = "\n" + text.substr(0, text.size() - 1);
  } else {
    // The whole text.
    whole = true;
    sci_->SendScintilla(Sci::SCI_CLEARALL);
    if (!text.empty()) text.pop_back();
  }
  if (text.empty()) return true;
  if (!whole && !document_.lines().CanInsertLines(static_cast<std::int64_t>(first),
                                                  static_cast<std::int64_t>(lines.size()))) {
    return false;
  }
  sci_->SendScintilla(Sci::SCI_INSERTTEXT, static_cast<unsigned long>(at), text.c_str());
  return true;
}

bool QsciEditControl::ReplaceLines(const std::vector<LineReplacement>& replacements) {
  if (IsReadOnly()) return false;
  BeginUndoGroup();
  bool replaced = true;
  for (auto edit = replacements.rbegin(); edit != replacements.rend() && replaced; ++edit) {
    // Lines replaced one for one change in place and keep their numbers,
    // as if typed over; only the lines beyond those go or come.
    const std::size_t common = std::min(edit->count, edit->lines.size());
    const std::span<const std::string> lines(edit->lines);
    replaced = ReplaceWholeLines(edit->first + common, edit->count - common, lines.subspan(common));
    for (std::size_t i = 0; i < common && replaced; ++i) {
      const auto line = static_cast<unsigned long>(edit->first + i);
      const long begin = sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
      const long end = sci_->SendScintilla(Sci::SCI_GETLINEENDPOSITION, line);
      sci_->SendScintilla(Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(begin), end);
      sci_->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(lines[i].size()),
                          lines[i].data());
    }
  }
  EndUndoGroup();
  if (!replaced) Undo();
  return replaced;
}

std::string QsciEditControl::WordAtPoint(const QPoint& global) const {
  const QPoint local = sci_->viewport()->mapFromGlobal(global);
  const long position =
      sci_->SendScintilla(QsciScintilla::SCI_POSITIONFROMPOINTCLOSE,
                          static_cast<unsigned long>(local.x()), static_cast<long>(local.y()));
  if (position < 0) return {};
  const CaretPlace place = PlaceOf(position);
  return WordAt(place.line, place.column);
}

std::string QsciEditControl::WordAt(int line, int column) const {
  if (line < 0 || line >= sci_->lines()) return {};
  const long start =
      sci_->SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long end =
      sci_->SendScintilla(Sci::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
  const std::string_view text =
      Text().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
  return WordAround(text, static_cast<std::size_t>(std::max(column, 0)));
}

void QsciEditControl::SetSelection(int anchorLine, int anchorColumn, int caretLine,
                                   int caretColumn) {
  const std::int64_t anchor = PositionOf(anchorLine, anchorColumn);
  const std::int64_t caret = PositionOf(caretLine, caretColumn);
  sci_->SendScintilla(Sci::SCI_SETSEL, static_cast<unsigned long>(anchor),
                      static_cast<long>(caret));
}

QRect QsciEditControl::SelectionScreenRect() const {
  const long start = sci_->SendScintilla(Sci::SCI_GETSELECTIONSTART);
  long end = sci_->SendScintilla(Sci::SCI_GETSELECTIONEND);
  const long line =
      sci_->SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(start));
  end = std::min(
      end, sci_->SendScintilla(Sci::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line)));
  const int x = static_cast<int>(sci_->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, start));
  const int right = static_cast<int>(sci_->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, end));
  const int y = static_cast<int>(sci_->SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0UL, start));
  const int height = static_cast<int>(sci_->SendScintilla(Sci::SCI_TEXTHEIGHT, 0UL));
  const QPoint topLeft = sci_->viewport()->mapToGlobal(QPoint(x, y));
  return QRect(topLeft, QSize(std::max(right - x, 1), height));
}

void QsciEditControl::BeginUndoGroup() { sci_->SendScintilla(Sci::SCI_BEGINUNDOACTION); }

void QsciEditControl::EndUndoGroup() { sci_->SendScintilla(Sci::SCI_ENDUNDOACTION); }

QsciEditControl::ReplaceAllOutcome QsciEditControl::ReplaceAll(const TextMatcher& matcher,
                                                               std::int64_t from, std::int64_t to,
                                                               std::string_view replacement) {
  ReplaceAllOutcome outcome;
  outcome.rangeEnd = to;
  if (IsReadOnly() || from < 0 || to < from) return outcome;
  const std::string_view text = Text();
  const std::vector<std::size_t> found =
      FindAll(text, static_cast<std::size_t>(from), static_cast<std::size_t>(to), matcher);
  if (found.empty()) return outcome;
  const std::size_t length = matcher.needle().size();
  const auto grown =
      static_cast<std::int64_t>(replacement.size()) - static_cast<std::int64_t>(length);
  outcome.count = static_cast<std::int64_t>(found.size());
  outcome.rangeEnd = to + grown * outcome.count;

  BeginUndoGroup();
  const bool linesChange = matcher.needle().find('\n') != std::string_view::npos ||
                           replacement.find('\n') != std::string_view::npos;
  if (linesChange) {
    // Lines come and go: each occurrence goes through the view, whose
    // modification notices move the line data, from the last to the first so
    // that the offsets found stay valid.
    for (auto at = found.rbegin(); at != found.rend(); ++at) {
      sci_->SendScintilla(Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(*at),
                          static_cast<long>(*at + length));
      sci_->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(replacement.size()),
                          replacement.data());
    }
    EndUndoGroup();
    return outcome;
  }

  // Every line keeps its place: the stretch from the first match to the end
  // of the last is replaced as one change of the view, with the view's
  // notices held back (for each change it reports the view counts the
  // characters before it, and every change costs an update of its own).
  // Each line that held a match is marked changed here; the line marks,
  // which the view keeps on its lines, are laid on them again.
  const std::size_t regionStart = found.front();
  const std::size_t regionEnd = found.back() + length;
  std::string piece;
  piece.reserve(regionEnd - regionStart +
                static_cast<std::size_t>(std::max<std::int64_t>(0, grown * outcome.count)));
  AppendReplaced(piece, text, regionStart, found, length, replacement);
  LineMetadata& lines = document_.lines();
  std::int64_t line =
      sci_->SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(regionStart));
  std::int64_t marked = -1;
  std::size_t counted = regionStart;
  for (const std::size_t at : found) {
    line += std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                       text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
    counted = at;
    if (line != marked) {
      lines.MarkChanged(line);
      marked = line;
    }
  }
  const long eventMask = sci_->SendScintilla(Sci::SCI_GETMODEVENTMASK);
  sci_->SendScintilla(Sci::SCI_SETMODEVENTMASK, 0UL);
  sci_->SendScintilla(Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(regionStart),
                      static_cast<long>(regionEnd));
  sci_->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(piece.size()), piece.data());
  sci_->SendScintilla(Sci::SCI_SETMODEVENTMASK, static_cast<unsigned long>(eventMask));
  EndUndoGroup();
  ShowAllMarks();
  marginStale_ = true;
  UpdateModified();
  Notify(kEditNotifyTextChanged);
  return outcome;
}

// ---- Keys, mouse, focus ------------------------------------------------------------------------

bool QsciEditControl::InsertTabAsSpaces() {
  const long anchor = sci_->SendScintilla(Sci::SCI_GETANCHOR);
  const long caret = sci_->SendScintilla(Sci::SCI_GETCURRENTPOS);
  const long from = std::min(anchor, caret);
  if (sci_->SendScintilla(Sci::SCI_LINEFROMPOSITION, anchor) !=
      sci_->SendScintilla(Sci::SCI_LINEFROMPOSITION, caret)) {
    return false;  // a block indent is the view's business
  }
  const long column = sci_->SendScintilla(Sci::SCI_GETCOLUMN, static_cast<unsigned long>(from));
  const std::int64_t next = document_.tabs().Next(column);
  const std::string spaces(static_cast<std::size_t>(std::max<std::int64_t>(next - column, 1)), ' ');
  sci_->SendScintilla(Sci::SCI_REPLACESEL, spaces.c_str());
  return true;
}

bool QsciEditControl::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape) Notify(kEditNotifyCloseTip);
      // The Insert key toggles overwriting once the view has the key; the
      // window's indicators follow then.
      if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
        QMetaObject::invokeMethod(
            this, [this] { Notify(kEditNotifyCaretMoved); }, Qt::QueuedConnection);
      }
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && RefuseNewLine()) {
        return true;
      }
      // The view's own undo and redo keys take the control's road.
      if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
        if (key->matches(QKeySequence::Undo)) {
          Undo();
        } else {
          Redo();
        }
        return true;
      }
      // Tab stops of a template reach the view only through typed spaces.
      if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier &&
          (options_ & kEditOptionTabsAsSpaces) && !document_.tabs().positions.empty() &&
          !IsReadOnly()) {
        return InsertTabAsSpaces();
      }
      break;
    }
    case QEvent::FocusOut:
      if (watched == sci_) Notify(kEditNotifyCloseTip);
      break;
    case QEvent::MouseButtonPress: {
      // Without drag-and-drop editing a press inside the selection starts a
      // new selection instead of a drag.
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (dragDrop_ || watched != sci_->viewport() || mouse->button() != Qt::LeftButton) break;
      const QPoint at = mouse->position().toPoint();
      const long position =
          sci_->SendScintilla(Sci::SCI_POSITIONFROMPOINTCLOSE, static_cast<unsigned long>(at.x()),
                              static_cast<long>(at.y()));
      const long start = sci_->SendScintilla(Sci::SCI_GETSELECTIONSTART);
      const long end = sci_->SendScintilla(Sci::SCI_GETSELECTIONEND);
      if (position >= 0 && start < end && position >= start && position < end) {
        sci_->SendScintilla(Sci::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(position));
      }
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vandrel::ui
