// The tandrill command line: serving a tree, or "passwd" to add or change a
// user of a users file.
#pragma once

#include <filesystem>
#include <string>

#include "agent/server_options.h"

namespace vandrel::agent {

struct CommandLine {
  enum class Action {
    kServe,        // run the server with `options`
    kSetPassword,  // set the password of `userName` in `usersFile`
    kExit,         // help, version or an error was printed; exit with `exitCode`
  };
  Action action = Action::kExit;
  int exitCode = 0;
  ServerOptions options;
  std::filesystem::path usersFile;
  std::string userName;
};

// Parses the arguments; prints help, the version and errors itself.
CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace vandrel::agent
