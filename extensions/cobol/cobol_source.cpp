#include "extensions/cobol/cobol_source.h"

#include <algorithm>
#include <cstring>

namespace vandrel::vdx::cobol {

namespace {

constexpr std::size_t kSequenceColumns = 6;
constexpr std::size_t kFixedTextColumns = 72;  // columns 1-72 of a numbered line
constexpr std::size_t kAreaAColumns = 4;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetterOrDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Walks the lines of a text: LF, CR LF or a lone CR end a line, a final line
// without an end counts.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}

  bool Next(std::string_view* line) {
    if (at_ >= text_.size()) return false;
    const char* start = text_.data() + at_;
    const std::size_t rest = text_.size() - at_;
    const void* lf = std::memchr(start, '\n', rest);
    std::size_t length = lf != nullptr ? static_cast<const char*>(lf) - start : rest;
    std::size_t next = at_ + length + 1;
    if (const void* cr = std::memchr(start, '\r', length); cr != nullptr) {
      const std::size_t at = static_cast<const char*>(cr) - start;
      if (at + 1 < length || lf == nullptr) next = at_ + at + 1;  // a lone CR ends the line
      length = at;
    }
    *line = std::string_view(start, length);
    at_ = next;
    ++number_;
    return true;
  }

  int number() const { return number_; }
  std::size_t offset() const { return at_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  int number_ = 0;
};

bool AllDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), IsDigit); }

enum class SequenceField { kNumber, kBlank, kText };

// What columns 1-6 of `line` hold: a number (six digits, or one that slipped
// to the right behind blanks), blanks, or program text.
SequenceField SequenceFieldOf(std::string_view line) {
  const std::string_view head = line.substr(0, kSequenceColumns);
  std::size_t blanks = 0;
  while (blanks < head.size() && head[blanks] == ' ') ++blanks;
  if (blanks == head.size()) return SequenceField::kBlank;
  if (head.size() == kSequenceColumns && blanks <= 2 && AllDigits(head.substr(blanks))) {
    return SequenceField::kNumber;
  }
  return SequenceField::kText;
}

bool AllBlank(std::string_view text) { return std::all_of(text.begin(), text.end(), IsBlank); }

// 'D' or 'd' followed by a blank is a debugging line; followed by more of a
// word it is program text that starts in column 1.
bool IsDebuggingIndicator(std::string_view line, std::size_t at) {
  return (line[at] == 'D' || line[at] == 'd') && (at + 1 >= line.size() || IsBlank(line[at + 1]));
}

enum class LineKind { kNothing, kComment, kDirective, kText, kContinuation };

struct LineShape {
  LineKind kind = LineKind::kNothing;
  std::size_t begin = 0;  // program text (or directive text) within the line
  std::size_t end = 0;
  std::size_t areaAColumn = 0;  // visual column where area A starts
  bool areaAUncertain = false;
};

LineShape ShapeOf(std::string_view line, const Layout& layout) {
  LineShape shape;
  const SequenceField field = SequenceFieldOf(line);
  // Blank columns 1-6 before a comment indicator only occur in a numbered
  // line whose number was left out.
  const bool numbered = field == SequenceField::kNumber ||
                        (field == SequenceField::kBlank &&
                         (layout.blankSequenceArea ||
                          (line.size() > kSequenceColumns && (line[6] == '*' || line[6] == '/'))));
  shape.areaAUncertain = field == SequenceField::kBlank && layout.mixed;
  const std::size_t at = numbered ? kSequenceColumns : 0;
  if (line.size() <= at) return shape;
  std::size_t end = line.size();
  if (numbered) {
    end = std::min(end, kFixedTextColumns);
  } else if (!layout.free) {
    end = std::min(end, kFixedTextColumns - kSequenceColumns);
  }
  shape.begin = at + 1;
  shape.end = std::max(end, shape.begin);
  shape.areaAColumn = at + 1;
  shape.kind = LineKind::kText;
  const char indicator = line[at];
  if (indicator == '*' || indicator == '/') {
    shape.kind = LineKind::kComment;
  } else if (indicator == '$') {
    shape.kind = LineKind::kDirective;
    shape.end = line.size();
  } else if (indicator == '-') {
    shape.kind = LineKind::kContinuation;
  } else if (indicator == '>' && at + 1 < line.size() && line[at + 1] == '>') {
    shape.kind = LineKind::kDirective;
    shape.begin = shape.end;
  } else if (IsBlank(indicator) || IsDebuggingIndicator(line, at)) {
    // program text after the indicator
  } else if (numbered) {
    // A stray character in the indicator column: a digit of a number that
    // slipped one column is dropped, anything else is program text.
    if (!IsDigit(indicator)) shape.begin = at;
  } else {
    // Free form: the text starts in column 1 and runs to the end.
    shape.begin = 0;
    shape.end = line.size();
    shape.areaAColumn = 0;
  }
  return shape;
}

class LineTokenizer {
 public:
  explicit LineTokenizer(TokenReceiver& receiver) : receiver_(receiver) {}

  // Tokens of program text [begin, end) of `line`.
  void Text(std::string_view line, int number, const LineShape& shape) {
    std::size_t at = shape.begin;
    const std::size_t end = shape.end;
    bool first = shape.kind == LineKind::kText;
    const char quote = openQuote_;
    openQuote_ = 0;
    if (shape.kind == LineKind::kContinuation && quote != 0) {
      // A continued literal goes on after the quote that opens its next piece.
      while (at < end && IsBlank(line[at])) ++at;
      if (at < end && line[at] == quote) {
        bool closed = false;
        at = SkipLiteral(line, at + 1, end, quote, &closed);
        if (!closed) openQuote_ = quote;
      }
    }
    while (at < end) {
      const char c = line[at];
      if (IsBlank(c) || c == ',' || c == ';' || static_cast<unsigned char>(c) < 0x20) {
        ++at;
        continue;
      }
      Token token;
      token.line = number;
      if (first) {
        token.firstOnLine = true;
        token.inAreaA = VisualColumn(line, at) < shape.areaAColumn + kAreaAColumns;
        token.areaAUncertain = token.inAreaA && shape.areaAUncertain;
        first = false;
      }
      std::size_t next = at + 1;
      if (c == '"' || c == '\'' || c == '\\') {
        bool closed = false;
        next = SkipLiteral(line, at + 1, end, c, &closed);
        if (!closed && c != '\\') openQuote_ = c;
        token.kind = TokenKind::kLiteral;
      } else if (c == '.' && (at + 1 >= end || IsBlank(line[at + 1]))) {
        token.kind = TokenKind::kPeriod;
      } else if (c == '(') {
        token.kind = TokenKind::kOpenParen;
      } else if (c == ')') {
        token.kind = TokenKind::kCloseParen;
      } else if (c == '=' && at + 1 < end && line[at + 1] == '=') {
        token.kind = TokenKind::kPseudoTextDelimiter;
        next = at + 2;
      } else if (c == '*' && at + 1 < end && line[at + 1] == '>') {
        return;  // a comment to the end of the line
      } else {
        next = SkipWord(line, at, end);
      }
      token.text = line.substr(at, next - at);
      receiver_.OnToken(token);
      at = next;
    }
  }

  void Interrupt() { openQuote_ = 0; }

 private:
  static std::size_t VisualColumn(std::string_view line, std::size_t at) {
    std::size_t column = 0;
    for (std::size_t i = 0; i < at; ++i)
      column = line[i] == '\t' ? (column / 8 + 1) * 8 : column + 1;
    return column;
  }

  // The index after the closing quote; `end` and *closed false when the
  // literal runs on.
  static std::size_t SkipLiteral(std::string_view line, std::size_t at, std::size_t end, char quote,
                                 bool* closed) {
    while (at < end) {
      if (line[at] == quote) {
        if (quote != '\\' && at + 1 < end && line[at + 1] == quote) {
          at += 2;  // a doubled quote stands for itself
          continue;
        }
        *closed = true;
        return at + 1;
      }
      ++at;
    }
    *closed = false;
    return end;
  }

  static std::size_t SkipWord(std::string_view line, std::size_t at, std::size_t end) {
    while (at < end) {
      const char c = line[at];
      if (IsBlank(c) || c == ',' || c == ';' || c == '(' || c == ')' || c == '"' || c == '\'' ||
          static_cast<unsigned char>(c) < 0x20) {
        break;
      }
      if (c == '.' && (at + 1 >= end || IsBlank(line[at + 1]))) break;
      if (c == '=' && at + 1 < end && line[at + 1] == '=') break;
      ++at;
    }
    return at;
  }

  TokenReceiver& receiver_;
  char openQuote_ = 0;  // quote of a literal that reached the end of the last text line
};

// "$INCLUDE name" (the name quoted or not); other directives say nothing.
void Directive(std::string_view text, int number, TokenReceiver& receiver) {
  std::size_t at = 0;
  while (at < text.size() && IsLetterOrDigit(text[at])) ++at;
  constexpr std::string_view kInclude = "INCLUDE";
  if (at != kInclude.size()) return;
  for (std::size_t i = 0; i < at; ++i) {
    if ((text[i] & ~0x20) != kInclude[i]) return;
  }
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (at >= text.size()) return;
  std::size_t end = at;
  if (text[at] == '"' || text[at] == '\'') {
    end = text.find(text[at], at + 1);
    if (end == std::string_view::npos) end = text.size();
    ++at;
  } else {
    while (end < text.size() && !IsBlank(text[end]) && text[end] != ',' && text[end] != ';') ++end;
  }
  if (end > at) receiver.OnIncludeDirective(number, text.substr(at, end - at));
}

}  // namespace

Layout DetectLayout(std::string_view text) {
  LineCursor lines(text);
  std::string_view line;
  long nonEmpty = 0, numbered = 0, withText = 0, blankBeforeComment = 0, freeStart = 0;
  while (lines.Next(&line)) {
    if (AllBlank(line)) continue;
    ++nonEmpty;
    switch (SequenceFieldOf(line)) {
      case SequenceField::kNumber:
        ++numbered;
        break;
      case SequenceField::kText:
        ++withText;
        if (IsLetterOrDigit(line[0]) && !IsDebuggingIndicator(line, 0)) ++freeStart;
        break;
      case SequenceField::kBlank:
        if (line.size() > kSequenceColumns && (line[6] == '*' || line[6] == '/')) {
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

void ScanSource(std::string_view text, const Layout& layout, TokenReceiver& receiver) {
  LineCursor lines(text);
  LineTokenizer tokenizer(receiver);
  const std::size_t step = std::max<std::size_t>(text.size() / 100, 1);
  std::size_t nextProgress = step;
  std::string_view line;
  while (lines.Next(&line)) {
    const LineShape shape = ShapeOf(line, layout);
    switch (shape.kind) {
      case LineKind::kText:
      case LineKind::kContinuation:
        tokenizer.Text(line, lines.number(), shape);
        break;
      case LineKind::kDirective:
        tokenizer.Interrupt();
        Directive(line.substr(shape.begin, shape.end - shape.begin), lines.number(), receiver);
        break;
      case LineKind::kComment:
      case LineKind::kNothing:
        break;  // a comment between a literal and its continuation keeps it open
    }
    if (lines.offset() >= nextProgress) {
      receiver.OnProgress(static_cast<int>(std::min<std::size_t>(lines.offset(), text.size()) *
                                           100 / std::max<std::size_t>(text.size(), 1)));
      nextProgress = lines.offset() + step;
    }
  }
}

}  // namespace vandrel::vdx::cobol
