// The small button beside a command field that offers the macros the field
// understands and inserts the chosen token at the field's caret, replacing
// its selection.
#pragma once

#include <QToolButton>
#include <span>

#include "project/macros.h"

class QLineEdit;
class QString;

namespace vandrel::ui {

// `insert` put at the caret of `field`, replacing its selection, when the
// result fits the field's maximum length; false (nothing changed) otherwise.
// `selectionStart` and `selectionEnd` are positions in the field's text.
bool InsertIntoField(QLineEdit& field, int selectionStart, int selectionEnd, const QString& insert);

class MacroButton final : public QToolButton {
  Q_OBJECT

 public:
  // `entries` must outlive the button (the tables of project/macros.h do).
  MacroButton(QLineEdit* field, std::span<const project::MacroMenuEntry> entries,
              QWidget* parent = nullptr);

  // Inserts the token of string `tokenId` into the field as a menu choice
  // does; a field too full to take it beeps and keeps its text.
  void InsertToken(int tokenId);

 signals:
  // A token went into the field.
  void inserted();

 private:
  QLineEdit* field_;
};

}  // namespace vandrel::ui
