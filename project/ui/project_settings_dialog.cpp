#include "project/ui/project_settings_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "project/project_tree.h"
#include "project/ui/project_settings_fields.h"
#include "project/ui/workspace_window.h"

namespace vandrel::ui {

ProjectSettingsDialog::ProjectSettingsDialog(project::Project& edited,
                                             project::ProjectItem& selected,
                                             const ProjectSettingsServices& services,
                                             QWidget* parent)
    : QDialog(parent),
      project_(edited),
      services_(services),
      treeWindow_(new WorkspaceWindow(this)),
      pages_(new QTabWidget(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  setObjectName("projectSettingsDialog");
  setWindowTitle(QtFromUtf8(StringTableText(kStrProjectSettingsCaption)));

  // The workspace's own tree, for the same labels, pictures and order; here
  // it only selects: nothing is dragged, removed or opened from it.
  QTreeWidget* tree = treeWindow_->tree();
  tree->setObjectName("projectTree");
  tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tree->setDragEnabled(false);
  tree->setAcceptDrops(false);
  tree->setDragDropMode(QAbstractItemView::NoDragDrop);
  tree->setContextMenuPolicy(Qt::NoContextMenu);
  tree->installEventFilter(this);
  treeWindow_->layout()->setContentsMargins(0, 0, 0, 0);
  treeWindow_->setMinimumWidth(200);
  treeWindow_->ShowProject(&project_);

  pages_->setObjectName("pages");
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(treeWindow_, 2);
  row->addWidget(pages_, 5);
  layout->addLayout(row, 1);
  layout->addWidget(buttons_);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tree, &QTreeWidget::itemSelectionChanged, this, &ProjectSettingsDialog::SelectionChanged);

  SelectItems({&selected});
  resize(760, 500);
}

ProjectSettingsDialog::~ProjectSettingsDialog() {
  // The tree is emptied while the dialog still stands, and the copy forgets
  // it: the caller keeps the copy after the dialog is gone.
  disconnect(treeWindow_->tree(), nullptr, this, nullptr);
  treeWindow_->ShowProject(nullptr);
}

QTreeWidget* ProjectSettingsDialog::tree() const { return treeWindow_->tree(); }

void ProjectSettingsDialog::SelectItems(const std::vector<project::ProjectItem*>& items) {
  QTreeWidget* tree = treeWindow_->tree();
  {
    const QSignalBlocker quiet(tree);
    tree->clearSelection();
    bool first = true;
    for (project::ProjectItem* item : items) {
      if (!item || item->GetTreeNode() == project::kNoTreeNode) continue;
      QTreeWidgetItem* node = WorkspaceWindow::NodeItem(item->GetTreeNode());
      for (QTreeWidgetItem* above = node->parent(); above; above = above->parent()) {
        above->setExpanded(true);
      }
      if (first) {
        tree->setCurrentItem(node);
        tree->scrollToItem(node);
        first = false;
      }
      node->setSelected(true);
    }
  }
  SelectionChanged();
}

QWidget* ProjectSettingsDialog::Page(const QString& objectName) const {
  for (int i = 0; i < pages_->count(); ++i) {
    if (pages_->widget(i)->objectName() == objectName) return pages_->widget(i);
  }
  return nullptr;
}

void ProjectSettingsDialog::SelectionChanged() {
  if (refreshing_) return;
  project::Selection now;
  for (QTreeWidgetItemIterator it(treeWindow_->tree(), QTreeWidgetItemIterator::Selected); *it;
       ++it) {
    if (project::ProjectItem* item = WorkspaceWindow::ItemOf(*it)) now.push_back(item);
  }
  if (now == selection_ && (pages_->count() > 0 || now.empty())) return;
  selection_ = std::move(now);
  RebuildPages();
}

void ProjectSettingsDialog::RebuildPages() {
  const QString shownTitle =
      pages_->count() > 0 ? pages_->tabText(pages_->currentIndex()) : QString();
  while (pages_->count() > 0) {
    QWidget* page = pages_->widget(0);
    pages_->removeTab(0);
    delete page;
  }
  SettingsPageContext context;
  context.project = &project_;
  context.selection = selection_;
  context.services = &services_;
  context.itemsChanged = [this](bool subtrees) { ItemsChanged(subtrees); };
  for (project::SettingsPage page : project::PagesForSelection(selection_)) {
    pages_->addTab(MakeSettingsPage(page, context, pages_), SettingsPageTitle(page));
  }
  // The same page stays in front when the new selection has it too.
  for (int i = 0; i < pages_->count(); ++i) {
    if (pages_->tabText(i) == shownTitle) pages_->setCurrentIndex(i);
  }
}

void ProjectSettingsDialog::ItemsChanged(bool subtrees) {
  refreshing_ = true;
  for (project::ProjectItem* item : selection_) {
    project::RefreshInTree(*item, subtrees && item->IsFolder() ? project::kAllLevels : 0);
  }
  refreshing_ = false;
}

bool ProjectSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == treeWindow_->tree() && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Delete:
        return true;  // nothing is removed here
      case Qt::Key_Return:
      case Qt::Key_Enter:
        buttons_->button(QDialogButtonBox::Ok)->click();
        return true;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool ShowProjectSettings(QWidget* parent, project::Project& edited, project::ProjectItem& selected,
                         const ProjectSettingsServices& services) {
  ProjectSettingsDialog dialog(edited, selected, services, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace vandrel::ui
