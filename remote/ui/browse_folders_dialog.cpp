#include "remote/ui/browse_folders_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/ascii_text.h"
#include "remote/listing_cache.h"
#include "remote/listing_view.h"
#include "remote/request_worker.h"

namespace vandrel::ui {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kListedRole = Qt::UserRole + 2;

}  // namespace

std::vector<std::string> FolderHistoryWith(const std::vector<std::string>& history,
                                           const std::string& chosen) {
  std::vector<std::string> result = {chosen};
  for (const std::string& folder : history) {
    if (result.size() >= kMaxFolderHistory) break;
    if (folder != chosen && !folder.empty()) result.push_back(folder);
  }
  return result;
}

BrowseFoldersDialog::BrowseFoldersDialog(const RemoteDialogServices& services,
                                         const std::string& folder,
                                         const std::vector<std::string>& history, QWidget* parent)
    : QDialog(parent), requests_(services), target_(folder) {
  setWindowTitle(tr("Browse Folders"));
  auto* nameLabel = new QLabel(tr("Folder &Name"));
  name_ = new QComboBox;
  name_->setEditable(true);
  name_->setInsertPolicy(QComboBox::NoInsert);
  name_->setToolTip(tr("Folder History"));
  for (const std::string& entry : history) name_->addItem(QString::fromStdString(entry));
  name_->setEditText(QString::fromStdString(folder));
  nameLabel->setBuddy(name_);

  auto* treeLabel = new QLabel(tr("&Folders"));
  model_ = new QStandardItemModel(this);
  tree_ = new QTreeView;
  tree_->setModel(model_);
  tree_->setHeaderHidden(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setMinimumSize(320, 280);
  treeLabel->setBuddy(tree_);
  stop_ = new QToolButton;
  stop_->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
  stop_->setToolTip(tr("Stop"));
  stop_->setAutoRaise(true);
  auto* treeRow = new QHBoxLayout;
  treeRow->addWidget(treeLabel, 1);
  treeRow->addWidget(stop_);

  auto* buttons = new QDialogButtonBox;
  buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(nameLabel);
  layout->addWidget(name_);
  layout->addLayout(treeRow);
  layout->addWidget(tree_, 1);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &BrowseFoldersDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &BrowseFoldersDialog::reject);
  connect(stop_, &QToolButton::clicked, this, [this] { requests_.Stop(); });
  connect(tree_, &QTreeView::expanded, this, &BrowseFoldersDialog::Expanded);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            const QString path = current.data(kPathRole).toString();
            if (!path.isEmpty()) name_->setEditText(path);
          });
  requests_.changed = [this] { BusyChanged(); };
  BusyChanged();

  QStandardItem* root = NewFolderItem("/", "/");
  model_->appendRow(root);
  tree_->expand(root->index());
}

BrowseFoldersDialog::~BrowseFoldersDialog() = default;

QStandardItem* BrowseFoldersDialog::NewFolderItem(const std::string& path,
                                                  const std::string& text) {
  auto* item =
      new QStandardItem(style()->standardIcon(QStyle::SP_DirIcon), QString::fromStdString(text));
  item->setData(QString::fromStdString(path), kPathRole);
  item->setData(false, kListedRole);
  // Until the folder is listed it may have sub-folders: it can be opened.
  item->appendRow(new QStandardItem);
  return item;
}

QStandardItem* BrowseFoldersDialog::ItemOf(const std::string& path) const {
  QStandardItem* item = model_->item(0);
  if (item == nullptr || path.empty() || path.front() != '/') return nullptr;
  for (const remote::LookInItem& component : remote::LookInComponents(path)) {
    if (component.path == "/") continue;
    QStandardItem* next = nullptr;
    for (int row = 0; row < item->rowCount() && next == nullptr; ++row) {
      QStandardItem* child = item->child(row);
      if (child != nullptr && child->data(kPathRole).toString().toStdString() == component.path) {
        next = child;
      }
    }
    if (next == nullptr) return nullptr;
    item = next;
  }
  return item;
}

void BrowseFoldersDialog::Expanded(const QModelIndex& index) {
  QStandardItem* item = model_->itemFromIndex(index);
  if (item == nullptr || item->data(kListedRole).toBool()) return;
  List(item->data(kPathRole).toString().toStdString());
}

void BrowseFoldersDialog::List(const std::string& path) {
  remote::ListingCache& cache = requests_.cache();
  // A full listing in the cache serves as well; the folders-only listings
  // asked for here are never stored, so the file dialog never shows one.
  if (cache.enabled()) {
    if (auto cached = cache.Lookup(path)) {
      Fill(path, *cached);
      return;
    }
  }
  remote::RequestBlock block;
  block.kind = remote::kRequestListDirectory;
  block.hostPath = path;
  block.listFlag = 1;
  requests_.Post(std::move(block), ReadListingStep(&cache, false),
                 [this, path](RequestOutcome& outcome) {
                   if (outcome.block.status != remote::kStatusSuccess || !outcome.listing) {
                     requests_.Report(outcome.block, __FILE__, __LINE__);
                     return;
                   }
                   Fill(path, *outcome.listing);
                 });
}

void BrowseFoldersDialog::Fill(const std::string& path, const remote::HostListing& listing) {
  QStandardItem* item = ItemOf(path);
  if (item == nullptr) return;
  std::vector<HostFileInfo> folders;
  for (const HostFileInfo& entry : listing.entries) {
    if (remote::IsFolderEntry(entry)) folders.push_back(entry);
  }
  remote::SortListingEntries(folders, remote::ListingColumn::kName, false);
  item->removeRows(0, item->rowCount());
  for (const HostFileInfo& entry : folders) {
    item->appendRow(NewFolderItem(remote::JoinHostPath(path, entry.name), entry.name));
  }
  item->setData(true, kListedRole);
  OpenTowardsTarget(item);
}

// Goes one level further down towards the folder the dialog started in,
// and selects it once it is reached.
void BrowseFoldersDialog::OpenTowardsTarget(QStandardItem* item) {
  const std::string path = item->data(kPathRole).toString().toStdString();
  const std::string target = remote::ListingFolder(target_);
  if (target.empty() || target.front() != '/') return;
  if (path == target) {
    tree_->setCurrentIndex(item->index());
    target_.clear();
    return;
  }
  const std::string prefix = path == "/" ? path : path + "/";
  if (target.compare(0, prefix.size(), prefix) != 0) return;
  const std::string rest = target.substr(prefix.size());
  const std::string next = remote::JoinHostPath(path, rest.substr(0, rest.find('/')));
  const bool anyCase = remote::HostNamesIgnoreCase(requests_.services().hostKind);
  for (int row = 0; row < item->rowCount(); ++row) {
    QStandardItem* child = item->child(row);
    const std::string childPath = child->data(kPathRole).toString().toStdString();
    if (childPath == next || (anyCase && platform::EqualsIgnoreCase(childPath, next))) {
      if (anyCase) target_ = childPath + target.substr(next.size());
      if (childPath == remote::ListingFolder(target_)) tree_->setCurrentIndex(child->index());
      tree_->expand(child->index());
      return;
    }
  }
}

std::optional<std::vector<std::string>> BrowseFoldersDialog::subfolders(
    const std::string& path) const {
  QStandardItem* item = ItemOf(path);
  if (item == nullptr || !item->data(kListedRole).toBool()) return std::nullopt;
  std::vector<std::string> names;
  for (int row = 0; row < item->rowCount(); ++row) {
    names.push_back(item->child(row)->text().toStdString());
  }
  return names;
}

bool BrowseFoldersDialog::selectFolder(const std::string& path) {
  QStandardItem* item = ItemOf(path);
  if (item == nullptr) return false;
  tree_->setCurrentIndex(item->index());
  return true;
}

void BrowseFoldersDialog::BusyChanged() {
  const bool busy = requests_.outstanding() > 0;
  stop_->setEnabled(busy);
  if (busy) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
}

void BrowseFoldersDialog::accept() {
  const std::string folder(platform::TrimBlanks(name_->currentText().toStdString()));
  if (folder.empty()) return;
  if (!requests_.MayClose()) return;
  chosen_ = folder;
  QDialog::accept();
}

void BrowseFoldersDialog::reject() {
  if (requests_.MayClose()) QDialog::reject();
}

std::optional<std::string> BrowseHostFolder(const RemoteDialogServices& services,
                                            const std::string& folder,
                                            std::vector<std::string>& history, QWidget* parent) {
  BrowseFoldersDialog dialog(services, folder, history, parent);
  if (dialog.exec() != QDialog::Accepted || !dialog.chosenFolder()) return std::nullopt;
  history = FolderHistoryWith(history, *dialog.chosenFolder());
  return dialog.chosenFolder();
}

}  // namespace vandrel::ui
