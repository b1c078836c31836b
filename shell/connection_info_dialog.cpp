#include "shell/connection_info_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "remote/connection_info.h"

namespace vandrel::shell {
namespace {

QGroupBox* FieldGroup(const QString& title, const std::vector<remote::ConnectionInfoItem>& items,
                      QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* form = new QFormLayout(group);
  for (const remote::ConnectionInfoItem& item : items) {
    auto* value = new QLabel(QString::fromStdString(item.value), group);
    // The values can be copied, e.g. into a support request.
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString::fromStdString(item.caption), value);
  }
  return group;
}

}  // namespace

ConnectionInfoDialog::ConnectionInfoDialog(std::string_view information, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QString::fromStdString(vandrel::LoadText(kStrConnectionInfoCaption)));
  const remote::ConnectionInformation described = remote::DescribeConnection(information);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FieldGroup(tr("Host system"), described.system, this));
  layout->addWidget(FieldGroup(tr("Host agent"), described.agent, this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

}  // namespace vandrel::shell
