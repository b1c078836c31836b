#include "documents/line_numbers.h"

#include <fmt/format.h>

#include <algorithm>

#include "core/string_ids.h"

namespace vandrel {

namespace {

// A number field wider than this comes from a damaged header or template, not
// from a real numbering; it is written at this width.
constexpr std::int32_t kMaxNumberWidth = 64;

std::optional<std::int32_t> WithinDocument(std::int64_t index, std::int32_t lineCount) {
  if (index < 0 || index >= lineCount) return std::nullopt;
  return static_cast<std::int32_t>(index);
}

}  // namespace

bool HasActiveNumbering(const DocumentFormat& format) {
  return format.activeNumbering.digits != 0 && format.activeNumbering.increment != 0;
}

bool HasRegeneratedNumbering(const DocumentFormat& format) {
  return HasActiveNumbering(format) && (format.editFlags & kEditRenumber) != 0;
}

std::optional<std::int32_t> LineOfNumber(const DocumentFormat& format, std::int32_t lineCount,
                                         std::int64_t number,
                                         const LineWithNumberQuery& lineWithNumber) {
  if (HasActiveNumbering(format)) {
    const DocumentNumbering& active = format.activeNumbering;
    if (format.editFlags & kEditRenumber) {
      // Division truncates towards zero, which would put a number just below
      // the start on the first line; no line carries such a number.
      if (number < active.start) return std::nullopt;
      return WithinDocument((number - active.start) / active.increment, lineCount);
    }
    if (!lineWithNumber || number < INT32_MIN || number > INT32_MAX) return std::nullopt;
    return WithinDocument(lineWithNumber(static_cast<std::int32_t>(number)), lineCount);
  }
  if (format.IsRecordForm()) return WithinDocument(number / 1000 - 1, lineCount);
  return WithinDocument(number - 1, lineCount);
}

// Both forms take the number's digits as the field width: with 7 digits line
// 3.2 shows as "  3.2   " (eight characters with the trailing blank). The
// largest MPE numbers (9999.999 in 7 digits) are one character wider than the
// field and push the text right by one.
std::int32_t LineNumberFieldWidth(std::int32_t digits, bool /*mpeFormat*/) {
  return std::clamp(digits, 0, kMaxNumberWidth);
}

std::string FormatLineNumber(std::int64_t number, std::int32_t digits, bool mpeFormat) {
  const int width = LineNumberFieldWidth(digits, mpeFormat);
  if (!mpeFormat) return fmt::format("{:0{}d} ", number, width);

  std::string text = fmt::format("{:>{}.3f} ", static_cast<double>(number) / 1000.0, width);
  const std::size_t point = text.rfind('.');
  if (point != std::string::npos && point + 3 < text.size()) {
    std::size_t blanked = 0;
    for (std::size_t i = point + 3; i > point && text[i] == '0'; --i) {
      text[i] = ' ';
      ++blanked;
    }
    if (blanked == 3) text[point] = ' ';
  }
  return text;
}

std::string FormatLineNumber(const DocumentFormat& format, std::int64_t number) {
  return FormatLineNumber(number, format.activeNumbering.digits,
                          (format.editFlags & kEditMpeLineNumberFormat) != 0);
}

std::string PlaceLineNumber(std::string_view text, std::string_view numberText,
                            std::int32_t position) {
  std::string line;
  if (position == 1) {
    line.reserve(numberText.size() + text.size());
    line.append(numberText).append(text);
  } else if (position >= 2) {
    const std::size_t column = static_cast<std::size_t>(position);
    line.reserve(std::max(column, text.size()) + numberText.size());
    line.append(text);
    if (line.size() < column) line.append(column - line.size(), ' ');
    line.append(numberText);
  } else {
    line.assign(text);
  }
  return line;
}

std::optional<LineNumberView> ViewOfCommand(int command) {
  switch (command) {
    case kCommandLineNumbersOff:
      return LineNumberView::kNone;
    case kCommandLineNumbersVirtual:
      return LineNumberView::kVirtual;
    case kCommandLineNumbersPhysical:
      return LineNumberView::kFile;
    default:
      return std::nullopt;
  }
}

int CommandOfView(LineNumberView view) {
  switch (view) {
    case LineNumberView::kVirtual:
      return kCommandLineNumbersVirtual;
    case LineNumberView::kFile:
      return kCommandLineNumbersPhysical;
    case LineNumberView::kNone:
      break;
  }
  return kCommandLineNumbersOff;
}

bool FileNumberViewOffered(const DocumentFormat& format) {
  return format.activeNumbering.position != 0;
}

LineNumberView InitialLineNumberView(const DocumentFormat& format, bool virtualLineNumbers,
                                     LineNumberView current) {
  if (format.activeNumbering.position != 0 && !(format.editFlags & kEditHideLineNumbers)) {
    return LineNumberView::kFile;
  }
  if (virtualLineNumbers && current == LineNumberView::kNone) return LineNumberView::kVirtual;
  return current;
}

int NotificationMessageId(int notificationCode) {
  return notificationCode == kEditNotifyNoFreeLineNumber ? kStrNoFreeLineNumber : 0;
}

}  // namespace vandrel
