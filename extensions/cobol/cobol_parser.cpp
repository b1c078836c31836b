#include "extensions/cobol/cobol_parser.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "extensions/cobol/cobol_source.h"

namespace vandrel::vdx {

namespace {

using cobol::Token;
using cobol::TokenKind;

// `word` equals `upper` ignoring ASCII case.
bool Is(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

// Equal ignoring ASCII case.
bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && ((a[i] ^ b[i]) != 0x20 || ((a[i] | 0x20) < 'a' || (a[i] | 0x20) > 'z'))) {
      return false;
    }
  }
  return true;
}

// Upper-case words with a quick first test by length and first letter, which
// turns most other words away without comparing them with each.
template <std::size_t N>
class WordSet {
 public:
  constexpr explicit WordSet(const std::array<std::string_view, N>& words) : words_(words) {
    for (const std::string_view word : words_) masks_[Slot(word.size())] |= Bit(word[0]);
  }

  bool Contains(std::string_view word) const {
    if (word.empty() || (masks_[Slot(word.size())] & Bit(word[0])) == 0) return false;
    for (const std::string_view upper : words_) {
      if (Is(word, upper)) return true;
    }
    return false;
  }

 private:
  static constexpr std::size_t Slot(std::size_t size) { return size < 31 ? size : 31; }
  // The same bit for both cases of a letter.
  static constexpr std::uint32_t Bit(char c) { return std::uint32_t{1} << ((c & ~0x20) & 31); }

  std::array<std::string_view, N> words_;
  std::array<std::uint32_t, 32> masks_{};
};

template <typename... Words>
constexpr auto MakeWordSet(Words... words) {
  return WordSet<sizeof...(Words)>(std::array<std::string_view, sizeof...(Words)>{words...});
}

bool IsWord(const Token& token, std::string_view upper) {
  return token.kind == TokenKind::kWord && Is(token.text, upper);
}

// The explicit scope terminators (END-IF, ...); END-OF-JOB is a name.
bool IsScopeTerminator(std::string_view word) {
  static constexpr auto kVerbs =
      MakeWordSet("ACCEPT", "ADD", "CALL", "COMPUTE", "DELETE", "DISPLAY", "DIVIDE", "EVALUATE",
                  "EXEC", "IF", "MULTIPLY", "PERFORM", "READ", "RECEIVE", "RETURN", "REWRITE",
                  "SEARCH", "START", "STRING", "SUBTRACT", "UNSTRING", "WRITE");
  return word.size() > 4 && Is(word.substr(0, 4), "END-") && kVerbs.Contains(word.substr(4));
}

// A user-defined word: letters, digits, hyphens (not at either end) and
// underscores.
bool IsName(std::string_view word) {
  if (word.empty() || word.front() == '-' || word.back() == '-') return false;
  for (const char c : word) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

// One or two digits.
bool LevelNumber(const Token& token, int* number) {
  const std::string_view text = token.text;
  if (token.kind != TokenKind::kWord || text.empty() || text.size() > 2) return false;
  *number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    *number = *number * 10 + (c - '0');
  }
  return true;
}

// Words that may stand alone with a period in area A without naming a
// paragraph.
bool IsLoneStatement(std::string_view word) {
  static constexpr auto kWords = MakeWordSet("EXIT", "GOBACK", "CONTINUE", "ELSE", "DECLARATIVES");
  return IsScopeTerminator(word) || kWords.Contains(word);
}

// Words that end the operand list of CALL ... USING: the phrases after it
// and the verbs that start the next statement.
bool EndsOperands(std::string_view word) {
  static constexpr auto kWords = MakeWordSet(
      "GIVING", "RETURNING", "ON", "NOT", "EXCEPTION", "OVERFLOW", "ACCEPT", "ADD", "ALTER", "CALL",
      "CANCEL", "CLOSE", "COMPUTE", "CONTINUE", "COPY", "DELETE", "DISPLAY", "DIVIDE", "ELSE",
      "ENTER", "EVALUATE", "EXAMINE", "EXEC", "EXECUTE", "EXIT", "GENERATE", "GO", "GOBACK", "IF",
      "INITIALIZE", "INITIATE", "INSPECT", "MERGE", "MOVE", "MULTIPLY", "OPEN", "PERFORM", "READ",
      "RELEASE", "RETURN", "REWRITE", "SEARCH", "SET", "SORT", "START", "STOP", "STRING",
      "SUBTRACT", "TERMINATE", "UNSTRING", "WHEN", "WRITE", "THEN");
  return IsScopeTerminator(word) || kWords.Contains(word);
}

// Clauses that may follow a level number directly, leaving the item unnamed.
bool IsClauseWord(std::string_view word) {
  static constexpr auto kWords = MakeWordSet(
      "PIC", "PICTURE", "VALUE", "VALUES", "REDEFINES", "RENAMES", "OCCURS", "USAGE", "COMP",
      "COMP-1", "COMP-2", "COMP-3", "COMP-4", "COMP-5", "COMPUTATIONAL", "COMPUTATIONAL-3",
      "BINARY", "DISPLAY", "PACKED-DECIMAL", "INDEX", "POINTER", "SIGN", "JUST", "JUSTIFIED",
      "BLANK", "SYNC", "SYNCHRONIZED", "IS", "EXTERNAL", "GLOBAL");
  return kWords.Contains(word);
}

// Whether `word` names a section that only the environment and data
// divisions have.
bool IsDataSectionName(std::string_view word) {
  static constexpr auto kWords =
      MakeWordSet("CONFIGURATION", "INPUT-OUTPUT", "FILE", "WORKING-STORAGE", "LOCAL-STORAGE",
                  "LINKAGE", "REPORT", "SCREEN", "COMMUNICATION");
  return kWords.Contains(word);
}

std::string_view Unquoted(const Token& token) {
  std::string_view text = token.text;
  if (token.kind == TokenKind::kLiteral && !text.empty()) {
    const char quote = text.front();
    text.remove_prefix(1);
    if (!text.empty() && text.back() == quote) text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  }
  return text;
}

enum class Division { kNone, kIdentification, kEnvironment, kData, kProcedure, kClosed };

Division DivisionOf(std::string_view word) {
  if (Is(word, "IDENTIFICATION") || Is(word, "ID")) return Division::kIdentification;
  if (Is(word, "ENVIRONMENT")) return Division::kEnvironment;
  if (Is(word, "DATA")) return Division::kData;
  if (Is(word, "PROCEDURE")) return Division::kProcedure;
  return Division::kNone;
}

// The operands of a USING list as written: subscripts, reference
// modification and qualification stay with their identifier; an operand
// that goes over lines is joined with one blank.
class OperandList {
 public:
  void Clear() {
    count_ = 0;
    pieceOpen_ = false;
    parens_ = 0;
    expectQualifier_ = false;
  }

  // Takes `token` as part of the list; false when it ends the list.
  bool Take(const Token& token) {
    if (parens_ > 0) {
      Append(token);
      if (token.kind == TokenKind::kOpenParen) ++parens_;
      if (token.kind == TokenKind::kCloseParen) --parens_;
      return true;
    }
    switch (token.kind) {
      case TokenKind::kOpenParen:
        Append(token);
        ++parens_;
        return true;
      case TokenKind::kCloseParen:
        return true;
      case TokenKind::kPeriod:
      case TokenKind::kPseudoTextDelimiter:
        return false;
      case TokenKind::kLiteral:
        if (expectQualifier_) {
          Append(token);
        } else {
          Start(token);
        }
        expectQualifier_ = false;
        return true;
      case TokenKind::kWord:
        break;
    }
    const std::string_view word = token.text;
    if (expectQualifier_) {
      Append(token);
      expectQualifier_ = Is(word, "OF") || Is(word, "IN");
    } else if ((Is(word, "OF") || Is(word, "IN")) && count_ > 0) {
      Append(token);
      expectQualifier_ = true;
    } else if (Is(word, "BY") || Is(word, "REFERENCE") || Is(word, "CONTENT") ||
               Is(word, "VALUE")) {
      // how the operands that follow are passed
    } else if (EndsOperands(word)) {
      return false;
    } else {
      Start(token);
      expectQualifier_ = Is(word, "ADDRESS") || Is(word, "LENGTH");
    }
    return true;
  }

  void CopyTo(std::vector<std::string>* out) {
    Flush();
    out->assign(texts_.begin(), texts_.begin() + static_cast<std::ptrdiff_t>(count_));
  }

 private:
  void Start(const Token& token) {
    Flush();
    if (count_ == texts_.size()) texts_.emplace_back();
    texts_[count_++].clear();
    Begin(token);
  }

  void Append(const Token& token) {
    if (count_ == 0) {
      Start(token);
    } else if (pieceOpen_ && token.line == line_ && token.text.data() >= end_) {
      end_ = token.text.data() + token.text.size();
    } else {
      Flush();
      texts_[count_ - 1] += ' ';
      Begin(token);
    }
  }

  void Begin(const Token& token) {
    begin_ = token.text.data();
    end_ = begin_ + token.text.size();
    line_ = token.line;
    pieceOpen_ = true;
  }

  void Flush() {
    if (pieceOpen_) texts_[count_ - 1].append(begin_, end_);
    pieceOpen_ = false;
  }

  std::vector<std::string> texts_;  // kept between lists, so their memory is reused
  std::size_t count_ = 0;
  const char* begin_ = nullptr;  // the piece on one line not yet copied
  const char* end_ = nullptr;
  int line_ = 0;
  bool pieceOpen_ = false;
  int parens_ = 0;
  bool expectQualifier_ = false;
};

// Hash and equality of program names ignoring ASCII case.
struct NameHash {
  std::size_t operator()(std::string_view name) const {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : name) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return static_cast<std::size_t>(hash);
  }
};

struct SameName {
  bool operator()(std::string_view a, std::string_view b) const { return SameWord(a, b); }
};

// Takes the tokens of cobol::ScanSource.
class CobolParser {
 public:
  explicit CobolParser(SymbolSink& sink) : sink_(sink) {}

  // Inside a statement only a few verbs and the period matter: the scanner
  // need not hand over the other words.
  bool WantsWord(std::size_t size, char first) const {
    if (state_ != State::kStatement) return true;
    const char upper = static_cast<char>(first & ~0x20);
    switch (size) {
      case 4:  // COPY, CALL, EXEC
        return upper == 'C' || upper == 'E';
      case 7:  // EXECUTE, REPLACE
        return upper == 'E' || upper == 'R';
      case 10:  // PROGRAM-ID
        return upper == 'P';
      default:
        return false;
    }
  }

  // What Statement does with a word it does not watch for.
  void OnOtherWord() { pendingCopyAtStart_ = false; }

  void OnToken(const Token& token) {
    // Area A starts a new header or entry, whatever was left unfinished.
    if (token.firstOnLine && token.inAreaA && !token.areaAUncertain && !pseudoText_ &&
        state_ != State::kExec) {
      BreakSentence();
    }
    Dispatch(token);
  }

  void OnIncludeDirective(int line, std::string_view file) {
    ReportSymbol(kVdxInclude, file, line, 0);
  }

  void OnProgress(int percent) { sink_.Progress(percent); }

  void Finish() {
    BreakSentence();
    EmitSections();
  }

 private:
  enum class State {
    kHead,            // the first tokens of a sentence, collected in head_
    kStatement,       // inside a sentence: watching for COPY, CALL, EXEC
    kProgramId,       // after PROGRAM-ID
    kEndProgram,      // after END PROGRAM
    kProcedureUsing,  // in the PROCEDURE DIVISION header
    kCopyName,
    kCopyOf,
    kCopyLibrary,
    kCopyTail,  // REPLACING ... up to the period
    kCallName,
    kCallBody,
    kExec,  // up to END-EXEC
  };

  // A division or section, kept until the end: only then is it known
  // whether the file holds more than one program.
  struct PendingSection {
    std::string_view name;
    std::string_view keyword;  // DIVISION or SECTION as written
    int line = 0;
    int program = -1;
    int level = 0;  // 0 division, 1 section, within its program
    bool startsProgram = false;
    bool identification = false;
    std::size_t parameter = 0;  // its parameters in sectionParameters_
    std::size_t parameterCount = 0;
  };

  struct Program {
    std::string name;
    int depth = 0;
  };

  struct DataLevel {
    int number = 0;
    bool hidden = false;
  };

  void Dispatch(const Token& token) {
    switch (state_) {
      case State::kHead:
        head_[headCount_++] = token;
        if (token.kind == TokenKind::kPeriod || headCount_ == head_.size()) ClassifyHead();
        break;
      case State::kStatement:
        Statement(token);
        break;
      case State::kProgramId:
        if (token.kind == TokenKind::kPeriod && !programIdPeriod_) {
          programIdPeriod_ = true;
        } else {
          state_ = State::kStatement;
          if (token.kind == TokenKind::kWord || token.kind == TokenKind::kLiteral) {
            if (!openPrograms_.empty()) programs_[openPrograms_.back()].name = Unquoted(token);
          } else {
            Statement(token);
          }
        }
        break;
      case State::kEndProgram:
        state_ = State::kStatement;
        if (token.kind == TokenKind::kWord || token.kind == TokenKind::kLiteral) {
          EndProgram(Unquoted(token), token.line);
        } else {
          EndProgram({}, token.line);
          Statement(token);
        }
        break;
      case State::kProcedureUsing:
        ProcedureUsing(token);
        break;
      case State::kCopyName:
        if (token.kind == TokenKind::kWord || token.kind == TokenKind::kLiteral) {
          copyName_ = token;
          state_ = State::kCopyOf;
        } else {
          sink_.Diagnostic(copyLine_, "COPY without a text name");
          state_ = State::kCopyTail;
          CopyTail(token);
        }
        break;
      case State::kCopyOf:
        if (IsWord(token, "OF") || IsWord(token, "IN")) {
          copyOf_ = token.text;
          state_ = State::kCopyLibrary;
        } else {
          ReportCopy(nullptr);
          CopyTail(token);
        }
        break;
      case State::kCopyLibrary:
        if (token.kind == TokenKind::kWord || token.kind == TokenKind::kLiteral) {
          ReportCopy(&token);
        } else {
          ReportCopy(nullptr);
          CopyTail(token);
        }
        break;
      case State::kCopyTail:
        CopyTail(token);
        break;
      case State::kCallName:
        CallName(token);
        break;
      case State::kCallBody:
        CallBody(token);
        break;
      case State::kExec:
        Exec(token);
        break;
    }
  }

  void StartSentence() {
    state_ = State::kHead;
    headCount_ = 0;
  }

  // Ends whatever the current sentence left open.
  void BreakSentence() {
    while (state_ != State::kHead || headCount_ > 0) {
      switch (state_) {
        case State::kHead:
          ClassifyHead();
          continue;
        case State::kCallName:
          sink_.Diagnostic(callLine_, "CALL without a program name");
          break;
        case State::kCallBody:
          FinishCall();
          break;
        case State::kProcedureUsing:
          FinishProcedureUsing();
          break;
        case State::kCopyName:
          sink_.Diagnostic(copyLine_, "COPY without a text name");
          break;
        case State::kCopyOf:
        case State::kCopyLibrary:
          ReportCopy(nullptr);
          EndCopy();
          break;
        case State::kCopyTail:
          EndCopy();
          break;
        case State::kEndProgram:
          EndProgram({}, endProgramLine_);
          break;
        default:
          break;
      }
      StartSentence();
    }
  }

  // Decides what the first tokens of a sentence begin; the tokens not used
  // go on through Dispatch.
  void ClassifyHead() {
    const std::array<Token, 3> head = head_;
    const std::size_t count = headCount_;
    headCount_ = 0;
    state_ = State::kStatement;
    std::size_t used = 0;
    const Token& first = head[0];
    const bool word0 = first.kind == TokenKind::kWord;
    const bool word1 = count > 1 && head[1].kind == TokenKind::kWord;
    int level = 0;
    pendingCopyAtStart_ = word0 && Is(first.text, "COPY");
    if (word0 && word1 && first.firstOnLine && Is(head[1].text, "DIVISION") &&
        DivisionOf(first.text) != Division::kNone) {
      StartDivision(first, head[1]);
      used = 2;
      if (division_ == Division::kProcedure) state_ = State::kProcedureUsing;
    } else if (word0 && word1 && first.firstOnLine && Is(head[1].text, "SECTION") &&
               IsName(first.text)) {
      Section(first, head[1]);
      used = 2;
      int segment = 0;
      if (count > 2 && LevelNumber(head[2], &segment)) used = 3;
    } else if (word0 && count == 2 && head[1].kind == TokenKind::kPeriod && first.firstOnLine &&
               first.inAreaA && IsName(first.text) && !IsLoneStatement(first.text) &&
               (division_ == Division::kProcedure || division_ == Division::kNone ||
                division_ == Division::kData)) {
      if (division_ == Division::kData) {
        // No data entry looks like this: the procedure division header came
        // with copied text.
        sink_.Diagnostic(first.line, "paragraph " + std::string(first.text) +
                                         " in the data division: taken as the procedure division");
        division_ = Division::kProcedure;
        inProcedureSection_ = false;
      }
      Paragraph(first);
      used = 1;
    } else if (word0 && word1 && Is(first.text, "END") && Is(head[1].text, "PROGRAM")) {
      state_ = State::kEndProgram;
      endProgramLine_ = first.line;
      used = 2;
    } else if (LevelNumber(first, &level) && count > 1 && head[1].kind != TokenKind::kPeriod &&
               (division_ == Division::kData || division_ == Division::kNone)) {
      used = DataEntry(level, first, head[1]);
    } else if (word0 && word1 && division_ == Division::kData && first.text.size() == 2 &&
               (Is(first.text, "FD") || Is(first.text, "SD") || Is(first.text, "RD") ||
                Is(first.text, "CD")) &&
               IsName(head[1].text)) {
      FileEntry(first, head[1]);
      used = 2;
    } else if (word0 && Is(first.text, "PROGRAM-ID")) {
      state_ = State::kProgramId;
      programIdPeriod_ = false;
      used = 1;
    }
    for (std::size_t i = used; i < count; ++i) Dispatch(head[i]);
  }

  void Statement(const Token& token) {
    const bool copyAtStart = pendingCopyAtStart_;
    pendingCopyAtStart_ = false;
    if (token.kind == TokenKind::kPeriod) {
      StartSentence();
      return;
    }
    if (token.kind != TokenKind::kWord) return;
    const std::string_view word = token.text;
    switch (word.size()) {
      case 4:
        if (Is(word, "COPY") && (copyAtStart || division_ != Division::kIdentification)) {
          state_ = State::kCopyName;
          copyAtStart_ = copyAtStart;
          copyLine_ = token.line;
          copyOf_ = {};
        } else if (Is(word, "CALL") && CallsAllowed()) {
          state_ = State::kCallName;
          callLine_ = token.line;
          callName_ = {};
        } else if (Is(word, "EXEC") && CallsAllowed()) {
          state_ = State::kExec;
          execWords_ = 0;
        }
        break;
      case 7:
        if (Is(word, "EXECUTE") && CallsAllowed()) {
          state_ = State::kExec;
          execWords_ = 0;
        } else if (Is(word, "REPLACE")) {
          state_ = State::kCopyTail;  // its pseudo-text may hold periods
          copyAtStart_ = false;
        }
        break;
      case 10:
        if (Is(word, "PROGRAM-ID")) {
          state_ = State::kProgramId;
          programIdPeriod_ = false;
        }
        break;
      default:
        break;
    }
  }

  bool CallsAllowed() const {
    return division_ == Division::kProcedure || division_ == Division::kNone ||
           division_ == Division::kData;
  }

  // --- programs, divisions, sections, paragraphs

  void StartDivision(const Token& name, const Token& keyword) {
    const Division division = DivisionOf(name.text);
    PendingSection pending;
    pending.name = name.text;
    pending.keyword = keyword.text;
    pending.line = name.line;
    pending.identification = division == Division::kIdentification;
    if (division == Division::kIdentification || openPrograms_.empty() ||
        division_ == Division::kClosed || division <= division_) {
      programs_.push_back({std::string(), static_cast<int>(openPrograms_.size())});
      openPrograms_.push_back(static_cast<int>(programs_.size()) - 1);
      pending.startsProgram = true;
    }
    pending.program = openPrograms_.back();
    pendingSections_.push_back(pending);
    division_ = division;
    inProcedureSection_ = false;
    ResetData();
  }

  void Section(const Token& name, const Token& keyword) {
    if (division_ == Division::kIdentification || division_ == Division::kClosed) {
      sink_.Diagnostic(name.line,
                       "a section outside the environment, data and procedure divisions");
      return;
    }
    PendingSection pending;
    pending.name = name.text;
    pending.keyword = keyword.text;
    pending.line = name.line;
    if (division_ != Division::kNone) {
      pending.program = openPrograms_.back();
      pending.level = 1;
    }
    pendingSections_.push_back(pending);
    ResetData();
    if (division_ == Division::kProcedure ||
        (division_ == Division::kNone && !IsDataSectionName(name.text))) {
      ReportSymbol(kVdxFunction, name.text, name.line, 0);
      inProcedureSection_ = true;
    }
  }

  void Paragraph(const Token& name) {
    ReportSymbol(kVdxFunction, name.text, name.line, inProcedureSection_ ? 1 : 0);
  }

  void EndProgram(std::string_view name, int line) {
    std::size_t open = openPrograms_.size();
    while (open > 0 && !SameWord(programs_[openPrograms_[open - 1]].name, name)) --open;
    if (open == 0) {
      if (!name.empty()) {
        sink_.Diagnostic(line, "END PROGRAM " + std::string(name) + " closes no open program");
      }
      if (!openPrograms_.empty()) openPrograms_.pop_back();
    } else {
      openPrograms_.resize(open - 1);
    }
    division_ = Division::kClosed;
    inProcedureSection_ = false;
  }

  void ProcedureUsing(const Token& token) {
    if (!usingList_) {
      if (IsWord(token, "USING") || IsWord(token, "CHAINING")) {
        usingList_ = true;
        operands_.Clear();
        return;
      }
    } else if (operands_.Take(token)) {
      return;
    }
    FinishProcedureUsing();
    Statement(token);
  }

  void FinishProcedureUsing() {
    if (usingList_ && !pendingSections_.empty()) {
      operands_.CopyTo(&parameters_);
      PendingSection& division = pendingSections_.back();
      division.parameter = sectionParameters_.size();
      division.parameterCount = parameters_.size();
      sectionParameters_.insert(sectionParameters_.end(), parameters_.begin(), parameters_.end());
    }
    usingList_ = false;
    state_ = State::kStatement;
  }

  void EmitSections() {
    const bool several = programs_.size() > 1;
    for (const PendingSection& pending : pendingSections_) {
      int base = 0;
      const Program* program = pending.program >= 0 ? &programs_[pending.program] : nullptr;
      if (several && program != nullptr) {
        if (pending.startsProgram) {
          symbol_ = Symbol{};
          symbol_.category = kVdxSection;
          symbol_.name = !program->name.empty()
                             ? program->name
                             : std::string(pending.name) + ' ' + std::string(pending.keyword);
          symbol_.line = pending.line;
          symbol_.level = program->depth;
          sink_.Report(symbol_);
        }
        base = program->depth + 1;
      }
      symbol_ = Symbol{};
      symbol_.category = kVdxSection;
      symbol_.name.assign(pending.name).append(1, ' ').append(pending.keyword);
      if (pending.identification && program != nullptr && !program->name.empty()) {
        symbol_.alternativeName = program->name;
        symbol_.displayText = symbol_.name + " (" + program->name + ")";
      }
      symbol_.line = pending.line;
      symbol_.level = base + pending.level;
      const auto first =
          sectionParameters_.begin() + static_cast<std::ptrdiff_t>(pending.parameter);
      symbol_.parameters.assign(first, first + static_cast<std::ptrdiff_t>(pending.parameterCount));
      sink_.Report(symbol_);
    }
  }

  // --- data

  void ResetData() {
    levelCount_ = 0;
    lastItemDepth_ = -1;
  }

  int VisibleLevels() const {
    int visible = 0;
    for (std::size_t i = 0; i < levelCount_; ++i) visible += levels_[i].hidden ? 0 : 1;
    return visible;
  }

  // A data description entry with level number `number`; returns how many
  // head tokens it used.
  std::size_t DataEntry(int number, const Token& levelToken, const Token& next) {
    const bool word = next.kind == TokenKind::kWord;
    const bool filler = word && Is(next.text, "FILLER");
    const bool named = word && !filler && IsName(next.text) && !IsClauseWord(next.text);
    const std::size_t used = named || filler ? 2 : 1;
    int depth = 0;
    if (number == 66) {
      depth = levelCount_ > 0 && levels_[0].number == 1 && !levels_[0].hidden ? 1 : 0;
    } else if (number == 88) {
      depth = lastItemDepth_ < 0 ? 0 : lastItemDepth_ + (lastItemHidden_ ? 0 : 1);
    } else if (number == 1 || number == 77 || (number >= 2 && number <= 49)) {
      if (number == 1 || number == 77) levelCount_ = 0;
      while (levelCount_ > 0 && levels_[levelCount_ - 1].number >= number) --levelCount_;
      depth = VisibleLevels();
      if (levelCount_ < levels_.size()) levels_[levelCount_++] = {number, !named};
      lastItemDepth_ = depth;
      lastItemHidden_ = !named;
    } else {
      sink_.Diagnostic(levelToken.line,
                       "level number " + std::string(levelToken.text) + " not understood");
      return 1;
    }
    if (named) ReportSymbol(kVdxData, next.text, next.line, depth);
    return used;
  }

  void FileEntry(const Token& keyword, const Token& name) {
    ResetData();
    symbol_ = Symbol{};
    symbol_.category = kVdxData;
    symbol_.name = name.text;
    symbol_.displayText.assign(keyword.text).append(1, ' ').append(name.text);
    symbol_.line = name.line;
    sink_.Report(symbol_);
  }

  // --- COPY

  void ReportCopy(const Token* library) {
    symbol_ = Symbol{};
    symbol_.category = kVdxInclude;
    symbol_.name = Unquoted(copyName_);
    if (library != nullptr) {
      symbol_.alternativeName = Unquoted(*library);
      symbol_.displayText.assign(copyName_.text)
          .append(1, ' ')
          .append(copyOf_)
          .append(1, ' ')
          .append(library->text);
    }
    symbol_.line = copyName_.line;
    sink_.Report(symbol_);
    state_ = State::kCopyTail;
    pseudoText_ = false;
  }

  void CopyTail(const Token& token) {
    state_ = State::kCopyTail;
    if (token.kind == TokenKind::kPseudoTextDelimiter) {
      pseudoText_ = !pseudoText_;
    } else if (token.kind == TokenKind::kPeriod && !pseudoText_) {
      EndCopy();
      StartSentence();
    }
  }

  void EndCopy() {
    pseudoText_ = false;
    // The records a whole entry of copied text ends with are not visible here.
    if (copyAtStart_ && (division_ == Division::kData || division_ == Division::kNone)) {
      ResetData();
    }
    state_ = State::kStatement;
  }

  // --- CALL

  void CallName(const Token& token) {
    if (IsWord(token, "INTRINSIC")) return;
    if ((token.kind == TokenKind::kWord && IsName(token.text)) ||
        (token.kind == TokenKind::kLiteral && !Unquoted(token).empty())) {
      callName_ = Unquoted(token);
      callIsNew_ = called_.insert(callName_).second;
      usingList_ = false;
      operands_.Clear();
      state_ = State::kCallBody;
      return;
    }
    sink_.Diagnostic(callLine_, "CALL without a program name");
    state_ = State::kStatement;
    Statement(token);
  }

  void CallBody(const Token& token) {
    if (!usingList_) {
      if (IsWord(token, "USING")) {
        usingList_ = true;
        return;
      }
    } else if (operands_.Take(token)) {
      return;
    }
    FinishCall();
    Statement(token);
  }

  void FinishCall() {
    if (callIsNew_) {
      symbol_ = Symbol{};
      symbol_.category = kVdxExternal;
      symbol_.name = callName_;
      symbol_.line = callLine_;
      operands_.CopyTo(&symbol_.parameters);
      sink_.Report(symbol_);
    }
    callIsNew_ = false;
    usingList_ = false;
    state_ = State::kStatement;
  }

  // --- EXEC SQL ... END-EXEC

  void Exec(const Token& token) {
    if (IsWord(token, "END-EXEC")) {
      state_ = State::kStatement;
      return;
    }
    if (token.kind == TokenKind::kPeriod) {
      sink_.Diagnostic(token.line, "EXEC without END-EXEC");
      StartSentence();
      return;
    }
    ++execWords_;
    if (execWords_ == 2 && !IsWord(token, "INCLUDE")) execWords_ = 4;
    if (execWords_ == 3 && (token.kind == TokenKind::kWord || token.kind == TokenKind::kLiteral)) {
      ReportSymbol(kVdxInclude, Unquoted(token), token.line, 0);
    }
  }

  void ReportSymbol(int category, std::string_view name, int line, int level) {
    symbol_.category = category;
    symbol_.name.assign(name);
    symbol_.alternativeName.clear();
    symbol_.displayText.clear();
    symbol_.line = line;
    symbol_.level = level;
    symbol_.parameters.clear();
    sink_.Report(symbol_);
  }

  SymbolSink& sink_;
  Symbol symbol_;  // reused for every report
  State state_ = State::kHead;
  std::array<Token, 3> head_{};
  std::size_t headCount_ = 0;
  Division division_ = Division::kNone;
  bool inProcedureSection_ = false;

  std::vector<Program> programs_;
  std::vector<int> openPrograms_;  // indexes into programs_, innermost last
  std::vector<PendingSection> pendingSections_;
  std::vector<std::string> sectionParameters_;
  bool programIdPeriod_ = false;
  int endProgramLine_ = 0;

  std::array<DataLevel, 64> levels_{};
  std::size_t levelCount_ = 0;
  int lastItemDepth_ = -1;  // of the last item 01-49 or 77, -1 when none
  bool lastItemHidden_ = false;

  bool pendingCopyAtStart_ = false;
  bool copyAtStart_ = false;
  bool pseudoText_ = false;
  Token copyName_;
  std::string_view copyOf_;
  int copyLine_ = 0;

  std::string_view callName_;
  int callLine_ = 0;
  bool callIsNew_ = false;
  bool usingList_ = false;
  // Names already reported, as written in the source.
  std::unordered_set<std::string_view, NameHash, SameName> called_;
  OperandList operands_;
  std::vector<std::string> parameters_;

  int execWords_ = 0;
};

}  // namespace

void ParseCobol(std::string_view text, SymbolSink& sink) {
  if (text.empty()) return;
  if (cobol::LooksBinary(text)) {
    sink.Diagnostic(1, "binary data, not a COBOL source");
    return;
  }
  CobolParser parser(sink);
  cobol::ScanSource(text, cobol::DetectLayout(text), parser);
  parser.Finish();
  sink.Progress(100);
}

}  // namespace vandrel::vdx
