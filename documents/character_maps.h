// Native language character maps: named tables of 256 byte values that say
// which code each character takes on the host, kept in initialisation files
// ("*.nls") in one folder. Each section of a file is one map; its keys are
// the character codes 1 to 255 and their values the codes they translate to.
// Entry i of a table is the code character i takes, 0 when it is not
// translated. New maps go into "default.nls" of the folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/progress.h"
#include "documents/load_request.h"

namespace vandrel {

// The file new maps are written to, in the maps' folder.
inline constexpr std::string_view kNewCharacterMapFile = "default.nls";
// The pseudo-name of "no translation" in the settings and the lists.
inline constexpr std::string_view kNoCharacterMap = "(none)";
// Display and section names keep at most this many characters.
inline constexpr std::size_t kCharacterMapNameLimit = 259;

struct CharacterMap {
  std::string displayName;  // shown and looked up; unique in the list ignoring case
  std::string sectionName;  // the section in `file`
  std::filesystem::path file;
  CharacterTable table{};
};

class CharacterMaps {
 public:
  // Empties the list and reads every "*.nls" file of `folder`, in the order
  // of their names. A section with at least one valid entry becomes a map;
  // a display name already listed (ignoring case) becomes "name(i)" with the
  // first free i from 1 to 999. Unreadable files and sections without valid
  // entries are skipped. Returns the number of maps read.
  std::size_t Load(const std::filesystem::path& folder, ProgressReporter* progress = nullptr);

  const std::filesystem::path& folder() const { return folder_; }
  const std::vector<CharacterMap>& maps() const { return maps_; }
  // Every display name, in list order: what the map lists show.
  std::vector<std::string> Names() const;

  // The map named `name` (ignoring case); null when there is none.
  const CharacterMap* FindMap(std::string_view name) const;
  // Its table, copied out.
  std::optional<CharacterTable> Find(std::string_view name) const;

  // Saves a map. With `oldName` an existing map is renamed to `newName` and
  // takes `table`: its old section is removed from its file and the new one
  // written there. Without it a new map is written to "default.nls". Only the
  // non-zero entries 1 to 255 are written. Refused (false, with a message in
  // `error`) when the name is empty or too long, belongs to another map
  // (ignoring case), the old map is not listed, or the file cannot be
  // written; the list and the files are then unchanged.
  bool Save(std::optional<std::string_view> oldName, std::string_view newName,
            const CharacterTable& table, std::string* error = nullptr);
  // Removes the map's section from its file and the map from the list.
  bool Delete(std::string_view name, std::string* error = nullptr);

 private:
  std::filesystem::path folder_;
  std::vector<CharacterMap> maps_;
};

// The name of the map a host document is translated with: the setting of
// its project entry (`entryCharSet`: the entry's own or the nearest folder's
// override, as ProjectItem::EffectiveCharSet gives it; nothing when none
// overrides), else `defaultCharSet` (NLSDefaultCharSet). Nothing – no
// translation – when that name is empty or "(none)".
std::optional<std::string> ChosenCharacterMapName(const std::optional<std::string>& entryCharSet,
                                                  std::string_view defaultCharSet);

// The table of the chosen map; nothing when none is chosen or the chosen
// map is not listed (it was renamed or deleted).
std::optional<CharacterTable> ChosenCharacterTable(const CharacterMaps& maps,
                                                   const std::optional<std::string>& entryCharSet,
                                                   std::string_view defaultCharSet);

}  // namespace vandrel
