// The reference format of a COBOL source, as the scanner sees it: which
// columns of each line are program text, and the tokens of that text.
//
// A line comes in one of three shapes:
//  - numbered: columns 1-6 are the sequence area (digits or blanks), column 7
//    the indicator, columns 8-11 area A, 12-72 area B, 73-80 the
//    identification area (change tags, ignored, as is anything further);
//  - as edited: the editor took the sequence number away, so the indicator is
//    column 1, area A columns 2-5 and the identification area starts at 67;
//  - free: program text from column 1 to the end of the line, recognised by a
//    first column that is no indicator (a letter or digit).
// Whether blank sequence areas count as numbered is decided once per file
// (DetectLayout); a line with six digits in front is always numbered and a
// line with other text in columns 1-6 never is, so files with numbered and
// unnumbered lines mixed are read line by line.
//
// Indicators: '*' and '/' comment lines, '-' continuation, 'D' debugging
// lines (read as program text), '$' compiler directives (also in column 1).
// "*>" starts a comment anywhere outside a literal; ">>" lines are
// directives.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vandrel::vdx::cobol {

struct Layout {
  bool blankSequenceArea = false;  // blank columns 1-6 are a sequence area
  bool mixed = false;              // ... but many lines have program text there
  bool free = false;               // no identification area on unnumbered lines
};

// Looks at the first columns of the first lines (enough of them to judge
// any real program; reading all of a huge file twice would double its time).
Layout DetectLayout(std::string_view text);

// True for data that is no source text: zero bytes, or many control
// characters near the start.
bool LooksBinary(std::string_view text);

enum class TokenKind : std::uint8_t {
  kWord,
  kLiteral,  // with its delimiters: "x", 'x' or HP's \x\ value literal
  kPeriod,   // a separator period, followed by a blank or the end of the line
  kOpenParen,
  kCloseParen,
  kPseudoTextDelimiter,  // ==
};

struct Token {
  std::string_view text;  // points into the source
  int line = 0;
  TokenKind kind = TokenKind::kWord;
  bool firstOnLine = false;  // first token of a line that continues nothing
  bool inAreaA = false;      // begins in area A (only set with firstOnLine)
  // Area A only if blank columns 1-6 are a sequence area: the line may as
  // well be one whose number the editor took away, starting in area B.
  bool areaAUncertain = false;
};

// What ScanSource hands its receiver, a class with these members (called
// directly, not through virtual functions: there is one call per token):
//   void OnToken(const Token& token);
//   // A word that is neither first on its line nor one the receiver asked
//   // for (see WantsWord) – only its passing is told.
//   void OnOtherWord();
//   // Whether the receiver must see the word of `size` bytes starting with
//   // `first` as a token; false lets the scanner call OnOtherWord.
//   bool WantsWord(std::size_t size, char first) const;
//   // "$INCLUDE file" in the directive column.
//   void OnIncludeDirective(int line, std::string_view file);
//   // `percent` of the text was scanned.
//   void OnProgress(int percent);
template <class Receiver>
void ScanSource(std::string_view text, const Layout& layout, Receiver& receiver);

// ---------------------------------------------------------------------------
// The scanner; a template only so that the receiver's calls are inlined.

namespace scan {

constexpr std::size_t kSequenceColumns = 6;
constexpr std::size_t kFixedTextColumns = 72;  // columns 1-72 of a numbered line
constexpr std::size_t kAreaAColumns = 4;

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsLetterOrDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Byte classes of the tokenizer.
enum : std::uint8_t {
  kSeparator = 1,  // blank, comma, semicolon, control character: between tokens
  kWordEnd = 2,    // ends a word: separators, parentheses, quotes
  kMaybeEnd = 4,   // ends a word when the next byte says so: '.' and '='
};

constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 0x20; ++c) classes[c] = kSeparator | kWordEnd;
  for (const char c : {' ', ',', ';'})
    classes[static_cast<unsigned char>(c)] = kSeparator | kWordEnd;
  for (const char c : {'(', ')', '"', '\''}) classes[static_cast<unsigned char>(c)] = kWordEnd;
  classes['.'] = kMaybeEnd;
  classes['='] = kMaybeEnd;
  return classes;
}

inline constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

inline std::uint8_t ClassOf(char c) { return kClasses[static_cast<unsigned char>(c)]; }

// Walks the lines of a text: LF, CR LF or a lone CR end a line, a final line
// without an end counts.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text)
      : text_(text), anyCr_(std::memchr(text.data(), '\r', text.size()) != nullptr) {}

  bool Next(std::string_view* line) {
    if (at_ >= text_.size()) return false;
    const char* start = text_.data() + at_;
    const std::size_t rest = text_.size() - at_;
    const void* lf = std::memchr(start, '\n', rest);
    std::size_t length = lf != nullptr ? static_cast<const char*>(lf) - start : rest;
    std::size_t next = at_ + length + 1;
    if (anyCr_) {
      if (const void* cr = std::memchr(start, '\r', length); cr != nullptr) {
        const std::size_t at = static_cast<const char*>(cr) - start;
        if (at + 1 < length || lf == nullptr) next = at_ + at + 1;  // a lone CR ends the line
        length = at;
      }
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
  bool anyCr_;  // without any CR the search for one per line is left out
  std::size_t at_ = 0;
  int number_ = 0;
};

enum class SequenceField { kNumber, kBlank, kText };

// What columns 1-6 of `line` hold: a number (six digits, or one that slipped
// to the right behind blanks), blanks, or program text.
inline SequenceField SequenceFieldOf(std::string_view line) {
  const std::size_t size = std::min(line.size(), kSequenceColumns);
  std::size_t blanks = 0;
  while (blanks < size && line[blanks] == ' ') ++blanks;
  if (blanks == size) return SequenceField::kBlank;
  if (size == kSequenceColumns && blanks <= 2) {
    std::size_t i = blanks;
    while (i < size && IsDigit(line[i])) ++i;
    if (i == size) return SequenceField::kNumber;
  }
  return SequenceField::kText;
}

// 'D' or 'd' followed by a blank is a debugging line; followed by more of a
// word it is program text that starts in column 1.
inline bool IsDebuggingIndicator(std::string_view line, std::size_t at) {
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

inline LineShape ShapeOf(std::string_view line, const Layout& layout) {
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
  if (indicator == ' ') {
    // the common case: program text after the indicator
  } else if (indicator == '*' || indicator == '/') {
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

inline std::size_t VisualColumn(std::string_view line, std::size_t at) {
  std::size_t column = 0;
  for (std::size_t i = 0; i < at; ++i) column = line[i] == '\t' ? (column / 8 + 1) * 8 : column + 1;
  return column;
}

// The index after the closing quote; `end` and *closed false when the
// literal runs on.
inline std::size_t SkipLiteral(std::string_view line, std::size_t at, std::size_t end, char quote,
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

// The first index in [at, end) that is no separator, or `end`.
inline std::size_t SkipSeparators(const char* text, std::size_t at, std::size_t end) {
  while (at < end && (ClassOf(text[at]) & kSeparator)) ++at;
  return at;
}

// The end of the word starting at `at`, at most `end`.
inline std::size_t SkipWord(const char* text, std::size_t at, std::size_t end) {
  while (at < end) {
    const std::uint8_t kind = ClassOf(text[at]);
    if (kind != 0) {
      if (kind & kWordEnd) return at;
      // '.' before a blank or the end, or "=="
      if (text[at] == '.' ? at + 1 >= end || IsBlank(text[at + 1])
                          : at + 1 < end && text[at + 1] == '=') {
        return at;
      }
    }
    ++at;
  }
  return end;
}

template <class Receiver>
class LineTokenizer {
 public:
  explicit LineTokenizer(Receiver& receiver) : receiver_(receiver) {}

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
    while (true) {
      at = SkipSeparators(line.data(), at, end);
      if (at >= end) break;
      const char c = line[at];
      Token token;
      token.line = number;
      if (first) {
        token.firstOnLine = true;
        token.inAreaA = VisualColumn(line, at) < shape.areaAColumn + kAreaAColumns;
        token.areaAUncertain = token.inAreaA && shape.areaAUncertain;
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
        next = SkipWord(line.data(), at, end);
        if (!first && !receiver_.WantsWord(next - at, c)) {
          receiver_.OnOtherWord();
          at = next;
          continue;
        }
      }
      first = false;
      token.text = line.substr(at, next - at);
      receiver_.OnToken(token);
      at = next;
    }
  }

  void Interrupt() { openQuote_ = 0; }

 private:
  Receiver& receiver_;
  char openQuote_ = 0;  // quote of a literal that reached the end of the last text line
};

// "$INCLUDE name" (the name quoted or not); other directives say nothing.
template <class Receiver>
void Directive(std::string_view text, int number, Receiver& receiver) {
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

}  // namespace scan

template <class Receiver>
void ScanSource(std::string_view text, const Layout& layout, Receiver& receiver) {
  scan::LineCursor lines(text);
  scan::LineTokenizer<Receiver> tokenizer(receiver);
  const std::size_t step = std::max<std::size_t>(text.size() / 100, 1);
  std::size_t nextProgress = step;
  std::string_view line;
  while (lines.Next(&line)) {
    const scan::LineShape shape = scan::ShapeOf(line, layout);
    switch (shape.kind) {
      case scan::LineKind::kText:
      case scan::LineKind::kContinuation:
        tokenizer.Text(line, lines.number(), shape);
        break;
      case scan::LineKind::kDirective:
        tokenizer.Interrupt();
        scan::Directive(line.substr(shape.begin, shape.end - shape.begin), lines.number(),
                        receiver);
        break;
      case scan::LineKind::kComment:
      case scan::LineKind::kNothing:
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
