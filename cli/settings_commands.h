// `vandrel-cli settings ...`: list, read and change the application settings.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddSettingsCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
