// The Code Navigator of one document: the tree of symbols a parser extension
// reported, with the extension's category labels, and what the editor asks of
// it – the function list, the structure tree, definitions and parameter info.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "templates/navigator/navigator_item.h"

namespace vandrel {

class ProgressReporter;
class TemplateCatalogue;

// Image numbers of the application's small image list used by the navigator.
inline constexpr int kNavigatorImageFunction = 15;
inline constexpr int kNavigatorImageInclude = 13;
inline constexpr int kNavigatorImageData = 14;
inline constexpr int kNavigatorImageSection = 16;
inline constexpr int kNavigatorImageClosedCategory = 26;
inline constexpr int kNavigatorImageOpenCategory = 27;

// The tree shows the categories in this order; label slot i belongs to
// kNavigatorTreeOrder[i].
inline constexpr std::array<int, 6> kNavigatorTreeOrder{6, 3, 4, 1, 5, 2};

// The image of a category's symbols (15 for functions, 13 for includes...).
int CategoryImage(int category);
// "Functions", "Include", "Data", "Forward", "External", "Sections".
std::string_view DefaultCategoryLabel(int category);

// One entry of the drop-down function list: `depth` indents, `text` is the
// display name, `line` the symbol's line (1-based).
struct FunctionListEntry {
  int image = 0;
  int depth = 0;
  std::string text;
  int line = 0;
};

// One node of the structure tree. Category nodes have line 0.
struct NavigatorTreeNode {
  std::string text;
  int line = 0;
  int image = 0;
  std::vector<NavigatorTreeNode> children;
};

struct NavigatorDefinition {
  int line = -1;  // -1: not found
  int category = 0;
};

class Navigator {
 public:
  Navigator();
  ~Navigator();
  Navigator(Navigator&&) noexcept;
  Navigator& operator=(Navigator&&) noexcept;

  NavigatorItem& root() { return *root_; }
  const NavigatorItem& root() const { return *root_; }

  // The extension's label for slot 0-5 (tree order), empty when it has none.
  void SetLabels(std::array<std::string, 6> labels) { labels_ = std::move(labels); }
  const std::string& Label(int slot) const;

  // Sections, then Functions, each with its nested symbols in list order.
  std::vector<FunctionListEntry> FunctionList() const;
  // The categories in tree order, labelled by the extension or the defaults;
  // with `showParameters` a symbol with parameters shows as name(a, b).
  std::vector<NavigatorTreeNode> Tree(bool showParameters) const;
  // Functions, Sections, Data, Forward, External, Include: the first hit.
  NavigatorDefinition FindDefinition(std::string_view name) const;
  // The declaration Parameter Info shows: External, then Forward, then
  // Functions, a later hit replacing an earlier one only when that had no
  // parameters. Null when the name is unknown.
  const NavigatorItem* ParameterInfo(std::string_view name) const;

 private:
  std::unique_ptr<NavigatorItem> root_;
  std::array<std::string, 6> labels_;
};

// What a parse reports besides symbols.
struct ParseObserver {
  ProgressReporter* progress = nullptr;  // "Parsing file..." and the bar
  // Called with "(%08d) %s" for each diagnostic; null when Debugging is off.
  std::function<void(std::string_view line)> diagnostic;
};

// Parses the file at `path` with the extension the template names (its
// "SyntaxParser"), then sorts the tree numerically. Null when the template
// is unknown or names no extension, or the extension could not be run; the
// next call tries the extension again.
std::unique_ptr<Navigator> ParseDocument(const TemplateCatalogue& catalogue,
                                         std::string_view templateName, const std::string& path,
                                         const ParseObserver& observer);

}  // namespace vandrel
