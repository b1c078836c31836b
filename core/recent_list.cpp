#include "core/recent_list.h"

#include <fmt/printf.h>

#include <vector>

namespace vandrel {

namespace {

std::string ValueName(int position) { return fmt::sprintf("File%i", position); }

}  // namespace

bool RecentListAdd(SettingsStore& store, std::string_view list, std::string_view entry) {
  if (entry.empty() || entry.size() >= kRecentEntrySize) return false;
  std::string path = store.KeyPath(list);
  return store.Update([&](SettingsTree& tree) {
    // The entries that can be read, in order; missing or unreadable positions
    // leave no gap.
    std::vector<std::string> kept;
    for (int position = 1; position <= kRecentEntriesKept; ++position) {
      std::string slot;
      if (!ReadRow(tree, path, TextRow(ValueName(position), &slot, kRecentEntrySize))) continue;
      if (!slot.empty() && slot != entry) kept.push_back(std::move(slot));
    }
    bool ok = true;
    auto write = [&](int position, std::string_view text) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
      ok = tree.SetValue(path, ValueName(position), kStorageText,
                         std::span<const std::uint8_t>(bytes, text.size())) &&
           ok;
    };
    int position = 2;
    for (const std::string& old : kept) {
      if (position > kRecentEntriesKept) break;
      write(position++, old);
    }
    // Positions the list no longer fills would otherwise show stale copies.
    for (; position <= kRecentEntriesKept; ++position) tree.DeleteValue(path, ValueName(position));
    write(1, entry);
    return ok;
  });
}

bool RecentListEntry(SettingsStore& store, std::string_view list, int index, std::string* entry,
                     std::size_t size) {
  if (index < 1) return false;
  return store.ReadValue(list, TextRow(ValueName(index), entry, size));
}

int RecentListMenu(SettingsStore& store, std::string_view list, MenuModel& popup, int position,
                   int firstId, int count) {
  popup.RemoveCommandRange(firstId, firstId + count);
  std::optional<SettingsTree> tree = store.Load();
  if (!tree) return 0;
  std::string path = store.KeyPath(list);
  int inserted = 0;
  for (int n = 1; n <= count; ++n) {
    std::string entry;
    if (!ReadRow(*tree, path, TextRow(ValueName(n), &entry, kRecentEntrySize))) break;
    if (n == 1 && position != 0) {
      popup.Insert(position, MenuEntry::Separator(firstId + count));
      if (position > 0) ++position;
    }
    popup.Insert(position, MenuEntry::Item(fmt::sprintf("&%i %s", n, entry), firstId + n - 1));
    if (position >= 0) ++position;
    ++inserted;
  }
  return inserted;
}

std::optional<RecentCommandTarget> RecentCommand(int commandId) {
  struct Range {
    int base;
    std::string_view list;
  };
  for (Range range : {Range{kRecentProjectsCommandBase, kRecentProjects},
                      Range{kRecentFilesCommandBase, kRecentFiles},
                      Range{kRecentLocalFilesCommandBase, kRecentLocalFiles}}) {
    int index = commandId - range.base;
    if (index >= 1 && index <= 99) return RecentCommandTarget{range.list, index};
  }
  return std::nullopt;
}

}  // namespace vandrel
