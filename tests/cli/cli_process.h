// vandrel-cli as a child process of a test, with its settings in a folder
// of the test's, so the user's own are never read or changed.
#pragma once

#include <string>
#include <vector>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel::testing {

// Runs vandrel-cli with `args`, its settings in `config`/config.
inline ProcessResult Cli(const TempDir& config, std::vector<std::string> args) {
  args.insert(args.begin(), {"--config", (config / "config").string()});
  return RunProgram(VANDREL_CLI_PATH, args);
}

}  // namespace vandrel::testing
