// The "Edit Line Numbering" dialog without its widgets: what each control
// shows and enables, how the fields follow one another, and the checks that
// turn the user's choices into one renumber request for the edit control. The
// dialog copies the model's texts into its controls and passes every change
// back.
//
// Line fields are 1-based as the user sees them; the request counts lines
// from 0. Field values are kept as typed, saturated at +-2^31 so that the
// arithmetic on them never overflows; a value outside the 32-bit range is
// refused on OK.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "documents/document_format.h"

namespace vandrel {

// The control's "number of a line": the number 0-based line `line` carries,
// or none.
using NumberOfLineQuery = std::function<std::optional<std::int32_t>(std::int32_t line)>;

// The control's selection, 0-based; empty (both ends equal) when there is only
// the caret.
struct TextSelection {
  std::int32_t firstLine = 0;
  std::int32_t firstColumn = 0;
  std::int32_t lastLine = 0;
  std::int32_t lastColumn = 0;
  bool IsEmpty() const { return firstLine == lastLine && firstColumn == lastColumn; }
};

struct RenumberInput {
  std::int32_t lineCount = 0;
  DocumentNumbering activeNumbering;
  bool regenerated = false;  // see HasRegeneratedNumbering (documents/line_numbers.h)
  TextSelection selection;
  bool markLines = true;  // the RenumberMarkers setting
  NumberOfLineQuery numberOfLine;
};

// The input for a document's window.
RenumberInput MakeRenumberInput(const DocumentFormat& format, std::int32_t lineCount,
                                const TextSelection& selection, bool markLines,
                                NumberOfLineQuery numberOfLine);

// The record of the control's renumber operation.
struct RenumberRequest {
  std::int32_t firstLine = 0;  // 0-based
  std::int32_t lastLine = 0;   // 0-based, inclusive
  std::int32_t start = 0;
  std::int32_t increment = 0;
  std::int32_t mark = 0;  // non-zero: mark and tag the renumbered lines
  bool operator==(const RenumberRequest&) const = default;
};

struct RenumberOutcome {
  // Non-zero: the string-table message to show; the dialog stays open and
  // nothing else below applies.
  int messageId = 0;
  RenumberRequest request;
  // Regenerated numbering: the active start and increment take the request's.
  bool setsActiveNumbering = false;
  bool markLines = false;  // the value to store as RenumberMarkers
  bool accepted() const { return messageId == 0; }
};

enum class RenumberScope { kEntireFile, kRange };

class RenumberModel {
 public:
  // Opens the dialog: the check box follows the input's markLines; with
  // regenerated numbering only the entire file can be chosen and the lines are
  // not marked; otherwise a non-empty selection chooses the range.
  explicit RenumberModel(RenumberInput input);

  RenumberScope scope() const { return scope_; }
  bool rangeChoiceEnabled() const { return !input_.regenerated; }
  bool markChoiceEnabled() const { return !input_.regenerated; }
  bool lineFieldsEnabled() const { return scope_ == RenumberScope::kRange; }
  // Off for a single line.
  bool incrementEnabled() const { return LinesInRange() != 1; }
  bool markLines() const { return markLines_; }

  std::int64_t firstLine() const { return firstLine_; }
  std::int64_t lastLine() const { return lastLine_; }
  std::int64_t start() const { return start_; }
  std::int64_t increment() const { return increment_; }

  // "Valid range": the numbers that fit between the range's neighbours.
  std::string validRangeText() const;
  // The numbers of the first and last lines ("n/a" when the line has none).
  std::string firstNumberText() const;
  std::string lastNumberText() const;
  // "Resulting sequence:": first and last number and the line count.
  std::string resultingSequenceText() const;

  // A radio was chosen: fills the line fields (and with them the start and
  // increment). The range choice is ignored with regenerated numbering.
  void ChooseScope(RenumberScope scope);
  // A line field changed: the neighbours' range, the numbers beside the
  // fields, the start and the increment proposal follow.
  void SetFirstLine(std::int64_t line);
  void SetLastLine(std::int64_t line);
  void SetStart(std::int64_t start) { start_ = Saturate(start); }
  void SetIncrement(std::int64_t increment) { increment_ = Saturate(increment); }
  void SetMarkLines(bool mark) { markLines_ = mark; }

  // OK: checks the choices and, when they pass, gives the request.
  RenumberOutcome Accept() const;

 private:
  static std::int64_t Saturate(std::int64_t value);
  std::int64_t LinesInRange() const { return lastLine_ - firstLine_ + 1; }
  // The number of 1-based line `line`, none outside the document.
  std::optional<std::int64_t> NumberOf(std::int64_t line) const;
  // The number the range must stay above (0 at the first line) and the one it
  // must stay below (10 to the power of the digits at the last line).
  std::int64_t NumberBefore() const;
  std::int64_t NumberAfter() const;
  std::int64_t NumberLimit() const;
  void LinesChanged();
  int CheckSequence(std::int64_t lines, std::int64_t before, std::int64_t after) const;

  RenumberInput input_;
  RenumberScope scope_ = RenumberScope::kEntireFile;
  bool markLines_ = true;
  std::int64_t firstLine_ = 1;
  std::int64_t lastLine_ = 0;
  std::int64_t start_ = 0;
  std::int64_t increment_ = 0;
};

}  // namespace vandrel
