#include "project/project_operations.h"

#include "core/message_box.h"
#include "core/string_ids.h"
#include "core/string_table.h"
#include "project/project_tree.h"

namespace vandrel::project {

namespace {

void MarkModified(ProjectItem& item) {
  if (Project* project = item.RootProject()) project->SetModified(true);
}

}  // namespace

ProjectItem* NewFolder(ProjectItem& folder, std::string_view name, std::string_view location) {
  if (!folder.IsFolder() || name.empty()) return nullptr;
  auto created = ProjectItem::Create(&folder, true);
  created->SetName(name);
  created->SetLocation(location);
  ProjectItem* added = folder.AppendChild(std::move(created));
  RefreshInTree(folder, 1);
  MarkModified(folder);
  return added;
}

std::string LocationForDirectory(const ProjectItem& folder, std::string_view directory) {
  const std::string folderPath = folder.FolderPath();
  // Dialogs may give the directory with or without its final "/".
  std::string chosen(directory);
  if (!chosen.empty() && chosen.back() != '/') chosen += '/';
  if (chosen == folderPath) return {};
  if (!folderPath.empty() && chosen.starts_with(folderPath)) {
    return CutToField(std::string_view(directory).substr(folderPath.size()), kLocationSize);
  }
  return CutToField(directory, kLocationSize);
}

int AddFiles(ProjectItem& folder, const AddFilesChoice& choice) {
  if (!folder.IsFolder()) return 0;
  // A file added without a template chosen keeps choosing one: from its
  // folder, else from its name or its host attributes when it opens. Making
  // it "(none)" would open a numbered host source as plain text.
  std::string type = choice.templateName;
  if (IsInheritedType(type)) type = std::string(StringTableText(kStrAutoDetect));
  const std::string location = LocationForDirectory(folder, choice.directory);
  int added = 0;
  for (const std::string& name : choice.names) {
    auto file = ProjectItem::Create(&folder, false);
    file->SetName(name);
    file->SetLocation(location);
    file->settings().type = CutToField(type, kTypeSize);
    file->settings().readOnly = choice.readOnly ? 1 : 0;
    folder.AppendChild(std::move(file));
    ++added;
  }
  if (added > 0) {
    RefreshInTree(folder, 1);
    MarkModified(folder);
  }
  return added;
}

ProjectItem* CopyFolder(ProjectItem& folder) {
  if (!folder.IsFolder()) return nullptr;
  ProjectItem& parent = folder.Parent() ? *folder.Parent() : folder;
  ProjectItem* copy = folder.CloneInto(parent);
  copy->SetName(FormatText(StringTableText(kStrCopyOfFolder), folder.Name()));
  MarkModified(parent);
  RefreshInTree(parent, kAllLevels);
  return copy;
}

std::unique_ptr<ProjectItem> RemoveItem(ProjectItem& item) {
  ProjectItem* parent = item.Parent();
  if (!parent) return nullptr;
  Project* project = item.RootProject();
  std::unique_ptr<ProjectItem> removed = parent->UnlinkChild(&item);
  if (!removed) return nullptr;
  if (project && project->TreeView()) {
    RemoveFromTree(*removed, *project->TreeView());
  } else {
    ForgetTreeNodes(*removed);
  }
  removed->SetParent(nullptr);
  RefreshInTree(*parent, 0);
  if (project) project->SetModified(true);
  return removed;
}

void ApplyProjectSettings(Project& live, const Project& edited) {
  live.ApplySettingsFrom(edited);
  RefreshInTree(live, kAllLevels);
  live.SetModified(true);
}

}  // namespace vandrel::project
