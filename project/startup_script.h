// Start-up scripts: small text files of commands, one a line, that prepare a
// working set-up unattended (open a project and files, wait, prompt, save,
// close). This is the reading side: one line in, one command out.
//
//   ; a comment            (a line starting with ";" or a space is skipped)
//   LoadProject "/home/me/My Project.vpj"
//   LoadFile main.c
//   LoadFile /DEV/SRC/PROG1 COBOL      (second argument: the template)
//   Wait 5
//   Prompt "Log on to the host, then press OK"
//   LoadAll
//   SaveAll
//   CloseProject
//
// Commands are matched by the start of the line, ignoring case. The commands
// with arguments need their trailing space ("LoadFile x", not "LoadFilex");
// LoadAll, SaveAll and CloseProject are recognised by their name alone, so
// "SaveAll now" is SaveAll.
//
// An argument is a word (up to the next space) or a text in double quotes
// (up to the closing quote or the end of the line); characters below "!" in
// front of it are skipped, and an empty one counts as missing. An unquoted
// Prompt text therefore shows its first word only.
#pragma once

#include <istream>
#include <string>
#include <string_view>

namespace vandrel::project {

enum class ScriptCommandKind {
  kLoadProject,
  kPrompt,
  kWait,
  kLoadFile,
  kLoadAll,
  kSaveAll,
  kCloseProject,
};

struct ScriptCommand {
  ScriptCommandKind kind = ScriptCommandKind::kLoadAll;
  std::string argument;      // LoadProject, LoadFile: the path; Prompt: the text
  std::string templateName;  // LoadFile: the optional second argument
  double waitSeconds = 0;    // Wait
};

enum class ScriptLineKind {
  kSkipped,  // empty or a comment
  kCommand,  // `command` holds it
  kError,    // unknown command, missing argument or unreadable number
};

struct ScriptLine {
  ScriptLineKind kind = ScriptLineKind::kSkipped;
  ScriptCommand command;
};

ScriptLine ParseScriptLine(std::string_view line);

// Reads the next line of a script into `line` without its line end ("\n" or
// "\r\n"); false at the end of the input. Lines are read whole, however
// long: a long line is never split into a second command.
bool ReadScriptLine(std::istream& in, std::string& line);

// Reads one argument starting at `at`: skips characters below "!", then takes
// a quoted text or a word. `at` ends after the argument (after its closing
// quote). Empty when there is none.
std::string ReadScriptArgument(std::string_view line, std::size_t& at);

}  // namespace vandrel::project
