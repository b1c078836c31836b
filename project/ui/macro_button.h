// The small button beside a command field that offers the macros the field
// understands and inserts the chosen token at the field's caret, replacing
// its selection.
#pragma once

#include <QToolButton>
#include <span>

#include "project/macros.h"

class QLineEdit;

namespace vandrel::ui {

class MacroButton final : public QToolButton {
  Q_OBJECT

 public:
  // `entries` must outlive the button (the tables of project/macros.h do).
  MacroButton(QLineEdit* field, std::span<const project::MacroMenuEntry> entries,
              QWidget* parent = nullptr);

  // Inserts the token of string `tokenId` into the field as a menu choice
  // does; the field's maximum length still holds.
  void InsertToken(int tokenId);

 private:
  QLineEdit* field_;
};

}  // namespace vandrel::ui
