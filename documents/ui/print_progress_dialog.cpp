#include "documents/ui/print_progress_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/message_box.h"
#include "core/string_ids.h"

namespace vandrel::ui {

PrintProgressDialog::PrintProgressDialog(const QString& documentName, const QString& printerName,
                                         QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QString::fromStdString(LoadText(kStrPrintingCaption)));
  setModal(true);
  auto* facts = new QGridLayout;
  page_ = new QLabel("1");
  auto* name = new QLabel(documentName);
  auto* printer = new QLabel(printerName);
  facts->addWidget(new QLabel("Now printing page"), 0, 0);
  facts->addWidget(page_, 0, 1);
  facts->addWidget(new QLabel("of"), 1, 0);
  facts->addWidget(name, 1, 1);
  facts->addWidget(new QLabel("on"), 2, 0);
  facts->addWidget(printer, 2, 1);
  facts->setColumnStretch(1, 1);
  bar_ = new QProgressBar;
  bar_->setRange(0, 100);
  bar_->setValue(0);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::rejected, this, &PrintProgressDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(facts);
  layout->addWidget(bar_);
  layout->addWidget(buttons);
  setMinimumWidth(320);
}

bool PrintProgressDialog::Advance(int page, std::int64_t linesDone, std::int64_t linesTotal) {
  page_->setText(QString::number(page));
  bar_->setValue(linesTotal > 0 ? static_cast<int>(linesDone * 100 / linesTotal) : 100);
  QApplication::processEvents();
  return !cancelled_;
}

void PrintProgressDialog::reject() {
  // The printout ends after its current line; the caller closes the dialog.
  cancelled_ = true;
}

}  // namespace vandrel::ui
