// An editable combo box that holds a search history: at most 255 characters
// typed, its list loaded from a history of the settings store, and after a
// search saved (the current text first) and loaded again.
#pragma once

#include <QComboBox>
#include <string>
#include <string_view>

namespace vandrel {
class SettingsStore;
}

namespace vandrel::ui {

class HistoryCombo final : public QComboBox {
  Q_OBJECT

 public:
  // `store` may be null: the box then keeps no history.
  HistoryCombo(SettingsStore* store, std::string_view history, QWidget* parent = nullptr);

  std::string Text() const;
  void SetText(const std::string& text);
  // Loads the history into the list, keeping the text typed.
  void LoadHistory();
  // Saves the current text and the list, then loads them again.
  void SaveHistory();

 private:
  SettingsStore* store_;
  std::string history_;
};

}  // namespace vandrel::ui
