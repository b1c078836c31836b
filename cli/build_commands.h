// `vandrel-cli build` and `vandrel-cli findinfiles`: a project's compile or
// build, and the Find in Files search, carried out on the project's host as
// the editor carries them out, with the output pane streamed to standard
// output.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddBuildCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
