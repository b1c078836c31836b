#include "extensions/spl/spl_parser.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vandrel::vdx {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '\'' || c == '_'; }

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

enum class Kind { kWord, kNumber, kString, kSymbol, kEnd };

struct Token {
  Kind kind = Kind::kEnd;
  std::string_view text;
  int line = 0;
};

// Splits the prepared source into tokens, dropping comments and directive
// lines; $INCLUDE is reported on the way and MAIN= of $CONTROL kept.
class Scanner {
 public:
  Scanner(std::string_view source, SymbolSink& sink) : source_(source), sink_(sink) {}

  std::vector<Token> Run() {
    std::vector<Token> tokens;
    bool lineStart = true;
    while (at_ < source_.size()) {
      const char c = source_[at_];
      if (c == '\n') {
        ++line_;
        ++at_;
        lineStart = true;
      } else if (static_cast<unsigned char>(c) <= ' ') {
        ++at_;
      } else if (lineStart && c == '$') {
        Directive();
      } else if (c == '<' && Next() == '<') {
        SkipComment();
        lineStart = false;
      } else if (c == '!') {
        SkipToLineEnd();
      } else {
        lineStart = false;
        Token token = Take();
        if (token.kind == Kind::kWord && EqualsUpper(token.text, "COMMENT")) {
          SkipCommentStatement();
        } else {
          tokens.push_back(token);
        }
      }
    }
    Token end;
    end.line = line_;
    tokens.push_back(end);
    return tokens;
  }

  const std::string& mainName() const { return mainName_; }

 private:
  char Next() const { return at_ + 1 < source_.size() ? source_[at_ + 1] : '\0'; }

  void SkipToLineEnd() {
    const std::size_t end = source_.find('\n', at_);
    at_ = end == std::string_view::npos ? source_.size() : end;
  }

  void CountLines(std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
      if (source_[i] == '\n') ++line_;
    }
  }

  void SkipComment() {
    const std::size_t end = source_.find(">>", at_ + 2);
    if (end == std::string_view::npos) {
      sink_.Diagnostic(line_, "comment << not closed before the end of the file");
      CountLines(at_, source_.size());
      at_ = source_.size();
      return;
    }
    CountLines(at_, end);
    at_ = end + 2;
  }

  // COMMENT runs to the next ';', which it includes.
  void SkipCommentStatement() {
    const std::size_t end = source_.find(';', at_);
    const std::size_t stop = end == std::string_view::npos ? source_.size() : end + 1;
    CountLines(at_, stop);
    at_ = stop;
  }

  // $INCLUDE file, $CONTROL ..., MAIN = name, ...; the rest is left alone.
  void Directive() {
    const std::size_t start = at_ + 1;
    SkipToLineEnd();
    std::string_view text = source_.substr(start, at_ - start);
    const std::size_t bang = text.find('!');
    if (bang != std::string_view::npos) text = text.substr(0, bang);
    std::vector<std::string_view> words;
    for (std::size_t i = 0; i < text.size();) {
      if (text[i] == ' ' || text[i] == '\t' || text[i] == ',') {
        ++i;
        continue;
      }
      std::size_t end = i;
      if (text[i] == '=') {
        ++end;
      } else {
        while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != ',' &&
               text[end] != '=') {
          ++end;
        }
      }
      words.push_back(text.substr(i, end - i));
      i = end;
    }
    if (words.size() >= 2 && EqualsUpper(words[0], "INCLUDE")) {
      Symbol symbol;
      symbol.category = kVdxInclude;
      symbol.name = std::string(words[1]);
      symbol.line = line_;
      sink_.Report(symbol);
    } else if (!words.empty() && EqualsUpper(words[0], "CONTROL")) {
      for (std::size_t i = 1; i + 2 < words.size(); ++i) {
        if (EqualsUpper(words[i], "MAIN") && words[i + 1] == "=") mainName_ = words[i + 2];
      }
    }
  }

  Token Take() {
    Token token;
    token.line = line_;
    const std::size_t start = at_;
    const char c = source_[at_];
    if (IsLetter(c)) {
      token.kind = Kind::kWord;
      while (at_ < source_.size() && IsNameChar(source_[at_])) ++at_;
    } else if (IsDigit(c) || c == '%') {
      token.kind = Kind::kNumber;
      ++at_;
      while (at_ < source_.size()) {
        const char d = source_[at_];
        if (IsDigit(d) || IsLetter(d) || (d == '.' && IsDigit(Next()))) {
          ++at_;
        } else {
          break;
        }
      }
    } else if (c == '"') {
      token.kind = Kind::kString;
      ++at_;
      bool closed = false;
      while (at_ < source_.size() && source_[at_] != '\n') {
        if (source_[at_++] != '"') continue;
        if (at_ < source_.size() && source_[at_] == '"') {
          ++at_;
        } else {
          closed = true;
          break;
        }
      }
      if (!closed) sink_.Diagnostic(line_, "string not closed on its line");
    } else {
      token.kind = Kind::kSymbol;
      const char n = Next();
      const bool pair =
          (c == ':' && n == '=') || (c == '<' && (n == '=' || n == '>')) || (c == '>' && n == '=');
      at_ += pair ? 2 : 1;
    }
    token.text = source_.substr(start, at_ - start);
    return token;
  }

  std::string_view source_;
  SymbolSink& sink_;
  std::size_t at_ = 0;
  int line_ = 1;
  std::string mainName_;
};

// Where declarations and statements are being read.
struct Context {
  int routineLevel = 0;       // the level of subroutines declared here
  bool global = true;         // declared names are reported as Data
  bool inProcedure = false;   // a PROCEDURE here means an END is missing
  bool inSubroutine = false;  // and so does a SUBROUTINE here
};

enum class BlockEnd { kEnd, kEndOfFile, kLeft };

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::string mainName, SymbolSink& sink)
      : tokens_(std::move(tokens)), mainName_(std::move(mainName)), sink_(sink) {}

  void Run() {
    const Context outer;
    bool blockSeen = false;
    while (!AtEnd()) {
      if (!blockSeen && IsWord(Peek(), "BEGIN")) {
        blockSeen = true;
        const Token& begin = Advance();
        Report(kVdxSection, mainName_.empty() ? "(outer block)" : mainName_, begin.line, 0);
        if (ParseBlock(outer) == BlockEnd::kEndOfFile) {
          sink_.Diagnostic(begin.line, "outer block not closed with END.");
        }
      } else {
        // A file of procedures alone, to be included, or text after END.
        blockSeen = true;
        ParseBlock(outer);
      }
      SkipIf(".");
      SkipIf(";");
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

  bool IsTypeWord(const Token& token) const {
    static constexpr std::string_view kTypes[] = {"INTEGER", "LOGICAL", "BYTE",
                                                  "DOUBLE",  "REAL",    "LONG"};
    if (token.kind != Kind::kWord) return false;
    for (const std::string_view type : kTypes) {
      if (EqualsUpper(token.text, type)) return true;
    }
    return !typeNames_.empty() && typeNames_.count(Upper(token.text)) > 0;
  }

  // Words that end a declaration or statement whatever it holds.
  static bool IsStop(const Token& token) {
    return IsWord(token, "BEGIN") || IsWord(token, "END") || IsWord(token, "PROCEDURE") ||
           IsWord(token, "SUBROUTINE");
  }

  static bool IsName(const Token& token) { return token.kind == Kind::kWord && !IsStop(token); }

  void Report(int category, std::string name, int line, int level,
              std::vector<std::string> parameters = {}) {
    Symbol symbol;
    symbol.category = category;
    symbol.name = std::move(name);
    symbol.line = line;
    symbol.level = level;
    symbol.parameters = std::move(parameters);
    sink_.Report(symbol);
  }

  // To the next ';' outside parentheses, which is consumed; stops before a
  // word that cannot belong to the statement.
  void SkipStatement() {
    int parens = 0;
    while (!AtEnd()) {
      const Token& token = Peek();
      if (parens == 0 && IsSymbol(token, ";")) {
        Advance();
        return;
      }
      if (IsStop(token)) {
        sink_.Diagnostic(token.line, "';' missing before " + std::string(token.text));
        return;
      }
      if (IsSymbol(token, "(")) ++parens;
      if (IsSymbol(token, ")") && parens > 0) --parens;
      Advance();
    }
  }

  // PROCEDURE or SUBROUTINE after `types` type words at the current token,
  // or nothing.
  const Token* RoutineAhead(std::size_t* types) const {
    std::size_t k = 0;
    while (IsTypeWord(Peek(k))) ++k;
    *types = k;
    const Token& word = Peek(k);
    return IsWord(word, "PROCEDURE") || IsWord(word, "SUBROUTINE") ? &word : nullptr;
  }

  // Declarations, routines and statements up to the END that closes the
  // block, which is consumed. kLeft: a routine the block cannot hold
  // begins, left for the enclosing block.
  BlockEnd ParseBlock(const Context& context) {
    int nested = 0;
    bool start = true;
    while (!AtEnd()) {
      std::size_t types = 0;
      if (const Token* routine = RoutineAhead(&types)) {
        const bool subroutine = IsWord(*routine, "SUBROUTINE");
        if (context.inSubroutine || (context.inProcedure && !subroutine)) {
          sink_.Diagnostic(routine->line,
                           "END missing before " + std::string(routine->text) + " in this line");
          return BlockEnd::kLeft;
        }
        ParseRoutine(context, types);
        start = true;
        continue;
      }
      if (start && nested == 0 && ParseDeclaration(context)) continue;
      const Token& token = Advance();
      start = IsSymbol(token, ";") || IsWord(token, "BEGIN");
      if (IsWord(token, "BEGIN")) ++nested;
      if (IsWord(token, "END")) {
        if (nested == 0) return BlockEnd::kEnd;
        --nested;
      }
    }
    return BlockEnd::kEndOfFile;
  }

  bool ParseDeclaration(const Context& context) {
    const Token& token = Peek();
    std::size_t prefix = 0;
    if (IsWord(token, "OWN") || IsWord(token, "GLOBAL") || IsWord(token, "EXTERNAL")) prefix = 1;
    const Token& type = Peek(prefix);
    if (IsTypeWord(type) || IsWord(type, "ARRAY") || IsWord(type, "POINTER")) {
      for (std::size_t i = 0; i < prefix; ++i) Advance();
      while (IsTypeWord(Peek())) Advance();
      const bool array = IsWord(Peek(), "ARRAY");
      if (array || IsWord(Peek(), "POINTER")) Advance();
      ParseNames(context, array);
    } else if (prefix > 0) {
      return false;
    } else if (IsWord(token, "EQUATE")) {
      Advance();
      ParseNames(context, false);
    } else if (IsWord(token, "DEFINE")) {
      ParseDefine(context);
    } else if (IsWord(token, "INTRINSIC")) {
      ParseIntrinsics();
    } else if (IsWord(token, "ENTRY") || IsWord(token, "LABEL") || IsWord(token, "SWITCH")) {
      Advance();
      SkipStatement();
    } else {
      return false;
    }
    return true;
  }

  // name [(bounds)] [= place | := value], ... ; An array's list of initial
  // values runs on until a name with bounds follows.
  void ParseNames(const Context& context, bool array) {
    while (!AtEnd()) {
      if (!IsName(Peek())) {
        sink_.Diagnostic(Peek().line, "name expected in declaration");
        SkipStatement();
        return;
      }
      const Token& name = Advance();
      if (context.global) Report(kVdxData, std::string(name.text), name.line, 0);
      int parens = 0;
      bool value = false;
      while (true) {
        const Token& token = Peek();
        if (AtEnd()) return;
        if (parens == 0 && IsSymbol(token, ";")) {
          Advance();
          return;
        }
        if (parens == 0 && IsSymbol(token, ",")) {
          Advance();
          if (!value || !array || (IsName(Peek()) && IsSymbol(Peek(1), "("))) break;
          continue;
        }
        if (IsStop(token)) {
          sink_.Diagnostic(token.line, "';' missing before " + std::string(token.text));
          return;
        }
        if (IsSymbol(token, "(")) ++parens;
        if (IsSymbol(token, ")") && parens > 0) --parens;
        if (parens == 0 && (IsSymbol(token, "=") || IsSymbol(token, ":="))) value = true;
        Advance();
      }
    }
  }

  // DEFINE name = text #, name = text #; A text that is only type words
  // makes the name a type.
  void ParseDefine(const Context& context) {
    Advance();
    while (!AtEnd()) {
      if (!IsName(Peek()) || !IsSymbol(Peek(1), "=")) {
        sink_.Diagnostic(Peek().line, "name = text # expected after DEFINE");
        SkipStatement();
        return;
      }
      const Token& name = Advance();
      Advance();
      if (context.global) Report(kVdxData, std::string(name.text), name.line, 0);
      bool type = true;
      std::size_t words = 0;
      while (!AtEnd() && !IsSymbol(Peek(), "#")) {
        type = type && IsTypeWord(Peek());
        ++words;
        Advance();
      }
      if (AtEnd()) {
        sink_.Diagnostic(name.line, "DEFINE " + std::string(name.text) + " not closed with #");
        return;
      }
      Advance();
      if (type && words > 0) typeNames_.insert(Upper(name.text));
      if (!IsSymbol(Peek(), ",")) break;
      Advance();
    }
    SkipStatement();
  }

  void ParseIntrinsics() {
    Advance();
    if (IsSymbol(Peek(), "(")) {  // the intrinsic file
      while (!AtEnd() && !IsSymbol(Peek(), ")") && !IsSymbol(Peek(), ";")) Advance();
      SkipIf(")");
    }
    while (IsName(Peek())) {
      const Token& name = Advance();
      Report(kVdxExternal, std::string(name.text), name.line, 0);
      if (!IsSymbol(Peek(), ",")) break;
      Advance();
    }
    SkipStatement();
  }

  // [type] PROCEDURE | SUBROUTINE name [(formals)]; then VALUE, the
  // formals' type declarations and OPTION, then the body unless forward or external.
  void ParseRoutine(const Context& context, std::size_t types) {
    const int line = Peek().line;
    for (std::size_t i = 0; i < types; ++i) Advance();
    const bool subroutine = IsWord(Advance(), "SUBROUTINE");
    if (!IsName(Peek())) {
      sink_.Diagnostic(line, "routine without a name");
      SkipStatement();
      return;
    }
    const std::string name(Advance().text);
    std::vector<std::string_view> formals;
    const bool hasList = IsSymbol(Peek(), "(");
    if (hasList) {
      Advance();
      while (!AtEnd() && !IsSymbol(Peek(), ")") && !IsSymbol(Peek(), ";") && !IsStop(Peek())) {
        const Token& token = Advance();
        if (token.kind == Kind::kWord) formals.push_back(token.text);
      }
      SkipIf(")");
    }
    SkipStatement();

    // Upper-case formal name -> its VALUE word and its type declaration.
    std::unordered_map<std::string, std::string> values;
    std::unordered_map<std::string, std::string> declared;
    const auto isUndeclaredFormal = [&](const Token& token) {
      if (token.kind != Kind::kWord) return false;
      const std::string key = Upper(token.text);
      if (declared.count(key) > 0) return false;
      for (const std::string_view formal : formals) {
        if (Upper(formal) == key) return true;
      }
      return false;
    };
    bool forward = false;
    bool external = false;
    bool bodyMissing = false;
    while (!AtEnd() && !forward && !external) {
      const Token& token = Peek();
      if (IsWord(token, "VALUE")) {
        Advance();
        while (IsName(Peek())) {
          values[Upper(Advance().text)] = std::string(token.text);
          if (!IsSymbol(Peek(), ",")) break;
          Advance();
        }
        SkipStatement();
        continue;
      }
      if (IsWord(token, "OPTION")) {
        Advance();
        while (!AtEnd() && !IsSymbol(Peek(), ";") && !IsStop(Peek())) {
          forward = forward || IsWord(Peek(), "FORWARD");
          external = external || IsWord(Peek(), "EXTERNAL");
          Advance();
        }
        SkipIf(";");
        continue;
      }
      std::size_t k = 0;
      while (IsTypeWord(Peek(k))) ++k;
      const Token& kind = Peek(k);
      const bool routineKind = IsWord(kind, "PROCEDURE") || IsWord(kind, "SUBROUTINE");
      if (routineKind && !isUndeclaredFormal(Peek(k + 1))) {
        bodyMissing = true;  // the next declaration
        break;
      }
      const bool kindWord =
          routineKind || IsWord(kind, "ARRAY") || IsWord(kind, "POINTER") || IsWord(kind, "LABEL");
      if (k == 0 && !kindWord) break;
      const std::size_t words = kindWord ? k + 1 : k;
      std::string text;
      for (std::size_t i = 0; i < words; ++i) {
        if (i > 0) text += ' ';
        text += Advance().text;
      }
      while (IsName(Peek())) {
        declared[Upper(Advance().text)] = text;
        if (IsSymbol(Peek(), "(")) {
          while (!AtEnd() && !IsSymbol(Peek(), ")") && !IsSymbol(Peek(), ";")) Advance();
          SkipIf(")");
        }
        if (!IsSymbol(Peek(), ",")) break;
        Advance();
      }
      SkipStatement();
    }

    std::vector<std::string> parameters;
    for (const std::string_view formal : formals) {
      const std::string key = Upper(formal);
      std::string text;
      if (const auto value = values.find(key); value != values.end()) text = value->second + ' ';
      if (const auto found = declared.find(key); found != declared.end())
        text += found->second + ' ';
      parameters.push_back(text + std::string(formal));
    }
    if (forward || external) {
      if (forward) forwards_[Upper(name)] = parameters;
      Report(forward ? kVdxForward : kVdxExternal, name, line, 0, std::move(parameters));
      return;
    }
    if (!hasList) {
      const auto earlier = forwards_.find(Upper(name));
      if (earlier != forwards_.end()) parameters = earlier->second;
    }
    Report(kVdxFunction, name, line, subroutine ? context.routineLevel : 0, std::move(parameters));

    if (bodyMissing || (IsStop(Peek()) && !IsWord(Peek(), "BEGIN"))) {
      sink_.Diagnostic(line, "no body for " + name);
      return;
    }
    if (!IsWord(Peek(), "BEGIN")) {
      SkipStatement();  // a body of one statement
      return;
    }
    const int beginLine = Advance().line;
    Context inner;
    inner.routineLevel = 1;
    inner.global = false;
    inner.inProcedure = true;
    inner.inSubroutine = subroutine;
    const BlockEnd end = ParseBlock(inner);
    if (end == BlockEnd::kEndOfFile) {
      sink_.Diagnostic(beginLine, "BEGIN of " + name + " not closed before the end of the file");
    } else if (end == BlockEnd::kEnd) {
      SkipIf(";");
    }
  }

  std::vector<Token> tokens_;
  std::string mainName_;
  SymbolSink& sink_;
  std::size_t at_ = 0;
  int percent_ = -1;
  std::unordered_set<std::string> typeNames_;  // upper-case DEFINE names of types
  std::unordered_map<std::string, std::vector<std::string>> forwards_;
};

}  // namespace

void ParseSpl(std::string_view text, SymbolSink& sink) {
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
  Scanner scanner(source, sink);
  std::vector<Token> tokens = scanner.Run();
  Parser parser(std::move(tokens), scanner.mainName(), sink);
  parser.Run();
}

}  // namespace vandrel::vdx
