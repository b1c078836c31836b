#include "editor/ui/renumber_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/message_box.h"

namespace vandrel::ui {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

// A field's value as the model takes it: what does not read as a number
// (an empty field) counts as 0, which the checks on OK refuse.
std::int64_t FieldValue(const QLineEdit* field) {
  bool ok = false;
  const qlonglong value = field->text().trimmed().toLongLong(&ok);
  return ok ? value : 0;
}

QLineEdit* NumberField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setValidator(new QRegularExpressionValidator(QRegularExpression("-?[0-9]{0,11}"), field));
  field->setMaximumWidth(110);
  return field;
}

QLabel* Header(const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace

RenumberDialog::RenumberDialog(RenumberInput input, UserInterface& ui, QWidget* parent)
    : QDialog(parent), model_(std::move(input)), ui_(ui) {
  setWindowTitle("Edit Line Numbering");
  auto* layout = new QVBoxLayout(this);

  layout->addWidget(Header("1. Select the range or lines to be renumbered", this));
  entireFile_ = new QRadioButton("Entire file", this);
  range_ = new QRadioButton("Specified range of lines", this);
  auto* scope = new QHBoxLayout;
  scope->addSpacing(16);
  scope->addWidget(entireFile_);
  scope->addWidget(range_);
  scope->addStretch();
  layout->addLayout(scope);

  layout->addWidget(Header("2. Determine content of numbering range", this));
  auto* lines = new QGridLayout;
  lines->setColumnMinimumWidth(0, 16);
  firstLine_ = NumberField(this);
  lastLine_ = NumberField(this);
  firstNumber_ = new QLabel(this);
  lastNumber_ = new QLabel(this);
  firstNumber_->setObjectName("firstNumber");
  lastNumber_->setObjectName("lastNumber");
  lines->addWidget(new QLabel("Starting at line:", this), 0, 1);
  lines->addWidget(firstLine_, 0, 2);
  lines->addWidget(firstNumber_, 0, 3);
  lines->addWidget(new QLabel("Ending at line:", this), 1, 1);
  lines->addWidget(lastLine_, 1, 2);
  lines->addWidget(lastNumber_, 1, 3);
  lines->setColumnStretch(4, 1);
  layout->addLayout(lines);

  layout->addWidget(Header("3. Determine sequence of numbering", this));
  auto* sequence = new QGridLayout;
  sequence->setColumnMinimumWidth(0, 16);
  validRange_ = new QLabel(this);
  validRange_->setObjectName("validRange");
  start_ = NumberField(this);
  increment_ = NumberField(this);
  resulting_ = new QLabel(this);
  resulting_->setObjectName("resultingSequence");
  sequence->addWidget(new QLabel("Valid range", this), 0, 1);
  sequence->addWidget(validRange_, 0, 2, 1, 2);
  sequence->addWidget(new QLabel("Starting line number:", this), 1, 1);
  sequence->addWidget(start_, 1, 2);
  sequence->addWidget(new QLabel("Increment:", this), 2, 1);
  sequence->addWidget(increment_, 2, 2);
  sequence->addWidget(new QLabel("Resulting sequence:", this), 3, 1);
  sequence->addWidget(resulting_, 3, 2, 1, 2);
  sequence->setColumnStretch(4, 1);
  layout->addLayout(sequence);

  layout->addWidget(
      Header("4. Check resulting sequence, check renumber options then click OK", this));
  mark_ = new QCheckBox("Mark and tag renumbered lines", this);
  auto* options = new QHBoxLayout;
  options->addSpacing(16);
  options->addWidget(mark_);
  options->addStretch();
  layout->addLayout(options);

  ok_ = new QPushButton("OK", this);
  ok_->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  entireFile_->setEnabled(model_.rangeChoiceEnabled());
  range_->setEnabled(model_.rangeChoiceEnabled());
  mark_->setEnabled(model_.markChoiceEnabled());
  mark_->setChecked(model_.markLines());
  ShowLines();

  connect(entireFile_, &QRadioButton::clicked, this, [this] {
    model_.ChooseScope(RenumberScope::kEntireFile);
    ShowLines();
  });
  connect(range_, &QRadioButton::clicked, this, [this] {
    model_.ChooseScope(RenumberScope::kRange);
    ShowLines();
  });
  // Only what the user types is passed back: the fields the model fills in
  // would otherwise feed their own values back to it.
  connect(firstLine_, &QLineEdit::textEdited, this, [this] {
    model_.SetFirstLine(FieldValue(firstLine_));
    ShowLines();
  });
  connect(lastLine_, &QLineEdit::textEdited, this, [this] {
    model_.SetLastLine(FieldValue(lastLine_));
    ShowLines();
  });
  connect(start_, &QLineEdit::textEdited, this, [this] {
    model_.SetStart(FieldValue(start_));
    ShowSequence();
  });
  connect(increment_, &QLineEdit::textEdited, this, [this] {
    model_.SetIncrement(FieldValue(increment_));
    ShowSequence();
  });
  connect(mark_, &QCheckBox::toggled, this, [this](bool on) { model_.SetMarkLines(on); });
  connect(ok_, &QPushButton::clicked, this, &RenumberDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &RenumberDialog::reject);
}

RenumberDialog::~RenumberDialog() = default;

void RenumberDialog::ShowLines() {
  const bool range = model_.scope() == RenumberScope::kRange;
  entireFile_->setChecked(!range);
  range_->setChecked(range);
  firstLine_->setEnabled(model_.lineFieldsEnabled());
  lastLine_->setEnabled(model_.lineFieldsEnabled());
  // A field being typed in keeps what the user typed.
  if (!firstLine_->hasFocus() || !range) firstLine_->setText(QString::number(model_.firstLine()));
  if (!lastLine_->hasFocus() || !range) lastLine_->setText(QString::number(model_.lastLine()));
  firstNumber_->setText(FromStd(model_.firstNumberText()));
  lastNumber_->setText(FromStd(model_.lastNumberText()));
  validRange_->setText(FromStd(model_.validRangeText()));
  start_->setText(QString::number(model_.start()));
  increment_->setText(QString::number(model_.increment()));
  increment_->setEnabled(model_.incrementEnabled());
  ShowSequence();
}

void RenumberDialog::ShowSequence() {
  resulting_->setText(FromStd(model_.resultingSequenceText()));
}

void RenumberDialog::accept() {
  const RenumberOutcome outcome = model_.Accept();
  if (!outcome.accepted()) {
    MessageBox(ui_, kMbOk | kMbIconWarning, outcome.messageId);
    return;
  }
  outcome_ = outcome;
  QDialog::accept();
}

}  // namespace vandrel::ui
