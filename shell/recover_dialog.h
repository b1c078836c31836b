// "Recover unsaved changes": what an editor that ended without saving left
// in the journal – each document with its name, host, time and size, to be
// reopened, discarded or kept for the next start – and the journals that
// could not be read, which were kept aside.
#pragma once

#include <QDialog>
#include <vector>

#include "editor/edit_journal.h"

class QTreeWidget;

namespace vandrel::shell {

class RecoverDialog final : public QDialog {
  Q_OBJECT

 public:
  enum Result { kLater = 0, kRecover = 1, kDiscard = 2 };

  RecoverDialog(const JournalListing& listing, const std::filesystem::path& folder,
                QWidget* parent = nullptr);

  // The journals checked, in the list's order.
  std::vector<std::filesystem::path> chosen() const;
  void SetChecked(int row, bool checked);
  QTreeWidget* list() const { return list_; }

 private:
  void Discard();

  std::vector<RecoverableJournal> journals_;
  QTreeWidget* list_ = nullptr;
};

}  // namespace vandrel::shell
