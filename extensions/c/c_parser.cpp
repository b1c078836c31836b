#include "extensions/c/c_parser.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vandrel::vdx {

namespace {

constexpr std::size_t kStatementColumns = 72;
constexpr std::size_t kSequenceColumns = 8;
constexpr int kDiagnosticLimit = 100;
constexpr std::size_t kDeclarationTokens = 4096;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$';
}
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A byte no text file holds: NUL and the other control bytes but tab, form
// feed, vertical tab and escape (terminal sequences in string literals).
bool IsBinaryByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte < 0x20 && c != '\t' && c != '\f' && c != '\v' && byte != 0x1B) || byte == 0x7F;
}

// The text to read: sequence numbers in columns 73-80, when most non-empty
// lines carry them, are blanked out (their columns kept, so offsets and
// lines stay). nullopt when the text is binary data.
std::optional<std::string> PrepareSource(std::string_view text) {
  const std::vector<SourceLine> lines = SplitLines(text);
  int nonEmpty = 0;
  int numbered = 0;
  int binary = 0;
  for (const SourceLine& line : lines) {
    if (Trim(line.text).empty()) continue;
    ++nonEmpty;
    if (std::any_of(line.text.begin(), line.text.end(), IsBinaryByte)) ++binary;
    if (line.text.size() <= kStatementColumns) continue;
    const std::string_view sequence = line.text.substr(kStatementColumns, kSequenceColumns);
    if (std::all_of(sequence.begin(), sequence.end(),
                    [](char c) { return IsDigit(c) || c == ' '; }) &&
        std::any_of(sequence.begin(), sequence.end(), IsDigit)) {
      ++numbered;
    }
  }
  if (binary * 20 > nonEmpty) return std::nullopt;
  std::string source(text);
  if (numbered * 2 <= nonEmpty) return source;
  for (const SourceLine& line : lines) {
    if (line.text.size() <= kStatementColumns) continue;
    const std::size_t offset = static_cast<std::size_t>(line.text.data() - text.data());
    for (std::size_t i = kStatementColumns; i < line.text.size(); ++i) source[offset + i] = ' ';
  }
  return source;
}

struct Token {
  enum Kind { kName, kNumber, kString, kChar, kPunct, kBody };
  Kind kind = kPunct;
  std::string_view text;  // kBody: "{...}", a passed brace block
  int line = 0;
  bool spaceBefore = false;

  bool Is(std::string_view what) const { return kind != kString && kind != kChar && text == what; }
};

using Tokens = std::vector<Token>;

// Words that are never the declared name.
bool IsTypeWord(std::string_view word) {
  static constexpr std::string_view kWords[] = {
      "auto",          "register", "static",  "extern",     "typedef",      "const",    "volatile",
      "signed",        "unsigned", "short",   "long",       "int",          "char",     "float",
      "double",        "void",     "inline",  "restrict",   "_Bool",        "_Complex", "_Noreturn",
      "_Thread_local", "__inline", "__const", "__restrict", "__extension__"};
  return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

bool IsTagWord(std::string_view word) {
  return word == "struct" || word == "union" || word == "enum";
}

// Index of the ')' or ']' closing the bracket at `open`, or `end`.
std::size_t Matching(const Tokens& tokens, std::size_t open, std::size_t end) {
  const std::string_view opening = tokens[open].text;
  const std::string_view closing = opening == "(" ? ")" : "]";
  int depth = 0;
  for (std::size_t i = open; i < end; ++i) {
    if (tokens[i].Is(opening)) ++depth;
    if (tokens[i].Is(closing) && --depth == 0) return i;
  }
  return end;
}

// The tokens as written: one blank where the source had white space.
std::string Render(const Tokens& tokens, std::size_t begin, std::size_t end) {
  std::string text;
  for (std::size_t i = begin; i < end; ++i) {
    if (i > begin && tokens[i].spaceBefore) text += ' ';
    text.append(tokens[i].text);
  }
  return text;
}

// Splits [begin, end) at commas outside brackets.
std::vector<std::pair<std::size_t, std::size_t>> SplitAtCommas(const Tokens& tokens,
                                                               std::size_t begin, std::size_t end) {
  std::vector<std::pair<std::size_t, std::size_t>> parts;
  int depth = 0;
  std::size_t start = begin;
  for (std::size_t i = begin; i < end; ++i) {
    if (tokens[i].Is("(") || tokens[i].Is("[")) ++depth;
    if ((tokens[i].Is(")") || tokens[i].Is("]")) && depth > 0) --depth;
    if (depth == 0 && tokens[i].Is(",")) {
      parts.emplace_back(start, i);
      start = i + 1;
    }
  }
  parts.emplace_back(start, end);
  return parts;
}

// What one declarator declares: the name and, for a function, its
// parameter list.
struct Declarator {
  std::size_t name = 0;
  bool named = false;
  bool function = false;
  std::size_t open = 0;  // the parameter list's '(' and ')'
  std::size_t close = 0;
  std::size_t start = 0;  // where the declarator begins, after the base type
};

// The declared name is the last name before an initializer, a bit-field
// width or the end, outside brackets and the parameter lists of function
// pointers; a name followed by '(' declares a function.
Declarator Analyze(const Tokens& tokens, std::size_t begin, std::size_t end) {
  Declarator declarator;
  for (std::size_t i = begin; i < end; ++i) {
    const Token& token = tokens[i];
    if (token.kind == Token::kName) {
      if (IsTagWord(token.text)) {
        if (i + 1 < end && tokens[i + 1].kind == Token::kName) ++i;
        continue;
      }
      if (IsTypeWord(token.text)) continue;
      const bool call = i + 1 < end && tokens[i + 1].Is("(");
      if (call && token.text.starts_with("__")) {  // __attribute__((...)) and the like
        i = Matching(tokens, i + 1, end);
        continue;
      }
      declarator.name = i;
      declarator.named = true;
      if (call) {
        declarator.function = true;
        declarator.open = i + 1;
        declarator.close = Matching(tokens, i + 1, end);
        break;
      }
    } else if (token.Is("(")) {
      if (i > begin && (tokens[i - 1].Is(")") || tokens[i - 1].Is("]"))) {
        i = Matching(tokens, i, end);  // a function pointer's parameters
      }
    } else if (token.Is("[")) {
      i = Matching(tokens, i, end);
    } else if (token.Is("=") || token.Is(":")) {
      break;
    }
  }
  if (declarator.named) {
    std::size_t start = declarator.name;
    while (start > begin && (tokens[start - 1].Is("*") || tokens[start - 1].Is("("))) --start;
    declarator.start = start;
  }
  return declarator;
}

class CParser {
 public:
  CParser(std::string_view text, SymbolSink& sink) : text_(text), sink_(sink) {}

  void Run() {
    Tokens declaration;
    int depth = 0;  // of ( and [ in the declaration
    Token token;
    while (Next(token)) {
      if (token.Is("(") || token.Is("[")) ++depth;
      if ((token.Is(")") || token.Is("]")) && depth > 0) --depth;
      if (token.Is(";")) {  // never inside parentheses at file scope
        depth = 0;
        switch (KnRDeclaration(declaration)) {
          case KnR::kDeclaration:
            declaration.push_back(token);
            knrPiece_ = declaration.size();
            continue;
          case KnR::kNot:
            Declaration(declaration, 0, declaration.size());
            break;
          case KnR::kMacro:
            // "MACRO(x) int y; char z;": the macro call ended without ';'.
            Diagnose(declaration.front().line, "text before the declaration taken for a macro");
            for (std::size_t start = knrClose_ + 1, i = start; i <= declaration.size(); ++i) {
              if (i < declaration.size() && !declaration[i].Is(";")) continue;
              Declaration(declaration, start, i);
              start = i + 1;
            }
            break;
        }
        Reset(declaration);
        continue;
      }
      if (token.Is("{")) {
        OpenBrace(declaration, depth, token);
        continue;
      }
      if (token.Is("}") && depth == 0) {
        if (linkageBlocks_ > 0) {
          --linkageBlocks_;
        } else {
          Diagnose(token.line, "'}' without its '{'");
        }
        Reset(declaration);
        depth = 0;
        continue;
      }
      if (declaration.size() >= kDeclarationTokens) {
        // No declaration is this long; keeps the look-backs over it cheap.
        Diagnose(declaration.front().line, "declaration too long: left out");
        Reset(declaration);
      }
      declaration.push_back(token);
    }
    if (!declaration.empty()) {
      Diagnose(declaration.front().line, "declaration not ended by ';' at the end of the file");
    }
    if (conditionals_ > 0) Diagnose(line_, "#if without #endif at the end of the file");
  }

 private:
  // ---- Tokens ----------------------------------------------------------------

  bool Next(Token& token) {
    bool space = false;
    while (pos_ < text_.size()) {
      ReportProgress();
      const char c = text_[pos_];
      if (c == '\n' || c == '\r') {
        NewLine();
        atLineStart_ = true;
        space = true;
        continue;
      }
      if (IsBlank(c) || IsBinaryByte(c)) {
        ++pos_;
        space = true;
        continue;
      }
      if (c == '\\' && SkipContinuation()) continue;
      if (c == '/' && Peek(1) == '*') {
        SkipBlockComment();
        space = true;
        continue;
      }
      if (c == '/' && Peek(1) == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        space = true;
        continue;
      }
      if (c == '#' && atLineStart_) {
        Directive();
        space = true;
        continue;
      }
      atLineStart_ = false;
      token.line = line_;
      token.spaceBefore = space;
      const std::size_t start = pos_;
      if (IsNameStart(c)) {
        token.kind = Token::kName;
        while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
      } else if (IsDigit(c) || (c == '.' && IsDigit(Peek(1)))) {
        token.kind = Token::kNumber;
        while (pos_ < text_.size()) {
          const char d = text_[pos_];
          const char previous = text_[pos_ - 1];
          if (IsNameChar(d) || d == '.' ||
              ((d == '+' || d == '-') &&
               (previous == 'e' || previous == 'E' || previous == 'p' || previous == 'P'))) {
            ++pos_;
          } else {
            break;
          }
        }
      } else if (c == '"' || c == '\'') {
        token.kind = c == '"' ? Token::kString : Token::kChar;
        SkipQuoted(c);
      } else {
        token.kind = Token::kPunct;
        ++pos_;
      }
      token.text = text_.substr(start, pos_ - start);
      return true;
    }
    return false;
  }

  char Peek(std::size_t ahead) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }

  // At a '\\' that ends its line (blanks may follow it, where the sequence
  // numbers were blanked out): passes it and the line end.
  bool SkipContinuation() {
    std::size_t at = pos_ + 1;
    while (at < text_.size() && IsBlank(text_[at])) ++at;
    if (at >= text_.size() || (text_[at] != '\n' && text_[at] != '\r')) return false;
    pos_ = at;
    NewLine();
    return true;
  }

  // Passes a line end (LF, CR LF or CR) at pos_.
  void NewLine() {
    if (text_[pos_] == '\r' && Peek(1) == '\n') ++pos_;
    ++pos_;
    ++line_;
  }

  void SkipBlockComment() {
    const int start = line_;
    pos_ += 2;
    while (pos_ < text_.size()) {
      if (text_[pos_] == '*' && Peek(1) == '/') {
        pos_ += 2;
        return;
      }
      if (text_[pos_] == '\n' || text_[pos_] == '\r') {
        NewLine();
      } else {
        ++pos_;
      }
    }
    Diagnose(start, "comment not closed at the end of the file");
  }

  // A string or character literal; escapes pass the next character, an
  // unescaped line end ends it.
  void SkipQuoted(char quote) {
    ++pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == quote) {
        ++pos_;
        return;
      }
      if (c == '\n' || c == '\r') {
        Diagnose(line_, "literal not closed at the end of the line");
        return;
      }
      if (c == '\\' && SkipContinuation()) continue;
      if (c == '\\' && pos_ + 1 < text_.size()) ++pos_;
      ++pos_;
    }
  }

  // ---- Preprocessor ------------------------------------------------------------

  // The directive at pos_ ('#') up to its line end, with continuations
  // joined and comments as blanks; pos_ and line_ move past it.
  std::string ReadDirective() {
    std::string directive;
    ++pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n' || c == '\r') break;
      if (c == '\\' && SkipContinuation()) {
        directive += ' ';
        continue;
      }
      if (c == '/' && Peek(1) == '*') {
        SkipBlockComment();
        directive += ' ';
        continue;
      }
      if (c == '/' && Peek(1) == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        break;
      }
      directive += IsBinaryByte(c) ? ' ' : c;
      ++pos_;
    }
    return directive;
  }

  static std::string_view FirstWord(std::string_view text, std::string_view* rest) {
    text = Trim(text);
    std::size_t end = 0;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    *rest = Trim(text.substr(end));
    return text.substr(0, end);
  }

  void Directive() {
    const int line = line_;
    const std::string directive = ReadDirective();
    std::string_view rest;
    const std::string_view word = FirstWord(directive, &rest);
    if (word == "include" || word == "include_next" || word == "import") {
      Include(rest, line);
    } else if (word == "pragma") {
      std::string_view names;
      if (FirstWord(rest, &names) == "intrinsic") {
        for (std::size_t start = 0; start <= names.size();) {
          std::size_t end = names.find(',', start);
          if (end == std::string_view::npos) end = names.size();
          std::string_view ignored;
          const std::string_view name = FirstWord(names.substr(start, end - start), &ignored);
          if (!name.empty()) Report(kVdxExternal, std::string(name), line, {});
          start = end + 1;
        }
      }
    } else if (word == "if" || word == "ifdef" || word == "ifndef") {
      ++conditionals_;
      if (word == "if" && (rest == "0" || rest == "(0)")) SkipDeadBranch(false);
    } else if (word == "else" || word == "elif") {
      if (conditionals_ == 0) {
        Diagnose(line, "#" + std::string(word) + " without #if");
      } else {
        SkipDeadBranch(true);  // the first branch was read
      }
    } else if (word == "endif") {
      if (conditionals_ == 0) {
        Diagnose(line, "#endif without #if");
      } else {
        --conditionals_;
      }
    }
    atLineStart_ = true;
  }

  void Include(std::string_view rest, int line) {
    const char open = rest.empty() ? '\0' : rest.front();
    const char close = open == '<' ? '>' : '"';
    const std::size_t end = rest.find(close, 1);
    if ((open != '<' && open != '"') || end == std::string_view::npos ||
        Trim(rest.substr(1, end - 1)).empty()) {
      Diagnose(line, "#include of a macro or without a file name");
      return;
    }
    Report(kVdxInclude, std::string(Trim(rest.substr(1, end - 1))), line, {});
  }

  // Passes lines up to the #endif of the innermost conditional, or with
  // `toEndif` false up to an #else or #elif that starts a live branch. Only
  // comments and directives are read: dead text may hold anything.
  void SkipDeadBranch(bool toEndif) {
    int nested = 0;
    bool lineStart = true;
    while (pos_ < text_.size()) {
      ReportProgress();
      const char c = text_[pos_];
      if (c == '\n' || c == '\r') {
        NewLine();
        lineStart = true;
      } else if (IsBlank(c)) {
        ++pos_;
      } else if (c == '/' && Peek(1) == '*') {
        SkipBlockComment();
      } else if (c == '#' && lineStart) {
        std::string_view rest;
        const std::string directive = ReadDirective();
        const std::string_view word = FirstWord(directive, &rest);
        if (word == "if" || word == "ifdef" || word == "ifndef") {
          ++nested;
        } else if (word == "endif") {
          if (nested-- == 0) {
            --conditionals_;
            return;
          }
        } else if ((word == "else" || word == "elif") && nested == 0 && !toEndif) {
          return;
        }
      } else {
        lineStart = false;
        ++pos_;
      }
    }
  }

  // ---- Declarations -------------------------------------------------------------

  void Reset(Tokens& declaration) {
    declaration.clear();
    knr_ = false;
  }

  // A '{' at file scope: a function body, a struct or initializer inside the
  // declaration, or an extern "C" block.
  void OpenBrace(Tokens& declaration, int& depth, const Token& brace) {
    if (declaration.size() == 2 && declaration[0].Is("extern") &&
        declaration[1].kind == Token::kString) {
      ++linkageBlocks_;
      Reset(declaration);
      return;
    }
    if (depth == 0 && FunctionDefinition(declaration)) {
      SkipBody(brace.line, declaration);
      Reset(declaration);
      return;
    }
    const bool understood =
        depth > 0 || std::any_of(declaration.begin(), declaration.end(), [](const Token& token) {
          return token.Is("=") || (token.kind == Token::kName && IsTagWord(token.text));
        });
    SkipBody(brace.line, declaration);
    if (!understood) {
      Diagnose(brace.line, "block at file scope not understood");
      Reset(declaration);
      depth = 0;
      return;
    }
    Token body = brace;
    body.kind = Token::kBody;
    body.text = "{...}";
    declaration.push_back(body);
  }

  void SkipBody(int line, const Tokens& declaration) {
    int depth = 1;
    Token token;
    while (Next(token)) {
      if (token.Is("{")) ++depth;
      if (token.Is("}") && --depth == 0) return;
    }
    std::string what = "block";
    const Declarator declarator = Analyze(declaration, 0, declaration.size());
    if (declarator.named) what = "body of " + std::string(declaration[declarator.name].text);
    Diagnose(line, what + " not closed at the end of the file");
  }

  enum class KnR { kNot, kDeclaration, kMacro };

  // At a ';': whether it ends a K&R parameter declaration ("int f(a, b) int
  // a; char *b; {") rather than the declaration; kMacro when it looked like
  // one but declares a name that is not a parameter.
  KnR KnRDeclaration(const Tokens& declaration) {
    if (declaration.empty()) return KnR::kNot;
    if (!knr_) {
      const Declarator declarator = Analyze(declaration, 0, declaration.size());
      if (!declarator.function || declarator.close + 1 >= declaration.size() ||
          declaration[declarator.close + 1].kind != Token::kName ||
          declaration[declarator.close + 1].text.starts_with("__") ||
          !IsIdentifierList(declaration, declarator.open + 1, declarator.close)) {
        return KnR::kNot;
      }
      knr_ = true;
      knrOpen_ = declarator.open;
      knrClose_ = declarator.close;
      knrPiece_ = declarator.close + 1;
    }
    for (const auto& [begin, end] : SplitAtCommas(declaration, knrPiece_, declaration.size())) {
      const Declarator parameter = Analyze(declaration, begin, end);
      bool listed = false;
      for (std::size_t i = knrOpen_ + 1; parameter.named && i < knrClose_; i += 2) {
        listed = listed || declaration[i].text == declaration[parameter.name].text;
      }
      if (!listed) return KnR::kMacro;
    }
    return KnR::kDeclaration;
  }

  static bool IsIdentifierList(const Tokens& tokens, std::size_t begin, std::size_t end) {
    if (begin >= end) return false;
    for (std::size_t i = begin; i < end; ++i) {
      const bool name = (i - begin) % 2 == 0;
      if (name ? tokens[i].kind != Token::kName || IsTypeWord(tokens[i].text)
               : !tokens[i].Is(",")) {
        return false;
      }
    }
    return (end - begin) % 2 == 1;
  }

  bool FunctionDefinition(const Tokens& declaration) {
    const Declarator declarator = Analyze(declaration, 0, declaration.size());
    if (!declarator.function || declarator.close >= declaration.size()) return false;
    const std::size_t after = declarator.close + 1;
    std::vector<std::string> parameters;
    if (knr_ && knrClose_ == declarator.close) {
      parameters = KnRParameters(declaration, declarator);
    } else {
      // Only attributes may follow an ANSI parameter list.
      for (std::size_t i = after; i < declaration.size(); ++i) {
        if (declaration[i].kind != Token::kName || !declaration[i].text.starts_with("__") ||
            i + 1 >= declaration.size() || !declaration[i + 1].Is("(")) {
          return false;
        }
        i = Matching(declaration, i + 1, declaration.size());
      }
      parameters = Parameters(declaration, declarator);
    }
    Report(kVdxFunction, std::string(declaration[declarator.name].text),
           declaration[declarator.name].line, std::move(parameters));
    return true;
  }

  static std::vector<std::string> Parameters(const Tokens& tokens, const Declarator& declarator) {
    std::vector<std::string> parameters;
    if (declarator.close <= declarator.open + 1) return parameters;
    for (const auto& [begin, end] : SplitAtCommas(tokens, declarator.open + 1, declarator.close)) {
      std::string parameter = Render(tokens, begin, end);
      if (!parameter.empty()) parameters.push_back(std::move(parameter));
    }
    if (parameters.size() == 1 && parameters[0] == "void") parameters.clear();
    return parameters;
  }

  // Each name of the identifier list with its declaration from the lines
  // before the body ("char *s" of "char *s, c;"), or alone when undeclared.
  std::vector<std::string> KnRParameters(const Tokens& tokens, const Declarator& declarator) {
    std::vector<std::pair<std::string_view, std::string>> declared;
    std::size_t start = declarator.close + 1;
    for (std::size_t i = start; i <= tokens.size(); ++i) {
      if (i < tokens.size() && !tokens[i].Is(";")) continue;
      std::string base;
      bool first = true;
      for (const auto& [begin, end] : SplitAtCommas(tokens, start, i)) {
        const Declarator parameter = Analyze(tokens, begin, end);
        if (!parameter.named) continue;
        if (first) base = Render(tokens, begin, parameter.start);
        std::string own = Render(tokens, begin, end);
        if (!first) own = base + " " + own;
        declared.emplace_back(tokens[parameter.name].text, std::move(own));
        first = false;
      }
      start = i + 1;
    }
    std::vector<std::string> parameters;
    for (std::size_t i = declarator.open + 1; i < declarator.close; i += 2) {
      const std::string_view name = tokens[i].text;
      const auto found = std::find_if(declared.begin(), declared.end(),
                                      [&](const auto& entry) { return entry.first == name; });
      parameters.push_back(found == declared.end() ? std::string(name) : found->second);
    }
    return parameters;
  }

  // A declaration ended by ';' at file scope.
  void Declaration(const Tokens& declaration, std::size_t from, std::size_t to) {
    if (from >= to) return;
    const auto has = [&](std::string_view word) {
      return std::any_of(declaration.begin() + from, declaration.begin() + to,
                         [&](const Token& token) { return token.Is(word); });
    };
    const bool isTypedef = has("typedef");
    const bool isExtern = has("extern");
    bool first = true;
    for (const auto& [begin, end] : SplitAtCommas(declaration, from, to)) {
      const bool leading = first;
      first = false;
      const Declarator declarator = Analyze(declaration, begin, end);
      if (!declarator.named) {
        if (leading) TagDefinition(declaration, begin, end);
        continue;
      }
      const Token& name = declaration[declarator.name];
      if (leading && declarator.name == begin && !isTypedef) {
        Diagnose(name.line, std::string(name.text) + " without a type: taken for a macro");
        return;
      }
      if (isTypedef) {
        Report(kVdxData, std::string(name.text), name.line, {});
      } else if (declarator.function) {
        Report(isExtern ? kVdxExternal : kVdxForward, std::string(name.text), name.line,
               Parameters(declaration, declarator));
      } else {
        Report(isExtern ? kVdxExternal : kVdxData, std::string(name.text), name.line, {});
      }
    }
  }

  // "struct node { ... };": the tag, when a body defines it.
  void TagDefinition(const Tokens& declaration, std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i + 2 < end; ++i) {
      if (declaration[i].kind == Token::kName && IsTagWord(declaration[i].text) &&
          declaration[i + 1].kind == Token::kName && declaration[i + 2].kind == Token::kBody) {
        Report(kVdxData,
               std::string(declaration[i].text) + " " + std::string(declaration[i + 1].text),
               declaration[i + 1].line, {});
        return;
      }
    }
  }

  // ---- Output -----------------------------------------------------------------

  void Report(int category, std::string name, int line, std::vector<std::string> parameters) {
    Symbol symbol;
    symbol.category = category;
    symbol.name = std::move(name);
    symbol.line = line;
    symbol.parameters = std::move(parameters);
    sink_.Report(symbol);
  }

  void Diagnose(int line, std::string_view text) {
    if (diagnostics_ > kDiagnosticLimit) return;
    if (++diagnostics_ > kDiagnosticLimit) {
      sink_.Diagnostic(line, "further diagnostics left out");
      return;
    }
    sink_.Diagnostic(line, text);
  }

  void ReportProgress() {
    if (pos_ < nextProgress_) return;
    sink_.Progress(static_cast<int>(pos_ * 100 / text_.size()));
    nextProgress_ = pos_ + std::max<std::size_t>(1, text_.size() / 50);
  }

  std::string_view text_;
  SymbolSink& sink_;
  std::size_t pos_ = 0;
  int line_ = 1;
  bool atLineStart_ = true;
  int conditionals_ = 0;     // open #if chains
  int linkageBlocks_ = 0;    // open extern "C" { blocks
  bool knr_ = false;         // the declaration is in K&R parameter declarations
  std::size_t knrOpen_ = 0;  // ... of the identifier list between these
  std::size_t knrClose_ = 0;
  std::size_t knrPiece_ = 0;  // where the current parameter declaration starts
  int diagnostics_ = 0;
  std::size_t nextProgress_ = 0;
};

}  // namespace

void ParseC(std::string_view text, SymbolSink& sink) {
  const std::optional<std::string> source = PrepareSource(text);
  if (!source) {
    sink.Diagnostic(1, "binary data, not C source");
    return;
  }
  CParser parser(*source, sink);
  parser.Run();
  sink.Progress(100);
}

}  // namespace vandrel::vdx
