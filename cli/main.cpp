// vandrel-cli: the command-line front end to Vandrel's core.
#include <CLI/CLI.hpp>

#include "cli/build_commands.h"
#include "cli/cli_context.h"
#include "cli/doc_commands.h"
#include "cli/host_commands.h"
#include "cli/mask_commands.h"
#include "cli/navigator_commands.h"
#include "cli/nls_commands.h"
#include "cli/project_commands.h"
#include "cli/settings_commands.h"
#include "cli/store_commands.h"
#include "cli/template_commands.h"
#include "cli/tool_commands.h"

int main(int argc, char** argv) {
  vandrel::cli::CliContext context;
  CLI::App app{
      "vandrel-cli: Vandrel's core on the command line: store files, settings, templates, "
      "documents and host agents"};
  app.set_version_flag("--version", std::string("vandrel-cli ") + VANDREL_VERSION);
  app.add_option("--config", context.configDir,
                 "folder holding the settings (default: the per-user configuration folder)");
  app.require_subcommand(1);
  vandrel::cli::AddStoreCommands(app, context);
  vandrel::cli::AddSettingsCommands(app, context);
  vandrel::cli::AddTemplateCommands(app, context);
  vandrel::cli::AddDocCommands(app, context);
  vandrel::cli::AddHostCommands(app, context);
  vandrel::cli::AddMaskCommands(app, context);
  vandrel::cli::AddProjectCommands(app, context);
  vandrel::cli::AddBuildCommands(app, context);
  vandrel::cli::AddNlsCommands(app, context);
  vandrel::cli::AddNavigatorCommands(app, context);
  vandrel::cli::AddToolCommands(app, context);
  CLI11_PARSE(app, argc, argv);
  return context.exitCode;
}
