#include "project/ui/find_in_files_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vandrel::ui {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

QComboBox* HistoryBox(const std::vector<std::string>& history, const std::string& text,
                      QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setMinimumContentsLength(36);
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  for (const std::string& entry : history) box->addItem(FromStd(entry));
  box->setEditText(FromStd(text));
  return box;
}

}  // namespace

FindInFilesDialog::FindInFilesDialog(project::FindInFilesSetup setup, QWidget* parent)
    : QDialog(parent), model_(std::move(setup)) {
  setWindowTitle("Find in Files");
  const project::FindInFilesSetup& loaded = model_.setup();
  text_ = HistoryBox(loaded.findHistory, model_.text(), this);
  types_ = HistoryBox(loaded.wildcardHistory, model_.fileTypes(), this);
  directory_ = HistoryBox(loaded.folderHistory, model_.directory(), this);
  text_->setObjectName("findWhat");
  types_->setObjectName("fileTypes");
  directory_->setObjectName("directory");

  auto* fields = new QGridLayout;
  const auto addRow = [&](int row, const char* label, QComboBox* box) {
    auto* caption = new QLabel(label, this);
    caption->setBuddy(box);
    fields->addWidget(caption, row, 0);
    fields->addWidget(box, row, 1);
  };
  addRow(0, "Fi&nd what:", text_);
  addRow(1, "&In file types:", types_);
  addRow(2, "In &directory:", directory_);
  browse_ = new QPushButton("Browse", this);
  browse_->setAutoDefault(false);
  browse_->setEnabled(false);
  fields->addWidget(browse_, 2, 2);

  wholeWord_ = new QCheckBox("Match &whole word only", this);
  matchCase_ = new QCheckBox("Match &case", this);
  subdirectories_ = new QCheckBox("&Search sub-directories", this);
  progress_ = new QCheckBox("Display &progress", this);
  projectFiles_ = new QCheckBox("Search project files only", this);
  subdirectories_->setChecked(model_.subdirectories());
  auto* options = new QGridLayout;
  options->addWidget(wholeWord_, 0, 0);
  options->addWidget(subdirectories_, 0, 1);
  options->addWidget(matchCase_, 1, 0);
  options->addWidget(progress_, 1, 1);
  options->addWidget(projectFiles_, 2, 0, 1, 2);

  limit_ = new QLabel(this);
  limit_->setObjectName("limitNote");
  limit_->setStyleSheet("color: #b00000;");
  limit_->setWordWrap(true);

  find_ = new QPushButton("&Find", this);
  find_->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setAutoDefault(false);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(find_);
  buttons->addWidget(cancel);
  buttons->addStretch();

  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  left->addWidget(limit_);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(text_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    model_.SetText(text.toStdString());
    Refresh();
  });
  connect(types_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    model_.SetFileTypes(text.toStdString());
    Refresh();
  });
  connect(directory_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    model_.SetDirectory(text.toStdString());
    Refresh();
  });
  connect(wholeWord_, &QCheckBox::toggled, this, [this](bool on) { model_.SetWholeWord(on); });
  connect(matchCase_, &QCheckBox::toggled, this, [this](bool on) { model_.SetMatchCase(on); });
  connect(subdirectories_, &QCheckBox::toggled, this,
          [this](bool on) { model_.SetSubdirectories(on); });
  connect(progress_, &QCheckBox::toggled, this, [this](bool on) { model_.SetShowProgress(on); });
  connect(projectFiles_, &QCheckBox::toggled, this, [this](bool on) {
    model_.SetProjectFilesOnly(on);
    Refresh();
  });
  connect(find_, &QPushButton::clicked, this, &FindInFilesDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &FindInFilesDialog::reject);
  connect(browse_, &QPushButton::clicked, this, &FindInFilesDialog::Browse);
  text_->lineEdit()->selectAll();
  text_->setFocus();
  Refresh();
}

FindInFilesDialog::~FindInFilesDialog() = default;

void FindInFilesDialog::SetFolderBrowser(FolderBrowser browser) {
  browser_ = std::move(browser);
  Refresh();
}

void FindInFilesDialog::OfferCurrentDirectory(const std::string& directory) {
  if (model_.OfferCurrentDirectory(directory)) directory_->setEditText(FromStd(directory));
}

void FindInFilesDialog::Refresh() {
  projectFiles_->setEnabled(model_.projectChoiceEnabled());
  directory_->setEnabled(model_.directoryEnabled());
  subdirectories_->setEnabled(model_.subdirectoriesEnabled());
  browse_->setEnabled(browser_ != nullptr && model_.directoryEnabled());
  const std::string note = model_.LimitText();
  limit_->setText(FromStd(note));
  limit_->setVisible(!note.empty());
  find_->setEnabled(model_.findEnabled());
}

void FindInFilesDialog::Browse() {
  if (!browser_) return;
  std::vector<std::string> history = model_.setup().folderHistory;
  const std::optional<std::string> chosen = browser_(model_.directory(), history);
  if (!chosen) return;
  model_.SetFolderHistory(history);
  directory_->setEditText(FromStd(*chosen));
}

void FindInFilesDialog::accept() {
  if (!model_.findEnabled()) return;
  QDialog::accept();
}

}  // namespace vandrel::ui
