// The Options dialog's "NLS" page: the character map every host file is
// translated with unless its project says otherwise, and the installed maps
// with Add, Edit and Delete. Maps are saved and deleted at once; only the
// default choice waits for the dialog's OK.
#pragma once

#include <QWidget>
#include <string>

#include "core/app_settings.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace vandrel {
class CharacterMaps;
class UserInterface;
}  // namespace vandrel

namespace vandrel::ui {

class NlsOptionsPage final : public QWidget {
  Q_OBJECT

 public:
  NlsOptionsPage(CharacterMaps& maps, const AppSettings& settings, UserInterface& ui,
                 QWidget* parent = nullptr);

  // Stores the chosen default map in NLSDefaultCharSet ("(none)" as that text).
  void Apply(AppSettings& settings) const;

  QComboBox* defaultMap() const { return default_; }
  QListWidget* mapList() const { return list_; }
  void AddMap();
  void EditMap();
  void DeleteMap();

 private:
  void FillLists(const QString& selected, const QString& chosenDefault);
  void SelectionChanged();

  CharacterMaps& maps_;
  UserInterface& ui_;
  QComboBox* default_;
  QListWidget* list_;
  QPushButton* edit_;
  QPushButton* delete_;
};

}  // namespace vandrel::ui
