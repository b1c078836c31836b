#include "editor/ui/replace_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/find_history.h"
#include "editor/ui/editor_finder.h"
#include "editor/ui/history_combo.h"

namespace vandrel::ui {

ReplaceDialog::ReplaceDialog(const SearchDialogServices& services, QWidget* parent)
    : SearchDialog(FindDialogKind::kReplace, services, parent) {
  setWindowTitle("Replace");
  setObjectName("replaceDialog");
  auto* findLabel = new QLabel("Fi&nd what:", this);
  findLabel->setBuddy(findWhat_);
  replaceWith_ = new HistoryCombo(services.store, kReplaceHistory, this);
  replaceWith_->setObjectName("replaceWith");
  replaceWith_->SetText(std::string());
  auto* replaceLabel = new QLabel("R&eplace with:", this);
  replaceLabel->setBuddy(replaceWith_);
  // Tab goes from the text to find to its replacement, then on to the boxes.
  setTabOrder(findWhat_, replaceWith_);
  setTabOrder(replaceWith_, wholeWord_);

  auto* scope = new QGroupBox("Replace in", this);
  selection_ = new QRadioButton("&Selection", scope);
  selection_->setObjectName("selection");
  wholeFile_ = new QRadioButton("&Whole file", scope);
  wholeFile_->setObjectName("wholeFile");
  auto* scopeLayout = new QHBoxLayout(scope);
  scopeLayout->addWidget(selection_);
  scopeLayout->addWidget(wholeFile_);
  selection_->setEnabled(model_.selectionEnabled());
  (model_.inSelection() ? selection_ : wholeFile_)->setChecked(true);

  findNext_ = new QPushButton("&Find Next", this);
  findNext_->setObjectName("findNext");
  findNext_->setDefault(true);
  replace_ = new QPushButton(this);
  replace_->setObjectName("replace");
  replaceAll_ = new QPushButton(this);
  replaceAll_->setObjectName("replaceAll");
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cancel");

  auto* fields = new QGridLayout;
  fields->addWidget(findLabel, 0, 0);
  fields->addWidget(findWhat_, 0, 1);
  fields->addWidget(replaceLabel, 1, 0);
  fields->addWidget(replaceWith_, 1, 1);
  fields->setColumnStretch(1, 1);
  fields->setColumnMinimumWidth(1, 220);
  QLayout* options = OptionsBeside(scope);
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  left->addStretch();
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findNext_);
  buttons->addWidget(replace_);
  buttons->addWidget(replaceAll_);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(replaceWith_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    model_.SetReplaceText(text.toStdString());
    UpdateButtons();
  });
  connect(selection_, &QRadioButton::toggled, this, [this](bool on) {
    model_.SetInSelection(on);
    UpdateButtons();
  });
  connect(findNext_, &QPushButton::clicked, this, &ReplaceDialog::FindNext);
  connect(replace_, &QPushButton::clicked, this, &ReplaceDialog::Replace);
  connect(replaceAll_, &QPushButton::clicked, this, &ReplaceDialog::ReplaceAll);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  UpdateButtons();
  findWhat_->setFocus();
}

void ReplaceDialog::UpdateButtons() {
  findNext_->setEnabled(model_.ReplaceFindNextEnabled());
  replace_->setEnabled(model_.SearchButtonsEnabled());
  replaceAll_->setEnabled(model_.SearchButtonsEnabled());
  wrap_->setEnabled(model_.WrapEnabled());
  replace_->setText(QString::fromUtf8(model_.ReplaceButtonText().data(),
                                      static_cast<int>(model_.ReplaceButtonText().size())));
  replaceAll_->setText(QString::fromUtf8(model_.ReplaceAllButtonText().data(),
                                         static_cast<int>(model_.ReplaceAllButtonText().size())));
}

void ReplaceDialog::RecordReplace() {
  RecordSearch();
  model_.SetReplaceText(replaceWith_->Text());
  replaceWith_->SaveHistory();
}

void ReplaceDialog::FindNext() {
  RecordReplace();
  if (!model_.ReplaceFindNextEnabled()) return;
  if (services_.finder->FindNext(model_.findText(), model_.SearchFlags())) KeepFoundTextInSight();
}

void ReplaceDialog::Replace() {
  RecordReplace();
  if (!model_.SearchButtonsEnabled()) return;
  if (services_.finder->Replace(model_.findText(), model_.replaceText(), model_.SearchFlags())) {
    KeepFoundTextInSight();
  }
}

void ReplaceDialog::ReplaceAll() {
  RecordReplace();
  if (!model_.SearchButtonsEnabled()) return;
  services_.finder->ReplaceAll(model_.findText(), model_.replaceText(), model_.SearchFlags(),
                               model_.inSelection());
}

}  // namespace vandrel::ui
