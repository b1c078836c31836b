#include "project/ui/tool_arguments_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "project/macros.h"
#include "project/ui/macro_button.h"

namespace vandrel::ui {

ToolArgumentsDialog::ToolArgumentsDialog(const std::string& command, const std::string& arguments,
                                         bool output, QWidget* parent)
    : QDialog(parent), arguments_(new QLineEdit(this)), output_(new QCheckBox(this)) {
  setWindowTitle(tr("Tool Arguments"));
  auto* commandField = new QLineEdit(QString::fromStdString(command), this);
  commandField->setObjectName(QStringLiteral("command"));
  commandField->setReadOnly(true);
  arguments_->setObjectName(QStringLiteral("arguments"));
  arguments_->setMaxLength(kToolArgumentsLength);
  arguments_->setText(QString::fromStdString(arguments));
  auto* macros = new MacroButton(arguments_, project::ToolArgumentsMacroMenu(), this);
  macros->setObjectName(QStringLiteral("argumentsMacros"));
  auto* argumentsRow = new QHBoxLayout;
  argumentsRow->addWidget(arguments_, 1);
  argumentsRow->addWidget(macros);
  output_->setObjectName(QStringLiteral("output"));
  output_->setText(tr("Output to new window"));
  output_->setChecked(output);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout(this);
  form->addRow(tr("Command:"), commandField);
  // The label's accelerator reaches the field inside the row.
  auto* argumentsLabel = new QLabel(tr("&Arguments:"), this);
  argumentsLabel->setBuddy(arguments_);
  form->addRow(argumentsLabel, argumentsRow);
  form->addRow(QString(), output_);
  form->addRow(buttons);
  resize(460, sizeHint().height());
  arguments_->setFocus();
  arguments_->selectAll();
}

ToolArgumentsChoice ToolArgumentsDialog::choice() const {
  return {arguments_->text().toStdString(), output_->isChecked()};
}

std::optional<ToolArgumentsChoice> AskToolArguments(QWidget* parent, const std::string& command,
                                                    const std::string& arguments, bool output) {
  ToolArgumentsDialog dialog(command, arguments, output, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.choice();
}

}  // namespace vandrel::ui
