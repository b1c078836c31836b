// The "Options" dialog: the user's global settings on the pages "Editor",
// "Build", "Workspace", "Advanced", "File Types", "NLS", "Tools",
// "Directories" and "Display". It edits a copy: OK has every page apply in
// page order into the copy, which the caller then takes, and "File Types"
// rewrite the file-type table; Cancel leaves everything as it was. The
// "NLS" and "Tools" pages belong to other parts of the editor and come from
// the caller.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "core/app_settings.h"
#include "templates/ui/options_pages.h"

class QDialogButtonBox;
class QTabWidget;

namespace vandrel {
class SettingsStore;
class TemplateCatalogue;
}  // namespace vandrel

namespace vandrel::ui {

// A page the caller makes: the widget and what it does on OK.
struct OptionsPageSlot {
  QWidget* page = nullptr;
  std::function<void(AppSettings&)> apply;
};
using OptionsPageMaker = std::function<OptionsPageSlot(QWidget* parent)>;

// What the pages need besides the settings. All may be left empty.
struct OptionsServices {
  // The store of the file-type table; "File Types" is shown only with one.
  SettingsStore* store = nullptr;
  // The templates the File Type dialog offers.
  const TemplateCatalogue* catalogue = nullptr;
  // Asks for a folder on the Directories page (the platform's folder chooser
  // when empty).
  FolderChooser chooseFolder;
  // The "NLS" and "Tools" pages; a page without a maker is not shown.
  OptionsPageMaker nlsPage;
  OptionsPageMaker toolsPage;
};

class OptionsDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(const AppSettings& settings, QWidget* parent = nullptr,
                         OptionsServices services = {});

  QTabWidget* pages() const { return pages_; }
  QDialogButtonBox* buttons() const { return buttons_; }
  // The page with `objectName`, or null.
  OptionsPage* Page(const QString& objectName) const;
  // The settings with every page applied, once the dialog was accepted.
  const AppSettings& chosenSettings() const { return result_; }

 public slots:
  void accept() override;

 private:
  void AddPage(QWidget* page, const QString& title, std::function<void(AppSettings&)> apply);

  AppSettings result_;
  // What each tab does on OK, in tab order.
  std::vector<std::function<void(AppSettings&)>> appliers_;
  QTabWidget* pages_;
  QDialogButtonBox* buttons_;
};

// Runs the dialog over `settings`; the changed settings on OK, nothing on
// Cancel. The caller stores them and tells its windows that the settings
// changed.
std::optional<AppSettings> ShowOptionsDialog(QWidget* parent, const AppSettings& settings,
                                             OptionsServices services = {});

}  // namespace vandrel::ui
