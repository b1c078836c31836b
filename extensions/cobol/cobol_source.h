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

#include <cstdint>
#include <string_view>

namespace vandrel::vdx::cobol {

struct Layout {
  bool blankSequenceArea = false;  // blank columns 1-6 are a sequence area
  bool mixed = false;              // ... but many lines have program text there
  bool free = false;               // no identification area on unnumbered lines
};

// Looks at the first columns of every line.
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

class TokenReceiver {
 public:
  virtual ~TokenReceiver() = default;
  virtual void OnToken(const Token& token) = 0;
  // "$INCLUDE file" in the directive column.
  virtual void OnIncludeDirective(int line, std::string_view file) = 0;
  // `percent` of the text was scanned.
  virtual void OnProgress(int percent) = 0;
};

// Cuts `text` into lines and tokens for `receiver`, in order, in one pass.
void ScanSource(std::string_view text, const Layout& layout, TokenReceiver& receiver);

}  // namespace vandrel::vdx::cobol
