#include "editor/ui/go_to_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/control_messages.h"
#include "editor/ui/editor_navigator.h"
#include "editor/ui/editor_window.h"

namespace vandrel::ui {

namespace {

// The pin's two states: a pin lying down (the dialog closes when it loses
// the focus) and a pin stuck in (it stays).
QIcon PinIcon(bool in) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(QColor(200, 40, 40));
  if (in) {
    p.drawEllipse(QRectF(4.5, 1.5, 7, 7));
    p.drawLine(QPointF(8, 8.5), QPointF(8, 15));
  } else {
    p.drawEllipse(QRectF(1.5, 4.5, 7, 7));
    p.drawLine(QPointF(8.5, 8), QPointF(15, 8));
  }
  return QIcon(pixmap);
}

}  // namespace

GoToDialog::GoToDialog(GoToTarget& target, QWidget* frame) : QDialog(frame), target_(target) {
  setObjectName("goToDialog");
  setWindowTitle("Go To");
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  auto* whatLabel = new QLabel("&Go to what ?", this);
  choices_ = new QListWidget(this);
  choices_->setObjectName("goToChoices");
  for (const std::string& name : GoToChoiceNames()) choices_->addItem(QString::fromStdString(name));
  whatLabel->setBuddy(choices_);
  choices_->setFixedWidth(120);

  prompt_ = new QLabel(this);
  input_ = new QLineEdit(this);
  input_->setObjectName("goToInput");
  identifiers_ = new QComboBox(this);
  identifiers_->setObjectName("goToIdentifiers");
  identifiers_->setEditable(true);
  identifiers_->setInsertPolicy(QComboBox::NoInsert);
  physical_ = new QCheckBox("Use physical line numbers", this);
  physical_->setObjectName("goToPhysical");
  help_ = new QLabel(this);
  help_->setWordWrap(true);
  // One width for every choice, so the dialog does not change shape.
  const int middleWidth = help_->fontMetrics().averageCharWidth() * 40;
  help_->setFixedWidth(middleWidth);
  help_->setMinimumHeight(help_->fontMetrics().lineSpacing() * 4);

  go_ = new QPushButton(this);
  go_->setObjectName("goToButton");
  go_->setDefault(true);
  previous_ = new QPushButton("&Previous", this);
  previous_->setObjectName("goToPrevious");
  auto* close = new QPushButton("Close", this);
  pin_ = new QToolButton(this);
  pin_->setObjectName("goToPin");
  pin_->setCheckable(true);
  pin_->setAutoRaise(true);
  pin_->setIcon(PinIcon(false));
  pin_->setToolTip("Pin");

  auto* left = new QVBoxLayout;
  left->addWidget(whatLabel);
  left->addWidget(choices_);
  auto* middle = new QVBoxLayout;
  middle->addWidget(prompt_);
  middle->addWidget(input_);
  middle->addWidget(identifiers_);
  middle->addWidget(physical_);
  middle->addWidget(help_);
  middle->addStretch(1);
  auto* buttons = new QVBoxLayout;
  auto* pinRow = new QHBoxLayout;
  pinRow->addStretch(1);
  pinRow->addWidget(pin_);
  buttons->addLayout(pinRow);
  buttons->addWidget(go_);
  buttons->addWidget(previous_);
  buttons->addWidget(close);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(middle, 1);
  layout->addLayout(buttons);

  connect(choices_, &QListWidget::currentRowChanged, this, [this] { ShowChoice(); });
  connect(go_, &QPushButton::clicked, this, [this] { Run(true); });
  connect(previous_, &QPushButton::clicked, this, [this] { Run(false); });
  connect(close, &QPushButton::clicked, this, [this] {
    this->close();
    target_.ActivateDocument();
  });
  connect(pin_, &QToolButton::toggled, this, [this](bool in) { pin_->setIcon(PinIcon(in)); });

  Refill();
  SetChoice(GoToChoice::kLine);
  resize(440, sizeHint().height());
}

GoToChoice GoToDialog::choice() const {
  const int row = choices_->currentRow();
  return row >= 0 && row <= static_cast<int>(GoToChoice::kReference) ? static_cast<GoToChoice>(row)
                                                                     : GoToChoice::kLine;
}

void GoToDialog::SetChoice(GoToChoice choice) { choices_->setCurrentRow(static_cast<int>(choice)); }

bool GoToDialog::pinned() const { return pin_->isChecked(); }

void GoToDialog::Refill() {
  EditorWindow* editor = target_.ActiveDocument();
  const QString typed = identifiers_->currentText();
  identifiers_->clear();
  entryCount_ = 0;
  if (editor) {
    for (const FunctionListEntry& entry : editor->navigator().entries()) {
      identifiers_->addItem(QString::fromStdString(entry.text));
    }
    entryCount_ = editor->navigator().entries().size();
  }
  // The text typed before stays, selected, while the list still has it.
  const int kept = identifiers_->findText(typed, Qt::MatchFixedString);
  if (kept >= 0) {
    identifiers_->setCurrentIndex(kept);
    identifiers_->lineEdit()->selectAll();
  } else {
    identifiers_->setEditText(QString());
  }
  const bool numbered = editor && editor->HasLineNumbers();
  physical_->setEnabled(numbered);
  physical_->setChecked(numbered && editor->lineNumberView() == LineNumberView::kFile);
  ShowChoice();
}

void GoToDialog::ShowChoice() {
  const GoToChoiceFacts facts = FactsOf(choice(), entryCount_);
  prompt_->setText(QString::fromStdString(facts.prompt));
  go_->setText(QString::fromStdString(facts.button));
  previous_->setEnabled(facts.previous);
  input_->setVisible(!facts.identifiers);
  input_->setEnabled(facts.number);
  identifiers_->setVisible(facts.identifiers);
  const bool haveEntries = entryCount_ > 0;
  identifiers_->setEnabled(haveEntries);
  go_->setEnabled(!facts.identifiers || haveEntries);
  prompt_->setBuddy(facts.identifiers ? static_cast<QWidget*>(identifiers_) : input_);
  physical_->setVisible(choice() == GoToChoice::kLine);
  help_->setVisible(choice() != GoToChoice::kLine);
  help_->setText(QString::fromStdString(facts.help));
}

QString GoToDialog::InputText() const {
  return choice() == GoToChoice::kDefinition || choice() == GoToChoice::kReference
             ? identifiers_->currentText()
             : input_->text();
}

void GoToDialog::Run(bool forward) {
  EditorWindow* editor = target_.ActiveDocument();
  const std::string text = InputText().toStdString();
  switch (choice()) {
    case GoToChoice::kBookmark:
      if (editor) editor->NextBookmark(forward);
      break;
    case GoToChoice::kDefinition: {
      const int index = identifiers_->findText(InputText(), Qt::MatchFixedString);
      if (editor && index >= 0) editor->GoToLine(index, kGoToNavigatorEntry | kGoToMark);
      break;
    }
    case GoToChoice::kErrorTag:
      target_.NextErrorTag(forward);
      break;
    case GoToChoice::kLine:
      if (editor) {
        const bool physical = physical_->isEnabled() && physical_->isChecked();
        if (const std::optional<GoToLineRequest> request = ReadLineInput(text, physical)) {
          editor->GoToLine(request->value, request->flags);
        }
      }
      break;
    case GoToChoice::kReference:
      if (editor) editor->GoToText(ReferenceText(text), forward ? kGoToNextUse : kGoToPreviousUse);
      break;
  }
  if (identifiers_->isVisible()) {
    identifiers_->setFocus();
  } else {
    input_->setFocus();
  }
}

void GoToDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::ActivationChange) return;
  if (isActiveWindow()) {
    Refill();
  } else if (!pinned() && isVisible()) {
    // Losing the focus closes the dialog unless it is pinned open.
    close();
  }
}

}  // namespace vandrel::ui
