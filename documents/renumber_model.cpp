#include "documents/renumber_model.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/line_numbers.h"

namespace vandrel {

namespace {

constexpr std::int64_t kFieldLimit = std::int64_t{1} << 31;

bool FitsInt32(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

RenumberInput MakeRenumberInput(const DocumentFormat& format, std::int32_t lineCount,
                                const TextSelection& selection, bool markLines,
                                NumberOfLineQuery numberOfLine) {
  RenumberInput input;
  input.lineCount = lineCount;
  input.activeNumbering = format.activeNumbering;
  input.regenerated = HasRegeneratedNumbering(format);
  input.selection = selection;
  input.markLines = markLines;
  input.numberOfLine = std::move(numberOfLine);
  return input;
}

RenumberModel::RenumberModel(RenumberInput input) : input_(std::move(input)) {
  markLines_ = input_.markLines;
  const bool range = !input_.regenerated && !input_.selection.IsEmpty();
  ChooseScope(range ? RenumberScope::kRange : RenumberScope::kEntireFile);
}

std::int64_t RenumberModel::Saturate(std::int64_t value) {
  return std::clamp(value, -kFieldLimit, kFieldLimit);
}

std::optional<std::int64_t> RenumberModel::NumberOf(std::int64_t line) const {
  if (line < 1 || line > input_.lineCount || !input_.numberOfLine) return std::nullopt;
  const std::optional<std::int32_t> number =
      input_.numberOfLine(static_cast<std::int32_t>(line - 1));
  if (!number) return std::nullopt;
  return *number;
}

std::int64_t RenumberModel::NumberLimit() const {
  const int digits = std::clamp(input_.activeNumbering.digits, 0, 18);
  std::int64_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  return limit;
}

std::int64_t RenumberModel::NumberBefore() const {
  if (firstLine_ <= 1) return 0;
  return NumberOf(firstLine_ - 1).value_or(0);
}

std::int64_t RenumberModel::NumberAfter() const {
  if (lastLine_ >= input_.lineCount) return NumberLimit();
  return NumberOf(lastLine_ + 1).value_or(NumberLimit());
}

std::string RenumberModel::validRangeText() const {
  return FormatText(LoadText(kStrNumberRangeFormat), NumberBefore() + 1, NumberAfter() - 1);
}

std::string RenumberModel::firstNumberText() const {
  const std::optional<std::int64_t> number = NumberOf(firstLine_);
  return number ? std::to_string(*number) : LoadText(kStrNotApplicable);
}

std::string RenumberModel::lastNumberText() const {
  const std::optional<std::int64_t> number = NumberOf(lastLine_);
  return number ? std::to_string(*number) : LoadText(kStrNotApplicable);
}

std::string RenumberModel::resultingSequenceText() const {
  return FormatText(LoadText(kStrResultingSequenceFormat), start_,
                    start_ + (lastLine_ - firstLine_) * increment_, LinesInRange());
}

void RenumberModel::ChooseScope(RenumberScope scope) {
  if (input_.regenerated) scope = RenumberScope::kEntireFile;
  scope_ = scope;
  if (scope == RenumberScope::kEntireFile) {
    firstLine_ = 1;
    lastLine_ = input_.lineCount;
  } else {
    // A selection that ends at the start of a later line ends on the line
    // before it.
    const TextSelection& s = input_.selection;
    std::int64_t last = s.lastLine;
    if (s.lastColumn == 0 && s.lastLine > s.firstLine) --last;
    firstLine_ = std::int64_t{s.firstLine} + 1;
    lastLine_ = last + 1;
  }
  LinesChanged();
  if (input_.regenerated) {
    start_ = input_.activeNumbering.start;
    increment_ = input_.activeNumbering.increment;
  }
}

void RenumberModel::SetFirstLine(std::int64_t line) {
  firstLine_ = Saturate(line);
  LinesChanged();
}

void RenumberModel::SetLastLine(std::int64_t line) {
  lastLine_ = Saturate(line);
  LinesChanged();
}

void RenumberModel::LinesChanged() {
  const std::optional<std::int64_t> first = NumberOf(firstLine_);
  const std::optional<std::int64_t> last = NumberOf(lastLine_);
  if (first) start_ = *first;
  if (scope_ == RenumberScope::kEntireFile) {
    increment_ = input_.activeNumbering.increment;
    return;
  }
  const std::int64_t lines = LinesInRange();
  if (lines == 1) {
    increment_ = 0;
  } else if (lines > 1 && first && last) {
    increment_ = (*last - *first) / (lines - 1);
  }
}

int RenumberModel::CheckSequence(std::int64_t lines, std::int64_t before,
                                 std::int64_t after) const {
  // The sequence must rise from line to line: a zero or negative increment
  // over several lines would give lines the same or falling numbers.
  const bool valid = FitsInt32(start_) && FitsInt32(increment_) && start_ >= 1 && start_ > before &&
                     (lines <= 1 || increment_ >= 1) && start_ + (lines - 1) * increment_ < after;
  return valid ? 0 : kStrInvalidNumberingSequence;
}

RenumberOutcome RenumberModel::Accept() const {
  RenumberOutcome outcome;
  outcome.markLines = markLines_;
  if (input_.regenerated) {
    if (input_.lineCount < 1) {
      outcome.messageId = kStrInvalidRenumberRange;
      return outcome;
    }
    outcome.messageId = CheckSequence(input_.lineCount, 0, NumberLimit());
    if (outcome.messageId != 0) return outcome;
    // Every line is renumbered, the last one included: the sequence was
    // checked over all of them, and a last line left out would keep a number
    // of the old sequence.
    outcome.request = {0, input_.lineCount - 1, static_cast<std::int32_t>(start_),
                       static_cast<std::int32_t>(increment_), 0};
    outcome.setsActiveNumbering = true;
    return outcome;
  }

  if (firstLine_ < 1 || lastLine_ < firstLine_ || lastLine_ > input_.lineCount) {
    outcome.messageId = kStrInvalidRenumberRange;
    return outcome;
  }
  outcome.messageId = CheckSequence(LinesInRange(), NumberBefore(), NumberAfter());
  if (outcome.messageId != 0) return outcome;
  outcome.request = {static_cast<std::int32_t>(firstLine_ - 1),
                     static_cast<std::int32_t>(lastLine_ - 1), static_cast<std::int32_t>(start_),
                     static_cast<std::int32_t>(increment_), markLines_ ? 1 : 0};
  return outcome;
}

}  // namespace vandrel
