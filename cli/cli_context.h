// What every vandrel-cli command shares: the options of the whole program and
// the exit status a command leaves behind.
#pragma once

#include <filesystem>
#include <string>

namespace vandrel::cli {

struct CliContext {
  std::string configDir;  // --config DIR; empty: the per-user configuration folder
  int exitCode = 0;
};

}  // namespace vandrel::cli
