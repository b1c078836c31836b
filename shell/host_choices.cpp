#include "shell/host_choices.h"

#include <vector>

#include "core/find_history.h"
#include "core/settings_store.h"
#include "remote/ui/browse_folders_dialog.h"
#include "remote/ui/remote_file_dialog.h"

namespace vandrel::shell {

std::optional<project::AddFilesChoice> ChooseHostFiles(const ui::RemoteDialogServices& services,
                                                       const std::string& title,
                                                       const std::string& folder, QWidget* parent) {
  ui::RemoteFileDialog dialog(services, ui::RemoteDialogMode::kOpen, QString::fromStdString(title),
                              folder, std::string(), true, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const ui::RemoteFileChoice chosen = dialog.choice();
  if (chosen.paths.empty()) return std::nullopt;
  project::AddFilesChoice choice;
  choice.directory = dialog.currentFolder();
  for (const std::string& path : chosen.paths) {
    const std::size_t slash = path.rfind('/');
    choice.names.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
  }
  choice.templateName = chosen.templateName;
  choice.readOnly = chosen.readOnly;
  return choice;
}

std::optional<std::string> BrowseHostFolderWithHistory(const ui::RemoteDialogServices& services,
                                                       SettingsStore* store,
                                                       const std::string& folder, QWidget* parent) {
  std::vector<std::string> history;
  if (store) history = LoadHistory(*store, kFolderHistory);
  std::optional<std::string> chosen = ui::BrowseHostFolder(services, folder, history, parent);
  if (chosen && store) SaveHistory(*store, kFolderHistory, *chosen, history);
  return chosen;
}

}  // namespace vandrel::shell
