#include "shell/frame_find_in_files.h"

#include "core/message_box.h"
#include "core/user_interface.h"
#include "editor/ui/editor_window.h"
#include "project/find_in_files_model.h"
#include "project/find_in_files_request.h"
#include "project/ui/find_in_files_dialog.h"
#include "remote/ui/browse_folders_dialog.h"

namespace vandrel::shell {

std::string ProposedSearchText(const ui::EditorWindow* editor) {
  return editor == nullptr ? std::string() : editor->SearchProposal();
}

bool RunFindInFiles(const FindInFilesServices& services, QWidget* parent) {
  project::FindInFilesSetup setup = project::LoadFindInFilesSetup(services.store);
  setup.proposedText = services.proposedText;
  setup.projectOpen = services.project != nullptr;
  ui::FindInFilesDialog dialog(std::move(setup), parent);
  dialog.SetFolderBrowser([&](const std::string& folder, std::vector<std::string>& history) {
    return ui::BrowseHostFolder(services.remote, folder, history, &dialog);
  });

  // The directory box takes the session's current directory once the host
  // has named it; a request still out when the dialog closes is dropped.
  ui::RemoteRequests requests(services.remote);
  remote::RequestBlock ask;
  ask.kind = remote::kRequestGetDirectory;
  requests.Post(std::move(ask), nullptr, [&dialog](ui::RequestOutcome& outcome) {
    if (outcome.block.status == remote::kStatusSuccess)
      dialog.OfferCurrentDirectory(outcome.block.hostPath);
  });

  if (dialog.exec() != QDialog::Accepted) return false;
  const std::optional<project::FindInFilesValues> values = dialog.model().Accept();
  if (!values) return false;
  if (services.store) dialog.model().SaveHistories(*services.store);
  std::string error;
  if (project::StartFindInFiles(*values, values->projectFilesOnly ? services.project : nullptr, {},
                                *services.panes, *services.requests, &error))
    return true;
  services.ui->ShowMessage(MessageCaption(), "The search could not be started: " + error + ".",
                           kMbOk | kMbIconError);
  return false;
}

}  // namespace vandrel::shell
