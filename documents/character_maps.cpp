#include "documents/character_maps.h"

#include <algorithm>
#include <system_error>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "platform/ascii_text.h"
#include "platform/ini_file.h"

namespace vandrel {

namespace {

using platform::EqualsIgnoreCase;

constexpr int kMaxDuplicateNumber = 999;

// A key or value of a map file: a decimal code from 1 to 255, as the
// profile functions read a number (leading blanks, digits up to the first
// other character); nothing otherwise.
std::optional<std::uint8_t> ReadCode(std::string_view text) {
  std::size_t at = 0;
  const auto number = platform::ScanDecimal(text, &at);
  if (!number || number->negative || number->magnitude < 1 || number->magnitude > 255) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(number->magnitude);
}

// The table of one section; nothing when no entry is valid. Keys are read
// as the codes 1 to 255 spelled plainly ("7", not "007"), as the profile
// functions look them up.
std::optional<CharacterTable> ReadTable(const platform::IniFile& file, std::string_view section) {
  CharacterTable table{};
  bool any = false;
  for (int code = 1; code <= 255; ++code) {
    const std::optional<std::string> value = file.Get(section, std::to_string(code));
    if (!value) continue;
    if (const auto translated = ReadCode(*value)) {
      table[static_cast<std::size_t>(code)] = *translated;
      any = true;
    }
  }
  if (!any) return std::nullopt;
  return table;
}

// Replaces the section `section` of `file` with the non-zero entries of
// `table`, removing `oldSection` first (when given), and writes the file
// safely. False with a message when it cannot be read or written.
bool WriteSection(const std::filesystem::path& path, std::optional<std::string_view> oldSection,
                  std::string_view section, const CharacterTable* table, std::string* error) {
  platform::IniFile file;
  if (!file.Load(path, error, true)) return false;
  if (oldSection) file.RemoveSection(*oldSection);
  if (table) {
    file.RemoveSection(section);
    for (int code = 1; code <= 255; ++code) {
      const std::uint8_t value = (*table)[static_cast<std::size_t>(code)];
      if (value != 0 && !file.Set(section, std::to_string(code), std::to_string(value))) {
        if (error) *error = "the name \"" + std::string(section) + "\" cannot be a section name";
        return false;
      }
    }
  }
  return file.Save(path, error);
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

}  // namespace

std::size_t CharacterMaps::Load(const std::filesystem::path& folder, ProgressReporter* progress) {
  maps_.clear();
  folder_ = folder;
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::filesystem::path& path = it->path();
    std::error_code kind;
    if (EqualsIgnoreCase(path.extension().string(), ".nls") && it->is_regular_file(kind)) {
      files.push_back(path);
    }
  }
  std::sort(files.begin(), files.end());
  if (progress && !files.empty()) progress->ShowStatus(LoadText(kStrLoadingCharacterMaps));

  for (std::size_t done = 0; done < files.size(); ++done) {
    platform::IniFile file;
    if (file.Load(files[done])) {
      for (const std::string& section : file.Sections()) {
        std::optional<CharacterTable> table = ReadTable(file, section);
        if (!table) continue;
        std::string name = section.substr(0, kCharacterMapNameLimit);
        if (FindMap(name)) {
          std::string numbered;
          for (int i = 1; i <= kMaxDuplicateNumber && numbered.empty(); ++i) {
            std::string candidate = name + "(" + std::to_string(i) + ")";
            if (!FindMap(candidate)) numbered = std::move(candidate);
          }
          if (numbered.empty()) continue;  // no number is free: the map cannot be told apart
          name = std::move(numbered);
        }
        maps_.push_back(CharacterMap{std::move(name), section, files[done], *table});
      }
    }
    if (progress) progress->SetProgress(static_cast<int>((done + 1) * 100 / files.size()));
  }
  if (progress && !files.empty()) progress->ClearProgress();
  return maps_.size();
}

std::vector<std::string> CharacterMaps::Names() const {
  std::vector<std::string> names;
  names.reserve(maps_.size());
  for (const CharacterMap& map : maps_) names.push_back(map.displayName);
  return names;
}

const CharacterMap* CharacterMaps::FindMap(std::string_view name) const {
  for (const CharacterMap& map : maps_) {
    if (EqualsIgnoreCase(map.displayName, name)) return &map;
  }
  return nullptr;
}

std::optional<CharacterTable> CharacterMaps::Find(std::string_view name) const {
  if (const CharacterMap* map = FindMap(name)) return map->table;
  return std::nullopt;
}

bool CharacterMaps::Save(std::optional<std::string_view> oldName, std::string_view newName,
                         const CharacterTable& table, std::string* error) {
  const std::string name(platform::TrimAsciiSpace(newName));
  if (name.empty()) {
    SetError(error, "a character map needs a name");
    return false;
  }
  if (name.size() > kCharacterMapNameLimit || EqualsIgnoreCase(name, kNoCharacterMap)) {
    SetError(error, "\"" + name + "\" cannot name a character map");
    return false;
  }
  // Without a folder a new map would land wherever the program was started.
  if (!oldName && folder_.empty()) {
    SetError(error, "no folder for character maps is set (Native Language Files)");
    return false;
  }
  CharacterMap* existing = nullptr;
  if (oldName) {
    for (CharacterMap& map : maps_) {
      if (EqualsIgnoreCase(map.displayName, *oldName)) existing = &map;
    }
    if (!existing) {
      SetError(error, "no character map is named \"" + std::string(*oldName) + "\"");
      return false;
    }
  }
  const std::filesystem::path file = existing ? existing->file : folder_ / kNewCharacterMapFile;
  for (const CharacterMap& map : maps_) {
    if (&map == existing) continue;
    // Another map of that name, or one kept in the same section of the
    // same file, which the new entries would overwrite.
    if (EqualsIgnoreCase(map.displayName, name) ||
        (map.file == file && EqualsIgnoreCase(map.sectionName, name))) {
      SetError(error, FormatText(LoadText(kStrCharacterMapExists), map.displayName));
      return false;
    }
  }
  std::optional<std::string_view> oldSection;
  if (existing) oldSection = existing->sectionName;
  if (!WriteSection(file, oldSection, name, &table, error)) return false;
  if (existing) {
    existing->displayName = name;
    existing->sectionName = name;
    existing->table = table;
  } else {
    maps_.push_back(CharacterMap{name, name, file, table});
  }
  return true;
}

bool CharacterMaps::Delete(std::string_view name, std::string* error) {
  auto it = std::find_if(maps_.begin(), maps_.end(), [name](const CharacterMap& map) {
    return EqualsIgnoreCase(map.displayName, name);
  });
  if (it == maps_.end()) {
    SetError(error, "no character map is named \"" + std::string(name) + "\"");
    return false;
  }
  if (!WriteSection(it->file, it->sectionName, it->sectionName, nullptr, error)) return false;
  maps_.erase(it);
  return true;
}

std::optional<std::string> ChosenCharacterMapName(const std::optional<std::string>& entryCharSet,
                                                  std::string_view defaultCharSet) {
  const std::string_view name = entryCharSet ? std::string_view(*entryCharSet) : defaultCharSet;
  const std::string_view trimmed = platform::TrimAsciiSpace(name);
  if (trimmed.empty() || EqualsIgnoreCase(trimmed, kNoCharacterMap)) return std::nullopt;
  return std::string(trimmed);
}

std::optional<CharacterTable> ChosenCharacterTable(const CharacterMaps& maps,
                                                   const std::optional<std::string>& entryCharSet,
                                                   std::string_view defaultCharSet) {
  const std::optional<std::string> name = ChosenCharacterMapName(entryCharSet, defaultCharSet);
  if (!name) return std::nullopt;
  return maps.Find(*name);
}

}  // namespace vandrel
