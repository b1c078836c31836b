// How the workspace tree shows a project: each item's label and picture, nodes
// kept sorted by label under their parent, and the refresh rules the model's
// operations follow. The tree itself is the workspace window's; the model
// reaches it through ProjectTreeView.
#pragma once

#include <string>
#include <string_view>

#include "project/project_item.h"

namespace vandrel::project {

// Pictures by index in the application's tree image list.
enum TreeImage : int {
  kImageFile = 7,
  kImageFileNotCompilable = 8,
  kImageFileExcluded = 9,     // excluded from the folder build
  kImageFileOwnCommand = 10,  // overrides the compile command
  kImageFileOwnCommandExcluded = 11,
  kImageFileReadOnly = 12,
  kImageProject = 16,
  kImageFolderClosed = 17,
  kImageFolderOpen = 18,
};

// Recurse into every level when showing a subtree.
inline constexpr int kAllLevels = -1;

// The workspace window's tree control.
class ProjectTreeView {
 public:
  virtual ~ProjectTreeView() = default;
  // Inserts a node under `parent` (kNoTreeNode: at the root), placed sorted by
  // label among its siblings; returns its handle.
  virtual TreeNode InsertNode(TreeNode parent, const std::string& label, int image,
                              ProjectItem& item) = 0;
  virtual std::string NodeLabel(TreeNode node) const = 0;
  virtual void SetNode(TreeNode node, const std::string& label, int image) = 0;
  // Re-sorts the children of `parent` by label.
  virtual void SortChildren(TreeNode parent) = 0;
  // Deletes the node and every node below it.
  virtual void DeleteNode(TreeNode node) = 0;
  virtual bool IsExpanded(TreeNode node) const = 0;
  virtual void Expand(TreeNode node) = 0;
};

// The label: for the project its file name without folder and extension
// ("Untitled" without a file), " files", and " *" while modified; for other
// items their Name.
std::string NodeLabel(const ProjectItem& item);
// The picture: the project; a folder closed or expanded; for a file, read-only
// first, then one that cannot be compiled, then by its compile flags.
int NodeImage(const ProjectItem& item, bool expanded);

// Shows `item` under `parentNode`: inserts its node, or updates it (re-sorting
// its siblings when the label changed); then its children down `depth` levels
// (kAllLevels: all); expands the node when asked.
void ShowInTree(ProjectItem& item, ProjectTreeView& view, TreeNode parentNode, int depth,
                bool expand = false);
// Deletes the item's node (and those below it) and forgets the handles.
void RemoveFromTree(ProjectItem& item, ProjectTreeView& view);
// Forgets the node handles of the item and its subtree (the tree was emptied).
void ForgetTreeNodes(ProjectItem& item);
// Refreshes the item's node and `depth` levels below it in the tree its
// project is shown in; nothing when the item is not shown.
void RefreshInTree(ProjectItem& item, int depth = 0);

}  // namespace vandrel::project
