// The "Edit Line Numbering" dialog of an editor window: binds its radios,
// line fields, sequence fields and check box to a RenumberModel, shows the
// model's texts beside them, and on OK either tells the user what is wrong
// (the dialog stays, with what was typed) or closes with the request.
#pragma once

#include <QDialog>
#include <optional>

#include "documents/renumber_model.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vandrel {
class UserInterface;
}

namespace vandrel::ui {

class RenumberDialog : public QDialog {
  Q_OBJECT

 public:
  // The messages of a refused OK go to `ui`, which must outlive the dialog.
  RenumberDialog(RenumberInput input, UserInterface& ui, QWidget* parent = nullptr);
  ~RenumberDialog() override;

  // Set once OK has passed every check.
  const std::optional<RenumberOutcome>& outcome() const { return outcome_; }
  const RenumberModel& model() const { return model_; }

  QRadioButton* entireFileButton() const { return entireFile_; }
  QRadioButton* rangeButton() const { return range_; }
  QLineEdit* firstLineField() const { return firstLine_; }
  QLineEdit* lastLineField() const { return lastLine_; }
  QLineEdit* startField() const { return start_; }
  QLineEdit* incrementField() const { return increment_; }
  QLabel* firstNumberLabel() const { return firstNumber_; }
  QLabel* lastNumberLabel() const { return lastNumber_; }
  QLabel* validRangeLabel() const { return validRange_; }
  QLabel* resultingSequenceLabel() const { return resulting_; }
  QCheckBox* markBox() const { return mark_; }
  QPushButton* okButton() const { return ok_; }

 public slots:
  void accept() override;

 private:
  // Copies every value and text of the model into the controls.
  void ShowLines();
  // The texts that follow the start and the increment.
  void ShowSequence();

  RenumberModel model_;
  UserInterface& ui_;
  std::optional<RenumberOutcome> outcome_;
  QRadioButton* entireFile_;
  QRadioButton* range_;
  QLineEdit* firstLine_;
  QLineEdit* lastLine_;
  QLabel* firstNumber_;
  QLabel* lastNumber_;
  QLabel* validRange_;
  QLineEdit* start_;
  QLineEdit* increment_;
  QLabel* resulting_;
  QCheckBox* mark_;
  QPushButton* ok_;
};

}  // namespace vandrel::ui
