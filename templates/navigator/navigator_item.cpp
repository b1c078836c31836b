#include "templates/navigator/navigator_item.h"

#include <algorithm>

#include "platform/ascii_text.h"

namespace vandrel {

namespace {

// Deeper nesting than this is filed at this depth: the tree is walked
// recursively, and an extension must not be able to make it a million deep.
constexpr int kDeepestLevel = 32;

std::string_view LeadingDigits(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && platform::IsAsciiDigit(text[end])) ++end;
  return text.substr(0, end);
}

// Compares two runs of decimal digits by value, whatever their length.
int CompareDecimal(std::string_view a, std::string_view b) {
  while (a.size() > 1 && a.front() == '0') a.remove_prefix(1);
  while (b.size() > 1 && b.front() == '0') b.remove_prefix(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t count = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < count; ++i) {
    const char x = platform::AsciiLower(a[i]);
    const char y = platform::AsciiLower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SortsBefore(std::string_view a, std::string_view b, bool numeric) {
  if (numeric && !a.empty() && !b.empty() && platform::IsAsciiDigit(a.front()) &&
      platform::IsAsciiDigit(b.front())) {
    const int byValue = CompareDecimal(LeadingDigits(a), LeadingDigits(b));
    if (byValue != 0) return byValue < 0;
  }
  return CompareIgnoringCase(a, b) < 0;
}

std::unique_ptr<NavigatorItem> CopyOfSymbol(const NavigatorItem& symbol) {
  auto item = std::make_unique<NavigatorItem>();
  item->category = symbol.category;
  item->name = symbol.name;
  item->alternativeName = symbol.alternativeName;
  item->displayText = symbol.displayText;
  item->parameters = symbol.parameters;
  item->line = symbol.line;
  item->level = symbol.level;
  item->further = symbol.further;
  return item;
}

}  // namespace

std::string_view NavigatorItem::DisplayName() const {
  if (!displayText.empty()) return displayText;
  if (!name.empty()) return name;
  if (!alternativeName.empty()) return alternativeName;
  return "Unknown";
}

std::string NavigatorItem::ParameterText() const {
  std::string text(DisplayName());
  text += '(';
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (i > 0) text += ", ";
    text += parameters[i];
  }
  text += ')';
  return text;
}

NavigatorItem* NavigatorItem::FindCategory(int code) const {
  for (const std::unique_ptr<NavigatorItem>& child : children) {
    if (child->category == code) return child.get();
  }
  return nullptr;
}

const NavigatorItem* NavigatorItem::FindByName(std::string_view text, int code) const {
  for (const std::unique_ptr<NavigatorItem>& child : children) {
    if (code == 0 || child->category == code) {
      const std::string& own = child->name.empty() ? child->alternativeName : child->name;
      if (!own.empty() && platform::EqualsIgnoreCase(own, text)) return child.get();
    }
    if (const NavigatorItem* found = child->FindByName(text, code)) return found;
  }
  return nullptr;
}

void NavigatorItem::Sort(bool numeric) {
  if (children.size() > 1) {
    std::stable_sort(children.begin(), children.end(),
                     [numeric](const std::unique_ptr<NavigatorItem>& a,
                               const std::unique_ptr<NavigatorItem>& b) {
                       return SortsBefore(a->DisplayName(), b->DisplayName(), numeric);
                     });
  }
  for (const std::unique_ptr<NavigatorItem>& child : children) {
    if (!child->children.empty()) child->Sort(numeric);
  }
}

void NavigatorItem::AddSymbol(NavigatorItem symbol) {
  NavigatorItem* parent = FindCategory(symbol.category);
  if (parent == nullptr) {
    children.push_back(CopyOfSymbol(symbol));
    parent = children.back().get();
  }
  const int depth = std::clamp(symbol.level, 0, kDeepestLevel);
  for (int step = 0; step < depth && !parent->children.empty(); ++step) {
    parent = parent->children.back().get();
  }
  symbol.children.clear();
  parent->children.push_back(std::make_unique<NavigatorItem>(std::move(symbol)));
}

}  // namespace vandrel
