#include "cli/nls_commands.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

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
}

}  // namespace vandrel::cli
