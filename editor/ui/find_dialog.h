// The "Find" dialog: "Fi&nd what:", the check boxes, the direction, and
// "&Find Next", "&Mark All" and "Cancel". Modal over the editor window;
// Find Next keeps it open, Mark All closes it when it marked something.
#pragma once

#include "editor/ui/search_dialog.h"

class QRadioButton;

namespace vandrel::ui {

class FindDialog final : public SearchDialog {
  Q_OBJECT

 public:
  FindDialog(const SearchDialogServices& services, QWidget* parent);

 private:
  void UpdateButtons() override;
  void FindNext();
  void MarkAll();
  void ReadDirection();

  QRadioButton* up_ = nullptr;
  QRadioButton* down_ = nullptr;
  QPushButton* findNext_ = nullptr;
  QPushButton* markAll_ = nullptr;
};

}  // namespace vandrel::ui
