#include "editor/print_source.h"

#include <algorithm>

#include "documents/line_numbers.h"

namespace vandrel {

PrintSource MakePrintSource(std::string_view text, const LineMetadata& lines,
                            const DocumentFormat& format, std::string name) {
  PrintSource source;
  source.name = std::move(name);
  source.tabWidth = format.tabWidth > 0 ? format.tabWidth : 8;
  std::size_t at = 0;
  while (true) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    source.lines.emplace_back(text.substr(at, end - at));
    if (end == text.size()) break;
    at = end + 1;
  }
  const auto count = static_cast<std::int64_t>(source.lines.size());
  const bool numbered = HasActiveNumbering(format) && format.activeNumbering.position > 0 &&
                        lines.numbering().mode != NumberingMode::kNone;
  if (numbered) {
    source.numberPosition = format.activeNumbering.position;
    const bool mpe = format.editFlags & kEditMpeLineNumberFormat;
    const std::string blank(
        static_cast<std::size_t>(LineNumberFieldWidth(format.activeNumbering.digits, mpe) + 1),
        ' ');
    source.numbers.reserve(source.lines.size());
    for (std::int64_t i = 0; i < count; ++i) {
      const std::int64_t number = lines.NumberOfLine(i);
      source.numbers.push_back(number == kNoLineNumber ? blank : FormatLineNumber(format, number));
    }
  }
  if (lines.tokens()) {
    source.tokens.reserve(source.lines.size());
    for (std::int64_t i = 0; i < count; ++i) source.tokens.emplace_back(lines.Token(i));
  }
  return source;
}

}  // namespace vandrel
