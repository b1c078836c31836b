// The main frame's two toolbars as data: "Main" and "Navigator", their
// buttons in order (a zero command id is a gap between groups) and the
// picture each button shows, by its icon-theme name.
#pragma once

#include <span>
#include <string_view>

namespace vandrel {

struct ToolbarButton {
  int commandId = 0;          // 0: a separator
  std::string_view iconName;  // freedesktop icon name
};

struct ToolbarSpec {
  std::string_view name;  // also the bar's settings key, ".\Toolbars\<name>"
  std::span<const ToolbarButton> buttons;
};

inline constexpr std::string_view kMainToolbarName = "Main";
inline constexpr std::string_view kNavigatorToolbarName = "Navigator";
// The navigator's drop-down list: its width and the height of its open list,
// and where it sits in the bar.
inline constexpr int kNavigatorListWidth = 290;
inline constexpr int kNavigatorListHeight = 250;
inline constexpr int kNavigatorListX = 10;
inline constexpr int kNavigatorListY = 1;

const ToolbarSpec& MainToolbar();
const ToolbarSpec& NavigatorToolbar();

// Buttons without the separators.
int ToolbarButtonCount(const ToolbarSpec& bar);

}  // namespace vandrel
