#include "editor/ui/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "editor/ui/editor_finder.h"
#include "editor/ui/history_combo.h"

namespace vandrel::ui {

FindDialog::FindDialog(const SearchDialogServices& services, QWidget* parent)
    : SearchDialog(FindDialogKind::kFind, services, parent) {
  setWindowTitle("Find");
  setObjectName("findDialog");
  auto* findLabel = new QLabel("Fi&nd what:", this);
  findLabel->setBuddy(findWhat_);

  auto* direction = new QGroupBox("Direction", this);
  up_ = new QRadioButton("&Up", direction);
  up_->setObjectName("up");
  down_ = new QRadioButton("&Down", direction);
  down_->setObjectName("down");
  auto* directionLayout = new QHBoxLayout(direction);
  directionLayout->addWidget(up_);
  directionLayout->addWidget(down_);
  (model_.up() ? up_ : down_)->setChecked(true);

  findNext_ = new QPushButton("&Find Next", this);
  findNext_->setObjectName("findNext");
  findNext_->setDefault(true);
  markAll_ = new QPushButton("&Mark All", this);
  markAll_->setObjectName("markAll");
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cancel");

  QLayout* options = OptionsBeside(direction);

  auto* fields = new QGridLayout;
  fields->addWidget(findLabel, 0, 0);
  fields->addWidget(findWhat_, 0, 1);
  fields->setColumnStretch(1, 1);
  fields->setColumnMinimumWidth(1, 220);

  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  left->addStretch();
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findNext_);
  buttons->addWidget(markAll_);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(findNext_, &QPushButton::clicked, this, &FindDialog::FindNext);
  connect(markAll_, &QPushButton::clicked, this, &FindDialog::MarkAll);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  UpdateButtons();
  findWhat_->setFocus();
}

void FindDialog::UpdateButtons() {
  findNext_->setEnabled(model_.SearchButtonsEnabled());
  markAll_->setEnabled(model_.SearchButtonsEnabled());
}

void FindDialog::ReadDirection() { model_.SetUp(up_->isChecked()); }

void FindDialog::FindNext() {
  ReadDirection();
  RecordSearch();
  if (!model_.SearchButtonsEnabled()) return;
  if (services_.finder->FindNext(model_.findText(), model_.SearchFlags())) KeepFoundTextInSight();
}

void FindDialog::MarkAll() {
  ReadDirection();
  RecordSearch();
  if (!model_.SearchButtonsEnabled()) return;
  if (services_.finder->MarkAll(model_.findText(), model_.SearchFlags()) > 0) accept();
}

}  // namespace vandrel::ui
