// A menu as data: what a popup holds (items with text, command id and enabled
// flag, and separators), built by the core and rendered by the user interface.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vandrel {

struct MenuEntry {
  bool separator = false;
  std::string text;   // items only; '&' marks the access key as in menu texts
  int commandId = 0;  // separators may carry one too, so ranges can remove them
  bool enabled = true;

  static MenuEntry Item(std::string text, int commandId, bool enabled = true) {
    return {false, std::move(text), commandId, enabled};
  }
  static MenuEntry Separator(int commandId = 0) { return {true, {}, commandId, true}; }
  bool operator==(const MenuEntry&) const = default;
};

class MenuModel {
 public:
  const std::vector<MenuEntry>& Entries() const { return entries_; }
  std::size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }

  // Inserts before `position`; a negative position or one past the end appends.
  void Insert(int position, MenuEntry entry) {
    if (position < 0 || static_cast<std::size_t>(position) >= entries_.size()) {
      entries_.push_back(std::move(entry));
    } else {
      entries_.insert(entries_.begin() + position, std::move(entry));
    }
  }
  void Append(MenuEntry entry) { entries_.push_back(std::move(entry)); }

  // Removes every entry whose command id lies in [first, last]; returns how
  // many were removed.
  int RemoveCommandRange(int first, int last) {
    auto end = std::remove_if(entries_.begin(), entries_.end(), [&](const MenuEntry& e) {
      return e.commandId >= first && e.commandId <= last;
    });
    int removed = static_cast<int>(entries_.end() - end);
    entries_.erase(end, entries_.end());
    return removed;
  }

  // Index of the first entry with `commandId`, or -1.
  int IndexOf(int commandId) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].commandId == commandId) return static_cast<int>(i);
    }
    return -1;
  }
  // Sets the enabled flag of every entry with `commandId`.
  void SetEnabled(int commandId, bool enabled) {
    for (MenuEntry& e : entries_) {
      if (e.commandId == commandId) e.enabled = enabled;
    }
  }
  void Clear() { entries_.clear(); }

 private:
  std::vector<MenuEntry> entries_;
};

}  // namespace vandrel
