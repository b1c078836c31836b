#include "editor/ui/editor_navigator.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/app_settings.h"
#include "editor/ui/qsci_edit_control.h"
#include "platform/temporary_file.h"
#include "templates/template_catalogue.h"

namespace vandrel::ui {

namespace {

constexpr int kRibbonHeight = 24;
constexpr int kStripHeight = 2;
constexpr int kLineRole = Qt::UserRole + 1;

// The tree answers Enter like a double click.
class StructureTree final : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;
  std::function<void(QTreeWidgetItem*)> chosen;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
      if (chosen) chosen(currentItem());
      return;
    }
    QTreeWidget::keyPressEvent(event);
  }
};

}  // namespace

EditorNavigator::EditorNavigator(QWidget* window, QVBoxLayout* layout, QsciEditControl* control,
                                 Services services)
    : QObject(window), control_(control), services_(std::move(services)) {
  // The ribbon: the tabs on the workspace colour, the template name beside them.
  auto* ribbonRow = new QWidget(window);
  ribbonRow->setObjectName("ribbon");
  ribbonRow->setFixedHeight(kRibbonHeight);
  ribbonRow->setAutoFillBackground(true);
  QPalette palette = ribbonRow->palette();
  palette.setColor(QPalette::Window, window->palette().color(QPalette::Dark));
  ribbonRow->setPalette(palette);
  auto* ribbonLayout = new QHBoxLayout(ribbonRow);
  ribbonLayout->setContentsMargins(2, 0, 6, 0);
  ribbon_ = new QTabBar(ribbonRow);
  ribbon_->setObjectName("ribbonTabs");
  ribbon_->setDrawBase(false);
  ribbon_->setExpanding(false);
  ribbon_->setFocusPolicy(Qt::NoFocus);
  ribbon_->addTab(QObject::tr("Editor"));
  ribbon_->addTab(QObject::tr("Structure"));
  ribbonLayout->addWidget(ribbon_, 0, Qt::AlignBottom);
  ribbonLayout->addStretch(1);
  templateLabel_ = new QLabel(ribbonRow);
  templateLabel_->setObjectName("ribbonTemplate");
  templateLabel_->setForegroundRole(QPalette::BrightText);
  ribbonLayout->addWidget(templateLabel_);

  auto* strip = new QWidget(window);
  strip->setFixedHeight(kStripHeight);
  strip->setAutoFillBackground(true);
  QPalette stripPalette = strip->palette();
  stripPalette.setColor(QPalette::Window, window->palette().color(QPalette::Button));
  strip->setPalette(stripPalette);

  pages_ = new QStackedWidget(window);
  auto* tree = new StructureTree(pages_);
  tree->setObjectName("structureTree");
  tree->setHeaderHidden(true);
  tree->setUniformRowHeights(true);
  tree->chosen = [this](QTreeWidgetItem* item) { NodeChosen(item); };
  tree_ = tree;
  pages_->addWidget(control_);
  pages_->addWidget(tree_);

  layout->addWidget(ribbonRow);
  layout->addWidget(strip);
  layout->addWidget(pages_, 1);

  connect(ribbon_, &QTabBar::currentChanged, this, [this](int tab) {
    pages_->setCurrentIndex(tab);
    if (tab == 0) {
      control_->setFocus();
    } else {
      tree_->setFocus();
    }
  });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { NodeChosen(item); });
  connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (item->data(0, kLineRole).toInt() == 0)
      item->setIcon(0, icons_.Icon(kNavigatorImageOpenCategory));
  });
  connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (item->data(0, kLineRole).toInt() == 0)
      item->setIcon(0, icons_.Icon(kNavigatorImageClosedCategory));
  });
}

EditorNavigator::~EditorNavigator() = default;

void EditorNavigator::ShowTemplateName(const std::string& templateName) {
  const bool shown = services_.settings && services_.settings->TemplateInCaption != 0;
  templateLabel_->setText(shown ? QString::fromStdString(templateName) : QString());
}

int EditorNavigator::currentTab() const { return ribbon_->currentIndex(); }

void EditorNavigator::ShowTab(int tab) {
  if (tab == ribbon_->currentIndex()) return;
  ribbon_->setCurrentIndex(tab);
}

void EditorNavigator::Clear() {
  navigator_.reset();
  entries_.clear();
  tree_->clear();
  control_->ClearLinks();
}

void EditorNavigator::Refresh(const std::string& templateName) {
  Clear();
  const Template* found =
      services_.catalogue ? services_.catalogue->FindTemplate(templateName) : nullptr;
  if (found == nullptr || found->settings.SyntaxParser.empty()) {
    emit entriesChanged();
    return;
  }
  // The extension reads the text as it is edited, which may be unsaved and
  // whose lines are the control's lines whatever the file's own form.
  std::optional<platform::TemporaryFile> copy = platform::TemporaryFile::Create();
  if (!copy || !control_->WriteText(copy->fd()) || !copy->Close()) {
    emit entriesChanged();
    return;
  }
  ParseObserver observer;
  observer.progress = services_.progress;
  if (services_.settings && services_.settings->Debugging != 0) {
    observer.diagnostic = services_.diagnostic;
  }
  navigator_ = ParseDocument(*services_.catalogue, templateName, copy->path().string(), observer);
  if (navigator_) {
    entries_ = navigator_->FunctionList();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      control_->SetLink(entries_[i].line - 1, static_cast<std::int32_t>(i + 1));
    }
    const bool showParameters = services_.settings && services_.settings->CodeNavTreeParams != 0;
    tree_->setUpdatesEnabled(false);
    FillTree(navigator_->Tree(showParameters), tree_->invisibleRootItem());
    tree_->setUpdatesEnabled(true);
  }
  emit entriesChanged();
}

void EditorNavigator::FillTree(const std::vector<NavigatorTreeNode>& nodes,
                               QTreeWidgetItem* parent) {
  for (const NavigatorTreeNode& node : nodes) {
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, QString::fromStdString(node.text));
    item->setIcon(0, icons_.Icon(node.image));
    item->setData(0, kLineRole, node.line);
    FillTree(node.children, item);
  }
}

void EditorNavigator::NodeChosen(QTreeWidgetItem* item) {
  const int line = item ? item->data(0, kLineRole).toInt() : 0;
  if (line != 0) emit lineChosen(line);
}

std::int64_t EditorNavigator::EntryLine(int index) const {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return -1;
  // Two entries on one line share its single link; the later one wins, and
  // the other falls back to the line it was found on.
  const std::int64_t linked = control_->LineOfLink(index + 1);
  if (linked >= 0) return linked;
  const std::int64_t line = entries_[static_cast<std::size_t>(index)].line - 1;
  return line >= 0 && line < control_->LineCount() ? line : -1;
}

int EditorNavigator::EntryCovering(std::int64_t line) const {
  if (entries_.empty()) return -1;
  const std::int64_t linked = control_->NextLinkedLine(line, false);
  if (linked < 0) return -1;
  const std::int32_t value = control_->Link(linked);
  return value > 0 && value <= static_cast<std::int32_t>(entries_.size()) ? value - 1 : -1;
}

std::int64_t EditorNavigator::NextFunctionLine(std::int64_t line, bool forward) const {
  if (entries_.empty()) return -1;
  return control_->NextLinkedLine(forward ? line + 1 : line - 1, forward);
}

}  // namespace vandrel::ui
