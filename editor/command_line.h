// The command line window's rules without its widget: what a typed command
// becomes on the wire, the ">" prompt and where it ends, which keys the
// window takes for itself, and what happens when a command has run.
//
// The window types after the last prompt; everything before the prompt's end
// is history. The text surface is a port (TerminalSurface) so that the
// rules can be checked without a display; positions are the surface's own
// and only compared by it.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/load_request.h"

namespace vandrel {

// The prompt the window writes before each command.
inline constexpr std::string_view kCommandPrompt = ">";
// A command beginning with this (in any case) changes the host's current
// directory instead of running.
inline constexpr std::string_view kChangeDirectoryPrefix = "cd ";
inline constexpr std::string_view kSetDirectoryCommand = "=SET_CD ";
// Written in place of running a command while no host is connected.
inline constexpr std::string_view kCommandNotConnected =
    "Not connected to a host: nothing was sent.";

// The command line sent for `typed`: "cd X" (any case) becomes "=SET_CD X";
// with a character map, every character of what was typed whose entry is
// not 0 takes its entry ("=SET_CD " itself stays as the agent knows it).
std::string HostCommandLine(std::string_view typed, const CharacterTable* table);

// The text view the command line works on. Texts are bytes, one character
// each; line breaks are "\n".
class TerminalSurface {
 public:
  virtual ~TerminalSurface() = default;
  // Appends at the end of the text; the caret goes to the end.
  virtual void AppendAtEnd(std::string_view text) = 0;
  virtual bool Empty() const = 0;
  virtual bool LastLineEmpty() const = 0;
  // Remembers the end of the text as the prompt's end. The mark stays with
  // its text when lines are dropped from the front.
  virtual void MarkPromptEnd() = 0;
  // The caret (or the start of the selection) is at or before the mark.
  virtual bool CaretAtOrBeforePromptEnd() const = 0;
  // The text from the mark to the caret; empty when the caret is before it.
  virtual std::string TextFromPromptEndToCaret() const = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual void ClearText() = 0;
  virtual void Beep() = 0;
};

// Where the command line's commands go.
class HostCommandRunner {
 public:
  virtual ~HostCommandRunner() = default;
  // Queues `commandLine` for the host; its output and its end come back
  // through CommandLine::AppendOutput and CommandLine::Completed. False
  // when nothing could be sent (no host connected).
  virtual bool Run(const std::string& commandLine) = 0;
  // The character map commands go through; none: as typed.
  virtual std::optional<CharacterTable> CommandTable() = 0;
};

class CommandLine {
 public:
  CommandLine(TerminalSurface& surface, HostCommandRunner& runner)
      : surface_(surface), runner_(runner) {}

  // Moves to the end; when the last line is not empty a line break and
  // ">", else ">"; the new end is the prompt's end.
  void WritePrompt();

  // Backspace: true when the window takes the key (dropped with a beep, at
  // or before the prompt's end, or while a command runs).
  bool Backspace();
  // Enter (always taken): the text from the prompt's end to the caret is
  // the command. Not empty: a line break, and it runs; empty: a new prompt.
  void Enter();

  // Sends `typed` to the host and makes the window read-only until
  // Completed; without a host a note and a new prompt instead. False when
  // nothing was sent.
  bool RunCommand(std::string_view typed);
  // Runs `commands` one after another, each written after its prompt as if
  // it had been typed and started once the one before has ended. A command
  // the agent refuses or fails drops the ones after it: a "cd" that failed
  // must not leave the next command running somewhere else. Commands given
  // while one runs wait for it. False when nothing could be sent.
  bool RunSequence(std::vector<std::string> commands);
  // Output of the running command, made ready for display.
  void AppendOutput(std::string_view text);
  // The command has ended: `agentError` is what the agent reported when it
  // refused or failed the command (empty otherwise). A new prompt follows
  // and the window is editable again.
  void Completed(std::string_view agentError);
  // Empties the window and writes a fresh prompt (while a command runs,
  // the prompt comes when it has ended).
  void Clear();

  bool running() const { return running_; }

 private:
  bool RunNextQueued();

  TerminalSurface& surface_;
  HostCommandRunner& runner_;
  bool running_ = false;
  std::deque<std::string> queued_;
};

}  // namespace vandrel
