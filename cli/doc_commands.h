// `vandrel-cli doc ...`: load, show, convert, check and renumber documents the
// way the editor does (the loader, the load request, the edit control's
// document and the save path).
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddDocCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
