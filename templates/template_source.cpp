#include "templates/template_source.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "core/quoted_text.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

// What a numeric value may hold, beyond being a 32-bit decimal.
enum class NumberKind { kFlag, kCount, kSigned, kChoice };

struct NumberRule {
  std::string_view name;
  NumberKind kind;
  std::string_view choices;  // kChoice: the allowed values, comma-separated
};

// Every numeric value of a template file. Flags hold 0 or 1; counts are
// never negative; file code and record length follow the host, where both
// may be negative; the coded values keep to the meanings the product knows.
constexpr std::array<NumberRule, 30> kNumberRules = {{
    {"TabStops", NumberKind::kCount, ""},
    {"CustomEdit", NumberKind::kFlag, ""},
    {"SmartIndenting", NumberKind::kFlag, ""},
    {"Ruler", NumberKind::kFlag, ""},
    {"SaveTabsAsSpaces", NumberKind::kFlag, ""},
    {"AddTabsAsSpaces", NumberKind::kFlag, ""},
    {"Cobol85", NumberKind::kFlag, ""},
    {"Trim", NumberKind::kFlag, ""},
    {"MPEFileSupport", NumberKind::kChoice, "0,1,2"},
    {"MPEFileCode", NumberKind::kSigned, ""},
    {"MPERecordLen", NumberKind::kSigned, ""},
    {"MPEType", NumberKind::kChoice, "0,1,2,3,9"},
    {"MPEMode", NumberKind::kChoice, "0,1"},
    {"RemoveLineNumbers", NumberKind::kFlag, ""},
    {"KeepSequence", NumberKind::kFlag, ""},
    {"MPELineNoFormat", NumberKind::kFlag, ""},
    {"HideLineNumbers", NumberKind::kFlag, ""},
    {"LineNumberPosition", NumberKind::kChoice, "0,1,2"},
    {"LineNumberDigits", NumberKind::kCount, ""},
    {"LineNumberStart", NumberKind::kCount, ""},
    {"LineNumberIncrement", NumberKind::kCount, ""},
    {"IntelliSequence", NumberKind::kFlag, ""},
    {"QeditType", NumberKind::kChoice, "0,1,2,3,4,5,6,7,8"},
    {"MaximumLineLength", NumberKind::kCount, ""},
    {"LineCommentPos", NumberKind::kCount, ""},
    {"CaseSensitive", NumberKind::kFlag, ""},
    {"SingleQuotes", NumberKind::kFlag, ""},
    {"DoubleQuotes", NumberKind::kFlag, ""},
    {"PartialMatchLen", NumberKind::kCount, ""},
    {"PartialMatch", NumberKind::kFlag, ""},
}};

const NumberRule* FindNumberRule(std::string_view name) {
  for (const auto& rule : kNumberRules)
    if (rule.name == name) return &rule;
  return nullptr;
}

bool ChoiceAllows(std::string_view choices, std::int32_t value) {
  const std::string wanted = std::to_string(value);
  std::size_t start = 0;
  while (start <= choices.size()) {
    std::size_t end = choices.find(',', start);
    if (end == std::string_view::npos) end = choices.size();
    if (choices.substr(start, end - start) == wanted) return true;
    start = end + 1;
  }
  return false;
}

std::string ChoiceList(std::string_view choices) {
  std::string out(choices);
  const auto last = out.rfind(',');
  if (last != std::string::npos) out.replace(last, 1, " or ");
  std::string spaced;
  for (char c : out) spaced += c == ',' ? std::string(", ") : std::string(1, c);
  return spaced;
}

// Reads the quoted text that starts at `s[0]` (a double quote). On success
// `rest` is what follows the closing quote. Template texts never hold a zero
// byte.
std::optional<std::string> ReadQuoted(std::string_view s, std::string_view* rest,
                                      std::string* problem) {
  std::optional<std::string> text = UnquoteText(s, rest, problem);
  if (text && text->find('\0') != std::string::npos) {
    *problem = "a text cannot hold a zero byte (\\x00)";
    return std::nullopt;
  }
  return text;
}

// True when `rest` holds nothing but blanks and perhaps a comment.
bool OnlyCommentLeft(std::string_view rest) {
  rest = platform::TrimBlanks(rest);
  return rest.empty() || rest.front() == '#';
}

std::optional<std::int32_t> ReadDecimal(std::string_view token) {
  std::string_view digits = token;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

bool IsKeywordName(std::string_view name, int* index) {
  for (int i = 0; i < 4; ++i) {
    if (name == fmt::format("KeywordList{}", i + 1)) {
      *index = i;
      return true;
    }
  }
  return false;
}

class SourceParser {
 public:
  SourceParser(std::string_view sourceName, Template& work)
      : sourceName_(sourceName), work_(work), rows_(work_.Descriptors(keywordTexts_)) {}

  void Parse(std::string_view text) {
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++lineNumber;
      ParseLine(line, lineNumber);
      start = end + 1;
    }
    Finish();
  }

  std::vector<std::string>& Errors() { return errors_; }

 private:
  template <typename... Args>
  void Error(int line, fmt::format_string<Args...> format, Args&&... args) {
    errors_.push_back(fmt::format("{}:{}: {}", sourceName_, line,
                                  fmt::format(format, std::forward<Args>(args)...)));
  }

  void ParseLine(std::string_view line, int lineNumber) {
    std::string_view content = platform::TrimBlanks(line);
    if (content.empty() || content.front() == '#') return;
    if (content.front() == '[') return ParseHeader(content, lineNumber);
    if (section_ == kUnknownSection) return;
    if (section_ >= 0) return ParseKeyword(content, lineNumber);
    ParseSetting(content, lineNumber);
  }

  void ParseHeader(std::string_view content, int lineNumber) {
    const std::size_t close = content.find(']');
    if (close == std::string_view::npos || !OnlyCommentLeft(content.substr(close + 1))) {
      Error(lineNumber, "a section line has the form [Name]");
      return;
    }
    const std::string_view name = platform::TrimBlanks(content.substr(1, close - 1));
    int index = kSettings;
    if (name == kTemplateSection) {
      index = kSettings;
    } else if (!IsKeywordName(name, &index)) {
      Error(lineNumber,
            "unknown section [{}] (the sections are [Template] and [KeywordList1] to "
            "[KeywordList4])",
            name);
      section_ = kUnknownSection;  // its lines are passed over
      return;
    }
    auto& seen = sectionLines_[std::string(name)];
    if (seen != 0) {
      Error(lineNumber, "section [{}] is given twice (first on line {})", name, seen);
    } else {
      seen = lineNumber;
    }
    section_ = index;
  }

  void ParseKeyword(std::string_view content, int lineNumber) {
    std::string keyword;
    if (content.front() == '"') {
      std::string problem;
      std::string_view rest;
      auto quoted = ReadQuoted(content, &rest, &problem);
      if (!quoted) return Error(lineNumber, "{}", problem);
      if (!OnlyCommentLeft(rest))
        return Error(lineNumber, "unexpected text after the quoted keyword");
      keyword = std::move(*quoted);
      if (keyword.find('\n') != std::string::npos)
        return Error(lineNumber, "a keyword cannot hold a line feed");
    } else {
      for (char c : content)
        if (IsControlByte(c) && c != '\t')
          return Error(lineNumber, "a keyword with control characters must be written in quotes");
      keyword = std::string(content);
    }
    auto& lines = keywordLines_[static_cast<std::size_t>(section_)];
    lines.push_back(std::move(keyword));
    if (keywordFirstLine_[static_cast<std::size_t>(section_)] == 0)
      keywordFirstLine_[static_cast<std::size_t>(section_)] = lineNumber;
  }

  void ParseSetting(std::string_view content, int lineNumber) {
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
      Error(lineNumber, "expected Key = value");
      return;
    }
    const std::string_view key = platform::TrimBlanks(content.substr(0, equals));
    const std::string_view value = platform::TrimBlanks(content.substr(equals + 1));
    const SettingDescriptor* row = FindRow(key);
    if (row == nullptr) {
      int keywordIndex = 0;
      if (IsKeywordName(key, &keywordIndex)) {
        Error(lineNumber, "{} is written as a section: [{}] followed by one keyword per line", key,
              key);
      } else if (const SettingDescriptor* near = FindRowIgnoringCase(key)) {
        Error(lineNumber, "unknown key '{}' (did you mean '{}'?)", key, near->name);
      } else {
        Error(lineNumber, "unknown key '{}'", key);
      }
      return;
    }
    auto& seen = keyLines_[row->name];
    if (seen != 0) {
      Error(lineNumber, "{} is given twice (first on line {})", row->name, seen);
      return;
    }
    seen = lineNumber;
    if (value.empty()) {
      Error(lineNumber, "{} has no value", row->name);
      return;
    }
    if (row->type == kStorageText) {
      SetText(*row, value, lineNumber);
    } else {
      SetNumber(*row, value, lineNumber);
    }
  }

  void SetText(const SettingDescriptor& row, std::string_view value, int lineNumber) {
    if (value.front() != '"') {
      Error(lineNumber, "the value of {} is a text and must be written in double quotes", row.name);
      return;
    }
    std::string problem;
    std::string_view rest;
    auto text = ReadQuoted(value, &rest, &problem);
    if (!text) return Error(lineNumber, "{}: {}", row.name, problem);
    if (!OnlyCommentLeft(rest))
      return Error(lineNumber, "unexpected text after the value of {}", row.name);
    const std::size_t limit = row.size - 1;
    if (text->size() > limit) {
      return Error(lineNumber, "{} is {} characters long; at most {} fit", row.name, text->size(),
                   limit);
    }
    if (row.name == "Name" && text->empty())
      return Error(lineNumber, "Name cannot be empty: it is how the template is found");
    *std::get<std::string*>(row.target) = std::move(*text);
  }

  void SetNumber(const SettingDescriptor& row, std::string_view value, int lineNumber) {
    std::size_t tokenEnd = 0;
    while (tokenEnd < value.size() && !platform::IsAsciiBlank(value[tokenEnd]) &&
           value[tokenEnd] != '#')
      ++tokenEnd;
    const std::string_view token = value.substr(0, tokenEnd);
    if (!OnlyCommentLeft(value.substr(tokenEnd)))
      return Error(lineNumber, "unexpected text after the value of {}", row.name);
    if (!token.empty() && token.front() == '"')
      return Error(lineNumber, "{} is a number; write it without quotes", row.name);
    const auto number = ReadDecimal(token);
    if (!number) {
      return Error(lineNumber, "{}: '{}' is not a decimal number from -2147483648 to 2147483647",
                   row.name, token);
    }
    const NumberRule* rule = FindNumberRule(row.name);
    const NumberKind kind = rule ? rule->kind : NumberKind::kSigned;
    switch (kind) {
      case NumberKind::kFlag:
        if (*number != 0 && *number != 1)
          return Error(lineNumber, "{} is a flag: 0 or 1, not {}", row.name, *number);
        break;
      case NumberKind::kCount:
        if (*number < 0) return Error(lineNumber, "{} cannot be negative", row.name);
        break;
      case NumberKind::kChoice:
        if (!ChoiceAllows(rule->choices, *number)) {
          return Error(lineNumber, "{} must be {}, not {}", row.name, ChoiceList(rule->choices),
                       *number);
        }
        break;
      case NumberKind::kSigned:
        break;
    }
    *std::get<std::int32_t*>(row.target) = *number;
  }

  void Finish() {
    for (std::size_t i = 0; i < 4; ++i) {
      std::string text;
      for (std::size_t k = 0; k < keywordLines_[i].size(); ++k) {
        if (k > 0) text += '\n';
        text += keywordLines_[i][k];
      }
      if (text.size() > kKeywordTextSize - 1) {
        Error(keywordFirstLine_[i], "KeywordList{} joins to {} characters; at most {} fit", i + 1,
              text.size(), kKeywordTextSize - 1);
        continue;
      }
      if (!work_.keywords[i].Parse(text, '\n', false))
        Error(keywordFirstLine_[i], "KeywordList{} cannot be held in memory", i + 1);
    }
    if (keyLines_.count("Name") == 0) {
      errors_.push_back(
          fmt::format("{}: the template has no Name (Name = \"...\" is required)", sourceName_));
    }
  }

  const SettingDescriptor* FindRow(std::string_view key) const {
    for (const auto& row : rows_) {
      int index = 0;
      if (row.name == key && !IsKeywordName(row.name, &index)) return &row;
    }
    return nullptr;
  }

  const SettingDescriptor* FindRowIgnoringCase(std::string_view key) const {
    for (const auto& row : rows_) {
      if (platform::EqualsIgnoreCase(row.name, key)) return &row;
    }
    return nullptr;
  }

  std::string_view sourceName_;
  Template& work_;
  std::array<std::string, 4> keywordTexts_;
  std::vector<SettingDescriptor> rows_;
  std::vector<std::string> errors_;
  std::map<std::string, int> keyLines_;
  std::map<std::string, int> sectionLines_;
  std::array<std::vector<std::string>, 4> keywordLines_;
  std::array<int, 4> keywordFirstLine_{};
  static constexpr int kSettings = -1;
  static constexpr int kUnknownSection = -2;
  int section_ = kSettings;  // or the index of a keyword list
};

bool NeedsQuotes(std::string_view keyword) {
  if (keyword.empty()) return true;
  const char first = keyword.front();
  if (first == '#' || first == '"' || first == '[') return true;
  if (platform::IsAsciiBlank(keyword.front()) || platform::IsAsciiBlank(keyword.back()))
    return true;
  return std::any_of(keyword.begin(), keyword.end(), [](char c) { return IsControlByte(c); });
}

}  // namespace

std::string QuoteSourceText(std::string_view text) { return QuoteText(text, HighBytes::kAsIs); }

bool ParseTemplateSource(std::string_view text, std::string_view sourceName, Template& out,
                         std::vector<std::string>* errors) {
  Template work(out.path);
  work.userFlag = out.userFlag;
  SourceParser parser(sourceName, work);
  parser.Parse(text);
  if (!parser.Errors().empty()) {
    if (errors) {
      errors->insert(errors->end(), parser.Errors().begin(), parser.Errors().end());
    }
    return false;
  }
  out.settings = work.settings;
  for (std::size_t i = 0; i < 4; ++i) out.keywords[i].CopyFrom(work.keywords[i]);
  return true;
}

bool ReadTemplateSourceFile(const std::filesystem::path& source, Template& out,
                            std::vector<std::string>* errors) {
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    if (errors) errors->push_back(fmt::format("{}: cannot open the file", source.string()));
    return false;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    if (errors) errors->push_back(fmt::format("{}: cannot read the file", source.string()));
    return false;
  }
  return ParseTemplateSource(text, source.string(), out, errors);
}

std::string FormatTemplateSource(const Template& t) {
  Template copy(t);
  std::array<std::string, 4> keywordTexts;
  const std::vector<SettingDescriptor> rows = copy.Descriptors(keywordTexts);
  std::string out = "[Template]\n";
  for (const auto& row : rows) {
    int keywordIndex = 0;
    if (IsKeywordName(row.name, &keywordIndex)) continue;
    if (row.type == kStorageText) {
      out +=
          fmt::format("{} = {}\n", row.name, QuoteSourceText(*std::get<std::string*>(row.target)));
    } else {
      out += fmt::format("{} = {}\n", row.name, *std::get<std::int32_t*>(row.target));
    }
  }
  for (std::size_t i = 0; i < 4; ++i) {
    out += fmt::format("\n[KeywordList{}]\n", i + 1);
    const KeywordList& list = t.keywords[i];
    // The stored text, line by line, so that the text a build stores is the
    // text this template would store.
    std::string text = list.Join(list.Size(), '\n');
    while (!text.empty() && text.back() == '\0') text.pop_back();
    if (list.Count() == 0) continue;
    std::size_t start = 0;
    while (true) {
      std::size_t end = text.find('\n', start);
      const std::string_view keyword =
          std::string_view(text).substr(start, end == std::string::npos ? end : end - start);
      out += NeedsQuotes(keyword) ? QuoteSourceText(keyword) : std::string(keyword);
      out += '\n';
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return out;
}

}  // namespace vandrel
