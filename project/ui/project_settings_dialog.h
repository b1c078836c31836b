// The "Project Settings" dialog: the project's tree on the left, where one
// or several items are selected, and on the right the pages for what is
// selected, made anew whenever the selection changes. It edits a copy of the
// whole project; the caller applies the copy on OK and drops it on Cancel.
#pragma once

#include <QDialog>
#include <vector>

#include "project/settings_selection.h"
#include "project/ui/project_settings_pages.h"

class QDialogButtonBox;
class QTabWidget;
class QTreeWidget;

namespace vandrel::ui {

class WorkspaceWindow;

class ProjectSettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  // Shows `edited` (a copy of the whole project) with the node of `selected`
  // (an item of that copy) selected.
  ProjectSettingsDialog(project::Project& edited, project::ProjectItem& selected,
                        const ProjectSettingsServices& services, QWidget* parent = nullptr);
  ~ProjectSettingsDialog() override;

  QTreeWidget* tree() const;
  QTabWidget* pages() const { return pages_; }
  QDialogButtonBox* buttons() const { return buttons_; }
  // The selected items, in tree order.
  const project::Selection& selection() const { return selection_; }
  // Selects exactly the nodes of `items` (the first becomes the current node).
  void SelectItems(const std::vector<project::ProjectItem*>& items);
  // The page with `objectName` among the pages shown; null when not shown.
  QWidget* Page(const QString& objectName) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SelectionChanged();
  void RebuildPages();
  void ItemsChanged(bool subtrees);

  project::Project& project_;
  ProjectSettingsServices services_;
  WorkspaceWindow* treeWindow_;
  QTabWidget* pages_;
  QDialogButtonBox* buttons_;
  project::Selection selection_;
  bool refreshing_ = false;  // nodes are being refreshed: not a user's selection
};

// Shows the dialog over `edited` (a clone of the whole project made by the
// caller with Project::Clone) with `selected` (the clone's item) chosen;
// true on OK. The caller applies the clone (ApplySettingsFrom / the
// project's settings), refreshes the tree and marks the project modified.
bool ShowProjectSettings(QWidget* parent, project::Project& edited, project::ProjectItem& selected,
                         const ProjectSettingsServices& services);

}  // namespace vandrel::ui
