// `vandrel-cli template ...`: show, build, list and match templates.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddTemplateCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
