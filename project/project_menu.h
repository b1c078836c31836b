// The project menu of an item (the workspace's right-click menu) as data, and
// the commands it carries out. The workspace window and the main menu route
// the same command identities here.
#pragma once

#include <optional>
#include <string>

#include "core/menu_model.h"
#include "project/project_item.h"
#include "project/project_operations.h"

namespace vandrel::project {

enum ProjectCommand : int {
  kCommandOpenFileDialog = 1002,  // the application's open dialog in the item's directory
  kCommandNewFolder = 3006,
  kCommandAddFiles = 3007,
  kCommandProjectSettings = 3010,
  kCommandCompile = 3018,
  kCommandProperties = 3026,
  kCommandBuild = 3046,
  kCommandCopyFolder = 3090,
  kCommandRemove = 3096,
  kCommandOpenItem = 3097,
};

// What the menu's enabled states depend on.
struct MenuState {
  bool connected = false;
  bool busy = false;  // the main frame's busy state
};

struct ProjectMenu {
  MenuModel model;
  int defaultCommand = 0;  // the entry a double click carries out; 0: none
};

// The menu for `item`, its groups separated (never a separator first or two in
// a row): open and compile a file, or build a folder; new folder and add
// files; remove; copy folder; the settings or properties.
ProjectMenu BuildMenu(const ProjectItem& item, const MenuState& state);

// What the workspace window supplies to carry out project commands: the
// dialogs, the editors, and the compile and build of the build Part.
class ProjectWindow : public ItemOpener {
 public:
  // The "New Folder" dialog: name and relative directory; false on Cancel.
  virtual bool AskNewFolder(std::string* name, std::string* location) = 0;
  // The host open-file dialog titled "Add Files to Folder" (multiple
  // selection, starting in `directory`); nothing on Cancel.
  virtual std::optional<AddFilesChoice> ChooseFilesToAdd(const std::string& title,
                                                         const std::string& directory) = 0;
  // The settings dialog over `edited` (a copy of the whole project) with
  // `selected` (its copy of the invoking item) chosen; true on OK.
  virtual bool EditSettings(Project& edited, ProjectItem& selected) = 0;
  // The application's open-file dialog starting in `directory`.
  virtual void ShowOpenFileDialog(const std::string& directory) = 0;
  virtual void Compile(ProjectItem& item) = 0;
  virtual void Build(ProjectItem& item) = 0;
  virtual bool Connected() const = 0;
};

// Carries out `command` for `item`. Remove takes the item out of the tree and
// destroys it (confirmation is the caller's). Returns false for a command
// that does not apply to the item or that was cancelled.
bool DoCommand(ProjectItem& item, ProjectWindow& window, int command);

// The menu texts.
inline constexpr std::string_view kMenuOpen = "&Open";
inline constexpr std::string_view kMenuNewFolder = "&New Folder...";
inline constexpr std::string_view kMenuAddFilesToFolder = "&Add Files to Folder...";
inline constexpr std::string_view kMenuAddFilesToProject = "&Add Files to Project...";
inline constexpr std::string_view kMenuRemove = "&Remove";
inline constexpr std::string_view kMenuCopyFolder = "&Copy Folder...";
inline constexpr std::string_view kMenuProjectSettings = "Project &Settings...";
inline constexpr std::string_view kMenuFolderProperties = "Folder &Properties...";
inline constexpr std::string_view kMenuFileProperties = "File &Properties...";

}  // namespace vandrel::project
