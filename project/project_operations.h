// The changes the workspace makes to a project's tree: a new folder, files
// added from the host, a copied folder, a removed item, and the settings
// dialog's edits applied to the live tree. Each refreshes the tree the project
// is shown in and marks the project modified; the dialogs that collect their
// input are the caller's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "project/project.h"

namespace vandrel::project {

// Appends a folder named `name` with `location` to `folder` (a folder or the
// project); nothing when `folder` is a file or the name is empty.
ProjectItem* NewFolder(ProjectItem& folder, std::string_view name, std::string_view location);

// What the host open-file dialog gave.
struct AddFilesChoice {
  std::string directory;           // the folder the files were chosen in
  std::vector<std::string> names;  // in selection order
  std::string templateName;        // "(auto-detect)" or empty: "(none)" is used
  bool readOnly = false;
};

// The Location a file chosen in `directory` gets under `folder`: empty in the
// folder's own directory, relative below it, the whole directory elsewhere.
std::string LocationForDirectory(const ProjectItem& folder, std::string_view directory);

// Appends one file item per chosen name to `folder`; returns how many.
int AddFiles(ProjectItem& folder, const AddFilesChoice& choice);

// Copies `folder` with its subtree into its own parent (the project into
// itself) as "Copy of <name>"; returns the copy.
ProjectItem* CopyFolder(ProjectItem& folder);

// Takes `item` out of its parent's list and off the tree; the caller destroys
// it. Nothing for the project.
std::unique_ptr<ProjectItem> RemoveItem(ProjectItem& item);

// Applies the edited copy of the whole project to the live one.
void ApplyProjectSettings(Project& live, const Project& edited);

}  // namespace vandrel::project
