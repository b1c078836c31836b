#include "templates/navigator/navigator.h"

namespace vandrel {

namespace {

constexpr int kFunctions = 1;
constexpr int kInclude = 2;
constexpr int kData = 3;
constexpr int kForward = 4;
constexpr int kExternal = 5;
constexpr int kSections = 6;

void ListFunctions(const NavigatorItem& parent, int image, int depth,
                   std::vector<FunctionListEntry>& entries) {
  for (const std::unique_ptr<NavigatorItem>& child : parent.children) {
    entries.push_back({image, depth, std::string(child->DisplayName()), child->line});
    ListFunctions(*child, image, depth + 1, entries);
  }
}

void FillNodes(const NavigatorItem& parent, int image, bool showParameters,
               std::vector<NavigatorTreeNode>& nodes) {
  nodes.reserve(parent.children.size());
  for (const std::unique_ptr<NavigatorItem>& child : parent.children) {
    NavigatorTreeNode node;
    node.text = showParameters && !child->parameters.empty() ? child->ParameterText()
                                                             : std::string(child->DisplayName());
    node.line = child->line;
    node.image = image;
    FillNodes(*child, image, showParameters, node.children);
    nodes.push_back(std::move(node));
  }
}

}  // namespace

int CategoryImage(int category) {
  switch (category) {
    case kFunctions:
    case kForward:
      return kNavigatorImageFunction;
    case kInclude:
    case kExternal:
      return kNavigatorImageInclude;
    case kData:
      return kNavigatorImageData;
    case kSections:
      return kNavigatorImageSection;
    default:
      return 0;
  }
}

std::string_view DefaultCategoryLabel(int category) {
  switch (category) {
    case kFunctions:
      return "Functions";
    case kInclude:
      return "Include";
    case kData:
      return "Data";
    case kForward:
      return "Forward";
    case kExternal:
      return "External";
    case kSections:
      return "Sections";
    default:
      return {};
  }
}

Navigator::Navigator() : root_(std::make_unique<NavigatorItem>()) {}
Navigator::~Navigator() = default;
Navigator::Navigator(Navigator&&) noexcept = default;
Navigator& Navigator::operator=(Navigator&&) noexcept = default;

const std::string& Navigator::Label(int slot) const {
  static const std::string kNone;
  if (slot < 0 || slot >= static_cast<int>(labels_.size())) return kNone;
  return labels_[static_cast<std::size_t>(slot)];
}

std::vector<FunctionListEntry> Navigator::FunctionList() const {
  std::vector<FunctionListEntry> entries;
  for (const int category : {kSections, kFunctions}) {
    if (const NavigatorItem* item = root_->FindCategory(category)) {
      ListFunctions(*item, CategoryImage(category), 0, entries);
    }
  }
  return entries;
}

std::vector<NavigatorTreeNode> Navigator::Tree(bool showParameters) const {
  std::vector<NavigatorTreeNode> tree;
  for (std::size_t slot = 0; slot < kNavigatorTreeOrder.size(); ++slot) {
    const int category = kNavigatorTreeOrder[slot];
    const NavigatorItem* item = root_->FindCategory(category);
    if (item == nullptr) continue;
    NavigatorTreeNode node;
    const std::string& label = labels_[slot];
    node.text = label.empty() ? std::string(DefaultCategoryLabel(category)) : label;
    node.image = kNavigatorImageClosedCategory;
    FillNodes(*item, CategoryImage(category), showParameters, node.children);
    tree.push_back(std::move(node));
  }
  return tree;
}

NavigatorDefinition Navigator::FindDefinition(std::string_view name) const {
  for (const int category : {kFunctions, kSections, kData, kForward, kExternal, kInclude}) {
    if (const NavigatorItem* found = root_->FindByName(name, category)) {
      return {found->line, category};
    }
  }
  return {};
}

const NavigatorItem* Navigator::ParameterInfo(std::string_view name) const {
  const NavigatorItem* hit = nullptr;
  for (const int category : {kExternal, kForward, kFunctions}) {
    if (hit != nullptr && !hit->parameters.empty()) break;
    if (const NavigatorItem* found = root_->FindByName(name, category)) hit = found;
  }
  return hit;
}

}  // namespace vandrel
