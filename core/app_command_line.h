// The editor's command line, apart from the options Qt handles (--config,
// --help, --version): a start-up script ("/s:<path>"), a project file, or
// local files to edit.
//
// Rules, in this order, for each argument:
//  - An argument in matching double or single quotes that is longer than two
//    characters loses them ("" and '' stay as they are).
//  - "/s:" (or "/S:") followed by a path names the start-up script; the path
//    may be quoted in turn. An empty path still runs (an empty script).
//  - A path that the project-file test accepts is the project.
//  - Any other path is a local file to edit.
// The first script wins and, as with one argument, nothing is opened beside
// it; likewise only the first project is opened. A project and files given
// together are all opened here, with no hand-off. What is not used lands in
// `ignored`, so the caller can say so rather than drop it silently.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

struct AppCommandLine {
  std::optional<std::string> startupScript;
  std::string projectPath;              // empty when no project was given
  std::vector<std::string> localFiles;  // in the order given
  std::vector<std::string> ignored;     // arguments that were not used

  bool empty() const { return !startupScript && projectPath.empty() && localFiles.empty(); }
  // Only plain files to edit are handed to an instance that is already
  // running; a script, a project or no argument start an instance of their own.
  bool HandsOffToRunningInstance() const {
    return !startupScript && projectPath.empty() && !localFiles.empty();
  }
};

// True when `path` names a project file (its format number can be read).
using ProjectFileTest = std::function<bool(const std::string& path)>;

// `text` without matching surrounding quotes when it is longer than two
// characters; otherwise unchanged.
std::string_view StripArgumentQuotes(std::string_view text);

// `arguments` are the positional arguments only (no program name, no
// options). `isProjectFile` may be empty: then nothing is taken as a project.
AppCommandLine ParseAppCommandLine(const std::vector<std::string>& arguments,
                                   const ProjectFileTest& isProjectFile);

}  // namespace vandrel
