// The "New File" dialog: three tabs – "General", "MPE/iX" and
// "Robelle Qedit®" – over one icon list of the templates a new, empty
// document can start with. OK or a double-click on an item chooses that
// item's template; OK with nothing selected does nothing.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "templates/template_lists.h"

class QListWidget;
class QListWidgetItem;
class QTabBar;

namespace vandrel {
class TemplateCatalogue;
}

namespace vandrel::ui {

class NewFileDialog : public QDialog {
  Q_OBJECT

 public:
  // The tabs in order, with the gallery options each one lists.
  enum Tab { kGeneralTab = 0, kStandardTab = 1, kQeditTab = 2 };
  static constexpr unsigned kGeneralOptions = 193;  // "Normal" and plain templates
  static constexpr unsigned kStandardOptions = kListStandardTemplates;
  static constexpr unsigned kQeditOptions = kListQeditTemplates;

  // `catalogue` must outlive the dialog; it is read when a tab is shown.
  explicit NewFileDialog(const TemplateCatalogue& catalogue, QWidget* parent = nullptr);

  // Runs the dialog; the chosen template name ("(none)" for the "Normal"
  // item), or nothing when cancelled.
  static std::optional<std::string> Choose(QWidget* parent, const TemplateCatalogue& catalogue);

  QTabBar* tabBar() const { return tabs_; }
  QListWidget* listWidget() const { return list_; }
  int currentTab() const;
  void setCurrentTab(int tab);
  // The items of the current tab as the list shows them.
  const std::vector<TemplateGalleryItem>& items() const { return items_; }
  // Selects the item of the current tab whose displayed text is `text`;
  // false (and the selection cleared) when there is none.
  bool selectItem(const QString& text);
  // The template of the selected item, or nothing.
  std::optional<std::string> selectedTemplate() const;
  // Set when the dialog was accepted: the template chosen.
  const std::optional<std::string>& chosenTemplate() const { return chosen_; }

 public slots:
  // Closes the dialog with the selected template; does nothing without one.
  void accept() override;

 private:
  void Fill();
  void ItemActivated(QListWidgetItem* item);

  const TemplateCatalogue& catalogue_;
  QTabBar* tabs_;
  QListWidget* list_;
  std::vector<TemplateGalleryItem> items_;
  std::optional<std::string> chosen_;
};

}  // namespace vandrel::ui
