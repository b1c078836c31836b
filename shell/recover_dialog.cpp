#include "shell/recover_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vandrel::shell {

namespace {

QString Written(std::int64_t msSinceEpoch) {
  return QLocale().toString(QDateTime::fromMSecsSinceEpoch(msSinceEpoch), QLocale::ShortFormat);
}

QString Size(const RecoverableJournal& journal) {
  return QObject::tr("%1 lines, %2 bytes")
      .arg(QLocale().toString(static_cast<qlonglong>(journal.lineCount)),
           QLocale().toString(static_cast<qulonglong>(journal.textBytes)));
}

}  // namespace

RecoverDialog::RecoverDialog(const JournalListing& listing, const std::filesystem::path& folder,
                             QWidget* parent)
    : QDialog(parent), journals_(listing.recoverable) {
  setWindowTitle(tr("Recover unsaved changes"));
  auto* layout = new QVBoxLayout(this);
  if (!journals_.empty()) {
    auto* intro = new QLabel(
        tr("Vandrel ended without saving the documents below. The checked ones reopen as "
           "they were, modified; a host document is saved to the host as usual, asking first "
           "if the host file changed meanwhile."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("Document"), tr("Host"), tr("Written"), tr("Size")});
    for (const RecoverableJournal& journal : journals_) {
      auto* item = new QTreeWidgetItem(list_);
      item->setText(0, journal.documentName.empty() ? tr("Untitled")
                                                    : QString::fromStdString(journal.documentName));
      item->setText(1, journal.local ? tr("(local)") : QString::fromStdString(journal.hostName));
      item->setText(2, Written(journal.writtenAt));
      item->setText(3, Size(journal));
      item->setCheckState(0, Qt::Checked);
    }
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column) list_->resizeColumnToContents(column);
    list_->setMinimumSize(640, 160);
    layout->addWidget(list_, 1);
  }
  if (!listing.unreadable.empty()) {
    auto* kept = new QLabel(
        tr("%1 journal file(s) could not be read. They were not deleted: they are kept in %2.")
            .arg(listing.unreadable.size())
            .arg(QString::fromStdString((folder / "unreadable").string())),
        this);
    kept->setWordWrap(true);
    kept->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(kept);
  }

  auto* buttons = new QDialogButtonBox(this);
  if (!journals_.empty()) {
    buttons->addButton(tr("&Recover"), QDialogButtonBox::AcceptRole)->setDefault(true);
    auto* discard = buttons->addButton(tr("&Discard"), QDialogButtonBox::DestructiveRole);
    connect(discard, &QPushButton::clicked, this, &RecoverDialog::Discard);
    buttons->addButton(tr("&Later"), QDialogButtonBox::RejectRole)
        ->setToolTip(tr("Keeps every journal for the next start."));
  } else {
    buttons->addButton(QDialogButtonBox::Close);
  }
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { done(kRecover); });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { done(kLater); });
  layout->addWidget(buttons);
}

std::vector<std::filesystem::path> RecoverDialog::chosen() const {
  std::vector<std::filesystem::path> paths;
  if (list_ == nullptr) return paths;
  for (int row = 0; row < list_->topLevelItemCount(); ++row) {
    if (list_->topLevelItem(row)->checkState(0) == Qt::Checked) {
      paths.push_back(journals_[static_cast<std::size_t>(row)].path);
    }
  }
  return paths;
}

void RecoverDialog::SetChecked(int row, bool checked) {
  if (list_ == nullptr || row < 0 || row >= list_->topLevelItemCount()) return;
  list_->topLevelItem(row)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void RecoverDialog::Discard() {
  const std::size_t count = chosen().size();
  if (count == 0) return;
  const auto answer = QMessageBox::question(
      this, windowTitle(),
      tr("Discard the unsaved changes of %1 document(s)? They cannot be recovered afterwards.")
          .arg(count),
      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer == QMessageBox::Yes) done(kDiscard);
}

}  // namespace vandrel::shell
