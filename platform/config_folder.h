// The per-user configuration folder: where the settings store lives.
#pragma once

#include <filesystem>
#include <string>

namespace vandrel::platform {

// The product's folder in the user's configuration area:
// $XDG_CONFIG_HOME/vandrel when that names an absolute folder, otherwise
// ~/.config/vandrel (the home folder from $HOME, or from the user database).
// Empty when no home folder can be found.
std::filesystem::path UserConfigFolder();

// The product's folder in the user's state area (what should survive a
// restart but is no setting, such as the journal of unsaved edits):
// $XDG_STATE_HOME/vandrel when that names an absolute folder, otherwise
// ~/.local/state/vandrel. Empty when no home folder can be found.
std::filesystem::path UserStateFolder();

// `explicitFolder` when it is not empty, otherwise UserConfigFolder().
std::filesystem::path ConfigFolder(const std::string& explicitFolder);

// Makes sure `folder` exists, creating it and any missing parents with mode
// 0700 (settings are private to their user). An existing folder keeps its
// permissions. False with a message in `error` when it cannot be created or
// exists as something other than a folder.
bool EnsureFolder(const std::filesystem::path& folder, std::string* error = nullptr);

}  // namespace vandrel::platform
