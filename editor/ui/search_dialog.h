// What the Find and Replace dialogs share: the "Fi&nd what:" box with its
// history, the three check boxes, the dialog model with the options, the
// record of a search made from the dialog (histories saved and reloaded,
// options stored) and the move that keeps the found text in sight.
#pragma once

#include <QDialog>
#include <memory>

#include "editor/find_model.h"

class QCheckBox;
class QLayout;
class QPushButton;

namespace vandrel {
struct AppSettings;
class SettingsStore;
}  // namespace vandrel

namespace vandrel::ui {

class EditorFinder;
class HistoryCombo;
class QsciEditControl;

// What a dialog works with; every pointer but `store` must outlive it.
struct SearchDialogServices {
  QsciEditControl* control = nullptr;
  EditorFinder* finder = nullptr;
  FindSession* session = nullptr;
  const AppSettings* settings = nullptr;  // KeepFindSelVisible
  SettingsStore* store = nullptr;         // the histories; null keeps none
};

class SearchDialog : public QDialog {
  Q_OBJECT

 public:
  const FindDialogModel& model() const { return model_; }

 protected:
  SearchDialog(FindDialogKind kind, const SearchDialogServices& services, QWidget* parent);

  // Takes the boxes into the model.
  void ReadBoxes();
  // The check boxes in a column, beside `choice` (the direction or the
  // range), as both dialogs lay them out.
  QLayout* OptionsBeside(QWidget* choice);
  // Before a search: the search text's history saved and loaded again and
  // the options stored.
  void RecordSearch();
  // After a found text was selected: moves the dialog off it when
  // KeepFindSelVisible is on and the dialog covers it.
  void KeepFoundTextInSight();
  // The enabling and texts that follow the model.
  virtual void UpdateButtons() = 0;

  SearchDialogServices services_;
  FindDialogModel model_;
  HistoryCombo* findWhat_ = nullptr;
  QCheckBox* wholeWord_ = nullptr;
  QCheckBox* matchCase_ = nullptr;
  QCheckBox* wrap_ = nullptr;
};

}  // namespace vandrel::ui
