#include "templates/ui/template_manager.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/user_interface.h"
#include "templates/template_catalogue.h"
#include "templates/template_lists.h"

namespace vandrel::ui {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

// A small page; a user template's carries a pencil-coloured band, a
// default template's a grey one.
QIcon TreeIcon(int image) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(90, 90, 90));
  painter.setBrush(Qt::white);
  painter.drawRect(2, 0, 11, 15);
  painter.setPen(Qt::NoPen);
  painter.setBrush(image == kImageUserTemplate ? QColor(40, 120, 200) : QColor(150, 150, 150));
  painter.drawRect(3, 1, 10, 4);
  painter.setPen(QColor(170, 170, 170));
  for (int y = 8; y <= 13; y += 2) painter.drawLine(5, y, 10, y);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace

// ---- New Template --------------------------------------------------------------

NewTemplateDialog::NewTemplateDialog(bool copying, const std::string& folder, Create create,
                                     QWidget* parent)
    : QDialog(parent),
      form_(copying, folder),
      create_(std::move(create)),
      name_(new QLineEdit(this)),
      file_(new QLineEdit(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  setObjectName("newTemplateDialog");
  setWindowTitle(FromUtf8(form_.Title()));
  name_->setObjectName("templateName");
  file_->setObjectName("templateFileName");
  name_->setMaxLength(static_cast<int>(kMaxTemplateNameLength));
  file_->setMaxLength(static_cast<int>(kMaxTemplatePathLength));

  auto* nameLabel = new QLabel("&Name:", this);
  nameLabel->setBuddy(name_);
  auto* fileLabel = new QLabel("Template &file name:", this);
  fileLabel->setBuddy(file_);
  auto* folderLabel = new QLabel(
      QString("Folder: %1").arg(folder.empty() ? QString("(none)") : FromUtf8(folder)), this);
  folderLabel->setObjectName("templateFolder");
  folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* grid = new QGridLayout;
  grid->addWidget(nameLabel, 0, 0);
  grid->addWidget(name_, 0, 1);
  grid->addWidget(fileLabel, 1, 0);
  grid->addWidget(file_, 1, 1);
  grid->addWidget(folderLabel, 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addWidget(buttons_);

  connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
    form_.SetName(ToUtf8(text));
    if (file_->text() != FromUtf8(form_.FileName())) file_->setText(FromUtf8(form_.FileName()));
    FieldsChanged();
  });
  connect(file_, &QLineEdit::textChanged, this, [this](const QString& text) {
    form_.SetFileName(ToUtf8(text));
    FieldsChanged();
  });
  connect(buttons_, &QDialogButtonBox::accepted, this, &NewTemplateDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  FieldsChanged();
  resize(440, sizeHint().height());
}

void NewTemplateDialog::FieldsChanged() {
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(form_.OkEnabled());
}

void NewTemplateDialog::accept() {
  if (!form_.OkEnabled()) return;
  if (create_ && create_(form_.Name(), form_.FileName())) QDialog::accept();
}

// ---- Template Manager ----------------------------------------------------------

TemplateManager::TemplateManager(TemplateManagerServices services, QWidget* parent)
    : QDialog(parent),
      services_(std::move(services)),
      workingCopy_(std::make_unique<Template>()),
      tree_(new QTreeWidget(this)),
      pages_(new TemplatePages(*services_.catalogue, services_.editOutputMask, this)),
      new_(new QPushButton("New", this)),
      delete_(new QPushButton("Delete", this)),
      copy_(new QPushButton("Copy", this)),
      close_(new QPushButton("Close", this)) {
  setObjectName("templateManager");
  setWindowTitle("Template Manager");
  tree_->setObjectName("templateTree");
  tree_->setHeaderLabel(" Available Templates");
  tree_->setRootIsDecorated(false);
  tree_->setSortingEnabled(false);  // the catalogue's list comes sorted
  tree_->setMinimumWidth(200);
  new_->setObjectName("newTemplate");
  delete_->setObjectName("deleteTemplate");
  copy_->setObjectName("copyTemplate");
  close_->setObjectName("closeManager");
  for (QPushButton* button : {new_, delete_, copy_}) button->setAutoDefault(false);
  close_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(new_);
  buttons->addWidget(delete_);
  buttons->addWidget(copy_);
  auto* left = new QVBoxLayout;
  left->addWidget(tree_, 1);
  left->addLayout(buttons);
  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch(1);
  closeRow->addWidget(close_);
  auto* right = new QVBoxLayout;
  right->addWidget(pages_, 1);
  right->addLayout(closeRow);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 0);
  layout->addLayout(right, 1);

  connect(tree_, &QTreeWidget::currentItemChanged, this, &TemplateManager::SelectionChanged);
  connect(new_, &QPushButton::clicked, this, &TemplateManager::NewTemplate);
  connect(copy_, &QPushButton::clicked, this, &TemplateManager::CopyTemplate);
  connect(delete_, &QPushButton::clicked, this, &TemplateManager::DeleteTemplateSelected);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);

  FillTree(std::string());
  resize(760, 500);
}

TemplateManager::~TemplateManager() = default;

void TemplateManager::FillTree(const std::string& name) {
  RefillTree(name);
  QTreeWidgetItem* current = tree_->currentItem();
  ArriveAt(current != nullptr ? ToUtf8(current->text(0)) : std::string());
}

void TemplateManager::RefillTree(const std::string& name) {
  {
    const QSignalBlocker quiet(tree_);
    tree_->clear();
    for (const TemplateTreeItem& entry : TemplateTreeItems(*services_.catalogue)) {
      auto* item = new QTreeWidgetItem(tree_, {FromUtf8(entry.text)});
      item->setIcon(0, TreeIcon(entry.image));
    }
  }
  SelectItemQuietly(name);
  if (tree_->currentItem() == nullptr && tree_->topLevelItemCount() > 0) {
    const QSignalBlocker quiet(tree_);
    tree_->setCurrentItem(tree_->topLevelItem(0));
  }
}

void TemplateManager::SelectItemQuietly(const std::string& name) {
  const QSignalBlocker quiet(tree_);
  const QList<QTreeWidgetItem*> found =
      tree_->findItems(FromUtf8(name), Qt::MatchFixedString | Qt::MatchCaseSensitive);
  if (!found.isEmpty()) tree_->setCurrentItem(found.constFirst());
}

void TemplateManager::SelectionChanged(QTreeWidgetItem* now, QTreeWidgetItem*) {
  if (now == nullptr) return;
  const std::string target = ToUtf8(now->text(0));
  if (target == selected_) return;
  std::string moveTo;
  if (!LeaveSelection(&moveTo)) {
    SelectItemQuietly(selected_);
    return;
  }
  if (!moveTo.empty()) {
    // The edits of a default template went into a new template: it is
    // shown instead.
    FillTree(moveTo);
    return;
  }
  ArriveAt(target);
}

bool TemplateManager::LeaveSelection(std::string* moveTo) {
  if (selected_.empty()) return true;
  pages_->Store();
  const CommitResult result =
      CommitTemplateEdits(*services_.catalogue, *services_.ui, *workingCopy_,
                          [this](const Template& source) { return RunNameDialog(true, &source); });
  if (!result.SelectionMayMove()) return false;
  if (result.outcome == CommitOutcome::kCommitted && services_.templateChanged) {
    services_.templateChanged(workingCopy_->settings.Name);
  }
  if (result.outcome == CommitOutcome::kSavedAsNew && result.created != nullptr) {
    *moveTo = result.created->settings.Name;
  }
  return true;
}

void TemplateManager::ArriveAt(const std::string& name) {
  selected_ = name;
  LoadWorkingCopy(*services_.catalogue, name, *workingCopy_);
  pages_->Load(*workingCopy_);
  pages_->setEnabled(!name.empty());
  UpdateButtons();
}

void TemplateManager::UpdateButtons() {
  const bool resolves = !selected_.empty() && services_.catalogue->HasTemplate(selected_);
  delete_->setEnabled(resolves);
  copy_->setEnabled(resolves);
}

Template* TemplateManager::RunNameDialog(bool copying, const Template* source) {
  Template* created = nullptr;
  NewTemplateDialog dialog(
      copying, services_.userTemplatesFolder,
      [&](const std::string& name, const std::string& fileName) {
        created = CreateTemplate(*services_.catalogue, *services_.ui, services_.userTemplatesFolder,
                                 name, fileName, source);
        return created != nullptr;
      },
      this);
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  return created;
}

void TemplateManager::NewTemplate() {
  Template* created = RunNameDialog(false, nullptr);
  if (created == nullptr) return;
  ShowCreated(created->settings.Name);
}

void TemplateManager::CopyTemplate() {
  if (selected_.empty() || !services_.catalogue->HasTemplate(selected_)) return;
  // The copy takes the edits not committed yet.
  pages_->Store();
  Template* created = RunNameDialog(true, workingCopy_.get());
  if (created == nullptr) return;
  ShowCreated(created->settings.Name);
}

void TemplateManager::ShowCreated(const std::string& name) {
  // The new name joins the tree; moving there commits what was edited.
  std::string moveTo;
  if (!LeaveSelection(&moveTo)) {
    // The edits stay on the page; the new template waits in the tree.
    RefillTree(selected_);
    return;
  }
  FillTree(moveTo.empty() ? name : moveTo);
}

void TemplateManager::DeleteTemplateSelected() {
  QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr || selected_.empty()) return;
  const int index = tree_->indexOfTopLevelItem(item);
  const int count = tree_->topLevelItemCount();
  const std::string name = selected_;
  if (!DeleteTemplate(*services_.catalogue, *services_.ui, name)) return;

  // The working copy belonged to the deleted template: nothing to commit.
  selected_.clear();
  std::string next;
  if (services_.catalogue->HasTemplate(name)) {
    next = name;  // a second template of the same name now answers to it
  } else if (const std::optional<std::size_t> at = SelectionAfterDelete(
                 static_cast<std::size_t>(count), static_cast<std::size_t>(index))) {
    // The list after the deletion is the tree without the item.
    const int row =
        static_cast<int>(*at) >= index ? static_cast<int>(*at) + 1 : static_cast<int>(*at);
    if (QTreeWidgetItem* target = tree_->topLevelItem(row)) next = ToUtf8(target->text(0));
  }
  FillTree(next);
}

void TemplateManager::done(int result) {
  std::string moveTo;
  if (!LeaveSelection(&moveTo)) return;
  QDialog::done(result);
}

void ShowTemplateManager(QWidget* parent, TemplateManagerServices services) {
  if (services.catalogue == nullptr || services.ui == nullptr) return;
  TemplateManager manager(std::move(services), parent);
  manager.exec();
}

}  // namespace vandrel::ui
