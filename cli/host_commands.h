// `vandrel-cli host ...`: the host connection's command-line face. Each
// command connects as the editor does (the connect thread, the login, the
// session set-up), carries one request out on the request worker, prints
// the result and reports failures with the product's own messages.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddHostCommands(CLI::App& app, CliContext& context);

}  // namespace vandrel::cli
