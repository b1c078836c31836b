// The conflicts of a merge with the host's version of a file: for every
// stretch both sides changed differently, the lines as edited here beside
// the lines as changed on the server, and the user's choice of one of them.
// Everything that does not conflict is merged without a question.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "core/three_way_merge.h"

class QRadioButton;

namespace vandrel::ui {

class MergeConflictDialog final : public QDialog {
  Q_OBJECT

 public:
  MergeConflictDialog(const std::vector<MergeChunk>& chunks, const std::string& hostPath,
                      QWidget* parent = nullptr);

  std::size_t conflictCount() const { return keepMine_.size(); }
  // Per conflict, in order: true keeps the lines edited here.
  std::vector<bool> takeMine() const;
  void Choose(std::size_t conflict, bool mine);
  void ChooseAll(bool mine);

 private:
  std::vector<QRadioButton*> keepMine_;
  std::vector<QRadioButton*> takeTheirs_;
};

}  // namespace vandrel::ui
