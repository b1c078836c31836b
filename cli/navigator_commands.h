// `vandrel-cli navigator FILE`: the Code Navigator of a file, run through the
// template's parser extension (or one given by hand) exactly as the editor
// runs it, printed as the structure tree or as one definition.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddNavigatorCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
