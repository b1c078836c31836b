#include "core/find_history.h"

#include <algorithm>
#include <optional>
#include <string>

#include "core/setting_descriptor.h"

namespace vandrel {

std::vector<std::string> LoadHistory(SettingsStore& store, std::string_view name) {
  std::vector<std::string> entries;
  const std::optional<SettingsTree> tree = store.Load();
  if (!tree) return entries;
  const std::string path = store.KeyPath(name);
  for (int index = 0; index < kMaxHistoryRead; ++index) {
    std::string entry;
    if (!ReadRow(*tree, path, TextRow(std::to_string(index), &entry, kMaxHistoryEntry + 1))) break;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<std::string> HistoryToSave(std::string_view current,
                                       std::span<const std::string> list) {
  std::vector<std::string> saved;
  if (!current.empty()) saved.emplace_back(current);
  const std::size_t taken = std::min<std::size_t>(list.size(), kHistoryListKept);
  for (std::size_t i = 0; i < taken; ++i) {
    if (list[i] != current) saved.push_back(list[i]);
  }
  return saved;
}

bool SaveHistory(SettingsStore& store, std::string_view name, std::string_view current,
                 std::span<const std::string> list) {
  const std::vector<std::string> saved = HistoryToSave(current, list);
  const std::string path = store.KeyPath(name);
  return store.Update([&](SettingsTree& tree) {
    tree.DeleteKey(path);
    bool ok = true;
    for (std::size_t index = 0; index < saved.size(); ++index) {
      // No entry is longer than a search box holds.
      const std::string_view text = std::string_view(saved[index]).substr(0, kMaxHistoryEntry);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
      ok = tree.SetValue(path, std::to_string(index), kStorageText,
                         std::span<const std::uint8_t>(bytes, text.size())) &&
           ok;
    }
    return ok;
  });
}

}  // namespace vandrel
