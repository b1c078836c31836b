// The editor window's moves: to the uses of a word, between bookmarks and
// between the Code Navigator's functions, and the parameter tip.
#include <QApplication>
#include <QToolTip>

#include "editor/control_messages.h"
#include "editor/text_search.h"
#include "editor/ui/editor_navigator.h"
#include "editor/ui/editor_window.h"

namespace vandrel::ui {

bool EditorWindow::GoToText(std::string_view text, std::uint32_t flags) {
  navigator_->ShowTab(0);
  if (text.empty()) return false;
  const bool forward = (flags & kGoToPreviousUse) == 0;
  SearchRecord record;
  record.text = std::string(text);
  record.flags = kSearchWholeWord | kSearchWrap | (forward ? kSearchForward : kSearchBackward);
  // From the selection: forwards from its end, backwards from its start.
  int lineFrom = 0, columnFrom = 0, lineTo = 0, columnTo = 0;
  if (!control_->Selection(&lineFrom, &columnFrom, &lineTo, &columnTo)) {
    const CaretPlace caret = control_->Caret();
    lineFrom = lineTo = caret.line;
    columnFrom = columnTo = caret.column;
  }
  record.startLine = forward ? lineTo : lineFrom;
  record.startColumn = forward ? columnTo : columnFrom;
  if (!control_->Find(record)) return false;
  control_->SetSelection(static_cast<int>(record.foundLine), static_cast<int>(record.foundColumn),
                         static_cast<int>(record.foundEndLine),
                         static_cast<int>(record.foundEndColumn));
  return true;
}

void EditorWindow::ToggleBookmark() {
  const int line = control_->Caret().line;
  control_->SetMarks(line, control_->Marks(line) ^ kLineMarkBookmark);
}

bool EditorWindow::NextBookmark(bool forward) {
  const int caret = control_->Caret().line;
  std::int64_t from = forward ? caret + 1 : caret - 1;
  // From the first line, Previous starts at the last one.
  if (!forward && from < 0) from = control_->LineCount() - 1;
  const std::int64_t line = control_->NextMarkedLine(from, kLineMarkBookmark, forward);
  if (line < 0) return false;
  control_->MoveCaretToLine(static_cast<int>(line));
  return true;
}

void EditorWindow::ClearBookmarks() { control_->ClearMarks(kLineMarkBookmark); }

bool EditorWindow::NextFunction(bool forward) {
  const std::int64_t line = navigator_->NextFunctionLine(control_->Caret().line, forward);
  if (line < 0) {
    QApplication::beep();
    return false;
  }
  navigator_->ShowTab(0);
  control_->MoveCaretToLine(static_cast<int>(line));
  return true;
}

std::string EditorWindow::WordAtCaret(bool typed) const {
  const CaretPlace caret = control_->Caret();
  // After a typed "(", the word ends just before it.
  const int column = typed ? std::max(caret.column - 1, 0) : caret.column;
  return control_->WordAt(caret.line, column);
}

project::ToolMacroValues EditorWindow::ToolFacts() const {
  project::ToolMacroValues facts;
  facts.filePath = name_;
  facts.templateName = format_.templateName;
  const CaretPlace caret = control_->Caret();
  facts.caretLine = caret.line + 1;
  facts.caretColumn = caret.column + 1;
  facts.caretText = WordAtCaret(false);
  return facts;
}

bool EditorWindow::ShowParameterInfo(bool typed, bool explicitly) {
  const Navigator* navigator = navigator_->navigator();
  const std::string word = WordAtCaret(typed);
  const NavigatorItem* found =
      navigator && !word.empty() ? navigator->ParameterInfo(word) : nullptr;
  if (found == nullptr) {
    if (explicitly) QApplication::beep();
    return false;
  }
  ShowParameterTip(*found);
  return true;
}

void EditorWindow::ShowParameterTip(const NavigatorItem& declaration) {
  tipLine_ = control_->Caret().line;
  QToolTip::showText(control_->SelectionScreenPoint(),
                     QString::fromStdString(declaration.ParameterText()), control_);
}

void EditorWindow::HideParameterTip() {
  tipLine_ = -1;
  QToolTip::hideText();
}

void EditorWindow::RefreshNavigator() {
  navigator_->Refresh(format_.templateName);
  lastCaretLine_ = -1;
}

int EditorWindow::CurrentEntry() const { return navigator_->EntryCovering(control_->Caret().line); }

}  // namespace vandrel::ui
