#include "project/ui/workspace_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "project/project.h"
#include "project/project_operations.h"

namespace vandrel::ui {
namespace {

using project::ProjectItem;

ProjectItem* Add(ProjectItem& parent, const std::string& name, bool folder) {
  auto child = ProjectItem::Create(&parent, folder);
  child->SetName(name);
  return parent.AppendChild(std::move(child));
}

// A project "/p/demo.vdp" whose files can be compiled:
//   src/ (zeta.c, Alpha.c, beta.c, lib/ (x.c)), docs/ (readme), Makefile
struct Fixture {
  Fixture() {
    project.SetPath("/p/demo.vdp");
    project.settings().compileFlags = project::kCompileOverride;
    project.settings().compile = "cc -c $(FileName)";
    src = Add(project, "src", true);
    zeta = Add(*src, "zeta.c", false);
    alpha = Add(*src, "Alpha.c", false);
    beta = Add(*src, "beta.c", false);
    lib = Add(*src, "lib", true);
    x = Add(*lib, "x.c", false);
    docs = Add(project, "docs", true);
    readme = Add(*docs, "readme", false);
    makefile = Add(project, "Makefile", false);
  }
  project::Project project;
  ProjectItem* src;
  ProjectItem* zeta;
  ProjectItem* alpha;
  ProjectItem* beta;
  ProjectItem* lib;
  ProjectItem* x;
  ProjectItem* docs;
  ProjectItem* readme;
  ProjectItem* makefile;
};

QTreeWidgetItem* NodeOf(const ProjectItem* item) {
  return WorkspaceWindow::NodeItem(item->GetTreeNode());
}

std::vector<std::string> ChildLabels(const QTreeWidgetItem* node) {
  std::vector<std::string> labels;
  for (int i = 0; i < node->childCount(); ++i)
    labels.push_back(node->child(i)->text(0).toStdString());
  return labels;
}

int ImageOf(const ProjectItem* item) {
  return NodeOf(item)->data(0, WorkspaceWindow::kImageRole).toInt();
}

void Click(QWidget* viewport, QPoint at, QEvent::Type type) {
  QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(viewport, &event);
}

void DoubleClick(QTreeWidget* tree, QTreeWidgetItem* node) {
  tree->scrollToItem(node);
  const QPoint at = tree->visualItemRect(node).center();
  Click(tree->viewport(), at, QEvent::MouseButtonPress);
  Click(tree->viewport(), at, QEvent::MouseButtonRelease);
  Click(tree->viewport(), at, QEvent::MouseButtonDblClick);
  Click(tree->viewport(), at, QEvent::MouseButtonRelease);
}

void Press(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

TEST(WorkspaceWindow, ShowsTheProjectSortedWithItsPictures) {
  Fixture f;
  WorkspaceWindow window;
  window.ShowProject(&f.project);
  EXPECT_EQ(f.project.TreeView(), &window);

  QTreeWidget* tree = window.tree();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* root = tree->topLevelItem(0);
  EXPECT_EQ(root->text(0), "demo files");
  EXPECT_TRUE(root->isExpanded());
  EXPECT_EQ(WorkspaceWindow::ItemOf(root), &f.project);
  EXPECT_EQ(ImageOf(&f.project), project::kImageProject);
  // Siblings sort by label, letter case aside, at every level.
  EXPECT_EQ(ChildLabels(root), (std::vector<std::string>{"docs", "Makefile", "src"}));
  EXPECT_EQ(ChildLabels(NodeOf(f.src)),
            (std::vector<std::string>{"Alpha.c", "beta.c", "lib", "zeta.c"}));
  EXPECT_EQ(ChildLabels(NodeOf(f.lib)), (std::vector<std::string>{"x.c"}));
  EXPECT_EQ(ImageOf(f.src), project::kImageFolderClosed);
  EXPECT_EQ(ImageOf(f.alpha), project::kImageFile);
  EXPECT_EQ(WorkspaceWindow::ItemOf(NodeOf(f.beta)), f.beta);

  // Showing again rebuilds the tree instead of adding to it.
  window.ShowProject(&f.project);
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->childCount(), 3);

  window.ShowProject(nullptr);
  EXPECT_EQ(tree->topLevelItemCount(), 0);
  EXPECT_EQ(f.project.TreeView(), nullptr);
  EXPECT_EQ(f.project.GetTreeNode(), project::kNoTreeNode);
  EXPECT_EQ(f.alpha->GetTreeNode(), project::kNoTreeNode);
}

TEST(WorkspaceWindow, InsertionKeepsOrderAmongEqualAndCaseVariantLabels) {
  Fixture f;
  WorkspaceWindow window;
  const project::TreeNode a = window.InsertNode(project::kNoTreeNode, "b", 7, *f.alpha);
  const project::TreeNode b = window.InsertNode(project::kNoTreeNode, "B", 7, *f.beta);
  const project::TreeNode c = window.InsertNode(project::kNoTreeNode, "a", 7, *f.zeta);
  const project::TreeNode d = window.InsertNode(project::kNoTreeNode, "b", 7, *f.x);
  QTreeWidget* tree = window.tree();
  ASSERT_EQ(tree->topLevelItemCount(), 4);
  EXPECT_EQ(tree->topLevelItem(0), WorkspaceWindow::NodeItem(c));
  EXPECT_EQ(tree->topLevelItem(1), WorkspaceWindow::NodeItem(b));
  EXPECT_EQ(tree->topLevelItem(2), WorkspaceWindow::NodeItem(a));
  EXPECT_EQ(tree->topLevelItem(3), WorkspaceWindow::NodeItem(d));
  EXPECT_EQ(window.NodeLabel(b), "B");
}

TEST(WorkspaceWindow, ModelChangesUpdateLabelsPicturesAndOrder) {
  Fixture f;
  WorkspaceWindow window;
  window.ShowProject(&f.project);
  QTreeWidgetItem* srcNode = NodeOf(f.src);
  srcNode->setExpanded(true);
  EXPECT_EQ(ImageOf(f.src), project::kImageFolderOpen);
  NodeOf(f.lib)->setExpanded(true);
  window.SelectItem(f.x);

  // A rename re-sorts the siblings, keeping the expanded state and selection.
  f.alpha->SetName("yak.c");
  project::RefreshInTree(*f.alpha);
  EXPECT_EQ(ChildLabels(srcNode), (std::vector<std::string>{"beta.c", "lib", "yak.c", "zeta.c"}));
  EXPECT_TRUE(NodeOf(f.lib)->isExpanded());
  EXPECT_EQ(window.SelectedItem(), f.x);

  // The file pictures follow the settings.
  f.beta->settings().readOnly = 1;
  f.zeta->settings().compileFlags = project::kCompileExclude;
  f.x->settings().compileFlags = project::kCompileOverride | project::kCompileExclude;
  f.x->settings().compile = "cob $(FileName)";
  project::RefreshInTree(f.project, project::kAllLevels);
  EXPECT_EQ(ImageOf(f.beta), project::kImageFileReadOnly);
  EXPECT_EQ(ImageOf(f.zeta), project::kImageFileExcluded);
  EXPECT_EQ(ImageOf(f.x), project::kImageFileOwnCommandExcluded);
  EXPECT_EQ(ImageOf(f.src), project::kImageFolderOpen);  // the refresh keeps it open
  f.project.settings().compile.clear();
  project::RefreshInTree(f.project, project::kAllLevels);
  EXPECT_EQ(ImageOf(f.readme), project::kImageFileNotCompilable);

  srcNode->setExpanded(false);
  EXPECT_EQ(ImageOf(f.src), project::kImageFolderClosed);

  // The modified mark shows on the project's label.
  f.project.SetModified(true);
  EXPECT_EQ(NodeOf(&f.project)->text(0), "demo files *");

  // The pictures of different kinds differ.
  const int kinds[] = {project::kImageFile,
                       project::kImageFileNotCompilable,
                       project::kImageFileExcluded,
                       project::kImageFileOwnCommand,
                       project::kImageFileOwnCommandExcluded,
                       project::kImageFileReadOnly,
                       project::kImageProject,
                       project::kImageFolderClosed,
                       project::kImageFolderOpen};
  std::vector<QImage> images;
  for (int kind : kinds) images.push_back(WorkspaceWindow::ImageIcon(kind).pixmap(16).toImage());
  for (std::size_t i = 0; i < images.size(); ++i)
    for (std::size_t j = i + 1; j < images.size(); ++j)
      EXPECT_NE(images[i], images[j]) << kinds[i] << " vs " << kinds[j];
}

TEST(WorkspaceWindow, RemovingTheSelectedItemSelectsItsParent) {
  Fixture f;
  WorkspaceWindow window;
  window.ShowProject(&f.project);
  window.SelectItem(f.x);
  std::vector<ProjectItem*> selection;
  QObject::connect(&window, &WorkspaceWindow::selectionChanged,
                   [&](ProjectItem* item) { selection.push_back(item); });
  std::unique_ptr<ProjectItem> removed = project::RemoveItem(*f.lib);
  ASSERT_TRUE(removed);
  EXPECT_EQ(window.SelectedItem(), f.src);
  ASSERT_FALSE(selection.empty());
  EXPECT_EQ(selection.back(), f.src);
  EXPECT_EQ(ChildLabels(NodeOf(f.src)), (std::vector<std::string>{"Alpha.c", "beta.c", "zeta.c"}));
  EXPECT_EQ(NodeOf(&f.project)->text(0), "demo files *");
}

TEST(WorkspaceWindow, DoubleClickAndEnterActivateFilesOnly) {
  Fixture f;
  WorkspaceWindow window;
  window.resize(300, 400);
  window.show();
  window.ShowProject(&f.project);
  NodeOf(f.src)->setExpanded(true);
  std::vector<ProjectItem*> activated;
  QObject::connect(&window, &WorkspaceWindow::fileActivated,
                   [&](ProjectItem* item) { activated.push_back(item); });

  DoubleClick(window.tree(), NodeOf(f.beta));
  ASSERT_EQ(activated.size(), 1u);
  EXPECT_EQ(activated[0], f.beta);

  // A folder expands or collapses instead.
  DoubleClick(window.tree(), NodeOf(f.docs));
  EXPECT_EQ(activated.size(), 1u);
  EXPECT_TRUE(NodeOf(f.docs)->isExpanded());

  window.SelectItem(f.zeta);
  Press(window.tree(), Qt::Key_Return);
  ASSERT_EQ(activated.size(), 2u);
  EXPECT_EQ(activated[1], f.zeta);

  // Ignored while busy.
  window.SetMenuState({true, true});
  Press(window.tree(), Qt::Key_Return);
  DoubleClick(window.tree(), NodeOf(f.alpha));
  EXPECT_EQ(activated.size(), 2u);
}

TEST(WorkspaceWindow, ContextMenuFollowsTheProjectMenu) {
  Fixture f;
  WorkspaceWindow window;
  window.ShowProject(&f.project);
  std::vector<int> commands;
  QObject::connect(&window, &WorkspaceWindow::commandRequested,
                   [&](int command) { commands.push_back(command); });

  auto enabledOf = [](QMenu* menu, int command) -> int {
    for (QAction* action : menu->actions())
      if (!action->isSeparator() && action->data().toInt() == command) return action->isEnabled();
    return -1;  // absent
  };
  {
    std::unique_ptr<QMenu> menu(window.CreateContextMenu(*f.alpha));
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandOpenItem), 0);  // not connected
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandCompile), 0);
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandNewFolder), -1);
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandRemove), 1);
    EXPECT_FALSE(menu->actions().first()->isSeparator());
  }
  window.SetMenuState({true, false});
  {
    std::unique_ptr<QMenu> menu(window.CreateContextMenu(*f.alpha));
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandOpenItem), 1);
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandCompile), 1);
    for (QAction* action : menu->actions())
      if (action->data().toInt() == project::kCommandCompile) action->trigger();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], project::kCommandCompile);
  }
  {
    std::unique_ptr<QMenu> menu(window.CreateContextMenu(f.project));
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandRemove), -1);
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandProjectSettings), 1);
    EXPECT_EQ(enabledOf(menu.get(), project::kCommandAddFiles), 1);
  }
}

TEST(WorkspaceWindow, DeleteKeyAsksToRemoveButNotTheProject) {
  Fixture f;
  WorkspaceWindow window;
  window.ShowProject(&f.project);
  std::vector<int> commands;
  QObject::connect(&window, &WorkspaceWindow::commandRequested,
                   [&](int command) { commands.push_back(command); });
  window.SelectItem(&f.project);
  Press(window.tree(), Qt::Key_Delete);
  EXPECT_TRUE(commands.empty());
  window.SelectItem(f.docs);
  Press(window.tree(), Qt::Key_Delete);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0], project::kCommandRemove);
  EXPECT_EQ(window.SelectedItem(), f.docs);
}

TEST(WorkspaceWindow, CommandTargetIsTheSelectionOnlyWithFocus) {
  Fixture f;
  WorkspaceWindow window;
  EXPECT_EQ(window.CommandTarget(), nullptr);
  window.ShowProject(&f.project);
  window.SelectItem(f.beta);
  EXPECT_EQ(window.CommandTarget(), &f.project);  // the tree has no focus
}

TEST(WorkspaceWindow, MovingItemsRefusesCyclesAndFiles) {
  Fixture f;
  WorkspaceWindow window;
  window.ShowProject(&f.project);
  EXPECT_FALSE(window.MoveItem(*f.src, *f.lib));      // into its own sub-folder
  EXPECT_FALSE(window.MoveItem(*f.alpha, *f.beta));   // onto a file
  EXPECT_FALSE(window.MoveItem(f.project, *f.docs));  // the project itself
  EXPECT_FALSE(f.project.Modified());

  ASSERT_TRUE(window.MoveItem(*f.lib, *f.docs));
  EXPECT_EQ(f.lib->Parent(), f.docs);
  EXPECT_TRUE(f.project.Modified());
  EXPECT_EQ(ChildLabels(NodeOf(f.src)), (std::vector<std::string>{"Alpha.c", "beta.c", "zeta.c"}));
  EXPECT_EQ(ChildLabels(NodeOf(f.docs)), (std::vector<std::string>{"lib", "readme"}));
  EXPECT_EQ(ChildLabels(NodeOf(f.lib)), (std::vector<std::string>{"x.c"}));
  EXPECT_TRUE(NodeOf(f.docs)->isExpanded());
  EXPECT_EQ(ImageOf(f.docs), project::kImageFolderOpen);
  EXPECT_EQ(window.SelectedItem(), f.lib);
}

TEST(WorkspaceWindow, DestroyingTheWindowDetachesTheProject) {
  Fixture f;
  {
    WorkspaceWindow window;
    window.ShowProject(&f.project);
  }
  EXPECT_EQ(f.project.TreeView(), nullptr);
  EXPECT_EQ(f.x->GetTreeNode(), project::kNoTreeNode);
  project::RefreshInTree(*f.x);  // nothing shown: no effect, no crash
}

}  // namespace
}  // namespace vandrel::ui
