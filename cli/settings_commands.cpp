#include "cli/settings_commands.h"

#include <cstdio>
#include <memory>
#include <string>

#include "core/app_settings.h"
#include "core/recent_list.h"
#include "core/settings_store.h"

namespace vandrel::cli {

namespace {

int FindOrFail(CliContext& context, const std::string& name) {
  int row = FindAppSetting(name);
  if (row < 0) {
    Fail(context, "no setting is named \"" + name + "\" (`settings list` shows them all)");
  }
  return row;
}

// The recent list a word names: projects, files (host files) or local.
std::optional<std::string_view> RecentListNamed(CliContext& context, const std::string& word) {
  if (word == "projects") return kRecentProjects;
  if (word == "files") return kRecentFiles;
  if (word == "local") return kRecentLocalFiles;
  Fail(context, "no recent list is named \"" + word + "\" (projects, files or local)");
  return std::nullopt;
}

}  // namespace

void AddSettingsCommands(CLI::App& app, CliContext& context) {
  CLI::App* settings = app.add_subcommand("settings", "show or change the application settings");
  settings->require_subcommand(1);

  CLI::App* list = settings->add_subcommand("list", "print every setting as Name=Value");
  list->callback([&context] {
    SettingsStore store(SettingsStore::DefaultFile(context.configDir));
    AppSettings values;
    if (!LoadSettings(context, store, values)) return;
    std::vector<SettingDescriptor> rows = values.Table();
    for (int row = 0; row < kAppSettingCount; ++row) {
      std::printf("%s=%s\n", rows[static_cast<std::size_t>(row)].name.c_str(),
                  FormatAppSetting(values, row).c_str());
    }
  });

  auto getName = std::make_shared<std::string>();
  CLI::App* get = settings->add_subcommand("get", "print the value of one setting");
  get->add_option("NAME", *getName, "the setting's name (case does not matter)")->required();
  get->callback([&context, getName] {
    int row = FindOrFail(context, *getName);
    if (row < 0) return;
    SettingsStore store(SettingsStore::DefaultFile(context.configDir));
    AppSettings values;
    if (!LoadSettings(context, store, values)) return;
    std::printf("%s\n", FormatAppSetting(values, row).c_str());
  });

  auto setName = std::make_shared<std::string>();
  auto setValue = std::make_shared<std::string>();
  CLI::App* set =
      settings->add_subcommand("set",
                               "change one setting; colours as RGB(r,g,b) or a decimal "
                               "colour value, flags 0 or 1, PrintMargins as left,top,right,bottom");
  set->add_option("NAME", *setName, "the setting's name (case does not matter)")->required();
  set->add_option("VALUE", *setValue, "the new value, in the form `settings get` prints")
      ->required();
  set->callback([&context, setName, setValue] {
    int row = FindOrFail(context, *setName);
    if (row < 0) return;
    SettingsStore store(SettingsStore::DefaultFile(context.configDir));
    AppSettings values;
    if (!LoadSettings(context, store, values)) return;
    std::string error;
    if (!ParseAppSetting(values, row, *setValue, &error)) {
      Fail(context, error);
      return;
    }
    // Only this row: a running editor or another command may be changing
    // other settings meanwhile.
    const std::vector<SettingDescriptor> rows = values.Table();
    if (!store.WriteValue("", rows[static_cast<std::size_t>(row)])) {
      Fail(context, "cannot write the settings: " + store.LastError());
    }
  });

  auto recentList = std::make_shared<std::string>();
  auto recentEntry = std::make_shared<std::string>();
  CLI::App* recent = settings->add_subcommand(
      "recent", "the File menu's recent lists: projects, files (host files) or local");
  recent->require_subcommand(1);
  CLI::App* recentShow = recent->add_subcommand("show", "print a list, most recent first");
  recentShow->add_option("LIST", *recentList, "projects, files or local")->required();
  recentShow->callback([&context, recentList] {
    const auto list = RecentListNamed(context, *recentList);
    if (!list) return;
    SettingsStore store(SettingsStore::DefaultFile(context.configDir));
    if (!store.Load()) return Fail(context, "cannot read the settings: " + store.LastError());
    std::string entry;
    for (int index = 1; index <= kRecentEntriesKept; ++index) {
      if (RecentListEntry(store, *list, index, &entry)) std::printf("%s\n", entry.c_str());
    }
  });
  CLI::App* recentAdd =
      recent->add_subcommand("add", "put an entry first in a list, as opening it does");
  recentAdd->add_option("LIST", *recentList, "projects, files or local")->required();
  recentAdd->add_option("ENTRY", *recentEntry, "the path")->required();
  recentAdd->callback([&context, recentList, recentEntry] {
    const auto list = RecentListNamed(context, *recentList);
    if (!list) return;
    SettingsStore store(SettingsStore::DefaultFile(context.configDir));
    if (!store.Load()) return Fail(context, "cannot read the settings: " + store.LastError());
    if (!RecentListAdd(store, *list, *recentEntry)) {
      Fail(context, "cannot add the entry: " + (store.LastError().empty()
                                                    ? "it is empty or longer than 259 characters"
                                                    : store.LastError()));
    }
  });
}

}  // namespace vandrel::cli
