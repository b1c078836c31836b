// The host dialogs as the frame's flows use them: files chosen to add to the
// project, and a folder picked in the folder browser with the folder history
// kept.
#pragma once

#include <optional>
#include <string>

#include "project/project_operations.h"
#include "remote/ui/remote_requests.h"

class QWidget;

namespace vandrel {
class SettingsStore;
}

namespace vandrel::shell {

// The host "Open" dialog titled `title` in `folder`, several files at once;
// the names chosen, their folder, template and read-only choice, or nothing
// on Cancel.
std::optional<project::AddFilesChoice> ChooseHostFiles(const ui::RemoteDialogServices& services,
                                                       const std::string& title,
                                                       const std::string& folder, QWidget* parent);

// The host folder browser starting at `folder`; the chosen folder goes to
// the front of the "Folder History" in `store` (which may be null).
std::optional<std::string> BrowseHostFolderWithHistory(const ui::RemoteDialogServices& services,
                                                       SettingsStore* store,
                                                       const std::string& folder, QWidget* parent);

}  // namespace vandrel::shell
