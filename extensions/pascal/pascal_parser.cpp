#include "extensions/pascal/pascal_parser.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace vandrel::vdx {

namespace {

constexpr int kMaxNesting = 200;  // routines and modules within each other

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The columns the compiler reads. A line added later without a number keeps
// whatever it has past column 72 unless that looks like a number or a tag.
std::string_view CodePart(std::string_view line, bool numbered) {
  if (!numbered || line.size() <= kSequenceColumn || line.size() > kNumberedRecordColumns)
    return line;
  for (const char c : line.substr(kSequenceColumn)) {
    if (!IsDigit(c) && !IsLetter(c) && c != ' ') return line;
  }
  return line.substr(0, kSequenceColumn);
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

enum class Kind { kWord, kNumber, kString, kSymbol, kEnd };

struct Token {
  Kind kind = Kind::kEnd;
  std::string_view text;
  int line = 0;
  bool spaced = false;  // blank, line end, comment or option before it
};

// Splits the prepared source into tokens, dropping comments and compiler
// options; the options that name files are reported on the way.
class Scanner {
 public:
  Scanner(std::string_view source, SymbolSink& sink) : source_(source), sink_(sink) {}

  std::vector<Token> Run() {
    std::vector<Token> tokens;
    bool spaced = true;
    while (at_ < source_.size()) {
      const char c = source_[at_];
      if (c == '\n') {
        ++line_;
        ++at_;
        spaced = true;
      } else if (static_cast<unsigned char>(c) <= ' ') {
        ++at_;
        spaced = true;
      } else if (c == '{') {
        SkipComment(1);
        spaced = true;
      } else if (c == '(' && Next() == '*') {
        SkipComment(2);
        spaced = true;
      } else if (c == '$') {
        Option();
        spaced = true;
      } else {
        tokens.push_back(Take(spaced));
        spaced = false;
      }
    }
    Token end;
    end.line = line_;
    end.spaced = true;
    tokens.push_back(end);
    return tokens;
  }

 private:
  char Next() const { return at_ + 1 < source_.size() ? source_[at_ + 1] : '\0'; }

  void CountLines(std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
      if (source_[i] == '\n') ++line_;
    }
  }

  // { and (* are one opener, } and *) one closer, as the language defines
  // them: { ... *) is a comment.
  void SkipComment(std::size_t openLength) {
    const int startLine = line_;
    for (std::size_t i = at_ + openLength; i < source_.size(); ++i) {
      const bool brace = source_[i] == '}';
      if (brace || (source_[i] == '*' && i + 1 < source_.size() && source_[i + 1] == ')')) {
        CountLines(at_, i);
        at_ = i + (brace ? 1 : 2);
        return;
      }
    }
    sink_.Diagnostic(startLine, "comment not closed before the end of the file");
    CountLines(at_, source_.size());
    at_ = source_.size();
  }

  // $option, option 'argument'$: quotes protect a dollar sign. An option not
  // closed at all ends with its line, so one stray dollar hides little.
  void Option() {
    const int startLine = line_;
    std::size_t end = at_ + 1;
    bool quoted = false;
    while (end < source_.size() && (quoted || source_[end] != '$')) {
      if (source_[end] == '\'') quoted = !quoted;
      ++end;
    }
    std::size_t resume = end + 1;
    if (end >= source_.size()) {
      sink_.Diagnostic(startLine, "compiler option not closed with $");
      end = source_.find('\n', at_);
      if (end == std::string_view::npos) end = source_.size();
      resume = end;
    }
    ReportFiles(source_.substr(at_ + 1, end - at_ - 1), startLine);
    CountLines(at_, std::min(resume, source_.size()));
    at_ = resume;
  }

  // INCLUDE, SEARCH and SYSINTR name files in their string argument.
  void ReportFiles(std::string_view option, int line) {
    std::size_t i = 0;
    while (i < option.size()) {
      const char c = option[i];
      if (c == '\n') {
        ++line;
        ++i;
      } else if (c == '\'') {
        i = ReadQuoted(option, i).after;
      } else if (IsLetter(c)) {
        std::size_t end = i;
        while (end < option.size() && (IsLetter(option[end]) || IsDigit(option[end]))) ++end;
        const std::string_view word = option.substr(i, end - i);
        i = end;
        const bool include = EqualsUpper(word, "INCLUDE");
        const bool search = EqualsUpper(word, "SEARCH");
        if (!include && !search && !EqualsUpper(word, "SYSINTR")) continue;
        while (i < option.size() && IsBlank(option[i])) ++i;
        if (i >= option.size() || option[i] != '\'') continue;
        const Quoted quoted = ReadQuoted(option, i);
        i = quoted.after;
        const std::string& value = quoted.value;
        std::string kind = include ? "" : " (" + Upper(word) + ")";
        // A search list names several files, separated by commas.
        std::string_view rest = value;
        while (!rest.empty()) {
          std::size_t comma = search ? rest.find(',') : std::string_view::npos;
          if (comma == std::string_view::npos) comma = rest.size();
          const std::string_view file = Trim(rest.substr(0, comma));
          if (!file.empty()) {
            Symbol symbol;
            symbol.category = kVdxInclude;
            symbol.name = std::string(file);
            if (!kind.empty()) symbol.displayText = symbol.name + kind;
            symbol.line = line;
            sink_.Report(symbol);
          }
          rest = comma < rest.size() ? rest.substr(comma + 1) : std::string_view{};
        }
      } else {
        ++i;
      }
    }
  }

  struct Quoted {
    std::string value;  // quotes doubled inside undone
    std::size_t after = 0;
    bool closed = false;  // else it ends with its line
  };

  static Quoted ReadQuoted(std::string_view text, std::size_t open) {
    Quoted quoted;
    std::size_t i = open + 1;
    while (i < text.size() && text[i] != '\n') {
      if (text[i] == '\'') {
        if (i + 1 < text.size() && text[i + 1] == '\'') {
          quoted.value += '\'';
          i += 2;
          continue;
        }
        quoted.after = i + 1;
        quoted.closed = true;
        return quoted;
      }
      quoted.value += text[i++];
    }
    quoted.after = i;
    return quoted;
  }

  Token Take(bool spaced) {
    Token token;
    token.line = line_;
    token.spaced = spaced;
    const std::size_t start = at_;
    const char c = source_[at_];
    if (IsLetter(c)) {
      token.kind = Kind::kWord;
      while (at_ < source_.size() && (IsLetter(source_[at_]) || IsDigit(source_[at_]))) ++at_;
    } else if (IsDigit(c)) {
      token.kind = Kind::kNumber;
      while (at_ < source_.size()) {
        const char d = source_[at_];
        // 1.5 and 1e3 belong to the number; 1..16 is a range.
        if (IsDigit(d) || IsLetter(d) || (d == '.' && IsDigit(Next()))) {
          ++at_;
        } else {
          break;
        }
      }
    } else if (c == '\'') {
      token.kind = Kind::kString;
      const Quoted quoted = ReadQuoted(source_, at_);
      if (!quoted.closed) sink_.Diagnostic(line_, "string not closed on its line");
      at_ = quoted.after;
    } else {
      token.kind = Kind::kSymbol;
      const char n = Next();
      const bool pair = (c == ':' && n == '=') || (c == '.' && n == '.') ||
                        (c == '<' && (n == '=' || n == '>')) || (c == '>' && n == '=');
      at_ += pair ? 2 : 1;
    }
    token.text = source_.substr(start, at_ - start);
    return token;
  }

  std::string_view source_;
  SymbolSink& sink_;
  std::size_t at_ = 0;
  int line_ = 1;
};

// Where declarations are being read.
struct Scope {
  int routineLevel = 0;       // the level of routines declared here
  int sectionLevel = 0;       // the level of a module, EXPORT or IMPLEMENT here
  bool global = true;         // CONST, TYPE and VAR names are reported
  bool headingsOnly = false;  // an EXPORT section: headings without bodies
  bool unit = false;          // INTERFACE and IMPLEMENTATION are its parts
};

class Parser {
 public:
  Parser(std::vector<Token> tokens, SymbolSink& sink) : tokens_(std::move(tokens)), sink_(sink) {}

  void Run() {
    Scope top;
    // A unit of the Pascal of other systems, taken as a module. Only at the
    // head of a file: elsewhere its words are names.
    if (IsWord(Peek(), "UNIT") && Peek(1).kind == Kind::kWord && IsSymbol(Peek(2), ";")) {
      ParseModule(0, 0, true);
    }
    while (!AtEnd()) {
      ParseDeclarations(top, 0);
      if (IsWord(Peek(), "PROGRAM")) {
        ParseProgram();
      } else if (IsWord(Peek(), "BEGIN")) {
        ParseCompound();
        SkipIf(".");
        SkipIf(";");
      } else if (!AtEnd()) {
        // END of nothing: after a program's final END, say.
        Advance();
        SkipIf(".");
        SkipIf(";");
      }
    }
    sink_.Progress(100);
  }

 private:
  const Token& Peek(std::size_t ahead = 0) const {
    const std::size_t at = at_ + ahead;
    return at < tokens_.size() ? tokens_[at] : tokens_.back();
  }

  bool AtEnd() const { return Peek().kind == Kind::kEnd; }

  const Token& Advance() {
    const Token& token = Peek();
    if (at_ + 1 < tokens_.size()) ++at_;
    const int percent = static_cast<int>(at_ * 100 / tokens_.size());
    if (percent != percent_) {
      percent_ = percent;
      sink_.Progress(percent);
    }
    return token;
  }

  static bool IsWord(const Token& token, std::string_view upper) {
    return token.kind == Kind::kWord && EqualsUpper(token.text, upper);
  }
  static bool IsSymbol(const Token& token, std::string_view text) {
    return token.kind == Kind::kSymbol && token.text == text;
  }

  void SkipIf(std::string_view symbol) {
    if (IsSymbol(Peek(), symbol)) Advance();
  }

  // Words that open a part of a block; none of them can stand in a
  // statement or a type, so meeting one there means something was left open.
  static bool IsStructureWord(const Token& token) {
    static constexpr std::string_view kWords[] = {"LABEL",     "CONST",    "TYPE",    "VAR",
                                                  "PROCEDURE", "FUNCTION", "MODULE",  "IMPORT",
                                                  "IMPLEMENT", "BEGIN",    "PROGRAM", "EXPORT"};
    if (token.kind != Kind::kWord) return false;
    for (const std::string_view word : kWords) {
      if (EqualsUpper(token.text, word)) return true;
    }
    return false;
  }

  static bool IsReserved(const Token& token) {
    return IsStructureWord(token) || IsWord(token, "END");
  }

  void Report(int category, std::string name, int line, int level,
              std::vector<std::string> parameters = {}, std::string displayText = {}) {
    Symbol symbol;
    symbol.category = category;
    symbol.name = std::move(name);
    symbol.displayText = std::move(displayText);
    symbol.line = line;
    symbol.level = level;
    symbol.parameters = std::move(parameters);
    sink_.Report(symbol);
  }

  // Tokens joined with one blank where the source had any space between.
  std::string Join(std::size_t from, std::size_t to) const {
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
      if (i > from && tokens_[i].spaced) text += ' ';
      text += tokens_[i].text;
    }
    return text;
  }

  // Skips to the end of a declaration or heading: the next ';' outside
  // brackets and records, which is consumed. Stops before a word that
  // starts another part of the block, reporting the missing ';'.
  void SkipDeclaration() {
    int brackets = 0;
    int records = 0;
    while (!AtEnd()) {
      const Token& token = Peek();
      if (brackets == 0 && records == 0 && IsSymbol(token, ";")) {
        Advance();
        return;
      }
      if (IsStructureWord(token) || (records == 0 && IsWord(token, "END"))) {
        sink_.Diagnostic(token.line, "';' missing before " + std::string(token.text));
        return;
      }
      if (IsSymbol(token, "(") || IsSymbol(token, "[")) ++brackets;
      if ((IsSymbol(token, ")") || IsSymbol(token, "]")) && brackets > 0) --brackets;
      if (IsWord(token, "RECORD")) ++records;
      if (IsWord(token, "END")) --records;
      Advance();
    }
  }

  void ParseDeclarations(Scope& scope, int depth) {
    if (depth > kMaxNesting) {
      // Only junk nests this deep; the stack is worth more than its symbols.
      sink_.Diagnostic(Peek().line, "routines and modules nested too deeply; the rest is skipped");
      at_ = tokens_.size() - 1;
      return;
    }
    bool complained = false;
    while (!AtEnd()) {
      const Token& token = Peek();
      if (IsWord(token, "BEGIN") || IsWord(token, "END") || IsWord(token, "PROGRAM")) return;
      const bool exportPart = IsWord(token, "EXPORT") || (scope.unit && IsWord(token, "INTERFACE"));
      if (scope.unit && IsWord(token, "INITIALIZATION")) return;
      if (IsWord(token, "CONST") || IsWord(token, "TYPE") || IsWord(token, "VAR")) {
        Advance();
        ParseEntries(scope, IsWord(token, "VAR") ? ":" : "=");
      } else if (IsWord(token, "PROCEDURE") || IsWord(token, "FUNCTION")) {
        ParseRoutine(scope, depth);
      } else if (IsWord(token, "MODULE")) {
        ParseModule(scope.sectionLevel, depth, false);
      } else if (IsWord(token, "IMPORT") || IsWord(token, "USES")) {
        ParseImport();
      } else if (exportPart || IsWord(token, "IMPLEMENT") ||
                 (scope.unit && IsWord(token, "IMPLEMENTATION"))) {
        Advance();
        Report(kVdxSection, Upper(token.text), token.line, scope.sectionLevel);
        scope.headingsOnly = exportPart;
      } else if (IsWord(token, "LABEL")) {
        Advance();
        SkipDeclaration();
      } else if (IsSymbol(token, ";")) {
        Advance();
      } else {
        if (!complained) {
          sink_.Diagnostic(token.line, "not a declaration: " + std::string(token.text));
        }
        complained = true;
        Advance();
        continue;
      }
      complained = false;
    }
  }

  // name, name : type;  or  name = value;  repeated.
  void ParseEntries(const Scope& scope, std::string_view separator) {
    while (Peek().kind == Kind::kWord && !IsReserved(Peek())) {
      std::vector<const Token*> names{&Advance()};
      while (IsSymbol(Peek(), ",") && Peek(1).kind == Kind::kWord) {
        Advance();
        names.push_back(&Advance());
      }
      if (!IsSymbol(Peek(), separator)) {
        sink_.Diagnostic(Peek().line, "'" + std::string(separator) + "' expected after " +
                                          std::string(names.back()->text));
      } else if (scope.global) {
        for (const Token* name : names) {
          Report(kVdxData, std::string(name->text), name->line, 0);
        }
      }
      SkipDeclaration();
    }
  }

  // IMPORT or USES name, name;
  void ParseImport() {
    const std::string kind = " (" + Upper(Advance().text) + ')';
    while (Peek().kind == Kind::kWord && !IsReserved(Peek())) {
      const Token& name = Advance();
      Report(kVdxInclude, std::string(name.text), name.line, 0, {}, std::string(name.text) + kind);
      if (!IsSymbol(Peek(), ",")) break;
      Advance();
    }
    SkipDeclaration();
  }

  // ( section; section ) with each section "mode a, b : type" given as one
  // text per name. Consumes the parentheses.
  std::vector<std::string> ParseFormals() {
    std::vector<std::string> parameters;
    Advance();
    std::size_t start = at_;
    int brackets = 0;
    while (!AtEnd()) {
      const Token& token = Peek();
      if (IsWord(token, "BEGIN") || IsWord(token, "CONST") || IsWord(token, "TYPE") ||
          IsWord(token, "LABEL")) {
        sink_.Diagnostic(token.line, "parameter list not closed");
        AddFormals(start, at_, parameters);
        return parameters;
      }
      if (IsSymbol(token, "(") || IsSymbol(token, "[")) ++brackets;
      if (IsSymbol(token, "]") && brackets > 0) --brackets;
      if (IsSymbol(token, ")")) {
        if (brackets == 0) break;
        --brackets;
      }
      if (brackets == 0 && IsSymbol(token, ";")) {
        AddFormals(start, at_, parameters);
        start = at_ + 1;
      }
      Advance();
    }
    AddFormals(start, at_, parameters);
    SkipIf(")");
    return parameters;
  }

  void AddFormals(std::size_t from, std::size_t to, std::vector<std::string>& parameters) const {
    if (from >= to) return;
    const Token& first = tokens_[from];
    if (IsWord(first, "PROCEDURE") || IsWord(first, "FUNCTION")) {
      parameters.push_back(Join(from, to));
      return;
    }
    std::size_t i = from;
    std::string mode;
    while (i < to && (IsWord(tokens_[i], "VAR") || IsWord(tokens_[i], "CONST") ||
                      IsWord(tokens_[i], "ANYVAR") || IsWord(tokens_[i], "READONLY"))) {
      mode += std::string(tokens_[i].text) + ' ';
      ++i;
    }
    std::vector<std::string_view> names;
    while (i < to && tokens_[i].kind == Kind::kWord) {
      names.push_back(tokens_[i].text);
      ++i;
      if (i < to && IsSymbol(tokens_[i], ",")) {
        ++i;
      } else {
        break;
      }
    }
    if (names.empty() || i >= to || !IsSymbol(tokens_[i], ":")) {
      parameters.push_back(Join(from, to));  // not the usual shape: as written
      return;
    }
    const std::string type = Join(i + 1, to);
    for (const std::string_view name : names) {
      parameters.push_back(mode + std::string(name) + " : " + type);
    }
  }

  void ParseRoutine(Scope& scope, int depth) {
    const Token& keyword = Advance();
    if (Peek().kind != Kind::kWord || IsReserved(Peek())) {
      sink_.Diagnostic(keyword.line, "routine without a name");
      SkipDeclaration();
      return;
    }
    std::string name(Advance().text);
    while (IsSymbol(Peek(), ".") && Peek(1).kind == Kind::kWord) {  // Class.Method
      Advance();
      name += '.' + std::string(Advance().text);
    }
    const bool hasList = IsSymbol(Peek(), "(");
    std::vector<std::string> parameters;
    if (hasList) parameters = ParseFormals();
    SkipDeclaration();  // result type and OPTION clauses

    const Token& directive = Peek();
    const bool forward = IsWord(directive, "FORWARD");
    if (forward || IsWord(directive, "EXTERNAL") || IsWord(directive, "INTRINSIC")) {
      Advance();
      SkipDeclaration();
      if (forward) forwards_[Upper(name)] = parameters;
      Report(forward ? kVdxForward : kVdxExternal, name, keyword.line, 0, std::move(parameters));
      return;
    }
    if (scope.headingsOnly) {
      forwards_[Upper(name)] = parameters;
      Report(kVdxForward, name, keyword.line, 0, std::move(parameters));
      return;
    }
    if (!hasList) {
      const auto earlier = forwards_.find(Upper(name));
      if (earlier != forwards_.end()) parameters = earlier->second;
    }
    Report(kVdxFunction, name, keyword.line, scope.routineLevel, std::move(parameters));

    Scope inner;
    inner.routineLevel = scope.routineLevel + 1;
    inner.sectionLevel = scope.sectionLevel;
    inner.global = false;
    ParseDeclarations(inner, depth + 1);
    if (!IsWord(Peek(), "BEGIN")) {
      sink_.Diagnostic(Peek().line, "no BEGIN for the body of " + name);
      return;
    }
    ParseCompound();
    SkipIf(";");
  }

  // BEGIN ... END with CASE ... END and TRY ... RECOVER inside. Stops before a word that cannot
  // stand in a statement, as that means an END is missing.
  void ParseCompound() {
    const int line = Advance().line;
    int open = 1;
    while (!AtEnd()) {
      const Token& token = Peek();
      if (IsStructureWord(token) && !IsWord(token, "BEGIN")) {
        sink_.Diagnostic(line, "BEGIN not closed before " + std::string(token.text) + " in line " +
                                   std::to_string(token.line));
        return;
      }
      Advance();
      // TRY closes with RECOVER here and with END elsewhere.
      if (IsWord(token, "BEGIN") || IsWord(token, "CASE") || IsWord(token, "TRY")) ++open;
      if ((IsWord(token, "END") || IsWord(token, "RECOVER")) && --open == 0) return;
    }
    sink_.Diagnostic(line, "BEGIN not closed before the end of the file");
  }

  void ParseProgram() {
    const Token& keyword = Advance();
    std::string name;
    if (Peek().kind == Kind::kWord && !IsReserved(Peek())) name = std::string(Advance().text);
    std::vector<std::string> parameters;
    if (IsSymbol(Peek(), "(")) {
      Advance();
      while (!AtEnd() && !IsSymbol(Peek(), ")") && !IsSymbol(Peek(), ";")) {
        const Token& token = Advance();
        if (token.kind == Kind::kWord) parameters.emplace_back(token.text);
      }
      SkipIf(")");
    }
    SkipDeclaration();
    Report(kVdxSection, name, keyword.line, 0, std::move(parameters));

    Scope scope;
    scope.sectionLevel = 1;
    ParseDeclarations(scope, 0);
    if (IsWord(Peek(), "BEGIN")) {
      ParseCompound();
      SkipIf(".");
    } else if (!AtEnd()) {
      sink_.Diagnostic(Peek().line, "no BEGIN for the body of program " + name);
    }
  }

  void ParseModule(int level, int depth, bool unit) {
    const Token& keyword = Advance();
    std::string name;
    if (Peek().kind == Kind::kWord && !IsReserved(Peek())) name = std::string(Advance().text);
    SkipDeclaration();
    Report(kVdxSection, name, keyword.line, level);

    Scope scope;
    scope.sectionLevel = level + 1;
    scope.unit = unit;
    ParseDeclarations(scope, depth + 1);
    if (IsWord(Peek(), "BEGIN") || (unit && IsWord(Peek(), "INITIALIZATION"))) {
      ParseCompound();
    } else if (IsWord(Peek(), "END")) {
      Advance();
    } else if (!AtEnd()) {
      sink_.Diagnostic(Peek().line, "module " + name + " not closed with END");
      return;
    }
    if (IsSymbol(Peek(), ";") || IsSymbol(Peek(), ".")) Advance();
  }

  std::vector<Token> tokens_;
  SymbolSink& sink_;
  std::size_t at_ = 0;
  int percent_ = -1;
  std::unordered_map<std::string, std::vector<std::string>> forwards_;
};

}  // namespace

void ParsePascal(std::string_view text, SymbolSink& sink) {
  if (text.empty()) return;
  if (LooksLikeBinary(text)) {
    sink.Diagnostic(1, "not a text file");
    return;
  }
  const std::vector<SourceLine> lines = SplitLines(text);
  const bool numbered = HasTrailingSequenceNumbers(lines);
  std::string source;
  source.reserve(text.size());
  for (const SourceLine& line : lines) {
    source += CodePart(line.text, numbered);
    source += '\n';
  }
  Parser parser(Scanner(source, sink).Run(), sink);
  parser.Run();
}

}  // namespace vandrel::vdx
