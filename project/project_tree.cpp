#include "project/project_tree.h"

#include "core/string_ids.h"
#include "core/string_table.h"
#include "project/project.h"

namespace vandrel::project {

std::string NodeLabel(const ProjectItem& item) {
  if (!item.IsProject()) return item.Name();
  const auto& project = static_cast<const Project&>(item);
  std::string label = project.Path().empty() ? std::string(StringTableText(kStrUntitled))
                                             : ProjectFileTitle(project.Path(), true);
  label += StringTableText(kStrProjectFilesSuffix);
  if (project.Modified()) label += " *";
  return label;
}

int NodeImage(const ProjectItem& item, bool expanded) {
  if (item.IsProject()) return kImageProject;
  if (item.IsFolder()) return expanded ? kImageFolderOpen : kImageFolderClosed;
  const ItemSettings& s = item.settings();
  if (s.readOnly != 0) return kImageFileReadOnly;
  if (!item.CanCompile()) return kImageFileNotCompilable;
  const bool own = s.compileFlags & kCompileOverride;
  const bool excluded = s.compileFlags & kCompileExclude;
  if (own) return excluded ? kImageFileOwnCommandExcluded : kImageFileOwnCommand;
  return excluded ? kImageFileExcluded : kImageFile;
}

void ShowInTree(ProjectItem& item, ProjectTreeView& view, TreeNode parentNode, int depth,
                bool expand) {
  const std::string label = NodeLabel(item);
  TreeNode node = item.GetTreeNode();
  if (node == kNoTreeNode) {
    node = view.InsertNode(parentNode, label, NodeImage(item, false), item);
    item.SetTreeNode(node);
  } else {
    const bool relabelled = view.NodeLabel(node) != label;
    view.SetNode(node, label, NodeImage(item, view.IsExpanded(node)));
    if (relabelled) view.SortChildren(parentNode);
  }
  if (depth != 0) {
    const int below = depth < 0 ? depth : depth - 1;
    for (const auto& child : item.Children()) ShowInTree(*child, view, node, below);
  }
  if (expand) {
    view.Expand(node);
    view.SetNode(node, label, NodeImage(item, true));
  }
}

void ForgetTreeNodes(ProjectItem& item) {
  item.SetTreeNode(kNoTreeNode);
  for (const auto& child : item.Children()) ForgetTreeNodes(*child);
}

void RemoveFromTree(ProjectItem& item, ProjectTreeView& view) {
  if (item.GetTreeNode() != kNoTreeNode) view.DeleteNode(item.GetTreeNode());
  ForgetTreeNodes(item);
}

void RefreshInTree(ProjectItem& item, int depth) {
  Project* project = item.RootProject();
  ProjectTreeView* view = project ? project->TreeView() : nullptr;
  if (!view || item.GetTreeNode() == kNoTreeNode) return;
  const TreeNode parentNode = item.Parent() ? item.Parent()->GetTreeNode() : kNoTreeNode;
  ShowInTree(item, *view, parentNode, depth);
}

}  // namespace vandrel::project
