// One symbol of the Code Navigator, and the tree they form: the root holds
// one item per category that occurred (made from that category's first
// symbol), and below each the symbols, nested by level.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

class NavigatorItem {
 public:
  int category = 0;
  std::string name;             // empty: absent
  std::string alternativeName;  // empty: absent
  std::string displayText;      // empty: absent
  std::vector<std::string> parameters;
  int line = 0;  // 1-based
  int level = 0;
  int further = 0;
  std::vector<std::unique_ptr<NavigatorItem>> children;

  // Display text, else name, else alternative name, else "Unknown".
  std::string_view DisplayName() const;
  // "name(a, b)": the display name and the parameters separated by ", ".
  std::string ParameterText() const;

  NavigatorItem* FindCategory(int code) const;
  // Depth first in child order; category 0 matches any. The name (or, without
  // one, the alternative name) compares ignoring case.
  const NavigatorItem* FindByName(std::string_view text, int code) const;
  // Orders children by display name, recursively: with `numeric`, names that
  // both begin with a digit by their leading value first.
  void Sort(bool numeric);

  // Files a reported symbol under this root: into its category item (made
  // from the symbol when the category is new), `level` times down through
  // the last child.
  // The symbol's own children are not taken.
  void AddSymbol(NavigatorItem symbol);
};

}  // namespace vandrel
