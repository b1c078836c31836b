#include "extensions/mpejob/mpejob_parser.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <unordered_set>
#include <vector>

namespace vandrel::vdx {

namespace {

constexpr std::size_t kNumberColumn = 72;  // Qedit keeps an 8-digit number in 73-80
constexpr std::size_t kNumberDigits = 8;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool Is(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

bool IsAnyOf(std::string_view word, std::initializer_list<std::string_view> uppers) {
  return std::any_of(uppers.begin(), uppers.end(),
                     [word](std::string_view upper) { return Is(word, upper); });
}

// Commands that run a program or change files: the steps of a job.
bool IsStep(std::string_view verb) {
  return IsAnyOf(
      verb,
      {"RUN",       "XEQ",        "COBOL",    "COBOLPREP", "COBOLGO", "COBOLII",  "COBOLIIPREP",
       "COBOLIIGO", "COB74XL",    "COB74XLK", "COB74XLG",  "COB85XL", "COB85XLK", "COB85XLG",
       "PASCAL",    "PASCALPREP", "PASCALGO", "PASXL",     "PASXLLK", "PASXLGO",  "FORTRAN",
       "FORTPREP",  "FORTGO",     "FTN",      "FTNPREP",   "FTNGO",   "FTNXL",    "FTNXLLK",
       "FTNXLGO",   "SPL",        "SPLPREP",  "SPLGO",     "SPLASH",  "CCXL",     "CCXLLK",
       "CCXLGO",    "BASICOMP",   "RPG",      "RPGXL",     "LINK",    "LINKEDIT", "PREP",
       "PREPRUN",   "SEGMENTER",  "EDITOR",   "QEDIT",     "FCOPY",   "SORT",     "MERGE",
       "QUERY",     "STORE",      "RESTORE",  "BUILD",     "PURGE",   "RENAME"});
}

// A line without its line end, an 8-digit number in columns 73-80 and
// trailing blanks.
std::string_view WithoutNumber(std::string_view line) {
  if (line.size() >= kNumberColumn + kNumberDigits &&
      Trimmed(line.substr(kNumberColumn + kNumberDigits)).empty() &&
      std::all_of(line.begin() + kNumberColumn, line.begin() + kNumberColumn + kNumberDigits,
                  IsDigit)) {
    line = line.substr(0, kNumberColumn);
  }
  while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// "name/lockword.group.account" without the lockword (or password); HFS
// paths are left alone.
std::string WithoutLockwords(std::string_view designator) {
  std::string out;
  if (!designator.empty() && (designator.front() == '/' || designator.front() == '.')) {
    return std::string(designator);
  }
  bool skipping = false;
  for (const char c : designator) {
    if (c == '/') {
      skipping = true;
    } else if (c == '.' || c == ',' || c == ';' || IsBlank(c)) {
      skipping = false;
    }
    if (!skipping) out += c;
  }
  return out;
}

// `text` cut at each of `separators` outside quotes, each piece trimmed and
// empty ones left out.
std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> pieces;
  char quote = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ';';
    if (quote != 0) {
      if (c == quote) quote = 0;
      if (i < text.size()) continue;
    } else if (c == '"' || c == '\'') {
      quote = c;
      continue;
    }
    if (i == text.size() || separators.find(c) != std::string_view::npos) {
      const std::string_view piece = Trimmed(text.substr(start, i - start));
      if (!piece.empty()) pieces.push_back(piece);
      start = i + 1;
    }
  }
  return pieces;
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

bool IsPrompt(char c) { return c == '!' || c == ':'; }

// The command verb of `line` after an optional prompt character.
std::string_view VerbOf(std::string_view line) {
  if (!line.empty() && IsPrompt(line.front())) line.remove_prefix(1);
  line = Trimmed(line);
  std::size_t end = 0;
  while (end < line.size() && !IsBlank(line[end]) && line[end] != ';' && line[end] != ',') ++end;
  return line.substr(0, end);
}

class JobParser {
 public:
  explicit JobParser(SymbolSink& sink) : sink_(sink) {}

  void Parse(std::string_view text) {
    const std::vector<SourceLine> lines = SplitLines(text);
    DecideMode(lines);
    std::string command;
    int commandLine = 0;
    bool continued = false;
    const std::size_t step = std::max<std::size_t>(lines.size() / 50, 1);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i % step == 0) sink_.Progress(static_cast<int>(i * 100 / lines.size()));
      std::string_view line = WithoutNumber(lines[i].text);
      const bool prompted =
          !line.empty() && IsPrompt(line.front()) && (line.size() == 1 || line[1] != line.front());
      if (jobMode_ && !prompted && !continued) continue;  // input for the running program
      if (prompted) line.remove_prefix(1);
      if (!continued) {
        command.clear();
        commandLine = lines[i].number;
      }
      continued = !line.empty() && line.back() == '&';
      if (continued) line.remove_suffix(1);
      command.append(line);
      if (!continued) Command(Trimmed(command), commandLine);
    }
    if (continued) Command(Trimmed(command), commandLine);
    if (blocks_ > 0) sink_.Diagnostic(lastBlockLine_, "IF or WHILE without its ENDIF or ENDWHILE");
    sink_.Progress(100);
  }

 private:
  // A job stream when it has a job card or most commands carry a prompt.
  void DecideMode(const std::vector<SourceLine>& lines) {
    std::size_t prompted = 0, plain = 0;
    for (const SourceLine& source : lines) {
      const std::string_view line = Trimmed(WithoutNumber(source.text));
      if (line.empty() || line.front() == '#') continue;
      if (IsPrompt(line.front()) && line.size() > 1 && IsLetter(line[1])) {
        if (Is(VerbOf(line), "JOB")) {
          jobMode_ = true;
          return;
        }
        ++prompted;
      } else {
        ++plain;
      }
    }
    jobMode_ = prompted > plain;
  }

  void Command(std::string_view command, int line) {
    if (!command.empty() && IsPrompt(command.front())) command = Trimmed(command.substr(1));
    const std::string_view verb = VerbOf(command);
    if (verb.empty() || !IsLetter(verb.front())) return;
    const std::string_view rest = Trimmed(command.substr(verb.size()));
    if (Is(verb, "JOB")) {
      Job(rest, line);
    } else if (Is(verb, "EOJ")) {
      if (!inJob_) sink_.Diagnostic(line, "EOJ without a job");
      inJob_ = false;
    } else if (Is(verb, "FILE")) {
      FileEquation(rest, line);
    } else if (Is(verb, "SETVAR")) {
      Variable(rest, line);
    } else if (Is(verb, "PARM") || Is(verb, "ANYPARM")) {
      Symbol symbol = Make(kVdxFunction, verb, line, 0);
      for (const std::string_view parameter : Split(rest, ",")) {
        symbol.parameters.emplace_back(parameter);
      }
      sink_.Report(symbol);
    } else if (Is(verb, "IF") || Is(verb, "WHILE")) {
      ++blocks_;
      lastBlockLine_ = line;
    } else if (Is(verb, "ENDIF") || Is(verb, "ENDWHILE")) {
      if (blocks_ == 0) {
        sink_.Diagnostic(line, std::string(verb) + " without its IF or WHILE");
      } else {
        --blocks_;
      }
    } else if (IsStep(verb)) {
      Step(verb, rest, line);
    }
  }

  // JOB [jobname,]user[/password].account[/password][,group[/password]][;options]
  void Job(std::string_view rest, int line) {
    if (inJob_) sink_.Diagnostic(line, "JOB before the EOJ of the job before it");
    inJob_ = true;
    const std::size_t semicolon = rest.find(';');
    const std::vector<std::string_view> names = Split(rest.substr(0, semicolon), ",");
    std::string jobName, logon;
    std::size_t user = 0;
    if (!names.empty() && names[0].find('.') == std::string_view::npos) {
      jobName = names[0];
      user = 1;
    }
    for (std::size_t i = user; i < names.size(); ++i) {
      if (i > user) logon += ',';
      logon += WithoutLockwords(names[i]);
    }
    if (jobName.empty() && logon.empty()) {
      sink_.Diagnostic(line, "JOB without a user and account");
      jobName = "JOB";
    }
    Symbol symbol = Make(kVdxSection, jobName.empty() ? logon : jobName, line, 0);
    symbol.alternativeName = logon;
    if (!jobName.empty() && !logon.empty()) symbol.displayText = jobName + " (" + logon + ")";
    if (semicolon != std::string_view::npos) {
      for (const std::string_view option : Split(rest.substr(semicolon + 1), ";")) {
        symbol.parameters.emplace_back(option);
      }
    }
    sink_.Report(symbol);
  }

  void Step(std::string_view verb, std::string_view rest, int line) {
    const std::vector<std::string_view> operands = Split(rest, ",; \t");
    Symbol symbol = Make(kVdxSection, verb, line, inJob_ ? 1 : 0);
    if (!operands.empty()) {
      // The program or source file, also when given as FROM=file.
      const std::string first = WithoutLockwords(operands[0]);
      symbol.name = first.substr(first.find('=') == std::string::npos ? 0 : first.find('=') + 1);
      if (symbol.name.empty()) symbol.name = verb;
      symbol.displayText.assign(verb).append(1, ' ').append(first);
      for (std::size_t i = 1; i < operands.size(); ++i) {
        const bool designator = operands[i].find_first_of("=\"'") == std::string_view::npos;
        symbol.parameters.push_back(designator ? WithoutLockwords(operands[i])
                                               : std::string(operands[i]));
      }
    }
    sink_.Report(symbol);
  }

  // FILE formal[=actual][;options]
  void FileEquation(std::string_view rest, int line) {
    const std::vector<std::string_view> parts = Split(rest, ";");
    if (parts.empty()) {
      sink_.Diagnostic(line, "FILE without a file name");
      return;
    }
    const std::string_view equation = parts[0];
    const std::size_t equals = equation.find('=');
    const std::string formal = WithoutLockwords(Trimmed(equation.substr(0, equals)));
    Symbol symbol = Make(kVdxData, formal, line, 0);
    if (equals != std::string_view::npos) {
      symbol.alternativeName = WithoutLockwords(Trimmed(equation.substr(equals + 1)));
      symbol.displayText = formal + '=' + symbol.alternativeName;
    }
    for (std::size_t i = 1; i < parts.size(); ++i) symbol.parameters.emplace_back(parts[i]);
    sink_.Report(symbol);
  }

  // SETVAR name value: the first time a variable is set.
  void Variable(std::string_view rest, int line) {
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]) && rest[end] != ',') ++end;
    const std::string_view name = rest.substr(0, end);
    if (name.empty()) {
      sink_.Diagnostic(line, "SETVAR without a variable name");
      return;
    }
    if (!variables_.insert(Upper(name)).second) return;
    sink_.Report(Make(kVdxData, name, line, 0));
  }

  static Symbol Make(int category, std::string_view name, int line, int level) {
    Symbol symbol;
    symbol.category = category;
    symbol.name = name;
    symbol.line = line;
    symbol.level = level;
    return symbol;
  }

  SymbolSink& sink_;
  bool jobMode_ = false;
  bool inJob_ = false;
  int blocks_ = 0;  // IF and WHILE blocks open
  int lastBlockLine_ = 0;
  std::unordered_set<std::string> variables_;  // upper case
};

}  // namespace

void ParseMpeJob(std::string_view text, SymbolSink& sink) {
  if (text.empty()) return;
  if (LooksBinary(text)) {
    sink.Diagnostic(1, "binary data, not a job stream or command file");
    return;
  }
  JobParser(sink).Parse(text);
}

}  // namespace vandrel::vdx
