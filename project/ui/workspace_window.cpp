#include "project/ui/workspace_window.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "project/project.h"

namespace vandrel::ui {

namespace {

constexpr int kLabelRole = Qt::UserRole + 2;  // the model's label bytes, kept exactly

// Labels sort ignoring ASCII letter case; labels differing only in case keep
// a fixed order by their bytes.
bool LabelLess(const QByteArray& a, const QByteArray& b) {
  const int folded = qstrnicmp(a.constData(), a.size(), b.constData(), b.size());
  if (folded != 0) return folded < 0;
  return a < b;
}

QByteArray LabelOf(const QTreeWidgetItem* node) { return node->data(0, kLabelRole).toByteArray(); }

// A node that sorts by the model's label.
class Node final : public QTreeWidgetItem {
 public:
  Node() = default;
  bool operator<(const QTreeWidgetItem& other) const override {
    return LabelLess(LabelOf(this), LabelOf(&other));
  }
};

void SetLabel(QTreeWidgetItem* node, const std::string& label) {
  const QByteArray bytes(label.data(), static_cast<qsizetype>(label.size()));
  node->setData(0, kLabelRole, bytes);
  node->setText(0, QString::fromUtf8(bytes));
}

// ---- pictures -----------------------------------------------------------------

void DrawPage(QPainter& p, const QColor& paper, const QColor& ink, bool lines) {
  QPainterPath page;
  page.moveTo(3.5, 1.5);
  page.lineTo(10.5, 1.5);
  page.lineTo(13.5, 4.5);
  page.lineTo(13.5, 14.5);
  page.lineTo(3.5, 14.5);
  page.closeSubpath();
  p.setPen(QPen(ink, 1));
  p.setBrush(paper);
  p.drawPath(page);
  p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
  p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
  if (lines) {
    p.setPen(QPen(QColor(70, 110, 200), 1));
    for (int y = 6; y <= 12; y += 2) p.drawLine(QPointF(5, y + 0.5), QPointF(12, y + 0.5));
  }
}

void DrawCross(QPainter& p) {
  p.setPen(QPen(QColor(210, 0, 0), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(9, 9), QPointF(14.5, 14.5));
  p.drawLine(QPointF(14.5, 9), QPointF(9, 14.5));
}

void DrawCommandMark(QPainter& p) {
  p.setPen(QPen(QColor(0, 90, 0), 1));
  p.setBrush(QColor(40, 170, 40));
  p.drawEllipse(QRectF(0.5, 8.5, 6, 6));
  p.setPen(QPen(Qt::white, 1));
  p.drawLine(QPointF(2.5, 11.5), QPointF(4.5, 11.5));
}

void DrawLock(QPainter& p) {
  p.setPen(QPen(QColor(90, 60, 0), 1));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(9.5, 6.5, 5, 6), 0, 180 * 16);
  p.setBrush(QColor(220, 170, 30));
  p.drawRect(QRectF(8.5, 9.5, 7, 5));
}

void DrawFolder(QPainter& p, bool open) {
  const QColor edge(150, 110, 20);
  p.setPen(QPen(edge, 1));
  p.setBrush(QColor(240, 200, 80));
  QPainterPath back;
  back.moveTo(1.5, 3.5);
  back.lineTo(6.5, 3.5);
  back.lineTo(7.5, 5.5);
  back.lineTo(14.5, 5.5);
  back.lineTo(14.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.drawPath(back);
  if (open) {
    // The front flap folded down.
    QPainterPath flap;
    flap.moveTo(1.5, 13.5);
    flap.lineTo(4.5, 8.5);
    flap.lineTo(15.5, 8.5);
    flap.lineTo(12.5, 13.5);
    flap.closeSubpath();
    p.setBrush(QColor(255, 230, 140));
    p.drawPath(flap);
  } else {
    p.drawLine(QPointF(1.5, 7.5), QPointF(14.5, 7.5));
  }
}

void DrawProject(QPainter& p) {
  p.setPen(QPen(QColor(20, 40, 110), 1));
  p.setBrush(QColor(90, 130, 220));
  p.drawRect(QRectF(1.5, 2.5, 13, 11));
  p.setBrush(QColor(30, 60, 150));
  p.drawRect(QRectF(1.5, 2.5, 13, 3));
  p.setPen(QPen(Qt::white, 1));
  p.drawLine(QPointF(4, 8.5), QPointF(12, 8.5));
  p.drawLine(QPointF(4, 10.5), QPointF(10, 10.5));
}

QPixmap PaintImage(int image) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  using namespace project;
  switch (image) {
    case kImageProject:
      DrawProject(p);
      break;
    case kImageFolderClosed:
      DrawFolder(p, false);
      break;
    case kImageFolderOpen:
      DrawFolder(p, true);
      break;
    case kImageFileNotCompilable:
      DrawPage(p, QColor(215, 215, 215), QColor(130, 130, 130), false);
      break;
    case kImageFileExcluded:
      DrawPage(p, Qt::white, Qt::black, true);
      DrawCross(p);
      break;
    case kImageFileOwnCommand:
      DrawPage(p, Qt::white, Qt::black, true);
      DrawCommandMark(p);
      break;
    case kImageFileOwnCommandExcluded:
      DrawPage(p, Qt::white, Qt::black, true);
      DrawCommandMark(p);
      DrawCross(p);
      break;
    case kImageFileReadOnly:
      DrawPage(p, Qt::white, Qt::black, true);
      DrawLock(p);
      break;
    default:  // kImageFile
      DrawPage(p, Qt::white, Qt::black, true);
      break;
  }
  return pixmap;
}

}  // namespace

namespace {

// Cancels the drag in progress when the right button goes down.
class RightButtonCancels final : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
      QDrag::cancel();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

// The tree control: items are moved by the model, never by the view's own
// drag and drop, so a drop is handed to the window.
class WorkspaceWindow::Tree final : public QTreeWidget {
 public:
  explicit Tree(WorkspaceWindow* owner) : QTreeWidget(owner), owner_(owner) {}

 protected:
  void dragMoveEvent(QDragMoveEvent* event) override {
    QTreeWidget::dragMoveEvent(event);  // auto-scrolling and the drop indicator
    QTreeWidgetItem* dragged = event->source() == this ? currentItem() : nullptr;
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    if (dragged && target && owner_->CanDrop(dragged, target)) {
      event->acceptProposedAction();
    } else {
      event->ignore();
    }
  }
  // The view's own drag shows the node's picture under the mouse, scrolls
  // at the edges and shows the no-entry cursor where nothing may be
  // dropped; Escape cancels it, and so does the right button here.
  void startDrag(Qt::DropActions actions) override {
    RightButtonCancels cancel;
    qApp->installEventFilter(&cancel);
    QTreeWidget::startDrag(actions);
    qApp->removeEventFilter(&cancel);
  }
  void dropEvent(QDropEvent* event) override {
    QTreeWidgetItem* dragged = event->source() == this ? currentItem() : nullptr;
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    // The view must not move its items itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (dragged && target) owner_->HandleDrop(dragged, target);
  }

 private:
  WorkspaceWindow* owner_;
};

WorkspaceWindow::WorkspaceWindow(QWidget* parent) : QWidget(parent), tree_(new Tree(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(5, 5, 5, 5);
  layout->addWidget(tree_);
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setRootIsDecorated(true);
  tree_->setSortingEnabled(false);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setIconSize(QSize(16, 16));
  tree_->setUniformRowHeights(true);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_->setDragEnabled(true);
  tree_->setAcceptDrops(true);
  tree_->setDropIndicatorShown(true);
  tree_->setDragDropMode(QAbstractItemView::InternalMove);
  tree_->setAutoScroll(true);
  tree_->setAutoScrollMargin(15);
  tree_->installEventFilter(this);

  connect(tree_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* node, int) { Activate(node); });
  connect(tree_, &QTreeWidget::customContextMenuRequested, this, &WorkspaceWindow::ShowContextMenu);
  connect(tree_, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* node) { RefreshFolderPicture(node, true); });
  connect(tree_, &QTreeWidget::itemCollapsed, this,
          [this](QTreeWidgetItem* node) { RefreshFolderPicture(node, false); });
  connect(tree_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
            emit selectionChanged(ItemOf(current));
          });
}

WorkspaceWindow::~WorkspaceWindow() {
  // The project outlives the window: its handles must not point into a tree
  // that is gone.
  if (project_ && project_->TreeView() == this) {
    project::ForgetTreeNodes(*project_);
    project_->AttachTreeView(nullptr);
  }
}

QTreeWidget* WorkspaceWindow::tree() const { return tree_; }

QIcon WorkspaceWindow::ImageIcon(int image) { return QIcon(PaintImage(image)); }

QIcon WorkspaceWindow::IconFor(int image) {
  auto it = icons_.find(image);
  if (it == icons_.end()) it = icons_.insert(image, ImageIcon(image));
  return *it;
}

QTreeWidgetItem* WorkspaceWindow::NodeItem(project::TreeNode node) {
  return reinterpret_cast<QTreeWidgetItem*>(node);
}

project::ProjectItem* WorkspaceWindow::ItemOf(const QTreeWidgetItem* node) {
  if (!node) return nullptr;
  return reinterpret_cast<project::ProjectItem*>(node->data(0, kItemRole).value<quintptr>());
}

QTreeWidgetItem* WorkspaceWindow::ParentItem(project::TreeNode parent) const {
  return parent == project::kNoTreeNode ? tree_->invisibleRootItem() : NodeItem(parent);
}

// ---- showing the project ------------------------------------------------------

void WorkspaceWindow::ShowProject(project::Project* project) {
  if (project_ && project_->TreeView() == this) {
    project::ForgetTreeNodes(*project_);
    if (project_ != project) project_->AttachTreeView(nullptr);
  }
  tree_->clear();
  project_ = project;
  if (!project_) return;
  project::ForgetTreeNodes(*project_);
  project_->AttachTreeView(this);
  project::ShowInTree(*project_, *this, project::kNoTreeNode, project::kAllLevels, true);
}

project::ProjectItem* WorkspaceWindow::SelectedItem() const { return ItemOf(tree_->currentItem()); }

void WorkspaceWindow::SelectItem(project::ProjectItem* item) {
  if (!item || item->GetTreeNode() == project::kNoTreeNode) return;
  tree_->setCurrentItem(NodeItem(item->GetTreeNode()));
}

bool WorkspaceWindow::TreeHasFocus() const { return tree_->hasFocus(); }

project::ProjectItem* WorkspaceWindow::CommandTarget() const {
  if (!project_ || project_->GetTreeNode() == project::kNoTreeNode) return nullptr;
  project::ProjectItem* item = TreeHasFocus() ? SelectedItem() : project_;
  return item && project_->Contains(item) ? item : nullptr;
}

// ---- ProjectTreeView ----------------------------------------------------------

project::TreeNode WorkspaceWindow::InsertNode(project::TreeNode parent, const std::string& label,
                                              int image, project::ProjectItem& item) {
  QTreeWidgetItem* under = ParentItem(parent);
  auto* node = new Node;
  SetLabel(node, label);
  node->setIcon(0, IconFor(image));
  node->setData(0, kImageRole, image);
  node->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(&item)));
  // After the siblings that sort before it or equal it.
  const QByteArray key = LabelOf(node);
  int low = 0;
  int high = under->childCount();
  while (low < high) {
    const int middle = (low + high) / 2;
    if (LabelLess(key, LabelOf(under->child(middle)))) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  under->insertChild(low, node);
  return reinterpret_cast<project::TreeNode>(node);
}

std::string WorkspaceWindow::NodeLabel(project::TreeNode node) const {
  const QByteArray label = LabelOf(NodeItem(node));
  return std::string(label.constData(), static_cast<std::size_t>(label.size()));
}

void WorkspaceWindow::SetNode(project::TreeNode node, const std::string& label, int image) {
  QTreeWidgetItem* item = NodeItem(node);
  SetLabel(item, label);
  if (item->data(0, kImageRole).toInt() != image || item->icon(0).isNull()) {
    item->setIcon(0, IconFor(image));
    item->setData(0, kImageRole, image);
  }
}

void WorkspaceWindow::SortChildren(project::TreeNode parent) {
  // The model's sort keeps the expanded state and the selection.
  ParentItem(parent)->sortChildren(0, Qt::AscendingOrder);
}

void WorkspaceWindow::DeleteNode(project::TreeNode node) {
  QTreeWidgetItem* doomed = NodeItem(node);
  // A selection inside the deleted subtree moves to the node's parent.
  for (QTreeWidgetItem* at = tree_->currentItem(); at; at = at->parent()) {
    if (at == doomed) {
      tree_->setCurrentItem(doomed->parent());
      break;
    }
  }
  delete doomed;
}

bool WorkspaceWindow::IsExpanded(project::TreeNode node) const {
  return NodeItem(node)->isExpanded();
}

void WorkspaceWindow::Expand(project::TreeNode node) { NodeItem(node)->setExpanded(true); }

// ---- the user's actions -------------------------------------------------------

void WorkspaceWindow::RefreshFolderPicture(QTreeWidgetItem* node, bool expanded) {
  const project::ProjectItem* item = ItemOf(node);
  if (!item || !item->IsFolder()) return;
  const int image = project::NodeImage(*item, expanded);
  if (node->data(0, kImageRole).toInt() == image) return;
  node->setIcon(0, IconFor(image));
  node->setData(0, kImageRole, image);
}

void WorkspaceWindow::Activate(QTreeWidgetItem* node) {
  project::ProjectItem* item = ItemOf(node);
  if (menuState_.busy || !item || item->IsFolder()) return;
  emit fileActivated(item);
}

QMenu* WorkspaceWindow::CreateContextMenu(const project::ProjectItem& item) {
  const project::ProjectMenu data = project::BuildMenu(item, menuState_);
  auto* menu = new QMenu(this);
  for (const MenuEntry& entry : data.model.Entries()) {
    if (entry.separator) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(QString::fromStdString(entry.text));
    action->setEnabled(entry.enabled);
    action->setData(entry.commandId);
    if (entry.commandId == data.defaultCommand) {
      QFont bold = action->font();
      bold.setBold(true);
      action->setFont(bold);
    }
    const int command = entry.commandId;
    connect(action, &QAction::triggered, this, [this, command] { emit commandRequested(command); });
  }
  return menu;
}

void WorkspaceWindow::ShowContextMenu(const QPoint& position) {
  if (menuState_.busy) return;
  QTreeWidgetItem* node = tree_->itemAt(position);
  project::ProjectItem* item = ItemOf(node);
  if (!item) return;
  tree_->setCurrentItem(node);
  QMenu* menu = CreateContextMenu(*item);
  menu->exec(tree_->viewport()->mapToGlobal(position));
  delete menu;
}

bool WorkspaceWindow::DeletePressed() {
  if (menuState_.busy) return true;
  project::ProjectItem* item = SelectedItem();
  if (!item) return false;
  if (item->IsProject()) {
    QApplication::beep();
  } else {
    emit commandRequested(project::kCommandRemove);
  }
  return true;
}

bool WorkspaceWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_) {
    if (event->type() == QEvent::FocusIn) {
      emit activated();
    } else if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
          QTreeWidgetItem* node = tree_->currentItem();
          const project::ProjectItem* item = ItemOf(node);
          if (item && !item->IsFolder()) {
            Activate(node);
            return true;
          }
        } else if (key->key() == Qt::Key_Delete) {
          return DeletePressed();
        }
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- moving items -------------------------------------------------------------

bool WorkspaceWindow::CanDrop(QTreeWidgetItem* dragged, QTreeWidgetItem* target) const {
  const project::ProjectItem* item = ItemOf(dragged);
  const project::ProjectItem* into = ItemOf(target);
  return !menuState_.busy && item && into && !item->IsProject() && into->IsFolder() &&
         !item->Contains(into) && item->Parent() != into;
}

bool WorkspaceWindow::HandleDrop(QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
  if (!CanDrop(dragged, target)) return false;
  return MoveItem(*ItemOf(dragged), *ItemOf(target));
}

bool WorkspaceWindow::MoveItem(project::ProjectItem& item, project::ProjectItem& target) {
  if (item.IsProject() || !target.IsFolder() || item.Contains(&target)) return false;
  project::Project* project = item.RootProject();
  if (!project || project != target.RootProject()) return false;
  project::ProjectTreeView* view = project->TreeView();
  if (!item.MoveTo(target)) return false;
  if (view) project::RemoveFromTree(item, *view);
  project->SetModified(true);
  if (view && target.GetTreeNode() != project::kNoTreeNode) {
    const project::TreeNode parentNode =
        target.Parent() ? target.Parent()->GetTreeNode() : project::kNoTreeNode;
    project::ShowInTree(target, *view, parentNode, project::kAllLevels, true);
  }
  SelectItem(&item);
  return true;
}

}  // namespace vandrel::ui
