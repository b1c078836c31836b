#include "cli/doc_commands.h"

#include "cli/doc_document.h"

namespace vandrel::cli {

void AddDocCommands(CLI::App& app, CliContext& context) {
  auto* command = app.add_subcommand(
      "doc", "load, show, convert, check, renumber, search and print documents as the editor does");
  command->require_subcommand(1);
  AddInfoCommand(*command, context);
  AddToTextCommand(*command, context);
  AddToHostCommand(*command, context);
  AddRoundTripCommand(*command, context);
  AddRenumberCommand(*command, context);
  AddFindCommand(*command, context);
  AddPrintCommand(*command, context);
}

}  // namespace vandrel::cli
