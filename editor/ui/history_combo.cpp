#include "editor/ui/history_combo.h"

#include <QLineEdit>
#include <vector>

#include "core/find_history.h"

namespace vandrel::ui {

HistoryCombo::HistoryCombo(SettingsStore* store, std::string_view history, QWidget* parent)
    : QComboBox(parent), store_(store), history_(history) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(16);
  lineEdit()->setMaxLength(static_cast<int>(kMaxHistoryEntry));
  LoadHistory();
}

std::string HistoryCombo::Text() const { return currentText().toStdString(); }

void HistoryCombo::SetText(const std::string& text) {
  setEditText(QString::fromStdString(text.substr(0, kMaxHistoryEntry)));
}

void HistoryCombo::LoadHistory() {
  if (store_ == nullptr) return;
  const QString typed = currentText();
  blockSignals(true);
  clear();
  for (const std::string& entry : vandrel::LoadHistory(*store_, history_)) {
    addItem(QString::fromStdString(entry));
  }
  setEditText(typed);
  blockSignals(false);
}

void HistoryCombo::SaveHistory() {
  if (store_ == nullptr) return;
  std::vector<std::string> list;
  list.reserve(static_cast<std::size_t>(count()));
  for (int i = 0; i < count(); ++i) list.push_back(itemText(i).toStdString());
  // A store that cannot be written leaves the list as it was.
  if (vandrel::SaveHistory(*store_, history_, Text(), list)) LoadHistory();
}

}  // namespace vandrel::ui
