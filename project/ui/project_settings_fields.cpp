#include "project/ui/project_settings_fields.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "core/string_table.h"
#include "project/macros.h"

namespace vandrel::ui {

QString QtFromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Utf8FromQt(const QString& text) { return text.toUtf8().toStdString(); }

// ---- SelectionCheckBox ----------------------------------------------------------

SelectionCheckBox::SelectionCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent) {}

void SelectionCheckBox::SetState(project::TriState state) {
  setTristate(state == project::TriState::kMixed);
  switch (state) {
    case project::TriState::kOn:
      setCheckState(Qt::Checked);
      break;
    case project::TriState::kOff:
      setCheckState(Qt::Unchecked);
      break;
    case project::TriState::kMixed:
      setCheckState(Qt::PartiallyChecked);
      break;
  }
}

project::TriState SelectionCheckBox::State() const {
  switch (checkState()) {
    case Qt::Checked:
      return project::TriState::kOn;
    case Qt::PartiallyChecked:
      return project::TriState::kMixed;
    default:
      return project::TriState::kOff;
  }
}

void SelectionCheckBox::nextCheckState() {
  // The user never chooses "partly": from there a click sets every item.
  const bool on = checkState() != Qt::Checked;
  setTristate(false);
  setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// ---- MacroCommandField ------------------------------------------------------------

QString MacroExample(const QString& command) {
  return QtFromUtf8(
      FormatText(StringTableText(kStrExampleFormat), project::PreviewMacros(Utf8FromQt(command))));
}

MacroCommandField::MacroCommandField(const QString& name, int maxLength, QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      button_(new MacroButton(edit_, project::ItemMacroMenu(), this)),
      example_(new QLabel(this)) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  auto* row = new QHBoxLayout;
  row->addWidget(edit_, 1);
  row->addWidget(button_);
  column->addLayout(row);
  column->addWidget(example_);

  setObjectName(name + "Field");
  edit_->setObjectName(name);
  edit_->setMaxLength(maxLength);
  button_->setObjectName(name + "Macros");
  example_->setObjectName(name + "Example");
  example_->setTextFormat(Qt::PlainText);
  example_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  setFocusProxy(edit_);

  connect(button_, &MacroButton::inserted, this, [this] { emit edited(edit_->text()); });

  connect(edit_, &QLineEdit::textChanged, this, [this] { ShowExample(); });
  connect(edit_, &QLineEdit::textEdited, this, &MacroCommandField::edited);
  ShowExample();
}

void MacroCommandField::SetText(const std::string& text) { edit_->setText(QtFromUtf8(text)); }

void MacroCommandField::ShowExample() { example_->setText(MacroExample(edit_->text())); }

// ---- SettingsPageWidget ------------------------------------------------------------

SettingsPageWidget::SettingsPageWidget(SettingsPageContext context, const QString& name,
                                       QWidget* parent)
    : QWidget(parent), context_(std::move(context)) {
  setObjectName(name);
}

SelectionCheckBox* SettingsPageWidget::FlagBox(const QString& text, const QString& name,
                                               project::ItemFlag flag, bool subtrees) {
  auto* box = new SelectionCheckBox(text, this);
  box->setObjectName(name);
  box->SetState(project::CommonItemFlag(selection(), flag));
  connect(box, &QCheckBox::clicked, this, [this, flag, subtrees](bool on) {
    project::SetItemFlag(selection(), flag, on);
    Changed(subtrees);
  });
  return box;
}

QLineEdit* SettingsPageWidget::TextField(const QString& name, project::ItemText text,
                                         bool subtrees) {
  auto* field = new QLineEdit(this);
  field->setObjectName(name);
  field->setMaxLength(static_cast<int>(project::ItemTextMaxLength(text)));
  field->setText(QtFromUtf8(project::CommonItemText(selection(), text).text));
  connect(field, &QLineEdit::textEdited, this, [this, text, subtrees](const QString& value) {
    project::SetItemText(selection(), text, Utf8FromQt(value));
    Changed(subtrees);
  });
  return field;
}

MacroCommandField* SettingsPageWidget::CommandField(const QString& name, project::ItemText text,
                                                    bool subtrees) {
  auto* field =
      new MacroCommandField(name, static_cast<int>(project::ItemTextMaxLength(text)), this);
  field->SetText(project::CommonItemText(selection(), text).text);
  connect(field, &MacroCommandField::edited, this, [this, text, subtrees](const QString& value) {
    project::SetItemText(selection(), text, Utf8FromQt(value));
    Changed(subtrees);
  });
  return field;
}

void SettingsPageWidget::OnChange(std::function<void()> refresh) {
  refresh();
  refreshers_.push_back(std::move(refresh));
}

void SettingsPageWidget::Changed(bool subtrees) {
  if (context_.itemsChanged) context_.itemsChanged(subtrees);
  for (const auto& refresh : refreshers_) refresh();
}

}  // namespace vandrel::ui
