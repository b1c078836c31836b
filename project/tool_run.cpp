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

}  // namespace vandrel::project
