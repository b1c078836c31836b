#include "project/ui/getting_started_dialog.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "core/app_settings.h"
#include "core/recent_list.h"
#include "core/settings_store.h"

namespace vandrel::ui {

namespace {

constexpr int kRecentProjectsShown = 9;

bool IsExistingFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace

std::vector<std::string> ExistingRecentProjects(SettingsStore& store) {
  std::vector<std::string> projects;
  for (int index = 1; index <= kRecentProjectsShown; ++index) {
    std::string entry;
    if (RecentListEntry(store, kRecentProjects, index, &entry) && !entry.empty() &&
        IsExistingFile(entry)) {
      projects.push_back(std::move(entry));
    }
  }
  return projects;
}

GettingStartedDialog::GettingStartedDialog(AppSettings& settings, SettingsStore& store,
                                           QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      store_(store),
      choices_(new QButtonGroup(this)),
      list_(new QListWidget(this)),
      browse_(new QPushButton(tr("&Browse"), this)),
      help_(new QPushButton(tr("&Help"), this)),
      projects_(ExistingRecentProjects(store)) {
  setWindowTitle(tr("Getting Started"));

  auto* openExisting = new QRadioButton(tr("Open an existing project"), this);
  auto* newProject = new QRadioButton(tr("New project wizard"), this);
  auto* openLast = new QRadioButton(tr("Always open last project"), this);
  choices_->addButton(openExisting, kStartOpenExisting);
  choices_->addButton(newProject, kStartNewProject);
  choices_->addButton(openLast, kStartOpenLast);

  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumSize(320, 150);
  for (const std::string& path : projects_) {
    const std::filesystem::path file(path);
    auto* item = new QListWidgetItem(QString::fromStdString(file.filename().string()), list_);
    item->setToolTip(QString::fromStdString(path));
  }

  auto* choicesLayout = new QVBoxLayout;
  choicesLayout->addWidget(openExisting);
  auto* listRow = new QHBoxLayout;
  listRow->addSpacing(20);
  listRow->addWidget(list_, 1);
  choicesLayout->addLayout(listRow, 1);
  choicesLayout->addWidget(newProject);
  choicesLayout->addWidget(openLast);

  // OK, Cancel, Browse and Help in that order down the right-hand side.
  auto* ok = new QPushButton(tr("OK"), this);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  ok->setDefault(true);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {ok, cancel, browse_, help_}) buttons->addWidget(button);
  buttons->addStretch(1);
  connect(ok, &QPushButton::clicked, this, &GettingStartedDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &GettingStartedDialog::reject);
  connect(browse_, &QPushButton::clicked, this, &GettingStartedDialog::browse);
  connect(help_, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpTopic); });

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(choicesLayout, 1);
  layout->addLayout(buttons);

  // Picking a project means opening an existing one.
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
    if (!list_->selectedItems().isEmpty()) setChoice(kStartOpenExisting);
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, &GettingStartedDialog::EntryDoubleClicked);

  setChoice(settings_.GettingStarted);
}

GettingStartedResult GettingStartedDialog::Run(AppSettings& settings, SettingsStore& store,
                                               QWidget* parent) {
  GettingStartedDialog dialog(settings, store, parent);
  dialog.exec();
  return dialog.result();
}

int GettingStartedDialog::choice() const { return choices_->checkedId(); }

void GettingStartedDialog::setChoice(int choice) {
  // A stored value outside the three choices falls back to the default.
  QAbstractButton* button = choices_->button(choice);
  if (button == nullptr) button = choices_->button(kStartNewProject);
  button->setChecked(true);
}

void GettingStartedDialog::selectProject(int row) {
  if (row < 0 || row >= list_->count()) {
    list_->clearSelection();
    return;
  }
  list_->setCurrentRow(row);
  list_->item(row)->setSelected(true);
}

void GettingStartedDialog::accept() {
  const int chosen = choice();
  GettingStartedResult result;
  switch (chosen) {
    case kStartOpenExisting: {
      const QList<QListWidgetItem*> selected = list_->selectedItems();
      const int row = selected.isEmpty() ? -1 : list_->row(selected.front());
      if (row < 0 || row >= static_cast<int>(projects_.size())) return;
      result.action = GettingStartedResult::Action::kOpenProject;
      result.projectPath = projects_[static_cast<std::size_t>(row)];
      break;
    }
    case kStartNewProject:
      result.action = GettingStartedResult::Action::kNewProject;
      break;
    default: {
      result.action = GettingStartedResult::Action::kOpenMostRecent;
      std::string entry;
      if (RecentListEntry(store_, kRecentProjects, 1, &entry)) result.projectPath = entry;
      break;
    }
  }
  settings_.GettingStarted = chosen;
  result_ = std::move(result);
  QDialog::accept();
}

void GettingStartedDialog::browse() {
  result_ = {GettingStartedResult::Action::kBrowse, {}};
  QDialog::reject();
}

void GettingStartedDialog::EntryDoubleClicked(QListWidgetItem* item) {
  if (item == nullptr) return;
  selectProject(list_->row(item));
  setChoice(kStartOpenExisting);
  accept();
}

}  // namespace vandrel::ui
