// `vandrel-cli mask ...`: match output masks against a listing file the way
// the output window's first pane does.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddMaskCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
