#include "cli/cli_context.h"

#include <cstdio>

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

}  // namespace vandrel::cli
