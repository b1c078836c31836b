// `vandrel-cli tools`: the Tools menu's tools as the editor keeps them in the
// settings – listed, added, removed, and run (or, with --dry, expanded and
// printed) for a document described on the command line.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddToolCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
