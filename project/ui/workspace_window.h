// The workspace window: the open project as a tree. The project model
// reaches the tree through ProjectTreeView (labels, pictures and sorted
// order are the model's); the window turns the user's clicks, keys and the
// right-click menu into signals the main frame carries out.
#pragma once

#include <QHash>
#include <QIcon>
#include <QWidget>
#include <string>

#include "project/project_menu.h"
#include "project/project_tree.h"

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace vandrel::project {
class Project;
}

namespace vandrel::ui {

class WorkspaceWindow : public QWidget, public project::ProjectTreeView {
  Q_OBJECT

 public:
  // Item data roles of the tree's nodes (column 0).
  static constexpr int kItemRole = Qt::UserRole;       // the ProjectItem*, as quintptr
  static constexpr int kImageRole = Qt::UserRole + 1;  // the TreeImage index

  explicit WorkspaceWindow(QWidget* parent = nullptr);
  // Detaches the project shown (which must still exist: call
  // ShowProject(nullptr) first when the project goes before the window).
  ~WorkspaceWindow() override;

  // Empties the tree and shows `project` in it (every level, the root
  // expanded), attaching this window as the project's tree view; null only
  // empties the tree and detaches the project shown before.
  void ShowProject(project::Project* project);
  project::Project* ShownProject() const { return project_; }

  // The item of the selected node; null when none is selected.
  project::ProjectItem* SelectedItem() const;
  // Selects the item's node (nothing when it is not shown).
  void SelectItem(project::ProjectItem* item);
  // Where a routed command goes: the selected item while the tree has the
  // keyboard focus, else the project; null without a project, or when the
  // item no longer belongs to the shown project.
  project::ProjectItem* CommandTarget() const;
  bool TreeHasFocus() const;

  // What the right-click menu's enabled entries depend on. While busy the
  // window ignores double clicks, Enter, Delete and right clicks.
  void SetMenuState(const project::MenuState& state) { menuState_ = state; }
  const project::MenuState& menuState() const { return menuState_; }

  // The right-click menu of `item` (the project menu with its enabled
  // states); choosing an entry emits commandRequested. The caller owns it.
  QMenu* CreateContextMenu(const project::ProjectItem& item);

  // Moves `item` into `target` as a drop does: refused for the project, onto
  // a file, onto the item itself or into its own subtree. On success the
  // project is marked modified, the target expanded and the moved node
  // selected.
  bool MoveItem(project::ProjectItem& item, project::ProjectItem& target);

  QTreeWidget* tree() const;
  // The picture of a TreeImage index.
  static QIcon ImageIcon(int image);
  // The node of a handle, and the item a node shows (null for none).
  static QTreeWidgetItem* NodeItem(project::TreeNode node);
  static project::ProjectItem* ItemOf(const QTreeWidgetItem* node);

  // project::ProjectTreeView. Siblings sort by label ignoring ASCII letter
  // case (labels equal that way by their bytes); an inserted node goes after
  // the siblings whose labels equal its own.
  project::TreeNode InsertNode(project::TreeNode parent, const std::string& label, int image,
                               project::ProjectItem& item) override;
  std::string NodeLabel(project::TreeNode node) const override;
  void SetNode(project::TreeNode node, const std::string& label, int image) override;
  void SortChildren(project::TreeNode parent) override;
  void DeleteNode(project::TreeNode node) override;
  bool IsExpanded(project::TreeNode node) const override;
  void Expand(project::TreeNode node) override;

 signals:
  // Double click or Enter on a file's node (the menu's default "Open").
  void fileActivated(project::ProjectItem* item);
  // An entry of the right-click menu was chosen, or Delete was pressed on an
  // item other than the project (kCommandRemove; confirming is the
  // receiver's). The target is SelectedItem().
  void commandRequested(int commandId);
  void selectionChanged(project::ProjectItem* item);
  // The tree gained the keyboard focus: the workspace is the active view.
  void activated();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTreeWidgetItem* ParentItem(project::TreeNode parent) const;
  void Activate(QTreeWidgetItem* node);
  void ShowContextMenu(const QPoint& position);
  void RefreshFolderPicture(QTreeWidgetItem* node, bool expanded);
  bool DeletePressed();
  bool CanDrop(QTreeWidgetItem* dragged, QTreeWidgetItem* target) const;
  bool HandleDrop(QTreeWidgetItem* dragged, QTreeWidgetItem* target);

  QIcon IconFor(int image);

  class Tree;
  Tree* tree_;
  project::Project* project_ = nullptr;
  project::MenuState menuState_;
  QHash<int, QIcon> icons_;
};

}  // namespace vandrel::ui
