// Where a toolbar of the main frame was left: docked in the frame or floating,
// and its position. Kept per bar under ".\Toolbars\<name>" as three 32-bit
// numbers, "Docked", "X" and "Y".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings_store.h"

namespace vandrel {

struct ToolbarPlacement {
  bool docked = true;
  // Frame client coordinates when docked, screen coordinates when floating.
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const ToolbarPlacement&) const = default;
};

// The sub-key of the bar named `name`.
std::string ToolbarPlacementKey(std::string_view name);

// True only when all three values are stored.
bool ReadToolbarPlacement(SettingsStore& store, std::string_view name, ToolbarPlacement* placement);
bool WriteToolbarPlacement(SettingsStore& store, std::string_view name,
                           const ToolbarPlacement& placement);

}  // namespace vandrel
