#include "project/startup_script.h"

#include <charconv>

#include "platform/ascii_text.h"

namespace vandrel::project {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         platform::EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// The number at the start of a Wait argument: digits with an optional
// fraction ("5", "0.5", ".5"); anything after it ("5s") is ignored. A
// negative or missing number cannot be read.
bool ReadSeconds(std::string_view word, double& seconds) {
  const bool startsWithNumber =
      !word.empty() && (platform::IsAsciiDigit(word[0]) ||
                        (word.size() > 1 && word[0] == '.' && platform::IsAsciiDigit(word[1])));
  if (!startsWithNumber) return false;
  const auto [end, error] =
      std::from_chars(word.data(), word.data() + word.size(), seconds, std::chars_format::fixed);
  (void)end;
  return error == std::errc();
}

struct CommandPrefix {
  std::string_view prefix;
  ScriptCommandKind kind;
};

// The commands with arguments carry their separating space in the prefix.
constexpr CommandPrefix kCommandPrefixes[] = {
    {"LoadProject ", ScriptCommandKind::kLoadProject},
    {"Prompt ", ScriptCommandKind::kPrompt},
    {"Wait ", ScriptCommandKind::kWait},
    {"LoadFile ", ScriptCommandKind::kLoadFile},
    {"LoadAll", ScriptCommandKind::kLoadAll},
    {"SaveAll", ScriptCommandKind::kSaveAll},
    {"CloseProject", ScriptCommandKind::kCloseProject},
};

}  // namespace

std::string ReadScriptArgument(std::string_view line, std::size_t& at) {
  while (at < line.size() && static_cast<unsigned char>(line[at]) < '!') ++at;
  if (at >= line.size()) return {};
  if (line[at] == '"') {
    const std::size_t start = at + 1;
    const std::size_t close = line.find('"', start);
    if (close == std::string_view::npos) {
      at = line.size();
      return std::string(line.substr(start));
    }
    at = close + 1;
    return std::string(line.substr(start, close - start));
  }
  const std::size_t start = at;
  const std::size_t space = line.find(' ', start);
  at = space == std::string_view::npos ? line.size() : space;
  return std::string(line.substr(start, at - start));
}

ScriptLine ParseScriptLine(std::string_view line) {
  ScriptLine result;
  if (line.empty() || line[0] == ';' || line[0] == ' ') return result;

  const CommandPrefix* match = nullptr;
  for (const CommandPrefix& candidate : kCommandPrefixes) {
    if (StartsWithIgnoringCase(line, candidate.prefix)) {
      match = &candidate;
      break;
    }
  }
  result.kind = ScriptLineKind::kError;
  if (match == nullptr) return result;

  ScriptCommand& command = result.command;
  command.kind = match->kind;
  std::size_t at = match->prefix.size();
  switch (match->kind) {
    case ScriptCommandKind::kLoadProject:
    case ScriptCommandKind::kPrompt:
      command.argument = ReadScriptArgument(line, at);
      if (command.argument.empty()) return result;
      break;
    case ScriptCommandKind::kLoadFile:
      command.argument = ReadScriptArgument(line, at);
      if (command.argument.empty()) return result;
      command.templateName = ReadScriptArgument(line, at);
      break;
    case ScriptCommandKind::kWait:
      if (!ReadSeconds(ReadScriptArgument(line, at), command.waitSeconds)) return result;
      break;
    case ScriptCommandKind::kLoadAll:
    case ScriptCommandKind::kSaveAll:
    case ScriptCommandKind::kCloseProject:
      break;
  }
  result.kind = ScriptLineKind::kCommand;
  return result;
}

bool ReadScriptLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (line.ends_with('\r')) line.pop_back();
  return true;
}

}  // namespace vandrel::project
