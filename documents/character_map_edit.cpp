#include "documents/character_map_edit.h"

#include "platform/ascii_text.h"

namespace vandrel {

int FirstShownCharacter(const CharacterTable& table) {
  for (int code = 1; code <= 255; ++code) {
    if (table[static_cast<std::size_t>(code)] != 0) return code;
  }
  return 128;
}

ServerCodeChange TypeServerCode(CharacterTable& table, int pc, std::string_view typed) {
  ServerCodeChange change;
  if (pc < 1 || pc > 255) return change;
  const std::string_view text = platform::TrimAsciiSpace(typed);
  auto& entry = table[static_cast<std::size_t>(pc)];
  if (text.empty()) {
    change.changed = entry != 0;
    entry = 0;
    return change;
  }
  int code = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return change;
    code = code * 10 + (c - '0');
    if (code > 255) return change;
  }
  if (code < 1) return change;
  change.changed = entry != code;
  entry = static_cast<std::uint8_t>(code);
  auto& pair = table[static_cast<std::size_t>(code)];
  if (pair == 0) {
    pair = static_cast<std::uint8_t>(pc);
    change.pairedEntry = code;
  }
  return change;
}

MapNameCheck CheckMapName(const CharacterMaps& maps, std::optional<std::string_view> oldName,
                          std::string_view newName) {
  const std::string_view name = platform::TrimAsciiSpace(newName);
  if (name.empty()) return MapNameCheck::kEmpty;
  const CharacterMap* owner = maps.FindMap(name);
  const CharacterMap* self = oldName ? maps.FindMap(*oldName) : nullptr;
  if (owner != nullptr && owner != self) return MapNameCheck::kDuplicate;
  if (oldName && name != *oldName) return MapNameCheck::kRenaming;
  return MapNameCheck::kAccepted;
}

}  // namespace vandrel
