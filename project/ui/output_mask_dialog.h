// The "Custom Output Mask" dialog: one output mask typed by the user, with
// the list of the tokens a mask may use. Selecting a token shows what it
// matches; double-clicking it puts it into the mask at the caret.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace vandrel::ui {

class OutputMaskDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit OutputMaskDialog(const QString& mask, QWidget* parent = nullptr);

  QString mask() const;
  QLineEdit* maskField() const { return mask_; }
  QListWidget* tokens() const { return tokens_; }
  QLabel* description() const { return description_; }
  // Inserts the token of `row` at the mask's caret, replacing what was
  // selected there; beeps when the mask would grow too long.
  void InsertToken(int row);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowHelp(int row);

  QLineEdit* mask_;
  QListWidget* tokens_;
  QLabel* description_;
  QDialogButtonBox* buttons_;
  // The mask's caret and selection when it last lost the focus (the token
  // list takes it on a double click, and the field drops its selection).
  int caretAtFocusOut_ = -1;
  int selectionStart_ = 0;
  int selectionEnd_ = 0;
};

// Shows the dialog over `mask` (empty for a new mask); the typed mask on OK,
// nothing on Cancel.
std::optional<std::string> EditOutputMask(QWidget* parent, const std::string& mask);

}  // namespace vandrel::ui
