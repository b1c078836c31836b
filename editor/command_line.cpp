#include "editor/command_line.h"

#include "platform/ascii_text.h"

namespace vandrel {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         platform::EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string HostCommandLine(std::string_view typed, const CharacterTable* table) {
  const bool changeDirectory = StartsWithNoCase(typed, kChangeDirectoryPrefix);
  if (changeDirectory) typed.remove_prefix(kChangeDirectoryPrefix.size());
  std::string line(typed);
  if (table != nullptr) TranslateBytes(line, *table);
  // The agent's own command word is not the user's text: it stays as the
  // agent knows it.
  if (changeDirectory) line.insert(0, kSetDirectoryCommand);
  return line;
}

void CommandLine::WritePrompt() {
  std::string prompt;
  if (!surface_.LastLineEmpty()) prompt += '\n';
  prompt += kCommandPrompt;
  surface_.AppendAtEnd(prompt);
  surface_.MarkPromptEnd();
}

bool CommandLine::Backspace() {
  if (running_) return true;
  if (!surface_.CaretAtOrBeforePromptEnd()) return false;
  surface_.Beep();
  return true;
}

void CommandLine::Enter() {
  if (running_) return;
  const std::string command = surface_.TextFromPromptEndToCaret();
  if (command.empty()) {
    WritePrompt();
    return;
  }
  surface_.AppendAtEnd("\n");
  RunCommand(command);
}

bool CommandLine::RunCommand(std::string_view typed) {
  if (running_) return false;
  const std::optional<CharacterTable> table = runner_.CommandTable();
  const std::string line = HostCommandLine(typed, table ? &*table : nullptr);
  // Set before the request goes: its end may come back at once.
  running_ = true;
  surface_.SetReadOnly(true);
  if (!runner_.Run(line)) {
    running_ = false;
    surface_.SetReadOnly(false);
    surface_.AppendAtEnd(kCommandNotConnected);
    WritePrompt();
    return false;
  }
  return true;
}

bool CommandLine::RunSequence(std::vector<std::string> commands) {
  for (std::string& command : commands) {
    if (!command.empty()) queued_.push_back(std::move(command));
  }
  return running_ ? !queued_.empty() : RunNextQueued();
}

bool CommandLine::RunNextQueued() {
  if (queued_.empty()) return false;
  const std::string command = std::move(queued_.front());
  queued_.pop_front();
  surface_.AppendAtEnd(command + "\n");
  if (RunCommand(command)) return true;
  queued_.clear();
  return false;
}

void CommandLine::AppendOutput(std::string_view text) {
  if (!text.empty()) surface_.AppendAtEnd(text);
}

void CommandLine::Completed(std::string_view agentError) {
  if (!agentError.empty()) {
    std::string line;
    if (!surface_.LastLineEmpty()) line += '\n';
    line += agentError;
    surface_.AppendAtEnd(line);
  }
  running_ = false;
  surface_.SetReadOnly(false);
  WritePrompt();
  if (!agentError.empty()) queued_.clear();
  RunNextQueued();
}

void CommandLine::Clear() {
  surface_.ClearText();
  // A running command's prompt comes when it has ended.
  if (!running_) WritePrompt();
}

}  // namespace vandrel
