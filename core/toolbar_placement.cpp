#include "core/toolbar_placement.h"

#include "core/setting_descriptor.h"

namespace vandrel {

std::string ToolbarPlacementKey(std::string_view name) {
  return ".\\Toolbars\\" + std::string(name);
}

bool ReadToolbarPlacement(SettingsStore& store, std::string_view name,
                          ToolbarPlacement* placement) {
  const std::string key = ToolbarPlacementKey(name);
  std::int32_t docked = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  if (!store.ReadValue(key, NumberRow("Docked", &docked)) ||
      !store.ReadValue(key, NumberRow("X", &x)) || !store.ReadValue(key, NumberRow("Y", &y)))
    return false;
  *placement = ToolbarPlacement{docked == 1, x, y};
  return true;
}

bool WriteToolbarPlacement(SettingsStore& store, std::string_view name,
                           const ToolbarPlacement& placement) {
  const std::string key = ToolbarPlacementKey(name);
  std::int32_t docked = placement.docked ? 1 : 0;
  std::int32_t x = placement.x;
  std::int32_t y = placement.y;
  return store.WriteValue(key, NumberRow("Docked", &docked)) &&
         store.WriteValue(key, NumberRow("X", &x)) && store.WriteValue(key, NumberRow("Y", &y));
}

}  // namespace vandrel
