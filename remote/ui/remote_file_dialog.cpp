#include "remote/ui/remote_file_dialog.h"

#include <QAbstractTableModel>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/file_codes.h"
#include "documents/host_file_info.h"
#include "platform/ascii_text.h"
#include "remote/listing_cache.h"
#include "remote/request_worker.h"
#include "templates/template_lists.h"
#include "templates/template_matching.h"

namespace vandrel::ui {

using remote::HostListing;
using remote::ListingColumn;

// The entries of the folder shown, in the dialog's order: the list view
// shows the name column, the details view every column of the host kind.
class ListingModel : public QAbstractTableModel {
 public:
  ListingModel(std::int32_t hostKind, QObject* parent)
      : QAbstractTableModel(parent),
        hostKind_(hostKind),
        columns_(remote::ListingColumns(hostKind)) {
    folderIcon_ = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    fileIcon_ = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  }

  void SetEntries(std::vector<HostFileInfo> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
  }
  const std::vector<HostFileInfo>& entries() const { return entries_; }
  const std::vector<ListingColumn>& columns() const { return columns_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
      return {};
    }
    const HostFileInfo& entry = entries_[static_cast<std::size_t>(index.row())];
    const ListingColumn column = columns_[static_cast<std::size_t>(index.column())];
    switch (role) {
      case Qt::DisplayRole:
        return QString::fromStdString(remote::ListingCellText(entry, column, hostKind_));
      case Qt::DecorationRole:
        if (column == ListingColumn::kName) {
          return remote::IsFolderEntry(entry) ? folderIcon_ : fileIcon_;
        }
        return {};
      case Qt::TextAlignmentRole:
        if (column == ListingColumn::kSize) {
          return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
        }
        return {};
      default:
        return {};
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount()) {
      return {};
    }
    return QString::fromStdString(
        remote::ListingColumnTitle(columns_[static_cast<std::size_t>(section)]));
  }

 private:
  std::int32_t hostKind_;
  std::vector<ListingColumn> columns_;
  std::vector<HostFileInfo> entries_;
  QIcon folderIcon_;
  QIcon fileIcon_;
};

namespace {

constexpr int kLookInIndent = 3;  // blanks per level in "Look in:"

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

// A small read-only box of labelled values.
void ShowValues(QWidget* parent, const QString& title,
                const std::vector<std::pair<QString, std::string>>& rows) {
  QDialog box(parent);
  box.setWindowTitle(title);
  auto* layout = new QVBoxLayout(&box);
  auto* form = new QFormLayout;
  for (const auto& [label, value] : rows) {
    auto* field = new QLineEdit(FromStd(value));
    field->setReadOnly(true);
    field->setMinimumWidth(260);
    form->addRow(label, field);
  }
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(buttons);
  box.exec();
}

std::string LocalTimeText(std::time_t time) {
  std::tm parts{};
  localtime_r(&time, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
  return text;
}

}  // namespace

RemoteFileDialog::RemoteFileDialog(const RemoteDialogServices& services, RemoteDialogMode mode,
                                   const QString& title, const std::string& folder,
                                   const std::string& proposedName, bool multipleSelection,
                                   QWidget* parent)
    : QDialog(parent), requests_(services), mode_(mode), multiple_(multipleSelection) {
  setWindowTitle(title);
  const bool open = mode_ == RemoteDialogMode::kOpen;
  QStyle* look = style();

  // -- "Look in:" and the tools beside it.
  auto* lookInLabel = new QLabel(tr("Look &in:"));
  lookIn_ = new QComboBox;
  lookIn_->setMinimumContentsLength(30);
  lookIn_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  lookInLabel->setBuddy(lookIn_);
  auto tool = [&](QStyle::StandardPixmap icon, const QString& tip) {
    auto* button = new QToolButton;
    button->setIcon(look->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
  };
  up_ = tool(QStyle::SP_FileDialogToParent, tr("Up One Level"));
  listMode_ = tool(QStyle::SP_FileDialogListView, tr("List"));
  detailsMode_ = tool(QStyle::SP_FileDialogDetailedView, tr("Details"));
  listMode_->setCheckable(true);
  detailsMode_->setCheckable(true);
  stop_ = tool(QStyle::SP_BrowserStop, tr("Stop"));
  busy_ = new QProgressBar;
  busy_->setRange(0, 0);
  busy_->setTextVisible(false);
  busy_->setFixedWidth(48);
  busy_->setMaximumHeight(12);
  auto* top = new QHBoxLayout;
  top->addWidget(lookInLabel);
  top->addWidget(lookIn_, 1);
  for (QWidget* widget : std::initializer_list<QWidget*>{up_, listMode_, detailsMode_, stop_}) {
    top->addWidget(widget);
  }
  top->addWidget(busy_);

  // -- The two views over one model and one selection.
  model_ = new ListingModel(requests_.services().hostKind, this);
  list_ = new QListView;
  list_->setModel(model_);
  list_->setViewMode(QListView::ListMode);
  list_->setFlow(QListView::TopToBottom);
  list_->setWrapping(true);
  list_->setResizeMode(QListView::Adjust);
  list_->setIconSize(QSize(16, 16));
  list_->setTextElideMode(Qt::ElideNone);
  list_->setSpacing(1);
  details_ = new QTreeView;
  details_->setModel(model_);
  details_->setRootIsDecorated(false);
  details_->setItemsExpandable(false);
  details_->setUniformRowHeights(true);
  details_->setAllColumnsShowFocus(true);
  details_->header()->setSectionsClickable(true);
  details_->header()->setSortIndicatorShown(true);
  details_->header()->setStretchLastSection(false);
  list_->setSelectionModel(details_->selectionModel());
  const auto selection =
      multiple_ ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
  for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{list_, details_}) {
    view->setSelectionMode(selection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QAbstractItemView::activated, this, &RemoteFileDialog::Activated);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& position) { ShowContextMenu(view, position); });
  }
  views_ = new QStackedWidget;
  views_->addWidget(list_);
  views_->addWidget(details_);
  views_->setMinimumSize(560, 260);

  // -- Name, type, template, read-only and the buttons.
  auto* nameLabel = new QLabel(tr("File &name:"));
  fileName_ = new QLineEdit(FromStd(proposedName));
  nameLabel->setBuddy(fileName_);
  auto* typeLabel = new QLabel(tr("Files of &type:"));
  fileType_ = new QComboBox;
  fileType_->addItem(FromStd(LoadText(kStrFilterAllFiles)));
  typeLabel->setBuddy(fileType_);
  auto* templateLabel = new QLabel(tr("Open &as:"));
  template_ = new QComboBox;
  const std::vector<std::string> templates =
      services.catalogue != nullptr ? TemplateChooserEntries(*services.catalogue, kListAutoDetect)
                                    : std::vector<std::string>{std::string(kTemplateAutoDetect)};
  for (const std::string& name : templates) template_->addItem(FromStd(name));
  templateLabel->setBuddy(template_);
  readOnly_ = new QCheckBox(tr("Open as &read-only"));
  ok_ = new QPushButton(open ? tr("&Open") : tr("&Save"));
  ok_->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"));
  help_ = new QPushButton(tr("&Help"));
  help_->setEnabled(static_cast<bool>(services.help));
  auto* grid = new QGridLayout;
  grid->addWidget(nameLabel, 0, 0);
  grid->addWidget(fileName_, 0, 1);
  grid->addWidget(ok_, 0, 2);
  grid->addWidget(typeLabel, 1, 0);
  grid->addWidget(fileType_, 1, 1);
  grid->addWidget(cancel, 1, 2);
  grid->addWidget(templateLabel, 2, 0);
  grid->addWidget(template_, 2, 1);
  grid->addWidget(help_, 2, 2);
  grid->addWidget(readOnly_, 3, 1);
  grid->setColumnStretch(1, 1);
  templateLabel->setVisible(open);
  template_->setVisible(open);
  readOnly_->setVisible(open);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(views_, 1);
  layout->addLayout(grid);

  connect(lookIn_, &QComboBox::activated, this, [this](int index) {
    const QString path = lookIn_->itemData(index).toString();
    if (!path.isEmpty()) showFolder(path.toStdString());
  });
  connect(up_, &QToolButton::clicked, this, [this] { showFolder(".."); });
  connect(listMode_, &QToolButton::clicked, this, [this] { setDetailed(false); });
  connect(detailsMode_, &QToolButton::clicked, this, [this] { setDetailed(true); });
  connect(stop_, &QToolButton::clicked, this, [this] { requests_.Stop(); });
  connect(details_->header(), &QHeaderView::sectionClicked, this, [this](int section) {
    if (section >= 0 && section < static_cast<int>(model_->columns().size())) {
      sortBy(model_->columns()[static_cast<std::size_t>(section)]);
    }
  });
  connect(details_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &RemoteFileDialog::SelectionChanged);
  connect(fileType_, &QComboBox::currentIndexChanged, this, [this] {
    patterns_ = remote::FilterPatterns(fileType_->currentText().toStdString());
    FillEntries();
  });
  connect(ok_, &QPushButton::clicked, this, &RemoteFileDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &RemoteFileDialog::reject);
  connect(help_, &QPushButton::clicked, this, [this] {
    if (requests_.services().help) requests_.services().help();
  });
  auto* reread = new QShortcut(QKeySequence(Qt::Key_F5), this);
  connect(reread, &QShortcut::activated, this, &RemoteFileDialog::refresh);
  requests_.changed = [this] { BusyChanged(); };

  patterns_ = remote::FilterPatterns(fileType_->currentText().toStdString());
  const AppSettings* settings = services.settings;
  setDetailed(settings != nullptr && settings->DetailedFileLists != 0);
  details_->header()->setSortIndicator(0, Qt::AscendingOrder);
  BusyChanged();
  resize(800, 440);

  // The first listing: from the cache at once, else asked for – unless
  // initial listings are turned off, when only the cache or F5 fills it.
  const bool initialList = settings == nullptr || settings->InitialDirList != 0;
  if (folder.empty()) {
    if (initialList) ListCurrentDirectory();
  } else if (initialList) {
    ListFolder(folder, true);
  } else if (auto cached = requests_.cache().Lookup(folder)) {
    Display(std::move(*cached));
  } else {
    folder_ = remote::ListingFolder(folder);
    FillLookIn();
  }
}

RemoteFileDialog::~RemoteFileDialog() = default;

void RemoteFileDialog::setNameFilters(const QStringList& filters) {
  while (fileType_->count() > 1) fileType_->removeItem(1);
  fileType_->addItems(filters);
}

void RemoteFileDialog::showFolder(const std::string& target) {
  if (auto next = remote::FolderToShow(folder_, target)) ListFolder(*next, true);
}

void RemoteFileDialog::refresh() {
  if (folder_.empty()) {
    ListCurrentDirectory();
    return;
  }
  if (!listing_.folder.empty()) requests_.cache().Remove(listing_.folder);
  requests_.cache().Remove(folder_);
  ListFolder(folder_, false);
}

void RemoteFileDialog::ListFolder(const std::string& folder, bool useCache) {
  remote::ListingCache& cache = requests_.cache();
  if (useCache && cache.enabled()) {
    if (auto cached = cache.Lookup(folder)) {
      ++ticket_;  // what is still on its way is older than this
      Display(std::move(*cached));
      return;
    }
  }
  remote::RequestBlock block;
  block.kind = remote::kRequestListDirectory;
  block.hostPath = folder;
  block.listFlag = 0;
  const std::uint64_t ticket = ++ticket_;
  requests_.Post(std::move(block), ReadListingStep(&cache, true),
                 [this, ticket](RequestOutcome& outcome) { ListingArrived(outcome, ticket); });
}

void RemoteFileDialog::ListCurrentDirectory() {
  remote::RequestBlock block;
  block.kind = remote::kRequestGetDirectory;
  const std::uint64_t ticket = ++ticket_;
  requests_.Post(std::move(block), nullptr, [this, ticket](RequestOutcome& outcome) {
    if (outcome.block.status != remote::kStatusSuccess) {
      FailedWithoutFolder(outcome.block);
      return;
    }
    if (ticket == ticket_) ListFolder(remote::ListingFolder(outcome.block.hostPath), true);
  });
}

void RemoteFileDialog::ListingArrived(RequestOutcome& outcome, std::uint64_t ticket) {
  if (outcome.block.status != remote::kStatusSuccess || !outcome.listing) {
    FailedWithoutFolder(outcome.block);
    return;
  }
  if (ticket == ticket_) Display(std::move(*outcome.listing));
}

// A failure is reported; with no folder shown yet the root is tried, once.
void RemoteFileDialog::FailedWithoutFolder(const remote::RequestBlock& block) {
  requests_.Report(block, __FILE__, __LINE__);
  if (folder_.empty() && !retried_ && !requests_.stopping() &&
      block.status != remote::kStatusCancelled) {
    retried_ = true;
    ListFolder("/", true);
  }
}

void RemoteFileDialog::Display(HostListing listing) {
  listing_ = std::move(listing);
  folder_ = remote::ListingFolder(listing_.folder);
  FillLookIn();
  FillEntries();
}

void RemoteFileDialog::FillEntries() {
  std::vector<HostFileInfo> entries;
  entries.reserve(listing_.entries.size());
  const std::int32_t hostKind = requests_.services().hostKind;
  for (const HostFileInfo& entry : listing_.entries) {
    if (remote::IsFolderEntry(entry) || remote::MatchesFilter(entry.name, patterns_, hostKind)) {
      entries.push_back(entry);
    }
  }
  remote::SortListingEntries(entries, sort_.column, sort_.descending);
  model_->SetEntries(std::move(entries));
  FitColumns();
}

void RemoteFileDialog::FitColumns() {
  for (int column = 0; column < model_->columnCount(); ++column) {
    details_->resizeColumnToContents(column);
  }
}

void RemoteFileDialog::FillLookIn() {
  lookIn_->clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
  for (const remote::LookInItem& item : remote::LookInComponents(folder_)) {
    lookIn_->addItem(icon, QString(item.indent * kLookInIndent, ' ') + FromStd(item.text),
                     FromStd(item.path));
  }
  lookIn_->setCurrentIndex(lookIn_->count() - 1);
  up_->setEnabled(!folder_.empty() && folder_ != "/");
}

void RemoteFileDialog::sortBy(ListingColumn column) {
  sort_ = remote::SortAfterHeaderClick(sort_, column);
  const auto& columns = model_->columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] == column) {
      details_->header()->setSortIndicator(
          static_cast<int>(i), sort_.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
  }
  FillEntries();
}

void RemoteFileDialog::setDetailed(bool detailed) {
  detailed_ = detailed;
  views_->setCurrentWidget(detailed ? static_cast<QWidget*>(details_) : list_);
  listMode_->setChecked(!detailed);
  detailsMode_->setChecked(detailed);
  if (detailed) FitColumns();
  if (AppSettings* settings = requests_.services().settings) {
    settings->DetailedFileLists = detailed ? 1 : 0;
  }
}

std::vector<std::string> RemoteFileDialog::entryNames() const {
  std::vector<std::string> names;
  for (const HostFileInfo& entry : model_->entries()) names.push_back(entry.name);
  return names;
}

bool RemoteFileDialog::selectEntry(const std::string& name) {
  const auto& entries = model_->entries();
  for (std::size_t row = 0; row < entries.size(); ++row) {
    if (entries[row].name == name) {
      const QModelIndex index = model_->index(static_cast<int>(row), 0);
      details_->selectionModel()->select(
          index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      details_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
      return true;
    }
  }
  details_->selectionModel()->clearSelection();
  return false;
}

void RemoteFileDialog::BusyChanged() {
  const bool busy = requests_.outstanding() > 0;
  busy_->setVisible(busy);
  stop_->setEnabled(busy);
  if (busy) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
}

QAbstractItemView* RemoteFileDialog::ActiveView() const {
  return detailed_ ? static_cast<QAbstractItemView*>(details_) : list_;
}

std::vector<int> RemoteFileDialog::SelectedRows() const {
  // The list view selects only the name column of a row, so a row counts
  // as selected when any of its cells is.
  std::vector<int> rows;
  for (const QModelIndex& index : details_->selectionModel()->selectedIndexes()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

// Selected files go into "File name:", quoted when there are several.
void RemoteFileDialog::SelectionChanged() {
  std::vector<std::string> files;
  for (int row : SelectedRows()) {
    const HostFileInfo& entry = model_->entries()[static_cast<std::size_t>(row)];
    if (!remote::IsFolderEntry(entry)) files.push_back(entry.name);
  }
  if (files.empty()) return;
  if (files.size() == 1) {
    fileName_->setText(FromStd(files.front()));
    return;
  }
  QStringList quoted;
  for (const std::string& name : files)
    quoted << QStringLiteral("\"") + FromStd(name) + QStringLiteral("\"");
  fileName_->setText(quoted.join(' '));
}

void RemoteFileDialog::Activated(const QModelIndex& index) {
  if (!index.isValid() || index.row() >= static_cast<int>(model_->entries().size())) return;
  const HostFileInfo& entry = model_->entries()[static_cast<std::size_t>(index.row())];
  if (remote::IsFolderEntry(entry)) {
    showFolder(entry.name);
    return;
  }
  fileName_->setText(FromStd(entry.name));
  accept();
}

const HostFileInfo* RemoteFileDialog::FolderEntryNamed(const std::string& name) const {
  const bool anyCase = remote::HostNamesIgnoreCase(requests_.services().hostKind);
  for (const HostFileInfo& entry : listing_.entries) {
    if (!remote::IsFolderEntry(entry)) continue;
    if (entry.name == name || (anyCase && platform::EqualsIgnoreCase(entry.name, name))) {
      return &entry;
    }
  }
  return nullptr;
}

void RemoteFileDialog::accept() {
  std::vector<std::string> names;
  const std::string text = fileName_->text().toStdString();
  if (multiple_) {
    names = remote::ParseFileNames(text);
  } else {
    // One name, which may hold blanks; quotes around it are not part of it.
    std::string name(platform::TrimBlanks(text));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
      name = name.substr(1, name.size() - 2);
    }
    if (!name.empty()) names.push_back(name);
  }
  if (names.empty()) {
    // Nothing typed: a selected folder is entered.
    const std::vector<int> rows = SelectedRows();
    if (rows.size() == 1) Activated(model_->index(rows.front(), 0));
    return;
  }
  if (names.size() == 1) {
    const std::string& name = names.front();
    const HostFileInfo* folder = name.front() != '/' ? FolderEntryNamed(name) : nullptr;
    if (name == ".." || name.back() == '/' || folder != nullptr) {
      const std::string target = folder != nullptr ? folder->name : name;
      fileName_->clear();
      showFolder(target);
      return;
    }
  }
  if (!requests_.MayClose()) return;

  RemoteFileChoice choice;
  for (const std::string& name : names) {
    choice.paths.push_back(name.front() == '/' ? name : remote::JoinHostPath(folder_, name));
  }
  if (mode_ == RemoteDialogMode::kOpen) {
    choice.templateName = StoredTemplateName(template_->currentText().toStdString());
    choice.readOnly = readOnly_->isChecked();
  }
  choice_ = std::move(choice);
  QDialog::accept();
}

void RemoteFileDialog::reject() {
  if (requests_.MayClose()) QDialog::reject();
}

std::unique_ptr<QMenu> RemoteFileDialog::contextMenu(int row) {
  auto menu = std::make_unique<QMenu>(this);
  const auto& entries = model_->entries();
  if (row >= 0 && row < static_cast<int>(entries.size())) {
    const bool folder = remote::IsFolderEntry(entries[static_cast<std::size_t>(row)]);
    connect(menu->addAction(tr("&Select")), &QAction::triggered, this,
            [this, row] { Activated(model_->index(row, 0)); });
    QAction* download = menu->addAction(tr("&Download As..."));
    download->setEnabled(!folder);
    connect(download, &QAction::triggered, this, [this, row] { ChooseDownloadTarget(row); });
    connect(menu->addAction(tr("&Properties")), &QAction::triggered, this,
            [this, row] { ShowEntryProperties(row); });
    return menu;
  }
  QMenu* view = menu->addMenu(tr("&View"));
  auto* modes = new QActionGroup(view);
  QAction* listMode = view->addAction(tr("&List"));
  QAction* detailsMode = view->addAction(tr("&Details"));
  for (QAction* action : {listMode, detailsMode}) {
    action->setCheckable(true);
    modes->addAction(action);
  }
  (detailed_ ? detailsMode : listMode)->setChecked(true);
  connect(listMode, &QAction::triggered, this, [this] { setDetailed(false); });
  connect(detailsMode, &QAction::triggered, this, [this] { setDetailed(true); });
  QAction* upload = menu->addAction(tr("&Upload As..."));
  upload->setEnabled(!folder_.empty());
  connect(upload, &QAction::triggered, this, [this] { ChooseUploadSource(); });
  connect(menu->addAction(tr("&Properties")), &QAction::triggered, this,
          [this] { ShowFolderProperties(); });
  return menu;
}

void RemoteFileDialog::ShowContextMenu(QAbstractItemView* view, const QPoint& position) {
  const QModelIndex index = view->indexAt(position);
  if (index.isValid() && !view->selectionModel()->isRowSelected(index.row(), QModelIndex())) {
    view->selectionModel()->select(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  std::unique_ptr<QMenu> menu = contextMenu(index.isValid() ? index.row() : -1);
  menu->exec(view->viewport()->mapToGlobal(position));
}

void RemoteFileDialog::ChooseDownloadTarget(int row) {
  const std::string name = model_->entries()[static_cast<std::size_t>(row)].name;
  QFileDialog chooser(this, tr("Download As"), localFolder_, FromStd(LoadText(kStrFilterAllFiles)));
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setAcceptMode(QFileDialog::AcceptSave);
  chooser.selectFile(FromStd(name));
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
  const QString target = chooser.selectedFiles().front();
  localFolder_ = QFileInfo(target).absolutePath();
  downloadEntry(name, target.toStdString());
}

void RemoteFileDialog::ChooseUploadSource() {
  QFileDialog chooser(this, tr("Upload As"), localFolder_, FromStd(LoadText(kStrFilterAllFiles)));
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setFileMode(QFileDialog::ExistingFile);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
  const QString source = chooser.selectedFiles().front();
  localFolder_ = QFileInfo(source).absolutePath();
  uploadFile(source.toStdString());
}

void RemoteFileDialog::downloadEntry(const std::string& name, const std::string& localPath) {
  if (folder_.empty() || name.empty() || localPath.empty()) return;
  remote::RequestBlock block;
  block.kind = remote::kRequestReceiveToFile;
  block.hostPath = remote::JoinHostPath(folder_, name);
  block.options = TransferOptions(requests_.services().hostKind);
  requests_.Post(std::move(block), MoveDownloadStep(requests_.services().worker, localPath),
                 [this](RequestOutcome& outcome) {
                   if (outcome.block.status != remote::kStatusSuccess) {
                     requests_.Report(outcome.block, __FILE__, __LINE__);
                   } else if (!outcome.failure.empty()) {
                     requests_.user().ShowMessage(MessageCaption(), outcome.failure,
                                                  kMbOk | kMbIconWarning);
                   }
                 });
}

void RemoteFileDialog::uploadFile(const std::string& localPath) {
  if (folder_.empty() || localPath.empty()) return;
  const std::int32_t hostKind = requests_.services().hostKind;
  const std::string name = remote::UploadName(localPath, hostKind);
  if (name.empty()) {
    requests_.user().ShowMessage(MessageCaption(),
                                 "The file '" + localPath + "' has no name the host can take.",
                                 kMbOk | kMbIconWarning);
    return;
  }
  remote::RequestBlock block;
  block.kind = remote::kRequestSendFile;
  block.hostPath = remote::JoinHostPath(folder_, name);
  block.localPath = localPath;
  block.options = TransferOptions(hostKind);
  const std::string listed = listing_.folder;
  const std::string folder = folder_;
  requests_.Post(std::move(block), EndProgressStep(requests_.services().worker),
                 [this, listed, folder](RequestOutcome& outcome) {
                   if (outcome.block.status != remote::kStatusSuccess) {
                     requests_.Report(outcome.block, __FILE__, __LINE__);
                     return;
                   }
                   // The folder has a new file: its listing is out of date.
                   requests_.cache().Remove(listed);
                   requests_.cache().Remove(folder);
                   if (folder_ == folder) ListFolder(folder_, false);
                 });
}

void RemoteFileDialog::ShowEntryProperties(int row) {
  if (row < 0 || row >= static_cast<int>(model_->entries().size())) return;
  const HostFileInfo& entry = model_->entries()[static_cast<std::size_t>(row)];
  std::vector<std::pair<QString, std::string>> rows = {
      {tr("Name:"), entry.name},
      {tr("Folder:"), folder_},
      {tr("Size:"), std::to_string(entry.size)},
  };
  if (requests_.services().hostKind == remote::kHostKindMpe && !remote::IsFolderEntry(entry)) {
    rows.push_back({tr("File code:"), DescribeFileCode(entry.fileCode)});
  }
  rows.push_back({tr("Permissions:"), entry.permissions});
  rows.push_back({tr("Owner:"), entry.owner});
  rows.push_back({tr("Group:"), entry.group});
  rows.push_back({tr("Modified:"), FormatHostTime(entry.modifyTime)});
  rows.push_back({tr("Accessed:"), FormatHostTime(entry.accessTime)});
  rows.push_back({tr("Created:"), FormatHostTime(entry.createTime)});
  ShowValues(this, tr("Properties"), rows);
}

void RemoteFileDialog::ShowFolderProperties() {
  std::size_t folders = 0;
  for (const HostFileInfo& entry : listing_.entries) folders += remote::IsFolderEntry(entry);
  ShowValues(this, tr("Properties"),
             {{tr("Folder:"), folder_},
              {tr("Files:"), std::to_string(listing_.entries.size() - folders)},
              {tr("Folders:"), std::to_string(folders)},
              {tr("Listed:"), listing_.madeAt != 0 ? LocalTimeText(listing_.madeAt) : ""}});
}

}  // namespace vandrel::ui
