// What every vandrel-cli command shares: the options of the whole program,
// the exit status a command leaves behind, failing with a message, and the
// settings and template folders as the program reads them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/app_settings.h"
#include "core/settings_store.h"
#include "documents/document_format.h"
#include "templates/template_catalogue.h"

namespace vandrel::cli {

struct CliContext {
  std::string configDir;  // --config DIR; empty: the per-user configuration folder
  int exitCode = 0;
};

// "vandrel-cli: <message>" on standard error, and exit status 1.
void Fail(CliContext& context, const std::string& message);

// The settings as the program reads them at start-up: defaults, then the
// values of `store`. False (with a message) when the file cannot be read.
bool LoadSettings(CliContext& context, SettingsStore& store, AppSettings& settings);
std::optional<AppSettings> LoadSettings(CliContext& context, SettingsStore& store);
// The same from the settings file of --config (or the per-user one).
std::optional<AppSettings> LoadSettings(CliContext& context);

// The templates the program would load: those of the settings' folders, the
// installed defaults when no templates folder is set. The settings read, or
// nothing (with a message) when the settings or the templates cannot be read.
std::optional<AppSettings> LoadTemplates(CliContext& context, TemplateCatalogue& catalogue);

// The template the editor would choose for `file` (a name or path) being
// opened with the attributes of `document`: by the file types, else by the
// host attributes. Without stored file types the default ones apply, as
// they will once the editor has run. Empty when nothing fits.
std::string TemplateForFile(CliContext& context, const TemplateCatalogue& catalogue,
                            const std::string& file, const DocumentFormat& document);

}  // namespace vandrel::cli
