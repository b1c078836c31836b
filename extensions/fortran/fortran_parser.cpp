#include "extensions/fortran/fortran_parser.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vandrel::vdx {

namespace {

constexpr std::size_t kStatementColumns = 72;  // columns 73-80 are never code
constexpr std::size_t kSequenceColumns = 8;
constexpr int kDiagnosticLimit = 100;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '$'; }
char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsBlankText(std::string_view text) { return Trim(text).empty(); }

// Text files hold no control bytes but tab and form feed; a line with others
// is binary data, never a statement.
bool HoldsControlBytes(std::string_view line) {
  return std::any_of(line.begin(), line.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t' && c != '\f') || byte == 0x7F;
  });
}

bool IsName(std::string_view text) {
  if (text.empty() || !IsLetter(text.front())) return false;
  return std::all_of(text.begin(), text.end(), IsNameChar);
}

// Most non-empty lines carry digits (or blanks) in columns 73-80: the file as
// stored on the host, sequence numbers included.
bool HasSequenceNumbers(const std::vector<SourceLine>& lines) {
  int nonEmpty = 0;
  int numbered = 0;
  for (const SourceLine& line : lines) {
    if (IsBlankText(line.text)) continue;
    ++nonEmpty;
    if (line.text.size() <= kStatementColumns) continue;
    const std::string_view sequence = line.text.substr(kStatementColumns, kSequenceColumns);
    const bool digitsOrBlanks = std::all_of(sequence.begin(), sequence.end(),
                                            [](char c) { return IsDigit(c) || c == ' '; });
    if (digitsOrBlanks && std::any_of(sequence.begin(), sequence.end(), IsDigit)) ++numbered;
  }
  return nonEmpty > 0 && numbered * 2 > nonEmpty;
}

bool StartsWithWord(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (UpperChar(text[i]) != word[i]) return false;
  }
  return text.size() == word.size() || !IsNameChar(text[word.size()]);
}

// Weighs what each form cannot hold: a comment letter or '*' in column 1 and
// a continuation mark in column 6 are impossible in free form; a statement in
// the label field and a line ending in '&' are impossible in fixed form.
// Statements starting in column 7 only break a tie. No evidence: fixed form,
// the form of the host's sources.
bool IsFixedForm(const std::vector<std::string_view>& lines) {
  int fixed = 0;
  int free = 0;
  int fixedHints = 0;
  int freeHints = 0;
  bool previousContinues = false;
  for (std::string_view line : lines) {
    if (IsBlankText(line)) continue;
    const char first = line.front();
    if (first == '$' || first == '#' || first == '!') continue;
    const bool continued = previousContinues;
    std::string_view code = line;
    if (const std::size_t bang = code.find('!'); bang != std::string_view::npos) {
      code = code.substr(0, bang);
    }
    code = Trim(code);
    previousContinues = !code.empty() && code.back() == '&';
    if (previousContinues) ++free;
    if (first == '*') {
      ++fixed;
      continue;
    }
    if (first == 'C' || first == 'c') {
      const std::string_view after = Trim(line.substr(1));
      if (line.size() == 1 || (!IsNameChar(line[1]) && !after.empty() && after.front() != '=' &&
                               after.front() != '(' && after.front() != '%')) {
        ++fixed;
      } else if (StartsWithWord(line, "CALL") || StartsWithWord(line, "CHARACTER") ||
                 StartsWithWord(line, "CONTAINS") || StartsWithWord(line, "COMMON") ||
                 StartsWithWord(line, "COMPLEX") || StartsWithWord(line, "CONTINUE") ||
                 StartsWithWord(line, "CLOSE") || StartsWithWord(line, "CASE") ||
                 StartsWithWord(line, "CYCLE")) {
        ++freeHints;
      }
      continue;
    }
    if (IsLetter(first)) {
      ++free;
      continue;
    }
    const std::string_view label = line.substr(0, std::min<std::size_t>(5, line.size()));
    if (line.find('\t') < 6 ||
        !std::all_of(label.begin(), label.end(), [](char c) { return IsDigit(c) || c == ' '; })) {
      continue;
    }
    if (line.size() > 5 && line[5] != ' ' && line[5] != '0' && !continued) {
      if (!IsLetter(line[5]) && IsBlankText(label)) ++fixed;
    } else if (line.size() > 6 && line[5] == ' ' && !IsBlank(line[6])) {
      ++fixedHints;
    }
    if (line.size() > kStatementColumns && !IsBlankText(line.substr(kStatementColumns))) {
      ++freeHints;
    }
  }
  if (fixed != free) return fixed > free;
  return fixedHints >= freeHints;
}

// Splits at `separator` outside parentheses and quotes.
std::vector<std::string_view> SplitTopLevel(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  int depth = 0;
  char quote = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (c == separator && depth == 0) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

// An assignment, DO loop or statement function: '=' outside parentheses in a
// statement without "::" (which would make it a declaration).
bool IsAssignment(std::string_view text) {
  int depth = 0;
  char quote = 0;
  bool equals = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (depth == 0 && c == ':' && i + 1 < text.size() && text[i + 1] == ':') {
      return false;
    } else if (depth == 0 && c == '=') {
      const char before = i > 0 ? text[i - 1] : ' ';
      const char after = i + 1 < text.size() ? text[i + 1] : ' ';
      if (before != '<' && before != '>' && before != '/' && before != '=' && after != '=' &&
          after != '>') {
        equals = true;
      }
    }
  }
  return equals;
}

// Reads a statement left to right. In fixed form blanks mean nothing, so a
// lenient keyword may have blanks inside and needs none after it; a strict
// one is matched the free-form way: blanks only where the keyword has one,
// and no name character right after it.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  bool Peek(char c) {
    SkipBlanks();
    return pos_ < text_.size() && text_[pos_] == c;
  }
  bool Take(char c) {
    if (!Peek(c)) return false;
    ++pos_;
    return true;
  }

  // `word` upper case; a blank in it may be absent from the text.
  bool Keyword(std::string_view word, bool lenient) {
    SkipBlanks();
    std::size_t at = pos_;
    for (const char w : word) {
      if (w == ' ') {
        while (at < text_.size() && IsBlank(text_[at])) ++at;
        continue;
      }
      if (lenient) {
        while (at < text_.size() && IsBlank(text_[at])) ++at;
      }
      if (at >= text_.size() || UpperChar(text_[at]) != w) return false;
      ++at;
    }
    if (!lenient && at < text_.size() && IsNameChar(text_[at])) return false;
    pos_ = at;
    return true;
  }

  // A name as written; empty when none starts here.
  std::string_view Name() {
    SkipBlanks();
    const std::size_t start = pos_;
    if (pos_ >= text_.size() || !IsLetter(text_[pos_])) return {};
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  // At '(': the text up to the matching ')', which is passed. nullopt when
  // there is no '(' here or it is never closed.
  std::optional<std::string_view> Parenthesized() {
    if (!Peek('(')) return std::nullopt;
    int depth = 0;
    char quote = 0;
    for (std::size_t i = pos_; i < text_.size(); ++i) {
      const char c = text_[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        const std::string_view inside = text_.substr(pos_ + 1, i - pos_ - 1);
        pos_ = i + 1;
        return inside;
      }
    }
    return std::nullopt;
  }

  // A quoted text ('' or "" inside stand for one quote); nullopt when none.
  std::optional<std::string> QuotedText() {
    SkipBlanks();
    if (pos_ >= text_.size() || (text_[pos_] != '\'' && text_[pos_] != '"')) return std::nullopt;
    const char quote = text_[pos_];
    std::string value;
    for (std::size_t i = pos_ + 1; i < text_.size(); ++i) {
      if (text_[i] != quote) {
        value += text_[i];
      } else if (i + 1 < text_.size() && text_[i + 1] == quote) {
        value += quote;
        ++i;
      } else {
        pos_ = i + 1;
        return value;
      }
    }
    return std::nullopt;
  }

  // The number of digits passed.
  std::size_t Digits() {
    SkipBlanks();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    return pos_ - start;
  }

  std::string_view Rest() {
    SkipBlanks();
    return Trim(text_.substr(pos_));
  }
  std::size_t position() const { return pos_; }
  void Restore(std::size_t pos) { pos_ = pos; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// A SUBROUTINE or FUNCTION statement taken apart.
struct RoutineStatement {
  bool function = false;
  std::string name;
  std::vector<std::string> parameters;
};

enum class Unit { kProgram, kModule, kBlockData, kRoutine, kInterface, kInterfaceBody, kType };

struct Frame {
  Unit unit;
  std::string name;
  int line = 0;
  int level = 0;  // Functions level of a routine; Forward level of an interface's bodies
  bool contains = false;
};

const char* UnitWord(Unit unit) {
  switch (unit) {
    case Unit::kProgram:
      return "PROGRAM";
    case Unit::kModule:
      return "MODULE";
    case Unit::kBlockData:
      return "BLOCK DATA";
    case Unit::kRoutine:
    case Unit::kInterfaceBody:
      return "routine";
    case Unit::kInterface:
      return "INTERFACE";
    case Unit::kType:
      return "TYPE";
  }
  return "unit";
}

class FortranParser {
 public:
  FortranParser(SymbolSink& sink, bool fixed) : sink_(sink), fixed_(fixed) {}

  void Line(std::string_view text, int number) {
    if (HoldsControlBytes(text)) {
      Diagnose(number, "line holds control characters: left out");
      return;
    }
    if (fixed_) {
      FixedLine(text, number);
    } else {
      FreeLine(text, number);
    }
  }

  void Finish() {
    Flush();
    while (!frames_.empty()) {
      DiagnoseUnended(frames_.back(), 0);
      frames_.pop_back();
    }
  }

 private:
  // ---- Lines into statements ----------------------------------------------

  void FixedLine(std::string_view text, int number) {
    if (IsBlankText(text)) return;
    const char first = text.front();
    if (first == 'C' || first == 'c' || first == '*' || first == '!' || first == 'D' ||
        first == 'd') {
      return;  // comments, and debug lines compiled only on request
    }
    if (first == '$' || first == '#') {
      Flush();
      Directive(text, number);
      return;
    }
    // Tab format: a tab ends the label field; a digit after it marks a
    // continuation.
    if (const std::size_t tab = text.find('\t'); tab < 6) {
      const std::string_view label = text.substr(0, tab);
      if (std::all_of(label.begin(), label.end(), [](char c) { return IsDigit(c) || c == ' '; })) {
        const std::string_view rest = text.substr(tab + 1);
        if (!rest.empty() && rest.front() >= '1' && rest.front() <= '9') {
          Continue(rest.substr(1), number);
        } else if (!IsBlankText(rest)) {
          Begin(rest, number);
        }
        return;
      }
    }
    const std::string_view label = text.substr(0, std::min<std::size_t>(5, text.size()));
    if (!std::all_of(label.begin(), label.end(), [](char c) { return IsDigit(c) || c == ' '; })) {
      Diagnose(number, "statement in the label field of a fixed-form line");
      Begin(Trim(text), number);
      return;
    }
    if (text.size() > 5 && text[5] != ' ' && text[5] != '0') {
      Continue(text.substr(6), number);
      return;
    }
    const std::string_view body = text.size() > 6 ? text.substr(6) : std::string_view{};
    const std::string_view code = Trim(body);
    if (code.empty() || code.front() == '!') return;
    Begin(body, number);
  }

  void FreeLine(std::string_view text, int number) {
    const std::string_view code = Trim(text);
    if (continued_) {
      if (code.empty() || code.front() == '!') return;  // may sit between continued lines
      std::string_view rest = code;
      if (rest.front() == '&') rest.remove_prefix(1);
      Append(rest);
      if (!continued_) Flush();
      return;
    }
    if (code.empty() || code.front() == '!') return;
    if (text.front() == '$' || text.front() == '#') {
      Directive(text, number);
      return;
    }
    Begin(text, number);
    if (!continued_) Flush();
  }

  void Begin(std::string_view text, int number) {
    Flush();
    open_ = true;
    line_ = number;
    Append(text);
  }

  void Continue(std::string_view text, int number) {
    if (!open_) {
      Diagnose(number, "continuation line without a statement to continue");
      Begin(text, number);
      return;
    }
    Append(text);
  }

  // Adds a line's code to the statement, up to a '!' comment outside quotes.
  // In free form a final '&' continues the statement on the next line.
  void Append(std::string_view text) {
    std::size_t end = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (quote_ != 0) {
        if (c == quote_) quote_ = 0;
      } else if (c == '\'' || c == '"') {
        quote_ = c;
      } else if (c == '!') {
        end = i;
        break;
      }
    }
    std::string_view code = text.substr(0, end);
    while (!code.empty() && IsBlank(code.back())) code.remove_suffix(1);
    continued_ = false;
    if (!fixed_ && !code.empty() && code.back() == '&') {
      code.remove_suffix(1);
      continued_ = true;
    }
    statement_.append(code);
  }

  void Flush() {
    if (!open_) return;
    for (std::string_view part : SplitTopLevel(statement_, ';')) Statement(Trim(part), line_);
    statement_.clear();
    open_ = false;
    continued_ = false;
    quote_ = 0;
  }

  // HP compiler directives ($INCLUDE) and preprocessor lines (#include).
  void Directive(std::string_view text, int number) {
    Cursor cursor(text.substr(1));
    if (!cursor.Keyword("INCLUDE", text.front() == '$')) return;
    std::optional<std::string> file = cursor.QuotedText();
    if (!file && cursor.Take('<')) {
      const std::string_view rest = cursor.Rest();
      const std::size_t close = rest.find('>');
      if (close != std::string_view::npos) file = std::string(Trim(rest.substr(0, close)));
    }
    if (file && !Trim(*file).empty()) {
      Report(kVdxInclude, std::string(Trim(*file)), number, 0, {});
    } else {
      Diagnose(number, "INCLUDE without a file name");
    }
  }

  // ---- Statements ------------------------------------------------------------

  void Statement(std::string_view text, int number) {
    // A free-form statement label.
    std::size_t digits = 0;
    while (digits < text.size() && IsDigit(text[digits])) ++digits;
    if (digits > 0 && digits < text.size() && IsBlank(text[digits]))
      text = Trim(text.substr(digits));
    if (text.empty()) return;

    Cursor cursor(text);
    if (cursor.Keyword("INCLUDE", fixed_) && (cursor.Peek('\'') || cursor.Peek('"'))) {
      const std::optional<std::string> file = cursor.QuotedText();
      if (file && !Trim(*file).empty()) {
        Report(kVdxInclude, std::string(Trim(*file)), number, 0, {});
      } else {
        Diagnose(number, "INCLUDE without a file name");
      }
      return;
    }
    if (IsAssignment(text)) return;
    if (EndStatement(text, number)) return;

    const Unit top = frames_.empty() ? Unit::kProgram : frames_.back().unit;
    if (!frames_.empty() && top == Unit::kType) return;
    if (InterfaceStatement(text, number)) return;
    if (!frames_.empty() && top == Unit::kInterface) {
      if (std::optional<RoutineStatement> routine = ParseRoutine(text, true, number)) {
        const int level = frames_.back().level;
        Report(kVdxForward, routine->name, number, level, std::move(routine->parameters));
        frames_.push_back({Unit::kInterfaceBody, routine->name, number, level});
      }
      return;
    }
    if (!frames_.empty() && top == Unit::kInterfaceBody) return;

    Cursor word(text);
    if (word.Keyword("CONTAINS", fixed_) && word.AtEnd()) {
      if (frames_.empty() || top == Unit::kBlockData) {
        Diagnose(number, "CONTAINS outside a program unit");
      } else {
        frames_.back().contains = true;
      }
      return;
    }
    if (UnitStatement(text, number)) return;
    if (EntryStatement(text, number)) return;
    if (CommonStatement(text, number)) return;
    if (ExternalStatement(text, number)) return;
    TypeDefinition(text, number);
  }

  // END of a program unit, routine, interface block or derived type; END IF,
  // END DO, ENDFILE and the like are not.
  bool EndStatement(std::string_view text, int number) {
    struct Closer {
      const char* words;
      Unit unit;
    };
    static constexpr Closer kClosers[] = {
        {"END SUBROUTINE", Unit::kRoutine},  {"END FUNCTION", Unit::kRoutine},
        {"END PROGRAM", Unit::kProgram},     {"END SUBMODULE", Unit::kModule},
        {"END MODULE", Unit::kModule},       {"END BLOCK DATA", Unit::kBlockData},
        {"END INTERFACE", Unit::kInterface}, {"END TYPE", Unit::kType}};
    for (const Closer& closer : kClosers) {
      Cursor cursor(text);
      if (!cursor.Keyword(closer.words, fixed_)) continue;
      // The name may be repeated; END INTERFACE repeats a generic name.
      if (closer.unit != Unit::kInterface && (cursor.Name(), !cursor.AtEnd())) return false;
      Close(closer.unit, number);
      return true;
    }
    Cursor cursor(text);
    if (!cursor.Keyword("END", fixed_) || !cursor.AtEnd()) return false;
    // A bare END closes the innermost unit; blocks left open in it go with it.
    while (!frames_.empty()) {
      const Unit unit = frames_.back().unit;
      if (unit != Unit::kInterface && unit != Unit::kType) {
        frames_.pop_back();
        break;
      }
      DiagnoseUnended(frames_.back(), number);
      frames_.pop_back();
    }
    return true;
  }

  // Pops down to the innermost frame of `unit` (a routine's END also closes
  // an interface body).
  void Close(Unit unit, int number) {
    auto matches = [unit](Unit open) {
      return open == unit || (unit == Unit::kRoutine && open == Unit::kInterfaceBody);
    };
    const auto found = std::find_if(frames_.rbegin(), frames_.rend(),
                                    [&](const Frame& frame) { return matches(frame.unit); });
    if (found == frames_.rend()) {
      Diagnose(number, std::string("END ") + UnitWord(unit) + " without its beginning");
      return;
    }
    while (!matches(frames_.back().unit)) {
      DiagnoseUnended(frames_.back(), number);
      frames_.pop_back();
    }
    frames_.pop_back();
  }

  // [ABSTRACT] INTERFACE [generic name]: its routines are forward declarations,
  // below the generic name when there is one.
  bool InterfaceStatement(std::string_view text, int number) {
    Cursor cursor(text);
    (void)cursor.Keyword("ABSTRACT", fixed_);
    if (!cursor.Keyword("INTERFACE", fixed_)) return false;
    int level = 0;
    if (!frames_.empty() && frames_.back().unit == Unit::kInterfaceBody) {
      level = frames_.back().level + 1;
    }
    const std::string_view generic = cursor.Rest();
    if (!generic.empty()) {
      Report(kVdxForward, std::string(generic), number, level, {});
      ++level;
    }
    frames_.push_back({Unit::kInterface, std::string(generic), number, level});
    return true;
  }

  // PROGRAM, MODULE, SUBMODULE, BLOCK DATA, SUBROUTINE, FUNCTION.
  bool UnitStatement(std::string_view text, int number) {
    const bool expectingUnit = frames_.empty() || frames_.back().contains;
    Cursor cursor(text);
    if (cursor.Keyword("PROGRAM", fixed_)) {
      const std::string_view name = cursor.Name();
      if (name.empty() || !cursor.AtEnd()) return false;
      OpenUnit(Unit::kProgram, std::string(name), number, kVdxSection, {});
      return true;
    }
    cursor.Restore(0);
    if (cursor.Keyword("BLOCK DATA", fixed_)) {
      std::string name(cursor.Name());
      if (!cursor.AtEnd()) return false;
      if (name.empty()) name = "BLOCK DATA";
      OpenUnit(Unit::kBlockData, std::move(name), number, kVdxSection, {});
      return true;
    }
    cursor.Restore(0);
    if (cursor.Keyword("MODULE", fixed_) && !cursor.Keyword("PROCEDURE", fixed_)) {
      const std::string_view name = cursor.Name();
      if (!name.empty() && cursor.AtEnd()) {
        OpenUnit(Unit::kModule, std::string(name), number, kVdxSection, {});
        return true;
      }
    }
    cursor.Restore(0);
    if (cursor.Keyword("SUBMODULE", fixed_) && cursor.Parenthesized()) {
      const std::string_view name = cursor.Name();
      if (!name.empty() && cursor.AtEnd()) {
        OpenUnit(Unit::kModule, std::string(name), number, kVdxSection, {});
        return true;
      }
    }
    std::optional<RoutineStatement> routine = ParseRoutine(text, expectingUnit, number);
    if (!routine) return false;
    OpenUnit(Unit::kRoutine, std::move(routine->name), number, kVdxFunction,
             std::move(routine->parameters));
    return true;
  }

  // A unit starting where none may (no CONTAINS before it) means the open
  // ones lack their END: they are closed here. A main program, module or
  // block data is never inside another unit.
  void OpenUnit(Unit unit, std::string name, int number, int category,
                std::vector<std::string> parameters) {
    while (!frames_.empty() && (unit != Unit::kRoutine || !frames_.back().contains)) {
      DiagnoseUnended(frames_.back(), number);
      frames_.pop_back();
    }
    int level = 0;
    if (!frames_.empty() && frames_.back().unit == Unit::kRoutine) level = frames_.back().level + 1;
    Report(category, name, number, level, std::move(parameters));
    frames_.push_back({unit, std::move(name), number, level});
  }

  // [prefixes] [type] FUNCTION name [(args)] [RESULT(r)] [BIND(...)], or
  // [prefixes] SUBROUTINE name [(args)] [BIND(...)]. In fixed form a typed
  // FUNCTION inside a unit must be written with its blanks: "REAL FUNCTIONS(9)"
  // there declares an array.
  std::optional<RoutineStatement> ParseRoutine(std::string_view text, bool expectingUnit,
                                               int number) {
    Cursor cursor(text);
    bool typed = false;
    for (;;) {
      if (cursor.Keyword("RECURSIVE", fixed_) || cursor.Keyword("PURE", fixed_) ||
          cursor.Keyword("ELEMENTAL", fixed_) || cursor.Keyword("IMPURE", fixed_) ||
          cursor.Keyword("NON_RECURSIVE", fixed_) || cursor.Keyword("MODULE", fixed_)) {
        continue;
      }
      if (!typed && TypeSpec(cursor)) {
        typed = true;
        continue;
      }
      break;
    }
    RoutineStatement routine;
    if (!typed && cursor.Keyword("SUBROUTINE", fixed_)) {
      routine.function = false;
    } else if (cursor.Keyword("FUNCTION", fixed_ && (expectingUnit || !typed))) {
      routine.function = true;
    } else {
      return std::nullopt;
    }
    const std::string_view name = cursor.Name();
    if (name.empty()) {
      if (!typed) Diagnose(number, "routine statement without a name");
      return std::nullopt;
    }
    routine.name = std::string(name);
    if (cursor.Peek('(')) {
      const std::optional<std::string_view> inside = cursor.Parenthesized();
      if (!inside) {
        if (!typed) Diagnose(number, "dummy argument list of " + routine.name + " is not closed");
        return std::nullopt;
      }
      if (!IsBlankText(*inside)) {
        for (std::string_view parameter : SplitTopLevel(*inside, ',')) {
          parameter = Trim(parameter);
          if (parameter != "*" && !IsName(parameter)) return std::nullopt;
          routine.parameters.emplace_back(parameter);
        }
      }
    }
    // What may follow the arguments.
    for (;;) {
      if (cursor.AtEnd()) return routine;
      const std::size_t at = cursor.position();
      if ((routine.function && cursor.Keyword("RESULT", fixed_)) ||
          cursor.Keyword("BIND", fixed_)) {
        if (cursor.Parenthesized()) continue;
      }
      cursor.Restore(at);
      return std::nullopt;
    }
  }

  // INTEGER, REAL, DOUBLE PRECISION, ... with an optional *length or (kind);
  // TYPE(name) and CLASS(name).
  bool TypeSpec(Cursor& cursor) {
    const std::size_t start = cursor.position();
    static constexpr const char* kIntrinsicTypes[] = {
        "DOUBLE PRECISION", "DOUBLE COMPLEX", "INTEGER",   "REAL",
        "COMPLEX",          "LOGICAL",        "CHARACTER", "BYTE"};
    for (const char* type : kIntrinsicTypes) {
      cursor.Restore(start);
      if (!cursor.Keyword(type, fixed_)) continue;
      if (cursor.Take('*')) {
        if (cursor.Peek('(') ? !cursor.Parenthesized() : cursor.Digits() == 0) return false;
      } else if (cursor.Peek('(')) {
        if (!cursor.Parenthesized()) return false;
      }
      return true;
    }
    cursor.Restore(start);
    if ((cursor.Keyword("TYPE", fixed_) || cursor.Keyword("CLASS", fixed_)) && cursor.Peek('(') &&
        cursor.Parenthesized()) {
      return true;
    }
    cursor.Restore(start);
    return false;
  }

  // ENTRY name [(args)]: one level below the routine it enters.
  bool EntryStatement(std::string_view text, int number) {
    Cursor cursor(text);
    if (!cursor.Keyword("ENTRY", fixed_)) return false;
    const std::string_view name = cursor.Name();
    if (name.empty()) return false;
    std::vector<std::string> parameters;
    if (cursor.Peek('(')) {
      const std::optional<std::string_view> inside = cursor.Parenthesized();
      if (!inside) return false;
      if (!IsBlankText(*inside)) {
        for (std::string_view parameter : SplitTopLevel(*inside, ',')) {
          parameter = Trim(parameter);
          if (parameter != "*" && !IsName(parameter)) return false;
          parameters.emplace_back(parameter);
        }
      }
    }
    if (!cursor.AtEnd()) return false;
    const auto routine = std::find_if(frames_.rbegin(), frames_.rend(), [](const Frame& frame) {
      return frame.unit == Unit::kRoutine;
    });
    int level = 0;
    if (routine == frames_.rend()) {
      Diagnose(number, "ENTRY " + std::string(name) + " outside a subprogram");
    } else {
      level = routine->level + 1;
    }
    Report(kVdxFunction, std::string(name), number, level, std::move(parameters));
    return true;
  }

  // COMMON [/name/] members [[,] /name/ members]...: one Data symbol per block.
  bool CommonStatement(std::string_view text, int number) {
    Cursor cursor(text);
    if (!cursor.Keyword("COMMON", fixed_)) return false;
    std::string_view rest = cursor.Rest();
    if (rest.empty() || (!IsLetter(rest.front()) && rest.front() != '/')) return false;
    std::string block = "//";
    std::vector<std::string> members;
    bool any = false;
    auto finish = [&] {
      if (!members.empty() || block != "//") {
        Report(kVdxData, block, number, 0, std::move(members));
        any = true;
      }
      members.clear();
    };
    // The members between block names, split at commas outside parentheses.
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
      const char c = i < rest.size() ? rest[i] : ',';
      if (c == '(') ++depth;
      if (c == ')' && depth > 0) --depth;
      if (depth > 0 || (c != ',' && c != '/')) continue;
      const std::string_view member = Trim(rest.substr(start, i - start));
      if (!member.empty()) members.emplace_back(member);
      start = i + 1;
      if (c == '/' && i < rest.size()) {
        const std::size_t close = rest.find('/', i + 1);
        if (close == std::string_view::npos) {
          Diagnose(number, "COMMON block name is not closed");
          break;
        }
        finish();
        const std::string_view name = Trim(rest.substr(i + 1, close - i - 1));
        block = name.empty() ? "//" : std::string(name);
        i = close;
        start = close + 1;
      }
    }
    finish();
    return any;
  }

  // EXTERNAL f, g; SYSTEM INTRINSIC (the host's system routines); and
  // declarations such as "REAL, EXTERNAL :: f".
  bool ExternalStatement(std::string_view text, int number) {
    Cursor cursor(text);
    Cursor system(text);
    std::string_view names;
    if (cursor.Keyword("EXTERNAL", fixed_) || system.Keyword("SYSTEM INTRINSIC", fixed_)) {
      names = cursor.position() > 0 ? cursor.Rest() : system.Rest();
      if (names.starts_with("::")) names.remove_prefix(2);
    } else {
      const std::vector<std::string_view> halves = SplitOnDoubleColon(text);
      if (halves.size() != 2) return false;
      const std::vector<std::string_view> attributes = SplitTopLevel(halves[0], ',');
      if (std::none_of(attributes.begin() + 1, attributes.end(), [](std::string_view attribute) {
            return Upper(Trim(attribute)) == "EXTERNAL";
          })) {
        return false;
      }
      names = halves[1];
    }
    bool any = false;
    for (std::string_view entry : SplitTopLevel(names, ',')) {
      Cursor name(entry);
      const std::string_view external = name.Name();
      if (external.empty()) continue;
      Report(kVdxExternal, std::string(external), number, 0, {});
      any = true;
    }
    return any;
  }

  static std::vector<std::string_view> SplitOnDoubleColon(std::string_view text) {
    const std::size_t at = text.find("::");
    if (at == std::string_view::npos) return {text};
    return {text.substr(0, at), text.substr(at + 2)};
  }

  // TYPE name, TYPE :: name, TYPE, attributes :: name: a derived type whose
  // components and bound procedures are no symbols.
  void TypeDefinition(std::string_view text, int number) {
    Cursor cursor(text);
    if (!cursor.Keyword("TYPE", fixed_) || cursor.Peek('(')) return;
    const std::vector<std::string_view> halves = SplitOnDoubleColon(cursor.Rest());
    Cursor name(halves.back());
    const std::string_view typeName = name.Name();
    if (typeName.empty() || !name.AtEnd()) return;
    frames_.push_back({Unit::kType, std::string(typeName), number, 0});
  }

  // ---- Output ----------------------------------------------------------------

  void Report(int category, std::string name, int line, int level,
              std::vector<std::string> parameters) {
    Symbol symbol;
    symbol.category = category;
    symbol.name = std::move(name);
    symbol.line = line;
    symbol.level = level;
    symbol.parameters = std::move(parameters);
    sink_.Report(symbol);
  }

  // `frame` lacks its END; `before` is the line that shows it (0: the end).
  void DiagnoseUnended(const Frame& frame, int before) {
    std::string text = std::string("no END for ") + UnitWord(frame.unit) + " " + frame.name;
    if (before > 0) text += " before line " + std::to_string(before);
    Diagnose(frame.line, text);
  }

  void Diagnose(int line, std::string_view text) {
    if (diagnostics_ > kDiagnosticLimit) return;
    if (++diagnostics_ > kDiagnosticLimit) {
      sink_.Diagnostic(line, "further diagnostics left out");
      return;
    }
    sink_.Diagnostic(line, text);
  }

  SymbolSink& sink_;
  const bool fixed_;
  std::vector<Frame> frames_;
  int diagnostics_ = 0;

  // The statement being gathered from its lines.
  std::string statement_;
  int line_ = 0;
  bool open_ = false;
  bool continued_ = false;  // free form: the last line ended in '&'
  char quote_ = 0;          // inside a quoted text carried to the next line
};

}  // namespace

void ParseFortran(std::string_view text, SymbolSink& sink) {
  const std::vector<SourceLine> lines = SplitLines(text);
  const bool numbered = HasSequenceNumbers(lines);
  std::vector<std::string_view> code;
  code.reserve(lines.size());
  for (const SourceLine& line : lines) {
    code.push_back(numbered ? line.text.substr(0, std::min(line.text.size(), kStatementColumns))
                            : line.text);
  }
  const bool fixed = IsFixedForm(code);
  FortranParser parser(sink, fixed);
  const std::size_t step = std::max<std::size_t>(1, code.size() / 50);
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (i % step == 0) sink.Progress(static_cast<int>(i * 100 / code.size()));
    std::string_view line = code[i];
    if (fixed) line = line.substr(0, std::min(line.size(), kStatementColumns));
    parser.Line(line, lines[i].number);
  }
  parser.Finish();
  sink.Progress(100);
}

}  // namespace vandrel::vdx
