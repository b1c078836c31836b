#include "project/project_item.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "project/macros.h"
#include "project/project.h"

namespace vandrel::project {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

// ---- settings ---------------------------------------------------------------

ItemSettings DefaultItemSettings(bool folder) {
  ItemSettings settings;
  settings.name = std::string(StringTableText(kStrUntitled));
  settings.type = std::string(StringTableText(kStrAutoDetect));
  settings.nlsCharSet = std::string(StringTableText(kStrNone));
  settings.folder = folder ? 1 : 0;
  return settings;
}

std::string CutToField(std::string_view text, std::size_t size) {
  if (size == 0) return {};
  return std::string(text.substr(0, std::min(text.size(), size - 1)));
}

void LimitItemSettings(ItemSettings& s) {
  s.name = CutToField(s.name, kNameSize);
  s.location = CutToField(s.location, kLocationSize);
  s.type = CutToField(s.type, kTypeSize);
  s.compile = CutToField(s.compile, kCommandSize);
  s.build = CutToField(s.build, kCommandSize);
  s.cobolToken = CutToField(s.cobolToken, kCobolTokenSize);
  s.compileEcho = CutToField(s.compileEcho, kCompileEchoSize);
  s.nlsCharSet = CutToField(s.nlsCharSet, kCharSetSize);
}

bool IsInheritedType(std::string_view type) {
  return type.empty() || EqualIgnoringCase(type, StringTableText(kStrAutoDetect));
}

// ---- the item ---------------------------------------------------------------

ProjectItem::ProjectItem(bool folder) : settings_(DefaultItemSettings(folder)) {}

ProjectItem::~ProjectItem() = default;

std::unique_ptr<ProjectItem> ProjectItem::Create(ProjectItem* parent, bool folder) {
  auto item = std::make_unique<ProjectItem>(folder);
  item->parent_ = parent;
  return item;
}

void ProjectItem::Clear() {
  children_.clear();
  navigatorData_.reset();
  Reset();
}

void ProjectItem::Reset() { settings_ = DefaultItemSettings(settings_.folder != 0); }

ProjectItem* ProjectItem::AppendChild(std::unique_ptr<ProjectItem> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
  return children_.back().get();
}

std::unique_ptr<ProjectItem> ProjectItem::UnlinkChild(const ProjectItem* child) {
  auto it = std::find_if(children_.begin(), children_.end(),
                         [child](const auto& c) { return c.get() == child; });
  if (it == children_.end()) return nullptr;
  std::unique_ptr<ProjectItem> taken = std::move(*it);
  children_.erase(it);
  return taken;
}

int ProjectItem::IndexInParent() const {
  if (!parent_) return -1;
  const auto& siblings = parent_->children_;
  for (std::size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i].get() == this) return static_cast<int>(i);
  return -1;
}

Project* ProjectItem::RootProject() {
  ProjectItem* top = this;
  while (top->parent_) top = top->parent_;
  return top->IsProject() ? static_cast<Project*>(top) : nullptr;
}

const Project* ProjectItem::RootProject() const {
  return const_cast<ProjectItem*>(this)->RootProject();
}

// ---- paths ------------------------------------------------------------------

std::string ProjectItem::FolderPath() const {
  std::vector<const ProjectItem*> chain;
  for (const ProjectItem* p = this; p; p = p->parent_) chain.push_back(p);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const std::string& location = (*it)->settings_.location;
    if (location.empty()) continue;
    if (location.front() == '/') path.clear();
    path += location;
    if (path.back() != '/') path += '/';
  }
  return path;
}

std::optional<std::string> ProjectItem::FullPath() const {
  const std::string& name = settings_.name;
  if (name.empty()) return std::nullopt;
  if (name.front() == '/') return name;
  return FolderPath() + name;
}

// ---- inherited settings -----------------------------------------------------

std::optional<std::string> ProjectItem::EffectiveTemplate() const {
  for (const ProjectItem* p = this; p; p = p->parent_)
    if (!IsInheritedType(p->settings_.type)) return p->settings_.type;
  return std::nullopt;
}

const ProjectItem* ProjectItem::CompileOwner() const {
  for (const ProjectItem* p = parent_; p; p = p->parent_) {
    if (p->settings_.compileFlags & kCompileOverride)
      return p->settings_.compile.empty() ? nullptr : p;
  }
  return nullptr;
}

bool ProjectItem::CanCompile() const {
  if (settings_.compileFlags & kCompileOverride) return !settings_.compile.empty();
  return CompileOwner() != nullptr;
}

const ProjectItem* ProjectItem::BuildOwner() const {
  // A folder that overrides the build stops the search, with or without a
  // command; the project is the last word above every folder.
  auto overridingFolder = [](const ProjectItem* p) {
    return !p->IsProject() && p->IsFolder() && (p->settings_.buildFlags & kBuildOverride);
  };
  if (overridingFolder(this)) return settings_.build.empty() ? nullptr : this;
  if (IsProject() && !settings_.build.empty()) return this;
  for (const ProjectItem* p = parent_; p; p = p->parent_) {
    if (p->IsProject()) {
      if (!p->settings_.build.empty()) return p;
    } else if (overridingFolder(p)) {
      return p->settings_.build.empty() ? nullptr : p;
    }
  }
  return nullptr;
}

std::optional<std::string> ProjectItem::EffectiveCobolToken(std::size_t size) const {
  for (const ProjectItem* p = this; p; p = p->parent_)
    if (p->settings_.cobolFormat != 0) return CutToField(p->settings_.cobolToken, size);
  return std::nullopt;
}

std::optional<std::string> ProjectItem::EffectiveCharSet(std::size_t size) const {
  for (const ProjectItem* p = this; p; p = p->parent_)
    if (p->settings_.nlsTranslate != 0) return CutToField(p->settings_.nlsCharSet, size);
  return std::nullopt;
}

std::optional<std::string> ProjectItem::EffectivePrecompileOutput() const {
  // The project's text is its "default precompile output": it applies to every
  // item below it that does not override it.
  for (const ProjectItem* p = this; p; p = p->parent_)
    if (p->settings_.compileOutput != 0 || p->IsProject()) return p->settings_.compileEcho;
  return std::nullopt;
}

// ---- searching and counting -------------------------------------------------

ProjectItem* ProjectItem::FindItem(std::string_view name, std::int32_t hostKind) {
  const bool ignoreCase = hostKind == kCaseInsensitiveHostKind;
  auto same = [ignoreCase](std::string_view a, std::string_view b) {
    return ignoreCase ? EqualIgnoringCase(a, b) : a == b;
  };
  const bool plainName = name.find('/') == std::string_view::npos;
  if (plainName && same(name, settings_.name)) return this;
  if (auto full = FullPath(); full && same(name, *full)) return this;
  for (const auto& child : children_)
    if (ProjectItem* found = child->FindItem(name, hostKind)) return found;
  return nullptr;
}

bool ProjectItem::Contains(const ProjectItem* other) const {
  for (const ProjectItem* p = other; p; p = p->parent_)
    if (p == this) return true;
  return false;
}

void ProjectItem::CountItems(int& folders, int& files) const {
  for (const auto& child : children_) {
    if (child->IsFolder())
      ++folders;
    else
      ++files;
    child->CountItems(folders, files);
  }
}

int ProjectItem::TotalItems() const {
  int total = static_cast<int>(children_.size());
  for (const auto& child : children_) total += child->TotalItems();
  return total;
}

std::string ProjectItem::IndexPath() const {
  std::string path;
  for (const ProjectItem* p = this; p->parent_; p = p->parent_)
    path = std::to_string(p->IndexInParent()) + " " + path;
  return path;
}

ProjectItem* ProjectItem::ItemAtIndexPath(std::string_view indexPath) {
  ProjectItem* item = this;
  std::size_t at = 0;
  while (true) {
    while (at < indexPath.size() && indexPath[at] == ' ') ++at;
    if (at == indexPath.size()) return item;
    std::size_t index = 0;
    const char* first = indexPath.data() + at;
    const char* last = indexPath.data() + indexPath.size();
    auto [end, error] = std::from_chars(first, last, index);
    if (error != std::errc() || (end != last && *end != ' ')) return nullptr;
    item = item->Child(index);
    if (!item) return nullptr;
    at += static_cast<std::size_t>(end - first);
  }
}

void ProjectItem::ListFiles(std::string& out) const {
  if (!IsFolder()) {
    if (auto full = FullPath()) {
      out += *full;
      out += "\r\n";
    }
  }
  for (const auto& child : children_) child->ListFiles(out);
}

// ---- changing the tree ------------------------------------------------------

bool ProjectItem::MoveTo(ProjectItem& folder) {
  // A move into the item's own subtree would cut the subtree off the project.
  if (!parent_ || !folder.IsFolder() || &folder == parent_ || Contains(&folder)) return false;
  const std::string remembered = FolderPath();
  const std::string target = folder.FolderPath();
  std::string location;
  if (EqualIgnoringCase(remembered, target)) {
    location.clear();
  } else if (StartsWithIgnoringCase(remembered, target)) {
    location = remembered.substr(target.size());
  } else {
    location = remembered;
  }
  // A directory that no longer fits the field would change where the file is.
  if (location.size() >= kLocationSize) return false;

  std::unique_ptr<ProjectItem> self = parent_->UnlinkChild(this);
  folder.AppendChild(std::move(self));
  settings_.location = std::move(location);
  return true;
}

void ProjectItem::ApplySettingsFrom(const ProjectItem& other) {
  const std::string oldType = settings_.type;
  if (other.IsProject() && IsProject()) {
    static_cast<Project*>(this)->CopyProjectFrom(static_cast<const Project&>(other));
  } else {
    CopySettingsFrom(other);
  }
  if (settings_.type != oldType) NotifyTemplateChanged();
  const std::size_t pairs = std::min(children_.size(), other.children_.size());
  for (std::size_t i = 0; i < pairs; ++i) children_[i]->ApplySettingsFrom(*other.children_[i]);
}

ProjectItem* ProjectItem::CloneInto(ProjectItem& parent) const {
  const std::size_t count = children_.size();  // before the copy may join this list
  auto copy = Create(&parent, IsFolder());
  copy->settings_ = settings_;
  ProjectItem* clone = parent.AppendChild(std::move(copy));
  for (std::size_t i = 0; i < count; ++i) {
    const ProjectItem* child = children_[i].get();
    if (child != clone) child->CloneInto(*clone);
  }
  return clone;
}

// ---- files ------------------------------------------------------------------

bool ProjectItem::Open(ItemOpener& opener, int line, int mark, bool activate) {
  auto full = FullPath();
  if (!full) return false;
  return opener.OpenEditor(*full, EffectiveTemplate().value_or(std::string()),
                           settings_.readOnly != 0, *this, line, mark, activate);
}

std::string ProjectItem::ExpandMacros(std::string_view text) const {
  ItemMacroValues values;
  values.fullPath = FullPath().value_or(std::string());
  values.type = settings_.type;
  if (const Project* project = RootProject()) values.projectPath = project->Path();
  return ExpandItemMacros(text, values);
}

void ProjectItem::NotifyTemplateChanged() {
  Project* project = RootProject();
  if (project && project->Editors())
    project->Editors()->TemplateChanged(*this, EffectiveTemplate().value_or(std::string()));
}

}  // namespace vandrel::project
