#include "project/tool_run.h"

namespace vandrel::project {

ToolRun PrepareToolRun(const ToolRecord& tool, const ToolMacroValues* document,
                       const std::optional<std::string>& arguments) {
  const ToolMacroValues none;
  const ToolMacroValues& values = document ? *document : none;
  ToolRun run;
  run.remote = tool.remote != 0;
  run.command = ExpandToolMacros(tool.command, values);
  run.arguments = ExpandToolMacros(arguments.value_or(tool.arguments), values);
  run.directory = ExpandToolMacros(tool.directory, values);
  return run;
}

std::string RemoteToolCommand(const ToolRun& run) {
  return run.arguments.empty() ? run.command : run.command + " " + run.arguments;
}

std::string RemoteToolDirectoryCommand(const ToolRun& run) {
  return run.directory.empty() ? std::string() : "cd " + run.directory;
}

std::vector<std::string> RemoteToolCommands(const ToolRun& run) {
  std::vector<std::string> commands;
  if (!run.directory.empty()) commands.push_back(RemoteToolDirectoryCommand(run));
  commands.push_back(RemoteToolCommand(run));
  return commands;
}

std::vector<std::string> SplitToolArguments(std::string_view arguments) {
  std::vector<std::string> parameters;
  std::string current;
  bool inParameter = false;
  bool quoted = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const char c = arguments[i];
    if (quoted) {
      if (c != '"') {
        current += c;
      } else if (i + 1 < arguments.size() && arguments[i + 1] == '"') {
        current += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == ' ' || c == '\t') {
      if (inParameter) parameters.push_back(std::move(current));
      current.clear();
      inParameter = false;
    } else {
      inParameter = true;
      if (c == '"') {
        quoted = true;
      } else {
        current += c;
      }
    }
  }
  if (inParameter) parameters.push_back(std::move(current));
  return parameters;
}

}  // namespace vandrel::project
