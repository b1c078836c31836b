// The pages of the project settings dialog. Each page shows, for every
// control, the common value of the selected items and writes a change into
// all of them at once; the rules are in project/settings_selection.h. Pages
// are made anew whenever the selection changes.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "project/project.h"
#include "project/settings_selection.h"

class QWidget;

namespace vandrel {
struct AppSettings;
class CharacterMaps;
class TemplateCatalogue;
}  // namespace vandrel

namespace vandrel::ui {

// What the settings dialog takes from the application.
struct ProjectSettingsServices {
  const TemplateCatalogue* catalogue = nullptr;  // template names, output masks
  const CharacterMaps* characterMaps = nullptr;  // "(none)" + map names
  const AppSettings* settings = nullptr;         // AllowProjectRename, SpecialOptions
  // The host folder browser for "&Directory:"'s browse button, starting at
  // the given folder; nothing on Cancel. Empty function: button disabled.
  std::function<std::optional<std::string>(const std::string&)> browseFolder;
};

// What a page works on.
struct SettingsPageContext {
  project::Project* project = nullptr;  // the edited copy
  project::Selection selection;         // its selected items
  const ProjectSettingsServices* services = nullptr;
  // Called after a change to the selected items: their nodes are refreshed
  // (with the nodes below them when `subtrees`, for settings that change how
  // the items below are shown).
  std::function<void(bool subtrees)> itemsChanged;
};

// The tab title of a page: "Connection", "Environment", "Build", "Advanced",
// "MPE/iX", "General" or "Compile".
QString SettingsPageTitle(project::SettingsPage page);

// A new page for the context; its object name says which page it is
// ("connection", "environment", "projectBuild", "projectAdvanced", "mpe",
// "folderGeneral", "fileGeneral", "folderBuild", "compile",
// "itemAdvanced").
QWidget* MakeSettingsPage(project::SettingsPage page, const SettingsPageContext& context,
                          QWidget* parent);

}  // namespace vandrel::ui
