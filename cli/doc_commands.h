// `vandrel-cli doc ...`: load, show, convert, check and renumber documents the
// way the editor does (the loader, the load request, the edit control's
// document and the save path).
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli/cli_context.h"

namespace vandrel::cli {

void AddDocCommands(CLI::App& app, CliContext& context);

// The text of a file as the editor loads it (a record-form download with
// `record`), its records or lines joined by line feeds, sequence numbers
// left in place; false with the message printed and
// the exit status set when it cannot be read.
bool ReadDocumentText(CliContext& context, const std::string& file, bool record, std::string& text);

}  // namespace vandrel::cli
