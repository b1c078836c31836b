// The rules of editing one character map: what a typed "Server" code does to
// the table (pairs are kept both ways where they can be), where the editor
// scrolls first, and whether a name may be saved.
#pragma once

#include <optional>
#include <string_view>

#include "documents/character_maps.h"

namespace vandrel {

// The row the map editor shows first: the first translated character, or
// 128 when none is.
int FirstShownCharacter(const CharacterTable& table);

// Entry `pc` (1-255) takes what the user typed in its "Server" cell. A code
// from 1 to 255 sets it; when that code's own entry is still 0 it is set to
// `pc` too, so the pair translates both ways, and that code is returned as
// the other row changed. An empty (blank) text clears the entry. Anything
// else changes nothing. Returns the other row changed, if any.
struct ServerCodeChange {
  bool changed = false;            // entry `pc` was set or cleared
  std::optional<int> pairedEntry;  // the row set to `pc` as well
};
ServerCodeChange TypeServerCode(CharacterTable& table, int pc, std::string_view typed);

// Whether the map editor may close with `newName` for the map first named
// `oldName` (none for a new map).
enum class MapNameCheck {
  kAccepted,   // save without a question
  kEmpty,      // OK stays disabled
  kRenaming,   // an existing map gets another name: ask before saving
  kDuplicate,  // another map has the name (ignoring case): refused
};
MapNameCheck CheckMapName(const CharacterMaps& maps, std::optional<std::string_view> oldName,
                          std::string_view newName);

}  // namespace vandrel
