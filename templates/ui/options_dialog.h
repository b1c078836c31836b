// The "Options" dialog: the user's global settings on the pages "Editor",
// "Build", "Workspace", "Advanced", "Directories" and "Display". It edits a
// copy: OK has every page apply in page order into the copy, which the
// caller then takes; Cancel leaves the settings as they were.
#pragma once

#include <QDialog>
#include <optional>

#include "core/app_settings.h"
#include "templates/ui/options_pages.h"

class QDialogButtonBox;
class QTabWidget;

namespace vandrel::ui {

class OptionsDialog final : public QDialog {
  Q_OBJECT

 public:
  // `chooser` asks for a folder on the Directories page (the platform's
  // folder chooser when empty).
  explicit OptionsDialog(const AppSettings& settings, QWidget* parent = nullptr,
                         FolderChooser chooser = {});

  QTabWidget* pages() const { return pages_; }
  QDialogButtonBox* buttons() const { return buttons_; }
  // The page with `objectName`, or null.
  OptionsPage* Page(const QString& objectName) const;
  // The settings with every page applied, once the dialog was accepted.
  const AppSettings& chosenSettings() const { return result_; }

 public slots:
  void accept() override;

 private:
  AppSettings result_;
  QTabWidget* pages_;
  QDialogButtonBox* buttons_;
};

// Runs the dialog over `settings`; the changed settings on OK, nothing on
// Cancel. The caller stores them and tells its windows that the settings
// changed.
std::optional<AppSettings> ShowOptionsDialog(QWidget* parent, const AppSettings& settings,
                                             FolderChooser chooser = {});

}  // namespace vandrel::ui
