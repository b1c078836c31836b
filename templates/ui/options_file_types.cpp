#include "templates/ui/options_file_types.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel::ui {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Text(int id) { return FromUtf8(StringTableText(id)); }

constexpr std::string_view kNoTemplate = "(none)";

}  // namespace

FileTypeDialog::FileTypeDialog(const FileType& entry, const TemplateCatalogue* catalogue,
                               QWidget* parent)
    : QDialog(parent), extensions_(new QLineEdit(this)), template_(new QComboBox(this)) {
  setObjectName("fileTypeDialog");
  setWindowTitle("File Type");
  extensions_->setObjectName("extensions");
  extensions_->setMaxLength(static_cast<int>(kFileTypeExtensionsLimit));
  extensions_->setText(FromUtf8(entry.extensions));

  template_->setObjectName("template");
  QStringList names{FromUtf8(kNoTemplate)};
  if (catalogue != nullptr) {
    for (const auto& item : catalogue->Templates()) names << FromUtf8(item->settings.Name);
  }
  names.sort(Qt::CaseInsensitive);
  template_->addItems(names);
  const int current = template_->findText(FromUtf8(entry.templateName), Qt::MatchFixedString);
  template_->setCurrentIndex(current >= 0 ? current : 0);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // An entry whose text could not be read back is not offered for storing.
  const auto refresh = [this] {
    const std::optional<std::string> text = FormatFileType(Entry());
    ok_->setEnabled(text.has_value() && text->size() <= kFileTypeTextLimit);
  };
  connect(extensions_, &QLineEdit::textChanged, this, refresh);
  refresh();

  auto* form = new QFormLayout;
  form->addRow("File extensions", extensions_);
  form->addRow("Open using template", template_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  resize(420, sizeHint().height());
}

FileType FileTypeDialog::Entry() const {
  return {template_->currentText().toStdString(), extensions_->text().toStdString()};
}

FileTypesOptionsPage::FileTypesOptionsPage(SettingsStore& store, const TemplateCatalogue* catalogue,
                                           QWidget* parent)
    : OptionsPage(QStringLiteral("fileTypesPage"), parent),
      store_(store),
      catalogue_(catalogue),
      list_(new QTreeWidget(this)),
      add_(new QPushButton("Add", this)),
      edit_(new QPushButton("Edit", this)),
      remove_(new QPushButton("Remove", this)) {
  list_->setObjectName("fileTypes");
  list_->setColumnCount(2);
  list_->setHeaderLabels({Text(kStrFileTypesColumnTemplate), Text(kStrFileTypesColumnExtension)});
  list_->setColumnWidth(0, 180);
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setStretchLastSection(true);
  for (const FileType& entry : ReadFileTypes(store_)) {
    new QTreeWidgetItem(list_, {FromUtf8(entry.templateName), FromUtf8(entry.extensions)});
  }
  add_->setObjectName("add");
  edit_->setObjectName("edit");
  remove_->setObjectName("remove");
  connect(add_, &QPushButton::clicked, this, &FileTypesOptionsPage::Add);
  connect(edit_, &QPushButton::clicked, this, &FileTypesOptionsPage::Edit);
  connect(remove_, &QPushButton::clicked, this, &FileTypesOptionsPage::Remove);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Edit(); });

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(add_);
  buttons->addWidget(edit_);
  buttons->addWidget(remove_);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
}

std::optional<FileType> FileTypesOptionsPage::Ask(const FileType& entry) {
  FileTypeDialog dialog(entry, catalogue_, this);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Entry();
}

void FileTypesOptionsPage::Add() {
  const std::optional<FileType> entry = Ask(FileType{});
  if (!entry) return;
  auto* row =
      new QTreeWidgetItem(list_, {FromUtf8(entry->templateName), FromUtf8(entry->extensions)});
  list_->setCurrentItem(row);
}

void FileTypesOptionsPage::Edit() {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return;
  QTreeWidgetItem* row = selected.front();
  const std::optional<FileType> entry =
      Ask({row->text(0).toStdString(), row->text(1).toStdString()});
  if (!entry) return;
  row->setText(0, FromUtf8(entry->templateName));
  row->setText(1, FromUtf8(entry->extensions));
}

void FileTypesOptionsPage::Remove() {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (!selected.isEmpty()) delete selected.front();
}

std::vector<FileType> FileTypesOptionsPage::Entries() const {
  std::vector<FileType> entries;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = list_->topLevelItem(i);
    entries.push_back({row->text(0).toStdString(), row->text(1).toStdString()});
  }
  return entries;
}

void FileTypesOptionsPage::Apply(AppSettings& settings) const {
  OptionsPage::Apply(settings);
  ApplyFileTypes(store_, Entries());
}

}  // namespace vandrel::ui
