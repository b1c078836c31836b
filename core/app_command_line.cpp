#include "core/app_command_line.h"

namespace vandrel {

namespace {

bool IsScriptSwitch(std::string_view text) {
  return text.size() >= 3 && text[0] == '/' && (text[1] == 's' || text[1] == 'S') && text[2] == ':';
}

}  // namespace

std::string_view StripArgumentQuotes(std::string_view text) {
  if (text.size() > 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

AppCommandLine ParseAppCommandLine(const std::vector<std::string>& arguments,
                                   const ProjectFileTest& isProjectFile) {
  AppCommandLine result;
  std::vector<std::string> projects;
  for (const std::string& argument : arguments) {
    const std::string_view text = StripArgumentQuotes(argument);
    if (IsScriptSwitch(text)) {
      if (result.startupScript) {
        result.ignored.push_back(argument);
      } else {
        result.startupScript = std::string(StripArgumentQuotes(text.substr(3)));
      }
      continue;
    }
    const std::string path(text);
    // An empty argument names nothing; opening it would only fail.
    if (path.empty()) {
      result.ignored.push_back(argument);
    } else if (isProjectFile && isProjectFile(path)) {
      if (result.projectPath.empty()) {
        result.projectPath = path;
      } else {
        result.ignored.push_back(argument);
      }
    } else {
      result.localFiles.push_back(path);
    }
  }
  // A script runs on its own: what else was given is not opened.
  if (result.startupScript) {
    if (!result.projectPath.empty()) result.ignored.push_back(result.projectPath);
    for (auto& file : result.localFiles) result.ignored.push_back(std::move(file));
    result.projectPath.clear();
    result.localFiles.clear();
  }
  return result;
}

}  // namespace vandrel
