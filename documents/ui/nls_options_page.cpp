#include "documents/ui/nls_options_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/character_maps.h"
#include "documents/ui/character_map_dialog.h"

namespace vandrel::ui {

NlsOptionsPage::NlsOptionsPage(CharacterMaps& maps, const AppSettings& settings, UserInterface& ui,
                               QWidget* parent)
    : QWidget(parent),
      maps_(maps),
      ui_(ui),
      default_(new QComboBox(this)),
      list_(new QListWidget(this)),
      edit_(new QPushButton("&Edit...", this)),
      delete_(new QPushButton("&Delete", this)) {
  setObjectName("nlsPage");
  default_->setObjectName("defaultMap");
  list_->setObjectName("maps");
  edit_->setObjectName("edit");
  delete_->setObjectName("delete");
  auto* add = new QPushButton("&Add...", this);
  add->setObjectName("add");
  if (maps_.folder().empty()) {
    add->setEnabled(false);
    add->setToolTip("Set the Native Language Files folder under Directories first");
  }
  auto* defaultLabel = new QLabel("&Translate all files using:", this);
  defaultLabel->setBuddy(default_);
  auto* listLabel = new QLabel("&Installed character maps:", this);
  listLabel->setBuddy(list_);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(edit_);
  buttons->addWidget(delete_);
  buttons->addStretch(1);
  auto* layout = new QGridLayout(this);
  layout->addWidget(defaultLabel, 0, 0, 1, 2);
  layout->addWidget(default_, 1, 0);
  layout->addWidget(listLabel, 2, 0, 1, 2);
  layout->addWidget(list_, 3, 0);
  layout->addLayout(buttons, 3, 1);
  layout->setRowStretch(3, 1);

  FillLists({}, QString::fromStdString(settings.NLSDefaultCharSet));
  connect(add, &QPushButton::clicked, this, &NlsOptionsPage::AddMap);
  connect(edit_, &QPushButton::clicked, this, &NlsOptionsPage::EditMap);
  connect(delete_, &QPushButton::clicked, this, &NlsOptionsPage::DeleteMap);
  connect(list_, &QListWidget::itemDoubleClicked, this, &NlsOptionsPage::EditMap);
  connect(list_, &QListWidget::itemSelectionChanged, this, &NlsOptionsPage::SelectionChanged);
  SelectionChanged();
}

void NlsOptionsPage::FillLists(const QString& selected, const QString& chosenDefault) {
  default_->clear();
  list_->clear();
  default_->addItem(QString::fromUtf8(kNoCharacterMap.data(), kNoCharacterMap.size()));
  for (const std::string& name : maps_.Names()) {
    const QString text = QString::fromStdString(name);
    default_->addItem(text);
    list_->addItem(text);
    if (text.compare(selected, Qt::CaseInsensitive) == 0) list_->setCurrentRow(list_->count() - 1);
  }
  // A default that is no longer listed falls back to no translation.
  default_->setCurrentIndex(std::max(0, default_->findText(chosenDefault, Qt::MatchFixedString)));
}

void NlsOptionsPage::SelectionChanged() {
  const bool selected = list_->currentItem() != nullptr && list_->currentItem()->isSelected();
  edit_->setEnabled(selected);
  delete_->setEnabled(selected);
}

void NlsOptionsPage::AddMap() {
  CharacterMapDialog dialog(maps_, std::nullopt, ui_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  FillLists(QString::fromStdString(dialog.savedName()), default_->currentText());
}

void NlsOptionsPage::EditMap() {
  if (list_->currentItem() == nullptr) return;
  const QString old = list_->currentItem()->text();
  CharacterMapDialog dialog(maps_, old.toStdString(), ui_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // A renamed map stays the default when it was.
  const QString saved = QString::fromStdString(dialog.savedName());
  const QString chosen = default_->currentText().compare(old, Qt::CaseInsensitive) == 0
                             ? saved
                             : default_->currentText();
  FillLists(saved, chosen);
}

void NlsOptionsPage::DeleteMap() {
  if (list_->currentItem() == nullptr) return;
  const std::string name = list_->currentItem()->text().toStdString();
  if (MessageBox(ui_, kMbYesNo | kMbIconQuestion, kStrConfirmDeleteCharacterMap, name) != kIdYes) {
    return;
  }
  std::string error;
  if (!maps_.Delete(name, &error)) {
    ui_.ShowMessage(MessageCaption(), error, kMbOk | kMbIconError);
    return;
  }
  FillLists({}, default_->currentText());
}

void NlsOptionsPage::Apply(AppSettings& settings) const {
  settings.NLSDefaultCharSet = default_->currentText().toStdString();
}

}  // namespace vandrel::ui
