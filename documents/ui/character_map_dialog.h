// "Edit Character Map": the name of one character map and its table as a
// grid of three columns – the character, its "PC" code and the "Server" code
// it takes on the host, the only column that can be edited.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "documents/character_maps.h"

class QDialogButtonBox;
class QLineEdit;
class QTableWidget;
class QTableWidgetItem;

namespace vandrel {
class UserInterface;
}

namespace vandrel::ui {

class CharacterMapDialog final : public QDialog {
  Q_OBJECT

 public:
  // Edits the map `oldName` of `maps` (a new map without one); OK saves it
  // into `maps` and its file.
  CharacterMapDialog(CharacterMaps& maps, std::optional<std::string> oldName, UserInterface& ui,
                     QWidget* parent = nullptr);

  QLineEdit* nameField() const { return name_; }
  QTableWidget* grid() const { return grid_; }
  QDialogButtonBox* buttons() const { return buttons_; }
  const CharacterTable& table() const { return table_; }
  // The name the map was saved under, once the dialog was accepted.
  const std::string& savedName() const { return savedName_; }

 public slots:
  void accept() override;

 private:
  void ShowServerCode(int pc);
  void CellChanged(QTableWidgetItem* item);

  CharacterMaps& maps_;
  std::optional<std::string> oldName_;
  UserInterface& ui_;
  CharacterTable table_{};
  std::string savedName_;
  QLineEdit* name_;
  QTableWidget* grid_;
  QDialogButtonBox* buttons_;
  bool filling_ = false;
};

}  // namespace vandrel::ui
