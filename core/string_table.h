// The application's string table: every text the user sees in message boxes,
// questions, status-bar prompts, progress texts, captions and command help,
// addressed by number (core/string_ids.h). Texts may hold printf-style
// placeholders that the caller fills in; a command's help text holds the
// status-bar prompt and, after a line break, the tooltip.
#pragma once

#include <span>
#include <string_view>

namespace vandrel {

struct StringTableEntry {
  int id;
  std::string_view text;
};

// Every entry, sorted by id; ids are unique.
std::span<const StringTableEntry> StringTable();

// The text with number `id`, or an empty view when the table has none.
std::string_view StringTableText(int id);

bool HasStringTableText(int id);

}  // namespace vandrel
