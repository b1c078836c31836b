#include "project/project_menu.h"

#include "core/message_box.h"
#include "core/string_ids.h"
#include "core/string_table.h"
#include "project/project.h"

namespace vandrel::project {

namespace {

// Separates groups: never as the first entry, never after another separator.
void Separate(MenuModel& menu) {
  if (!menu.Empty() && !menu.Entries().back().separator) menu.Append(MenuEntry::Separator());
}

}  // namespace

ProjectMenu BuildMenu(const ProjectItem& item, const MenuState& state) {
  ProjectMenu result;
  MenuModel& menu = result.model;
  const bool folder = item.IsFolder();

  if (!folder) {
    menu.Append(
        MenuEntry::Item(std::string(kMenuOpen), kCommandOpenItem, state.connected && !state.busy));
    result.defaultCommand = kCommandOpenItem;
    menu.Append(MenuEntry::Item(FormatText(StringTableText(kStrCompileItemMenu), item.Name()),
                                kCommandCompile,
                                state.connected && !state.busy && item.CanCompile()));
  } else {
    menu.Append(MenuEntry::Item(FormatText(StringTableText(kStrBuildItemMenu), item.Name()),
                                kCommandBuild, state.connected && item.CanBuild()));
  }

  Separate(menu);
  if (folder) {
    menu.Append(MenuEntry::Item(std::string(kMenuNewFolder), kCommandNewFolder));
    menu.Append(MenuEntry::Item(
        std::string(item.IsProject() ? kMenuAddFilesToProject : kMenuAddFilesToFolder),
        kCommandAddFiles, state.connected));
  }

  Separate(menu);
  if (item.Parent()) menu.Append(MenuEntry::Item(std::string(kMenuRemove), kCommandRemove));

  Separate(menu);
  if (folder) menu.Append(MenuEntry::Item(std::string(kMenuCopyFolder), kCommandCopyFolder));

  Separate(menu);
  if (item.IsProject()) {
    menu.Append(MenuEntry::Item(std::string(kMenuProjectSettings), kCommandProjectSettings));
  } else {
    menu.Append(MenuEntry::Item(std::string(folder ? kMenuFolderProperties : kMenuFileProperties),
                                kCommandProperties));
  }
  return result;
}

namespace {

bool EditSettings(ProjectItem& item, ProjectWindow& window) {
  Project* live = item.RootProject();
  if (!live) return false;
  std::unique_ptr<Project> edited = live->Clone();
  ProjectItem* selected = edited->ItemAtIndexPath(item.IndexPath());
  if (!selected || !window.EditSettings(*edited, *selected)) return false;
  ApplyProjectSettings(*live, *edited);
  return true;
}

}  // namespace

bool DoCommand(ProjectItem& item, ProjectWindow& window, int command) {
  const bool folder = item.IsFolder();
  switch (command) {
    case kCommandOpenItem:
      return !folder && item.Open(window);
    case kCommandCompile:
      if (folder || !item.CanCompile()) return false;
      window.Compile(item);
      return true;
    case kCommandBuild:
      if (!folder || !item.CanBuild()) return false;
      window.Build(item);
      return true;
    case kCommandNewFolder: {
      if (!folder) return false;
      std::string name, location;
      if (!window.AskNewFolder(&name, &location)) return false;
      return NewFolder(item, name, location) != nullptr;
    }
    case kCommandAddFiles: {
      if (!folder || !window.Connected()) return false;
      auto choice = window.ChooseFilesToAdd(std::string(StringTableText(kStrAddFilesToFolderTitle)),
                                            item.FolderPath());
      return choice && AddFiles(item, *choice) > 0;
    }
    case kCommandCopyFolder:
      return folder && CopyFolder(item) != nullptr;
    case kCommandRemove:
      return RemoveItem(item) != nullptr;  // destroyed here with its subtree
    case kCommandProjectSettings:
    case kCommandProperties:
      return EditSettings(item, window);
    case kCommandOpenFileDialog:
      window.ShowOpenFileDialog(item.FolderPath());
      return true;
    default:
      return false;
  }
}

}  // namespace vandrel::project
