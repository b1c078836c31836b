// The "Replace" dialog: "Fi&nd what:", "R&eplace with:", the check boxes,
// "Replace in" "&Selection" or "&Whole file", and "&Find Next", "&Replace"
// (or "&Delete"), "Replace &All" (or "Delete &All") and "Cancel". Modal over
// the editor window; it stays open until Cancel.
#pragma once

#include "editor/ui/search_dialog.h"

class QRadioButton;

namespace vandrel::ui {

class ReplaceDialog final : public SearchDialog {
  Q_OBJECT

 public:
  ReplaceDialog(const SearchDialogServices& services, QWidget* parent);

 private:
  void UpdateButtons() override;
  // Find Next, Replace and Replace All first record the replacement too.
  void RecordReplace();
  void FindNext();
  void Replace();
  void ReplaceAll();

  HistoryCombo* replaceWith_ = nullptr;
  QRadioButton* selection_ = nullptr;
  QRadioButton* wholeFile_ = nullptr;
  QPushButton* findNext_ = nullptr;
  QPushButton* replace_ = nullptr;
  QPushButton* replaceAll_ = nullptr;
};

}  // namespace vandrel::ui
