#include "cli/nls_commands.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "documents/character_map_edit.h"
#include "documents/character_maps.h"

namespace vandrel::cli {

namespace {

// The maps of --folder, else of the NLSFiles setting; false (reported) when
// no folder is known.
bool LoadMaps(CliContext& context, const std::string& folder, CharacterMaps& maps) {
  std::string where = folder;
  if (where.empty()) {
    const std::optional<AppSettings> settings = LoadSettings(context);
    if (!settings) return false;
    where = settings->NLSFiles;
  }
  if (where.empty()) {
    Fail(context, "no character map folder: give --folder or set NLSFiles");
    return false;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(where, ec)) {
    Fail(context, "the character map folder " + where + " does not exist");
    return false;
  }
  maps.Load(where);
  return true;
}

}  // namespace

void AddNlsCommands(CLI::App& app, CliContext& context) {
  auto folder = std::make_shared<std::string>();
  CLI::App* nls = app.add_subcommand(
      "nls", "the native language character maps (*.nls files) the editor loads");
  nls->add_option("--folder", *folder, "the maps' folder (default: the NLSFiles setting)");
  nls->require_subcommand(1);

  CLI::App* list = nls->add_subcommand("list", "print each map's name and file, as loaded");
  list->callback([&context, folder] {
    CharacterMaps maps;
    if (!LoadMaps(context, *folder, maps)) return;
    for (const CharacterMap& map : maps.maps()) {
      std::printf("%s\t%s [%s]\n", map.displayName.c_str(), map.file.filename().c_str(),
                  map.sectionName.c_str());
    }
  });

  auto name = std::make_shared<std::string>();
  CLI::App* show =
      nls->add_subcommand("show", "print a map's translated characters as PC=Server codes");
  show->add_option("NAME", *name, "the map's name (case does not matter)")->required();
  show->callback([&context, folder, name] {
    CharacterMaps maps;
    if (!LoadMaps(context, *folder, maps)) return;
    const std::optional<CharacterTable> table = maps.Find(*name);
    if (!table) return Fail(context, "no character map is named \"" + *name + "\"");
    for (std::size_t code = 1; code < table->size(); ++code) {
      if ((*table)[code] != 0) std::printf("%zu=%u\n", code, (*table)[code]);
    }
  });

  // The map editor's rule on the command line: the pair is kept both ways
  // when the server code's own entry is still free; 0 clears the entry.
  auto pc = std::make_shared<int>(0);
  auto server = std::make_shared<int>(0);
  auto setName = std::make_shared<std::string>();
  CLI::App* set = nls->add_subcommand(
      "set", "translate PC code to SERVER code in a map (made in default.nls when new)");
  set->add_option("NAME", *setName, "the map's name")->required();
  set->add_option("PC", *pc, "the character's code on the PC (1-255)")
      ->required()
      ->check(CLI::Range(1, 255));
  set->add_option("SERVER", *server, "its code on the host (1-255; 0 clears it)")
      ->required()
      ->check(CLI::Range(0, 255));
  set->callback([&context, folder, setName, pc, server] {
    CharacterMaps maps;
    if (!LoadMaps(context, *folder, maps)) return;
    const CharacterMap* existing = maps.FindMap(*setName);
    CharacterTable table = existing ? existing->table : CharacterTable{};
    const std::string name = existing ? existing->displayName : *setName;
    TypeServerCode(table, *pc, *server == 0 ? std::string() : std::to_string(*server));
    std::string error;
    const std::optional<std::string_view> old =
        existing ? std::optional<std::string_view>(name) : std::nullopt;
    if (!maps.Save(old, name, table, &error)) return Fail(context, error);
    const CharacterMap* saved = maps.FindMap(name);
    std::printf("%s\t%s\n", name.c_str(), saved ? saved->file.filename().c_str() : "");
  });

  auto deleteName = std::make_shared<std::string>();
  CLI::App* remove = nls->add_subcommand("delete", "remove a map from its file");
  remove->add_option("NAME", *deleteName, "the map's name (case does not matter)")->required();
  remove->callback([&context, folder, deleteName] {
    CharacterMaps maps;
    if (!LoadMaps(context, *folder, maps)) return;
    if (maps.FindMap(*deleteName) == nullptr) {
      return Fail(context, "no character map is named \"" + *deleteName + "\"");
    }
    std::string error;
    if (!maps.Delete(*deleteName, &error)) return Fail(context, error);
  });
}

}  // namespace vandrel::cli
