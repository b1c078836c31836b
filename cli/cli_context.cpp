#include "cli/cli_context.h"

#include <cstdio>

#include "templates/catalogue_folders.h"
#include "templates/file_types.h"
#include "templates/template_matching.h"

namespace vandrel::cli {

void Fail(CliContext& context, const std::string& message) {
  std::fprintf(stderr, "vandrel-cli: %s\n", message.c_str());
  context.exitCode = 1;
}

bool LoadSettings(CliContext& context, SettingsStore& store, AppSettings& settings) {
  settings.AssignDefaults();
  if (!store.Load()) {
    Fail(context, "cannot read the settings: " + store.LastError());
    return false;
  }
  settings.Read(store);
  return true;
}

std::optional<AppSettings> LoadSettings(CliContext& context, SettingsStore& store) {
  AppSettings settings;
  if (!LoadSettings(context, store, settings)) return std::nullopt;
  return settings;
}

std::optional<AppSettings> LoadSettings(CliContext& context) {
  SettingsStore store(SettingsStore::DefaultFile(context.configDir));
  return LoadSettings(context, store);
}

std::optional<AppSettings> LoadTemplates(CliContext& context, TemplateCatalogue& catalogue) {
  std::optional<AppSettings> settings = LoadSettings(context);
  if (!settings) return std::nullopt;
  if (!catalogue.LoadCatalogue(CatalogueFoldersOf(*settings), nullptr)) {
    Fail(context, "cannot load the templates");
    return std::nullopt;
  }
  return settings;
}

std::string TemplateForFile(CliContext& context, const TemplateCatalogue& catalogue,
                            const std::string& file, const DocumentFormat& document) {
  // The file types are read where the editor keeps them.
  SettingsStore store(SettingsStore::DefaultFile(context.configDir));
  if (store.KeyExists(kFileTypesKey)) return ChooseTemplate(catalogue, store, file, document);
  std::string name = MatchFileType(DefaultFileTypes(), file).value_or("");
  if (name.empty()) name = MatchHostAttributes(catalogue, document).value_or("");
  return name;
}

}  // namespace vandrel::cli
