#include "project/ui/output_window.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <limits>

#include "core/app_settings.h"
#include "core/string_ids.h"
#include "core/string_table.h"

namespace vandrel::ui {

namespace {

// At most this many bytes of output go into the views per turn of the event
// loop, so a flood of output does not freeze the interface.
constexpr std::size_t kDrainSlice = 256 * 1024;

// A colour value standing for the system's own colour.
constexpr std::uint32_t kSystemColourValue = 0x1000000;

QColor ColourOf(std::uint32_t value, const QColor& system) {
  if (value == kSystemColourValue) return system;
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

const char* const kPaneProperty = "vandrelPane";

QString TableText(int id) {
  const std::string_view text = StringTableText(id);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

OutputWindow::OutputWindow(project::OutputPanes& panes, QWidget* parent)
    : QWidget(parent), panes_(panes), tabs_(new QTabWidget(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs_);
  tabs_->setTabPosition(QTabWidget::South);
  tabs_->setDocumentMode(true);

  const int titles[project::kPaneCount] = {kStrPaneOutput, kStrPaneFindInFiles, kStrPaneDebug};
  for (int pane = 0; pane < project::kPaneCount; ++pane) {
    auto* edit = new QPlainTextEdit(tabs_);
    edit->setReadOnly(true);
    edit->setUndoRedoEnabled(false);  // output is never undone; history would double the memory
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    edit->setProperty(kPaneProperty, pane);
    edit->viewport()->setProperty(kPaneProperty, pane);
    edit->viewport()->installEventFilter(this);
    connect(edit, &QPlainTextEdit::customContextMenuRequested, this,
            [this, pane](const QPoint& at) { ShowContextMenu(pane, at); });
    views_[static_cast<std::size_t>(pane)].edit = edit;
    tabs_->addTab(edit, TableText(titles[pane]));
  }
  ApplySettings(AppSettings{});

  // What the panes hold already.
  for (int pane = 0; pane < project::kPaneCount; ++pane) {
    View& view = views_[static_cast<std::size_t>(pane)];
    AppendBytes(view, panes_.Text(pane));
    FlushPending(view);
    view.currentLine = panes_.CurrentLine(pane);
    Highlight(view);
  }
  ShowPaneTab(panes_.CurrentPane());

  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    const int pane = PaneOfTab(index);
    if (!applyingShown_ && pane >= 0 && pane != panes_.CurrentPane()) panes_.ShowPane(pane);
  });
  panes_.SetObserver(this);
}

OutputWindow::~OutputWindow() {
  // Waits for a notification in progress on another thread; events already
  // posted die with this object.
  panes_.SetObserver(nullptr);
}

// ---- tabs and settings --------------------------------------------------------

int OutputWindow::PaneOfTab(int index) const {
  QWidget* page = tabs_->widget(index);
  return page ? page->property(kPaneProperty).toInt() : -1;
}

int OutputWindow::CurrentPane() const { return PaneOfTab(tabs_->currentIndex()); }

QPlainTextEdit* OutputWindow::PaneView(int pane) const {
  if (pane < 0 || pane >= project::kPaneCount) return nullptr;
  return views_[static_cast<std::size_t>(pane)].edit;
}

bool OutputWindow::DebugTabShown() const { return debugTab_; }

void OutputWindow::ShowPaneTab(int pane) {
  QPlainTextEdit* edit = PaneView(pane);
  const int index = edit ? tabs_->indexOf(edit) : -1;
  if (index >= 0) tabs_->setCurrentIndex(index);
}

void OutputWindow::ApplySettings(const AppSettings& settings) {
  QFont font(QString::fromStdString(settings.EditorFont),
             settings.EditorFontSize > 0 ? settings.EditorFontSize : 10);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  const QPalette system = QWidget::palette();
  for (std::size_t pane = 0; pane < views_.size(); ++pane) {
    View& view = views_[pane];
    view.edit->setFont(font);
    view.edit->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
    QPalette colours = view.edit->palette();
    colours.setColor(QPalette::Text, ColourOf(settings.TextColor, system.color(QPalette::Text)));
    colours.setColor(QPalette::Base,
                     ColourOf(settings.BackgroundColor, system.color(QPalette::Base)));
    view.edit->setPalette(colours);
    const bool results = pane == static_cast<std::size_t>(remote::kPaneFindInFiles);
    view.lineBack = ColourOf(results ? settings.JumpTagColor : settings.ErrorColor,
                             system.color(QPalette::Highlight));
    view.lineText = ColourOf(results ? settings.JumpTagTextColor : settings.ErrorTextColor,
                             system.color(QPalette::HighlightedText));
    Highlight(view);
  }

  const bool debug = settings.Debugging != 0;
  if (debug != debugTab_) {
    debugTab_ = debug;
    QPlainTextEdit* edit = PaneView(remote::kPaneDebug);
    if (debug) {
      tabs_->addTab(edit, TableText(kStrPaneDebug));
    } else {
      const bool wasCurrent = CurrentPane() == remote::kPaneDebug;
      tabs_->removeTab(tabs_->indexOf(edit));
      if (wasCurrent) ShowPaneTab(remote::kPaneOutput);
    }
  }
}

// ---- pane commands ------------------------------------------------------------

void OutputWindow::Copy() {
  if (QPlainTextEdit* edit = PaneView(CurrentPane())) edit->copy();
}

void OutputWindow::SelectAll() {
  if (QPlainTextEdit* edit = PaneView(CurrentPane())) edit->selectAll();
}

void OutputWindow::Clear() {
  const int pane = CurrentPane();
  if (pane >= 0) panes_.Empty(pane);
}

void OutputWindow::EscapePressed() {
  if (escape_.Press(project::EscapeToHide::Clock::now())) emit hideRequested();
}

void OutputWindow::ShowContextMenu(int pane, const QPoint& position) {
  QPlainTextEdit* edit = PaneView(pane);
  const bool empty = views_[static_cast<std::size_t>(pane)].lines == 0;
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("&Copy"), edit, &QPlainTextEdit::copy);
  copy->setEnabled(edit->textCursor().hasSelection());
  QAction* all = menu.addAction(QStringLiteral("Select &All"), edit, &QPlainTextEdit::selectAll);
  all->setEnabled(!empty);
  QAction* clear =
      menu.addAction(QStringLiteral("C&lear"), this, [this, pane] { panes_.Empty(pane); });
  clear->setEnabled(!empty);
  menu.exec(edit->mapToGlobal(position));
}

bool OutputWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    const QVariant paneValue = watched->property(kPaneProperty);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (paneValue.isValid() && mouse->button() == Qt::LeftButton) {
      const int pane = paneValue.toInt();
      const View& view = views_[static_cast<std::size_t>(pane)];
      const int line = view.edit->cursorForPosition(mouse->position().toPoint()).blockNumber();
      if (line >= 0 && static_cast<std::size_t>(line) < view.lines) {
        // The caret goes to the clicked line, as the search starts there.
        QTextCursor caret(view.edit->document()->findBlockByNumber(line));
        view.edit->setTextCursor(caret);
        emit lineActivated(pane, line);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- the observer: any thread, panes locked -----------------------------------

OutputWindow::Event OutputWindow::MakeEvent(Event::Kind kind, int pane) {
  Event event;
  event.kind = kind;
  event.pane = pane;
  return event;
}

void OutputWindow::Post(Event event) {
  std::lock_guard lock(queueMutex_);
  if (event.kind == Event::kAppend && !queue_.empty() && queue_.back().kind == Event::kAppend &&
      queue_.back().pane == event.pane) {
    queue_.back().bytes += event.bytes;
  } else {
    queue_.push_back(std::move(event));
  }
  if (!drainPosted_) {
    drainPosted_ = true;
    QMetaObject::invokeMethod(this, &OutputWindow::Drain, Qt::QueuedConnection);
  }
}

void OutputWindow::TextAppended(int pane, std::string_view bytes) {
  Event event = MakeEvent(Event::kAppend, pane);
  event.bytes.assign(bytes);
  Post(std::move(event));
}

void OutputWindow::PaneEmptied(int pane) {
  Event event = MakeEvent(Event::kEmpty, pane);
  Post(std::move(event));
}

void OutputWindow::FrontDropped(int pane, std::size_t bytes) {
  Event event = MakeEvent(Event::kDrop, pane);
  event.count = bytes;
  Post(std::move(event));
}

void OutputWindow::CurrentLineChanged(int pane, std::int64_t oldLine, std::int64_t newLine) {
  Event event = MakeEvent(Event::kCurrentLine, pane);
  event.oldLine = oldLine;
  event.newLine = newLine;
  Post(std::move(event));
}

void OutputWindow::PaneShown(int pane) {
  Event event = MakeEvent(Event::kShown, pane);
  Post(std::move(event));
}

// ---- applying the news: the window's thread -----------------------------------

void OutputWindow::Flush() {
  for (;;) {
    {
      std::lock_guard lock(queueMutex_);
      if (queue_.empty()) return;
    }
    Drain();
  }
}

void OutputWindow::Drain() {
  std::deque<Event> slice;
  {
    std::lock_guard lock(queueMutex_);
    std::size_t budget = kDrainSlice;
    while (!queue_.empty() && budget > 0) {
      Event& front = queue_.front();
      if (front.kind == Event::kAppend) {
        const std::size_t left = front.bytes.size() - front.done;
        if (left > budget) {
          Event part = MakeEvent(Event::kAppend, front.pane);
          part.bytes.assign(front.bytes, front.done, budget);
          front.done += budget;
          slice.push_back(std::move(part));
          break;
        }
        budget -= left;
      } else {
        --budget;
      }
      slice.push_back(std::move(front));
      queue_.pop_front();
    }
    drainPosted_ = !queue_.empty();
    if (drainPosted_) QMetaObject::invokeMethod(this, &OutputWindow::Drain, Qt::QueuedConnection);
  }

  // Views scrolled to the end follow the output.
  std::array<bool, project::kPaneCount> following{};
  for (std::size_t pane = 0; pane < views_.size(); ++pane) {
    const QScrollBar* bar = views_[pane].edit->verticalScrollBar();
    following[pane] = bar->value() == bar->maximum();
  }
  for (Event& event : slice) Apply(event);
  for (std::size_t pane = 0; pane < views_.size(); ++pane) {
    View& view = views_[pane];
    FlushPending(view);
    if (following[pane] && !view.caretMoved) {
      QScrollBar* bar = view.edit->verticalScrollBar();
      bar->setValue(bar->maximum());
    }
    view.caretMoved = false;
  }
  for (std::size_t pane = 0; pane < views_.size(); ++pane) {
    if (!views_[pane].changed) continue;
    views_[pane].changed = false;
    emit paneTextChanged(static_cast<int>(pane));
  }
}

void OutputWindow::Apply(Event& event) {
  if (event.pane == -1 && event.kind == Event::kShown) {
    if (QPlainTextEdit* edit = PaneView(CurrentPane())) edit->setFocus();
    emit paneShown(-1);
    return;
  }
  if (event.pane < 0 || event.pane >= project::kPaneCount) return;
  View& view = views_[static_cast<std::size_t>(event.pane)];
  if (event.kind != Event::kAppend) FlushPending(view);
  if (event.kind == Event::kAppend || event.kind == Event::kEmpty || event.kind == Event::kDrop) {
    view.changed = true;
  }
  switch (event.kind) {
    case Event::kAppend:
      AppendBytes(view, std::string_view(event.bytes).substr(event.done));
      view.droppedLines = 0;
      break;
    case Event::kEmpty:
      EmptyView(view);
      view.droppedLines = 0;
      break;
    case Event::kDrop:
      DropFront(view, event.count);
      break;
    case Event::kCurrentLine: {
      // A line renumbered by a drop keeps its place on the screen.
      const bool shifted = event.newLine < 0 || (view.droppedLines > 0 &&
                                                 event.oldLine - event.newLine ==
                                                     static_cast<std::int64_t>(view.droppedLines));
      SetCurrentLine(event.pane, event.newLine, !shifted);
      view.droppedLines = 0;
      break;
    }
    case Event::kShown:
      applyingShown_ = true;
      ShowPaneTab(event.pane);
      applyingShown_ = false;
      if (CurrentPane() == event.pane) emit paneShown(event.pane);
      break;
  }
}

// Lines end at "\n", "\r\n" or a lone "\r", as the panes split them; a line
// end at the very end starts no further line. Lines are joined by "\n" in
// the view, so that its blocks are the pane's lines.
void OutputWindow::AppendBytes(View& view, std::string_view bytes) {
  QString& out = view.pending;
  out.reserve(out.size() + static_cast<qsizetype>(bytes.size()));
  const std::uint64_t at = view.end;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (view.pendingCr && c == '\n') {
      view.pendingCr = false;
      continue;
    }
    view.pendingCr = c == '\r';
    if (!view.lastOpen) {
      // A new line starts here.
      if (view.lines > 0) out += QLatin1Char('\n');
      ++view.lines;
      view.starts.push_back(at + i);
      view.lastOpen = true;
    }
    if (c == '\n' || c == '\r') {
      view.lastOpen = false;
    } else {
      out += QChar(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
  }
  view.end += bytes.size();
}

void OutputWindow::FlushPending(View& view) {
  if (view.pending.isEmpty()) return;
  QTextCursor cursor(view.edit->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(view.pending);
  view.pending.clear();
  view.pending.squeeze();
}

void OutputWindow::EmptyView(View& view) {
  view.pending.clear();
  view.edit->clear();
  view.lines = 0;
  view.lastOpen = false;
  view.pendingCr = false;
  view.end = 0;
  view.starts.clear();
  view.currentLine = -1;
  Highlight(view);
}

// The pane dropped whole lines from its front, or, when its last line alone
// was too long, everything before the last `bytes` of it.
void OutputWindow::DropFront(View& view, std::size_t bytes) {
  if (bytes == 0 || view.lines == 0) return;
  const std::uint64_t cut = view.starts.front() + bytes;
  const auto first = std::lower_bound(view.starts.begin(), view.starts.end(), cut);
  std::size_t dropped = static_cast<std::size_t>(first - view.starts.begin());
  int trim = 0;
  if (first == view.starts.end()) {
    dropped = view.lines - 1;
    trim = static_cast<int>(
        std::min<std::uint64_t>(cut - view.starts.back(), std::numeric_limits<int>::max()));
  }
  QTextDocument* document = view.edit->document();
  QTextCursor cursor(document);
  cursor.setPosition(0);
  const QTextBlock keep = document->findBlockByNumber(static_cast<int>(dropped));
  const int blockLength = keep.length() - 1;  // without the separator
  cursor.setPosition(keep.position() + std::min(trim, blockLength), QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  view.starts.erase(view.starts.begin(),
                    view.starts.begin() + static_cast<std::ptrdiff_t>(dropped));
  view.starts.front() = std::max(view.starts.front(), cut);
  view.lines -= dropped;
  view.droppedLines = dropped;
  if (view.currentLine >= 0) {
    view.currentLine = view.currentLine < static_cast<std::int64_t>(dropped)
                           ? -1
                           : view.currentLine - static_cast<std::int64_t>(dropped);
  }
  Highlight(view);
}

void OutputWindow::SetCurrentLine(int pane, std::int64_t line, bool moveCaret) {
  View& view = views_[static_cast<std::size_t>(pane)];
  if (line >= static_cast<std::int64_t>(view.lines)) line = -1;
  view.currentLine = line;
  Highlight(view);
  if (moveCaret && line >= 0) {
    QTextCursor caret(view.edit->document()->findBlockByNumber(static_cast<int>(line)));
    view.edit->setTextCursor(caret);
    view.edit->ensureCursorVisible();
    view.caretMoved = true;
  }
}

void OutputWindow::Highlight(View& view) {
  QList<QTextEdit::ExtraSelection> selections;
  if (view.currentLine >= 0 && view.currentLine < static_cast<std::int64_t>(view.lines)) {
    QTextEdit::ExtraSelection line;
    line.cursor =
        QTextCursor(view.edit->document()->findBlockByNumber(static_cast<int>(view.currentLine)));
    line.format.setBackground(view.lineBack);
    line.format.setForeground(view.lineText);
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    selections.append(line);
  }
  view.edit->setExtraSelections(selections);
}

}  // namespace vandrel::ui
