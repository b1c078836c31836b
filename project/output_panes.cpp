#include "project/output_panes.h"

#include <algorithm>

#include "documents/load_request.h"

namespace vandrel::project {

std::string PrepareRawOutput(std::string_view bytes, const CharacterTable* table) {
  std::string out(bytes);
  std::replace(out.begin(), out.end(), '\0', '\1');
  if (table != nullptr) TranslateBytes(out, *table);
  return out;
}

// ---- Pane -------------------------------------------------------------------

std::string_view OutputPanes::Pane::Line(std::size_t index) const {
  if (index >= lines_.size()) return {};
  const Span& span = lines_[index];
  return std::string_view(text_).substr(span.start, span.end - span.start);
}

// Lines end at "\n", "\r\n" or a lone "\r"; a block may end between the
// "\r" and the "\n" of one line end. A line end at the very end of the text
// starts no further line.
void OutputPanes::Pane::Append(std::string_view bytes) {
  if (bytes.empty()) return;
  const std::size_t from = text_.size();
  text_.append(bytes);
  std::size_t i = from;
  std::size_t lineStart = from;
  if (lastLineOpen_) {
    lineStart = lines_.back().start;
    lines_.pop_back();
  } else if (endsWithCr_ && text_[i] == '\n') {
    ++i;
    lineStart = i;
  }
  for (; i < text_.size(); ++i) {
    const char c = text_[i];
    if (c != '\n' && c != '\r') continue;
    lines_.push_back({lineStart, i});
    if (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') ++i;
    lineStart = i + 1;
  }
  lastLineOpen_ = lineStart < text_.size();
  if (lastLineOpen_) lines_.push_back({lineStart, text_.size()});
  endsWithCr_ = text_.back() == '\r';
}

void OutputPanes::Pane::Clear() {
  text_.clear();
  text_.shrink_to_fit();
  lines_.clear();
  lines_.shrink_to_fit();
  lastLineOpen_ = false;
  endsWithCr_ = false;
  currentLine = -1;
}

std::pair<std::size_t, std::size_t> OutputPanes::Pane::DropFront(std::size_t keep) {
  if (text_.size() <= keep) return {0, 0};
  const std::size_t least = text_.size() - keep;
  // The first line that starts at or after `least`.
  auto first = std::lower_bound(lines_.begin(), lines_.end(), least,
                                [](const Span& span, std::size_t at) { return span.start < at; });
  std::size_t cut;
  std::size_t droppedLines;
  if (first != lines_.end()) {
    cut = first->start;
    droppedLines = static_cast<std::size_t>(first - lines_.begin());
  } else {
    // One line alone is too long: keep its end.
    cut = least;
    droppedLines = lines_.size() - 1;
    first = lines_.end() - 1;
    first->start = std::max(first->start, cut);
    first->end = std::max(first->end, cut);
  }
  lines_.erase(lines_.begin(), first);
  for (Span& span : lines_) {
    span.start -= cut;
    span.end -= cut;
  }
  text_.erase(0, cut);
  currentLine = currentLine < static_cast<std::int64_t>(droppedLines)
                    ? -1
                    : currentLine - static_cast<std::int64_t>(droppedLines);
  return {cut, droppedLines};
}

// ---- OutputPanes --------------------------------------------------------------

OutputPanes::OutputPanes(std::size_t paneLimit) : paneLimit_(std::max<std::size_t>(paneLimit, 1)) {}

const OutputPanes::Pane& OutputPanes::LinesOf(int pane) const {
  static const Pane kNoPane;
  return Valid(pane) ? panes_[static_cast<std::size_t>(pane)] : kNoPane;
}

void OutputPanes::AppendLocked(int pane, std::string_view bytes) {
  Pane& target = panes_[static_cast<std::size_t>(pane)];
  target.Append(bytes);
  if (observer_) observer_->TextAppended(pane, bytes);
  if (target.text().size() > paneLimit_) {
    // Drop a quarter at a time, so a full pane is not cut at every block.
    const std::int64_t oldLine = target.currentLine;
    const std::size_t dropped = target.DropFront(paneLimit_ - paneLimit_ / 4).first;
    if (observer_) {
      observer_->FrontDropped(pane, dropped);
      if (target.currentLine != oldLine) {
        observer_->CurrentLineChanged(pane, oldLine, target.currentLine);
      }
    }
  }
}

void OutputPanes::Print(int pane, std::string_view text) {
  if (!Valid(pane)) return;
  std::string line;
  line.reserve(text.size() + 4);
  std::lock_guard lock(mutex_);
  if (panes_[static_cast<std::size_t>(pane)].EndsInsideLine()) line += "\r\n";
  line += text;
  std::replace(line.begin(), line.end(), '\0', '\1');
  if (line.empty() || line.back() != '\n') line += "\r\n";
  AppendLocked(pane, line);
}

void OutputPanes::AppendRaw(int pane, std::string_view bytes) {
  if (!Valid(pane) || bytes.empty()) return;
  std::size_t bells = 0;
  OutputSounds* sounds = nullptr;
  {
    std::lock_guard lock(mutex_);
    const std::string prepared = PrepareRawOutput(bytes, table_ ? &*table_ : nullptr);
    AppendLocked(pane, prepared);
    if (outputBell_ && sounds_ != nullptr) {
      bells = static_cast<std::size_t>(std::count(prepared.begin(), prepared.end(), '\a'));
      sounds = sounds_;
    }
  }
  // Outside the lock: the pauses must not hold up readers of the panes.
  for (std::size_t i = 0; i < bells; ++i) {
    sounds->DefaultBeep();
    sounds->Pause(kBellPause);
  }
}

void OutputPanes::Empty(int pane) {
  if (!Valid(pane)) return;
  std::lock_guard lock(mutex_);
  Pane& target = panes_[static_cast<std::size_t>(pane)];
  const std::int64_t oldLine = target.currentLine;
  target.Clear();
  if (observer_) {
    observer_->PaneEmptied(pane);
    if (oldLine != -1) observer_->CurrentLineChanged(pane, oldLine, -1);
  }
}

void OutputPanes::ShowPane(int pane) {
  if (pane != -1 && !Valid(pane)) return;
  std::lock_guard lock(mutex_);
  if (pane != -1) currentPane_ = pane;
  if (observer_) observer_->PaneShown(pane);
}

int OutputPanes::CurrentPane() const {
  std::lock_guard lock(mutex_);
  return currentPane_;
}

void OutputPanes::SetCurrentLineLocked(int pane, std::int64_t line) {
  Pane& target = panes_[static_cast<std::size_t>(pane)];
  if (line < 0 || line >= static_cast<std::int64_t>(target.LineCount())) line = -1;
  const std::int64_t oldLine = target.currentLine;
  if (oldLine == line) return;
  target.currentLine = line;
  if (observer_) observer_->CurrentLineChanged(pane, oldLine, line);
}

void OutputPanes::SetCurrentLine(int pane, std::int64_t line) {
  if (pane != remote::kPaneOutput && pane != remote::kPaneFindInFiles) return;
  std::lock_guard lock(mutex_);
  SetCurrentLineLocked(pane, line);
}

std::int64_t OutputPanes::CurrentLine(int pane) const {
  std::lock_guard lock(mutex_);
  return Valid(pane) ? panes_[static_cast<std::size_t>(pane)].currentLine : -1;
}

bool OutputPanes::ErrorCommandsEnabled() const {
  std::lock_guard lock(mutex_);
  return !panes_[static_cast<std::size_t>(currentPane_)].text().empty();
}

bool OutputPanes::IsEmpty(int pane) const {
  std::lock_guard lock(mutex_);
  return LinesOf(pane).text().empty();
}

std::string OutputPanes::Text(int pane) const {
  std::lock_guard lock(mutex_);
  return LinesOf(pane).text();
}

std::size_t OutputPanes::LineCount(int pane) const {
  std::lock_guard lock(mutex_);
  return LinesOf(pane).LineCount();
}

std::string OutputPanes::Line(int pane, std::size_t index, std::size_t limit) const {
  std::lock_guard lock(mutex_);
  const std::string_view line = LinesOf(pane).Line(index);
  return std::string(line.substr(0, std::min(line.size(), limit)));
}

void OutputPanes::SetCharacterTable(std::optional<CharacterTable> table) {
  std::lock_guard lock(mutex_);
  table_ = table;
}

void OutputPanes::SetOutputBell(bool on) {
  std::lock_guard lock(mutex_);
  outputBell_ = on;
}

void OutputPanes::SetSounds(OutputSounds* sounds) {
  std::lock_guard lock(mutex_);
  sounds_ = sounds;
}

void OutputPanes::SetObserver(OutputPanesObserver* observer) {
  std::lock_guard lock(mutex_);
  observer_ = observer;
}

// ---- EscapeToHide -------------------------------------------------------------

bool EscapeToHide::Press(Clock::time_point now) {
  using std::chrono::milliseconds;
  if (last_) {
    const auto apart = now - *last_;
    if (apart > milliseconds(5) && apart < milliseconds(5000)) {
      last_.reset();
      return true;
    }
  }
  last_ = now;
  return false;
}

}  // namespace vandrel::project
