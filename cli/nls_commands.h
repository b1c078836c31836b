// `vandrel-cli nls ...`: the character maps the editor loads, listed and shown.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddNlsCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
