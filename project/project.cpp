#include "project/project.h"

#include "project/project_tree.h"

namespace vandrel::project {

Project::Project() : ProjectItem(true) {}

Project::~Project() = default;

void Project::Reset() {
  ProjectItem::Reset();
  settings_.folder = 1;
  project_ = ProjectSettings{};
  version_ = 0;
  projectSize_ = 0;
  modified_ = false;
}

void Project::SetModified(bool modified) {
  if (modified == modified_) return;
  modified_ = modified;
  RefreshInTree(*this, 0);  // the label shows " *" while modified
}

void Project::Close() {
  file_.Close();
  exclusive_ = false;
  Clear();
  path_.clear();
  SetTreeNode(kNoTreeNode);
}

void Project::CopyProjectFrom(const Project& other) {
  project_ = other.project_;
  CopySettingsFrom(other);
}

std::unique_ptr<Project> Project::Clone() const {
  auto copy = std::make_unique<Project>();
  copy->CopyProjectFrom(*this);
  copy->version_ = version_;
  copy->projectSize_ = projectSize_;
  copy->modified_ = modified_;
  copy->path_ = path_;
  for (const auto& child : Children()) child->CloneInto(*copy);
  return copy;
}

std::string ProjectFileTitle(std::string_view path, bool withoutExtension) {
  const std::size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (withoutExtension) {
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
  }
  return std::string(name);
}

}  // namespace vandrel::project
