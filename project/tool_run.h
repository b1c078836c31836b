// What running a tool of the Tools menu does, decided without running it:
// the command, arguments and directory with the tool macros replaced (from
// the active document when the tool runs for one), and for a remote tool the
// text the command line window runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/macros.h"
#include "templates/tools/tool_list.h"

namespace vandrel::project {

struct ToolRun {
  bool remote = false;
  std::string command;
  std::string arguments;
  std::string directory;
};

// `document`: the facts of the editor window the tool runs for, or null
// (every document macro becomes empty). `arguments`: the text the "Tool
// Arguments" dialog returned for this run, else the tool's own.
ToolRun PrepareToolRun(const ToolRecord& tool, const ToolMacroValues* document,
                       const std::optional<std::string>& arguments = std::nullopt);

// A remote tool's host command: the command, then a blank and the
// arguments when there are any.
std::string RemoteToolCommand(const ToolRun& run);
// The "cd" a remote tool runs first, empty without a directory.
std::string RemoteToolDirectoryCommand(const ToolRun& run);
// What the command line window runs for a remote tool, in order: the "cd"
// when there is a directory, then the command.
std::vector<std::string> RemoteToolCommands(const ToolRun& run);

// The parameters a local tool's program receives. No shell sees them, so
// nothing is globbed, substituted or piped: blanks and tabs separate
// parameters; a double-quoted stretch keeps its blanks and loses its quotes
// (two double quotes inside it stand for one); a backslash is an ordinary
// character, as in the host's and the desktop's paths. An unterminated
// quote runs to the end.
std::vector<std::string> SplitToolArguments(std::string_view arguments);

}  // namespace vandrel::project
