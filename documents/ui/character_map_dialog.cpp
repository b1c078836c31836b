#include "documents/ui/character_map_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/character_map_edit.h"
#include "platform/ascii_text.h"

namespace vandrel::ui {

namespace {

enum Column { kCharacter, kPc, kServer };

// What the first column shows for code `code`: the character as the PC
// shows it (Latin-1), or nothing for a control code.
QString CharacterText(int code) {
  if (code < 32 || (code >= 127 && code < 160)) return {};
  return QString(QChar(static_cast<char16_t>(code)));
}

QTableWidgetItem* FixedItem(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

CharacterMapDialog::CharacterMapDialog(CharacterMaps& maps, std::optional<std::string> oldName,
                                       UserInterface& ui, QWidget* parent)
    : QDialog(parent),
      maps_(maps),
      oldName_(std::move(oldName)),
      ui_(ui),
      name_(new QLineEdit(this)),
      grid_(new QTableWidget(255, 3, this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  setObjectName("characterMapDialog");
  setWindowTitle("Edit Character Map");
  if (oldName_) {
    if (const auto table = maps_.Find(*oldName_)) table_ = *table;
    name_->setText(QString::fromStdString(*oldName_));
  }
  name_->setObjectName("name");
  name_->setMaxLength(static_cast<int>(kCharacterMapNameLimit));
  auto* nameLabel = new QLabel("&Name:", this);
  nameLabel->setBuddy(name_);

  grid_->setObjectName("grid");
  grid_->setHorizontalHeaderLabels({"", "PC", "Server"});
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  filling_ = true;
  for (int pc = 1; pc <= 255; ++pc) {
    grid_->setItem(pc - 1, kCharacter, FixedItem(CharacterText(pc)));
    grid_->setItem(pc - 1, kPc, FixedItem(QString::number(pc)));
    grid_->setItem(pc - 1, kServer, new QTableWidgetItem);
    ShowServerCode(pc);
  }
  filling_ = false;
  grid_->horizontalHeader()->setSectionResizeMode(kCharacter, QHeaderView::ResizeToContents);
  grid_->horizontalHeader()->setStretchLastSection(true);
  auto* gridLabel = new QLabel("&Foreign character conversion map", this);
  gridLabel->setBuddy(grid_);
  auto* note = new QLabel(
      "Use the foreign character set conversion table to determine how specific characters "
      "should be translated when viewed on the PC",
      this);
  note->setWordWrap(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(nameLabel);
  layout->addWidget(name_);
  layout->addWidget(gridLabel);
  layout->addWidget(grid_, 1);
  layout->addWidget(note);
  layout->addWidget(buttons_);
  resize(380, 520);

  const auto nameChanged = [this] {
    buttons_->button(QDialogButtonBox::Ok)
        ->setEnabled(!platform::TrimAsciiSpace(name_->text().toStdString()).empty());
  };
  nameChanged();
  connect(name_, &QLineEdit::textChanged, this, nameChanged);
  connect(grid_, &QTableWidget::itemChanged, this, &CharacterMapDialog::CellChanged);
  connect(buttons_, &QDialogButtonBox::accepted, this, &CharacterMapDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  const int first = FirstShownCharacter(table_);
  grid_->scrollToItem(grid_->item(first - 1, kServer), QAbstractItemView::PositionAtTop);
  grid_->setCurrentCell(first - 1, kServer);
}

void CharacterMapDialog::ShowServerCode(int pc) {
  const std::uint8_t code = table_[static_cast<std::size_t>(pc)];
  const bool wasFilling = filling_;
  filling_ = true;
  grid_->item(pc - 1, kServer)->setText(code == 0 ? QString() : QString::number(code));
  filling_ = wasFilling;
}

void CharacterMapDialog::CellChanged(QTableWidgetItem* item) {
  if (filling_ || item->column() != kServer) return;
  const int pc = item->row() + 1;
  const ServerCodeChange change = TypeServerCode(table_, pc, item->text().toStdString());
  // Input that is not a code shows the entry as it stays.
  ShowServerCode(pc);
  if (change.pairedEntry) ShowServerCode(*change.pairedEntry);
}

void CharacterMapDialog::accept() {
  const std::string name(platform::TrimAsciiSpace(name_->text().toStdString()));
  switch (CheckMapName(maps_, oldName_, name)) {
    case MapNameCheck::kEmpty:
      return;
    case MapNameCheck::kDuplicate:
      MessageBox(ui_, kMbOk | kMbIconWarning, kStrCharacterMapExists, name);
      return;
    case MapNameCheck::kRenaming:
      if (MessageBox(ui_, kMbYesNo | kMbIconWarning, kStrConfirmRenameCharacterMap) != kIdYes) {
        return;
      }
      break;
    case MapNameCheck::kAccepted:
      break;
  }
  std::string error;
  const std::optional<std::string_view> old =
      oldName_ ? std::optional<std::string_view>(*oldName_) : std::nullopt;
  if (!maps_.Save(old, name, table_, &error)) {
    ui_.ShowMessage(MessageCaption(), error, kMbOk | kMbIconError);
    return;
  }
  savedName_ = name;
  QDialog::accept();
}

}  // namespace vandrel::ui
