#include "editor/ui/editor_finder.h"

#include <algorithm>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "editor/control_messages.h"
#include "editor/ui/qsci_edit_control.h"
#include "platform/ascii_text.h"

namespace vandrel::ui {

namespace {

bool SameText(std::string_view a, std::string_view b, bool matchCase) {
  return matchCase ? a == b : platform::EqualsIgnoreCase(a, b);
}

}  // namespace

SelectionFacts EditorFinder::Facts() const {
  SelectionFacts facts;
  const CaretPlace caret = control_.Caret();
  facts.caretWord = control_.WordAt(caret.line, caret.column);
  int lineFrom = 0;
  int columnFrom = 0;
  int lineTo = 0;
  int columnTo = 0;
  facts.hasSelection = control_.Selection(&lineFrom, &columnFrom, &lineTo, &columnTo);
  if (!facts.hasSelection) return facts;
  facts.spansLines = lineFrom != lineTo;
  if (!facts.spansLines) {
    const std::int64_t from = control_.PositionOf(lineFrom, columnFrom);
    const std::int64_t to = control_.PositionOf(lineTo, columnTo);
    facts.selectedText = std::string(control_.Text().substr(static_cast<std::size_t>(from),
                                                            static_cast<std::size_t>(to - from)));
  }
  return facts;
}

void EditorFinder::NotFound(std::string_view text) {
  MessageBox(ui_, kMbOk | kMbIconInformation, kStrStringNotFound, std::string(text));
}

bool EditorFinder::SearchAndSelect(SearchRecord record) {
  CaretPlace start = control_.Caret();
  int lineFrom = 0;
  int columnFrom = 0;
  int lineTo = 0;
  int columnTo = 0;
  if (control_.Selection(&lineFrom, &columnFrom, &lineTo, &columnTo)) {
    start = (record.flags & kSearchBackward) ? CaretPlace{lineFrom, columnFrom}
                                             : CaretPlace{lineTo, columnTo};
  }
  record.startLine = start.line;
  record.startColumn = start.column;
  record.endLine = -1;
  record.endColumn = -1;
  if (!control_.Find(record)) {
    NotFound(record.text);
    return false;
  }
  session_.Remember(record);
  control_.SetSelection(static_cast<int>(record.foundLine), static_cast<int>(record.foundColumn),
                        static_cast<int>(record.foundEndLine),
                        static_cast<int>(record.foundEndColumn));
  return true;
}

bool EditorFinder::FindNext(std::string_view text, std::uint32_t flags) {
  if (text.empty()) return false;
  SearchRecord record;
  record.flags = flags;
  record.text = std::string(text.substr(0, kMaxSearchText));
  return SearchAndSelect(std::move(record));
}

bool EditorFinder::Replace(std::string_view text, std::string_view replacement,
                           std::uint32_t flags) {
  if (text.empty() || control_.IsReadOnly()) return false;
  const SelectionFacts facts = Facts();
  if (facts.hasSelection && !facts.spansLines &&
      SameText(facts.selectedText, text, (flags & kSearchMatchCase) != 0)) {
    control_.ReplaceSelection(replacement);
  }
  return FindNext(text, flags);
}

std::int64_t EditorFinder::ReplaceAll(std::string_view text, std::string_view replacement,
                                      std::uint32_t flags, bool inSelection) {
  if (text.empty() || control_.IsReadOnly()) return 0;
  int lineFrom = 0;
  int columnFrom = 0;
  int lineTo = 0;
  int columnTo = 0;
  const bool hadSelection = control_.Selection(&lineFrom, &columnFrom, &lineTo, &columnTo);
  const CaretPlace caret = control_.Caret();
  std::int64_t from = 0;
  auto to = static_cast<std::int64_t>(control_.Text().size());
  if (inSelection && hadSelection) {
    from = control_.PositionOf(lineFrom, columnFrom);
    to = control_.PositionOf(lineTo, columnTo);
  }
  const TextMatcher matcher(text, (flags | kSearchForward) & ~(kSearchBackward | kSearchWrap));
  const QsciEditControl::ReplaceAllOutcome outcome =
      control_.ReplaceAll(matcher, from, to, replacement);
  if (outcome.count == 0) {
    NotFound(matcher.needle());
    return 0;
  }
  SearchRecord record;
  record.flags = (flags & ~kSearchBackward) | kSearchForward;
  record.text = std::string(matcher.needle());
  session_.Remember(record);
  if (inSelection && hadSelection) {
    const CaretPlace first = control_.PlaceOf(from);
    const CaretPlace end = control_.PlaceOf(outcome.rangeEnd);
    control_.SetSelection(first.line, first.column, end.line, end.column);
  } else if (hadSelection) {
    // The selection from before the search, its columns kept within the
    // lines as they now are.
    const bool caretAtEnd = caret.line == lineTo && caret.column == columnTo;
    if (caretAtEnd) {
      control_.SetSelection(lineFrom, columnFrom, lineTo, columnTo);
    } else {
      control_.SetSelection(lineTo, columnTo, lineFrom, columnFrom);
    }
  } else {
    control_.SetSelection(caret.line, caret.column, caret.line, caret.column);
  }
  return outcome.count;
}

std::int64_t EditorFinder::MarkAll(std::string_view text, std::uint32_t flags) {
  if (text.empty()) return 0;
  const TextMatcher matcher(text, (flags | kSearchForward) & ~(kSearchBackward | kSearchWrap));
  const std::string_view all = control_.Text();
  std::int64_t marked = 0;
  std::int64_t lastLine = -1;
  for (const std::size_t at : FindAll(all, 0, all.size(), matcher)) {
    const std::int64_t line = control_.PlaceOf(static_cast<std::int64_t>(at)).line;
    if (line == lastLine) continue;
    lastLine = line;
    control_.SetMarks(line, kLineMarkBookmark);
    ++marked;
  }
  if (marked == 0) NotFound(matcher.needle());
  return marked;
}

bool EditorFinder::Repeat(bool forward) {
  const RememberedSearch* remembered = session_.remembered();
  if (remembered == nullptr) return false;
  SearchRecord record = remembered->record;
  record.text = remembered->text;
  record.flags &= ~(kSearchForward | kSearchBackward);
  record.flags |= forward ? kSearchForward : kSearchBackward;
  return SearchAndSelect(std::move(record));
}

}  // namespace vandrel::ui
