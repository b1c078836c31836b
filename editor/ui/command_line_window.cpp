#include "editor/ui/command_line_window.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app_settings.h"
#include "core/main_menu.h"

namespace vandrel::ui {

namespace {

// A colour value standing for the system's own colour.
constexpr std::uint32_t kSystemColourValue = 0x1000000;

QColor ColourOf(std::uint32_t value, const QColor& system) {
  if (value == kSystemColourValue) return system;
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

// Bytes as the view shows them: one character each, byte b as U+00bb.
QString ViewText(std::string_view bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The view's text as bytes: paragraph breaks become "\n", characters beyond
// one byte "?".
std::string Bytes(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (const QChar c : text) {
    const char16_t code = c.unicode();
    if (code == QChar::ParagraphSeparator || code == QChar::LineSeparator)
      bytes += '\n';
    else
      bytes += code < 256 ? static_cast<char>(code) : '?';
  }
  return bytes;
}

}  // namespace

// The text view: its keys go to the window's rules before the view acts.
class CommandLineWindow::View final : public QPlainTextEdit {
 public:
  View(CommandLineWindow& window) : QPlainTextEdit(&window), window_(window) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    // Cutting would take text out of the history: it only copies there.
    if (event->matches(QKeySequence::Cut) && !window_.SelectionInCommand()) {
      copy();
      event->accept();
      return;
    }
    if (window_.TakeKey(event->key(), event->modifiers(), event->text())) {
      event->accept();
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }
  void insertFromMimeData(const QMimeData* source) override {
    if (isReadOnly()) return;
    window_.CaretIntoCommand();
    QPlainTextEdit::insertFromMimeData(source);
  }

 private:
  CommandLineWindow& window_;
};

CommandLineWindow::CommandLineWindow(HostCommandRunner& runner, QWidget* parent)
    : QWidget(parent), view_(new View(*this)), commandLine_(*this, runner) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  setFocusProxy(view_);
  // Output is never undone; a history would double the memory it takes.
  view_->setUndoRedoEnabled(false);
  // The view drops its oldest lines itself, a few at a time as new ones
  // come, rather than thousands at once.
  view_->setMaximumBlockCount(kCommandLineKeepLines);
  // The prompt's end moves with whatever is taken from before it.
  connect(view_->document(), &QTextDocument::contentsChange, this,
          [this](int position, int removed, int added) {
            if (promptEnd_ < 0 || position >= promptEnd_) return;
            promptEnd_ = position + removed <= promptEnd_ ? promptEnd_ - removed + added : -1;
          });
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view_, &QPlainTextEdit::customContextMenuRequested, this,
          &CommandLineWindow::ShowContextMenu);
  connect(view_, &QPlainTextEdit::selectionChanged, this, &CommandLineWindow::editStateChanged);
  ApplySettings(AppSettings{});
  commandLine_.WritePrompt();
}

CommandLineWindow::~CommandLineWindow() = default;

void CommandLineWindow::ApplySettings(const AppSettings& settings) {
  QFont font(QString::fromStdString(settings.EditorFont),
             settings.EditorFontSize > 0 ? settings.EditorFontSize : 10);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  view_->setFont(font);
  view_->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
  const QPalette system = QWidget::palette();
  QPalette colours = view_->palette();
  colours.setColor(QPalette::Text,
                   ColourOf(settings.TerminalTextColor, system.color(QPalette::Text)));
  colours.setColor(QPalette::Base, ColourOf(settings.TerminalColor, system.color(QPalette::Base)));
  view_->setPalette(colours);
}

bool CommandLineWindow::RunCommand(int commandId) {
  switch (commandId) {
    case cmd::kSelectAll:
      view_->selectAll();
      return true;
    case cmd::kCopy:
      view_->copy();
      return true;
    case cmd::kPaste:
      view_->paste();
      return true;
    case cmd::kClear:
      commandLine_.Clear();
      emit editStateChanged();
      return true;
    default:
      return false;
  }
}

bool CommandLineWindow::RunHostCommand(std::string_view typed) {
  return commandLine_.RunCommand(typed);
}

bool CommandLineWindow::HasSelection() const { return view_->textCursor().hasSelection(); }

QPlainTextEdit* CommandLineWindow::view() const { return view_; }

bool CommandLineWindow::isReadOnly() const { return view_->isReadOnly(); }

std::string CommandLineWindow::Text() const { return Bytes(view_->toPlainText()); }

void CommandLineWindow::Activated() { view_->setFocus(); }

// ---- keys -----------------------------------------------------------------------

bool CommandLineWindow::TakeKey(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      commandLine_.Enter();
      return true;
    case Qt::Key_Backspace:
      return commandLine_.Backspace();
    case Qt::Key_Delete:
      // The history stays as it was.
      if (view_->isReadOnly() || SelectionInCommand()) return false;
      Beep();
      return true;
    default:
      break;
  }
  // Characters typed into the history go after the prompt instead.
  const bool typing = !text.isEmpty() && text.at(0).isPrint() &&
                      !(modifiers & (Qt::ControlModifier | Qt::AltModifier));
  if (typing && !view_->isReadOnly()) CaretIntoCommand();
  return false;
}

bool CommandLineWindow::SelectionInCommand() const {
  const QTextCursor caret = view_->textCursor();
  return std::min(caret.position(), caret.anchor()) >= promptEnd_;
}

void CommandLineWindow::CaretIntoCommand() {
  if (SelectionInCommand()) return;
  QTextCursor end(view_->document());
  end.movePosition(QTextCursor::End);
  view_->setTextCursor(end);
}

// ---- TerminalSurface ------------------------------------------------------------

void CommandLineWindow::AppendAtEnd(std::string_view text) {
  QScrollBar* bar = view_->verticalScrollBar();
  QTextCursor end(view_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(ViewText(text));
  DropFrontLines();
  end.movePosition(QTextCursor::End);
  view_->setTextCursor(end);
  bar->setValue(bar->maximum());
}

// The view keeps its line limit itself (its maximum block count). Long
// lines can still outgrow the character limit: whole lines are dropped from
// the front down to three quarters of it, so a full window is not cut at
// every block of output; a last line longer than the limit alone keeps its
// end. The prompt's end follows the document's change.
void CommandLineWindow::DropFrontLines() {
  QTextDocument* document = view_->document();
  const int characters = document->characterCount();
  if (characters <= kCommandLineKeepChars) return;
  const int least = characters - kCommandLineKeepChars * 3 / 4;
  const QTextBlock block = document->findBlock(least);
  const int cut = block.next().isValid() ? block.next().position() : least;
  if (cut <= 0) return;
  QTextCursor front(document);
  front.setPosition(cut, QTextCursor::KeepAnchor);
  front.removeSelectedText();
}

bool CommandLineWindow::Empty() const { return view_->document()->isEmpty(); }

bool CommandLineWindow::LastLineEmpty() const {
  return view_->document()->lastBlock().length() <= 1;
}

void CommandLineWindow::MarkPromptEnd() {
  QTextCursor end(view_->document());
  end.movePosition(QTextCursor::End);
  promptEnd_ = end.position();
}

bool CommandLineWindow::CaretAtOrBeforePromptEnd() const {
  const QTextCursor caret = view_->textCursor();
  return std::min(caret.position(), caret.anchor()) <= promptEnd_;
}

std::string CommandLineWindow::TextFromPromptEndToCaret() const {
  const int caret = view_->textCursor().position();
  if (promptEnd_ < 0 || caret <= promptEnd_) return {};
  QTextCursor range(view_->document());
  range.setPosition(promptEnd_);
  range.setPosition(caret, QTextCursor::KeepAnchor);
  return Bytes(range.selectedText());
}

void CommandLineWindow::SetReadOnly(bool readOnly) {
  view_->setReadOnly(readOnly);
  if (!readOnly) {
    // Read-only views let the caret go; an editable one shows it again.
    view_->setTextInteractionFlags(Qt::TextEditorInteraction);
  }
  emit editStateChanged();
}

void CommandLineWindow::ClearText() {
  promptEnd_ = -1;
  view_->clear();
  view_->setMaximumBlockCount(kCommandLineKeepLines);
}

void CommandLineWindow::Beep() { QApplication::beep(); }

// ---- context menu ---------------------------------------------------------------

void CommandLineWindow::ShowContextMenu(const QPoint& position) {
  const QMimeData* clipboard = QApplication::clipboard()->mimeData();
  const bool empty = Empty();
  QMenu menu(this);
  QAction* copy = menu.addAction(tr("&Copy"), this, [this] { RunCommand(cmd::kCopy); });
  copy->setEnabled(HasSelection());
  QAction* paste = menu.addAction(tr("&Paste"), this, [this] { RunCommand(cmd::kPaste); });
  paste->setEnabled(clipboard != nullptr && clipboard->hasText() && !view_->isReadOnly());
  QAction* all = menu.addAction(tr("Select A&ll"), this, [this] { RunCommand(cmd::kSelectAll); });
  all->setEnabled(!empty);
  QAction* clear = menu.addAction(tr("Clea&r"), this, [this] { RunCommand(cmd::kClear); });
  clear->setEnabled(!empty);
  menu.exec(view_->viewport()->mapToGlobal(position));
}

}  // namespace vandrel::ui
