// The recent-item lists: recently opened projects, host files and local files,
// each a key holding text values "File1", "File2", ... in most-recent-first
// order, and the File menu popups built from them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/menu_model.h"
#include "core/settings_store.h"

namespace vandrel {

inline constexpr std::string_view kRecentProjects = ".\\Recent Projects";
inline constexpr std::string_view kRecentFiles = ".\\Recent Files";  // host files
inline constexpr std::string_view kRecentLocalFiles = ".\\Recent Local Files";

inline constexpr int kRecentEntriesKept = 10;
// An entry is a path of at most this many characters.
inline constexpr std::size_t kRecentEntrySize = 260;
inline constexpr int kRecentMenuEntries = 4;

// Command ids of the File menu's recent popups: entry n of a list has the id
// base + n; ids base ... base + 99 belong to the list.
inline constexpr int kRecentProjectsCommandBase = 10500;
inline constexpr int kRecentFilesCommandBase = 10600;
inline constexpr int kRecentLocalFilesCommandBase = 10700;

// Puts `entry` first in the list, removing earlier copies of it (compared
// exactly) and keeping 10 entries, in one change of the store. Empty entries
// and entries longer than 259 characters are refused.
bool RecentListAdd(SettingsStore& store, std::string_view list, std::string_view entry);

// Entry `index` (from 1) of the list, when it exists and fits `size` bytes
// with its terminator.
bool RecentListEntry(SettingsStore& store, std::string_view list, int index, std::string* entry,
                     std::size_t size = kRecentEntrySize);

// Rebuilds the list's items in `popup`: removes every entry with a command id
// in [firstId, firstId + count], then inserts at `position` the entries that
// exist, up to `count`, as "&n entry" with ids firstId + n - 1. When
// `position` is not 0 a separator (command id firstId + count, so the next
// rebuild removes it too) comes before the first item. Returns the number of
// items inserted.
int RecentListMenu(SettingsStore& store, std::string_view list, MenuModel& popup, int position,
                   int firstId, int count = kRecentMenuEntries);

struct RecentCommandTarget {
  std::string_view list;
  int index = 0;  // from 1
  bool operator==(const RecentCommandTarget&) const = default;
};
// The list and entry a recent-popup command id opens; nullopt for other ids.
std::optional<RecentCommandTarget> RecentCommand(int commandId);

}  // namespace vandrel
