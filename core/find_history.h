// The search histories: sub-keys of the settings' base key ("Find History",
// "Replace History", "Wildcard History", "Folder History"), each holding text
// values "0", "1", ... in most-recent-first order. A dialog loads a history
// into its combo box when it opens and, after every search, saves the box
// (its current text first, then its list) and loads it again, so the newest
// entry stands first and duplicates disappear.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings_store.h"

namespace vandrel {

inline constexpr std::string_view kFindHistory = ".\\Find History";
inline constexpr std::string_view kReplaceHistory = ".\\Replace History";
inline constexpr std::string_view kWildcardHistory = ".\\Wildcard History";
inline constexpr std::string_view kFolderHistory = ".\\Folder History";

// A history entry (and a search box) holds at most this many characters.
inline constexpr std::size_t kMaxHistoryEntry = 255;
// Loading stops after this many values.
inline constexpr int kMaxHistoryRead = 100;
// Saving keeps the current text and at most this many entries of the list.
inline constexpr int kHistoryListKept = 15;

// The entries of history `name`: the values "0", "1", ... in turn until one
// is missing, unreadable or longer than kMaxHistoryEntry, or 100 have been
// read. Empty when the store cannot be read.
std::vector<std::string> LoadHistory(SettingsStore& store, std::string_view name);

// What saving writes: `current` first when it is not empty, then, in list
// order, at most the first 15 entries of `list`, each skipped when it equals
// `current` exactly (an entry so skipped still counts towards the 15).
std::vector<std::string> HistoryToSave(std::string_view current, std::span<const std::string> list);

// Deletes history `name` and writes it anew from `current` and `list` (see
// HistoryToSave), in one change of the store. False when the store could not
// be written; the history is then as it was.
bool SaveHistory(SettingsStore& store, std::string_view name, std::string_view current,
                 std::span<const std::string> list);

}  // namespace vandrel
