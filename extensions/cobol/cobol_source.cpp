#include "extensions/cobol/cobol_source.h"

#include <algorithm>

namespace vandrel::vdx::cobol {

namespace {

// Non-empty lines DetectLayout looks at: many more than any real program
// has, while a generated file of millions of lines is not read twice.
constexpr long kLayoutSample = 10000;

bool AllBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), scan::IsBlank);
}

}  // namespace

Layout DetectLayout(std::string_view text) {
  using scan::SequenceField;
  scan::LineCursor lines(text);
  std::string_view line;
  long nonEmpty = 0, numbered = 0, withText = 0, blankBeforeComment = 0, freeStart = 0;
  while (nonEmpty < kLayoutSample && lines.Next(&line)) {
    if (AllBlank(line)) continue;
    ++nonEmpty;
    switch (scan::SequenceFieldOf(line)) {
      case SequenceField::kNumber:
        ++numbered;
        break;
      case SequenceField::kText:
        ++withText;
        if (scan::IsLetterOrDigit(line[0]) && !scan::IsDebuggingIndicator(line, 0)) ++freeStart;
        break;
      case SequenceField::kBlank:
        if (line.size() > scan::kSequenceColumns && (line[6] == '*' || line[6] == '/')) {
          ++blankBeforeComment;
        }
        break;
    }
  }
  Layout layout;
  layout.blankSequenceArea =
      nonEmpty > 0 && (numbered >= withText || withText * 5 < nonEmpty || blankBeforeComment >= 3 ||
                       blankBeforeComment * 50 >= nonEmpty);
  layout.mixed = layout.blankSequenceArea && withText * 20 > nonEmpty;
  layout.free = !layout.blankSequenceArea && freeStart > 0 && freeStart * 20 >= nonEmpty;
  return layout;
}

bool LooksBinary(std::string_view text) {
  const std::string_view sample = text.substr(0, 65536);
  std::size_t control = 0;
  for (const char c : sample) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0) return true;
    if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') ++control;
  }
  return control * 10 > sample.size();
}

}  // namespace vandrel::vdx::cobol
