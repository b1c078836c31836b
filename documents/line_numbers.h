// Line numbers of a document: which line a number names (for go-to and error
// jumps), how numbers are written in the margin and on paper, which margin
// view a window starts in, and the notification the edit control sends when
// no number is left for a new line.
//
// Numbers are signed 32-bit values; MPE and Qedit numbers count thousandths
// (line 3.200 is 3200).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "documents/document_format.h"

namespace vandrel {

// The edit control's "line with number" query: the 0-based line that carries
// `number`, or a negative value when no line does.
using LineWithNumberQuery = std::function<std::int32_t(std::int32_t number)>;

// The active numbering has digits and a non-zero increment.
bool HasActiveNumbering(const DocumentFormat& format);

// Regenerated numbering: active numbering whose numbers are rewritten on save
// from start and increment (the template does not keep the sequence), so the
// number of every line follows from its position.
bool HasRegeneratedNumbering(const DocumentFormat& format);

// The 0-based line that `number` names in a document of `lineCount` lines, or
// none:
//  1. with active numbering: regenerated numbering computes
//     (number - start) / increment (a number below the start names no line);
//     otherwise the control is asked and a negative answer names no line;
//  2. otherwise, in record form, the number counts thousandths: number / 1000 - 1;
//  3. otherwise the number is the 1-based line position.
// A result outside the document's lines is none. `lineWithNumber` is only
// called in the second half of rule 1; an empty function names no line.
std::optional<std::int32_t> LineOfNumber(const DocumentFormat& format, std::int32_t lineCount,
                                         std::int64_t number,
                                         const LineWithNumberQuery& lineWithNumber);

// A number as the margin and the printout show it, followed by one blank:
//  - decimal, zero-filled to `digits` ("%0*ld ");
//  - with `mpeFormat`, number / 1000 with three decimals right-aligned in
//    `digits` characters ("%*.3f "); then trailing zero decimals become
//    blanks, and the point too when all three decimals are zero: with 7
//    digits 3200 is "  3.2   " and 3000 is "  3     " (eight characters).
// The text is LineNumberFieldWidth + 1 characters unless the number needs more.
std::string FormatLineNumber(std::int64_t number, std::int32_t digits, bool mpeFormat);

// The width the number is written in (without the trailing blank): `digits`.
std::int32_t LineNumberFieldWidth(std::int32_t digits, bool mpeFormat);

// The same for a document: its active digits and its MPE number format flag.
std::string FormatLineNumber(const DocumentFormat& format, std::int64_t number);

// One printed line with its number: at position 1 the number stands in front
// of the text; at position 2 and above (the 0-based number column) the text
// is padded with blanks up to that column and the number follows it (a longer
// text is followed directly by the number); at position 0 the text stands
// alone.
std::string PlaceLineNumber(std::string_view text, std::string_view numberText,
                            std::int32_t position);

// ---- Margin views ------------------------------------------------------------

enum class LineNumberView : std::int32_t {
  kNone = 0,     // no margin numbers
  kVirtual = 1,  // the 1-based line positions
  kFile = 2,     // the numbers the control holds for the lines
};

// Commands of the editor window that select a view.
inline constexpr int kCommandLineNumbersOff = 3104;
inline constexpr int kCommandLineNumbersVirtual = 3105;
inline constexpr int kCommandLineNumbersPhysical = 3106;
// The renumber dialog's command (not offered for read-only documents).
inline constexpr int kCommandRenumber = 3127;

// The view a command selects; none for another command.
std::optional<LineNumberView> ViewOfCommand(int command);
// The command that selects `view` (shown with the radio mark).
int CommandOfView(LineNumberView view);

// The document carries file numbers (its active numbering has a position), so
// the file-number view is offered.
bool FileNumberViewOffered(const DocumentFormat& format);

// The view a window starts in once the document is loaded: file numbers when
// the active numbering has a position and the template does not hide them;
// otherwise virtual numbers when the VirtualLineNumbers setting is on and the
// view is still none; otherwise `current`.
LineNumberView InitialLineNumberView(const DocumentFormat& format, bool virtualLineNumbers,
                                     LineNumberView current = LineNumberView::kNone);

// ---- No free number ------------------------------------------------------------

// The control's notification that no number is left between the neighbours of
// a line being inserted.
inline constexpr int kEditNotifyNoFreeLineNumber = 105;

// The string-table text the window shows (after a beep) for a control
// notification code, or 0 when the code has no message.
int NotificationMessageId(int notificationCode);

}  // namespace vandrel
