#include "project/ui/macro_button.h"

#include <QLineEdit>
#include <QMenu>

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
  const QString token = QString::fromStdString(project::MacroToken(tokenId));
  const int kept = static_cast<int>(field_->text().size() - field_->selectedText().size());
  // A field full to its limit takes nothing rather than a token cut short.
  if (kept + token.size() > field_->maxLength()) return;
  field_->insert(token);
  field_->setFocus();
}

}  // namespace vandrel::ui
