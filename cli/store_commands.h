// `vandrel-cli store ...`: dump, read and write store files.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddStoreCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
