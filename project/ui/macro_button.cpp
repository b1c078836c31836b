#include "project/ui/macro_button.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <string>
#include <string_view>

namespace vandrel::ui {

MacroButton::MacroButton(QLineEdit* field, std::span<const project::MacroMenuEntry> entries,
                         QWidget* parent)
    : QToolButton(parent), field_(field) {
  setText(QStringLiteral(">"));
  setToolTip(tr("Insert a macro"));
  setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(this);
  for (const project::MacroMenuEntry& entry : entries) {
    if (entry.IsSeparator()) {
      menu->addSeparator();
      continue;
    }
    const int tokenId = entry.tokenId;
    menu->addAction(QString::fromUtf8(entry.label.data(), static_cast<int>(entry.label.size())),
                    this, [this, tokenId] { InsertToken(tokenId); });
  }
  setMenu(menu);
}

void MacroButton::InsertToken(int tokenId) {
  const int caret = field_->cursorPosition();
  const int start = field_->hasSelectedText() ? field_->selectionStart() : caret;
  const int end = field_->hasSelectedText() ? field_->selectionEnd() : caret;
  if (!InsertIntoField(*field_, start, end, QString::fromStdString(project::MacroToken(tokenId)))) {
    QApplication::beep();
    return;
  }
  field_->setFocus();
  emit inserted();
}

bool InsertIntoField(QLineEdit& field, int selectionStart, int selectionEnd,
                     const QString& insert) {
  // The rule works on UTF-8 bytes; the field counts UTF-16 units.
  const QString text = field.text();
  const auto bytesBefore = [&](int position) {
    return static_cast<std::size_t>(text.left(position).toUtf8().size());
  };
  const project::FieldEdit edit =
      project::InsertAtSelection(text.toStdString(), bytesBefore(selectionStart),
                                 bytesBefore(selectionEnd), insert.toStdString());
  const QString result = QString::fromStdString(edit.text);
  if (result.size() > field.maxLength()) return false;
  field.setText(result);
  field.setCursorPosition(static_cast<int>(
      QString::fromStdString(std::string(std::string_view(edit.text).substr(0, edit.caret)))
          .size()));
  return true;
}

}  // namespace vandrel::ui
