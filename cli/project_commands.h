// `vandrel-cli project ...`: show, create, edit and convert project files, and
// expand an item's macros as its build would.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddProjectCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
