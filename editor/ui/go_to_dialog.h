// The "Go To" dialog: modeless over the main frame, one at a time, pinnable.
// It moves the caret of the active document to a bookmark, a definition, an
// error or tag, a line or the uses of an identifier, always through the
// editor window's own go-to road.
#pragma once

#include <QDialog>

#include "editor/go_to_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace vandrel::ui {

class EditorWindow;

// What the dialog needs of the frame.
class GoToTarget {
 public:
  virtual ~GoToTarget() = default;
  // The active document window, or null.
  virtual EditorWindow* ActiveDocument() = 0;
  // The output window's next or previous error (3083, 3117).
  virtual void NextErrorTag(bool forward) = 0;
  // Brings the active document child forward again.
  virtual void ActivateDocument() = 0;
};

class GoToDialog final : public QDialog {
  Q_OBJECT

 public:
  GoToDialog(GoToTarget& target, QWidget* frame);

  GoToChoice choice() const;
  void SetChoice(GoToChoice choice);
  bool pinned() const;
  // Takes the active document's identifiers and numbering again.
  void Refill();
  // Button 1 ("&Next" / "&Go To") or "&Previous".
  void Run(bool forward);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void ShowChoice();
  QString InputText() const;

  GoToTarget& target_;
  QListWidget* choices_;
  QLabel* prompt_;
  QLineEdit* input_;
  QComboBox* identifiers_;
  QCheckBox* physical_;
  QLabel* help_;
  QPushButton* go_;
  QPushButton* previous_;
  QToolButton* pin_;
  std::size_t entryCount_ = 0;
};

}  // namespace vandrel::ui
