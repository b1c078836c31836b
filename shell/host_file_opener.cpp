#include "shell/host_file_opener.h"

#include <filesystem>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/recent_list.h"
#include "core/string_ids.h"
#include "documents/character_maps.h"
#include "documents/transfer_options.h"
#include "editor/ui/editor_window.h"
#include "project/project.h"
#include "remote/document_requests.h"
#include "remote/request_block.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_host_view.h"

namespace vandrel::shell {

namespace {

// The template name an open request carries.
constexpr std::size_t kOpenTemplateNameLimit = 15;

// A host file nobody may write: its permission text has no "w" at all.
bool HostSaysReadOnly(const HostFileInfo& info) {
  const std::string& permissions = info.permissions;
  return permissions.size() >= 4 && permissions.find('w') == std::string::npos &&
         permissions.find_first_of("rx") != std::string::npos;
}

}  // namespace

std::optional<CharacterTable> HostFileOpener::CharacterTableFor(const std::string& hostPath) {
  if (!maps_) return std::nullopt;
  // The entry's own setting or its folder's; a file outside the project
  // takes the project's.
  project::ProjectItem* item = project_.FindItem(hostPath, connection_.hostKind());
  const std::optional<std::string> entry =
      item ? item->EffectiveCharSet() : project_.EffectiveCharSet();
  const std::optional<std::string> name =
      ChosenCharacterMapName(entry, settings_.NLSDefaultCharSet);
  if (!name) return std::nullopt;
  return maps_(*name);
}

bool HostFileOpener::Open(const HostOpen& open) {
  if (open.activateExisting) {
    if (ui::EditorWindow* shown = windows_.FindHostWindow(open.hostPath)) {
      windows_.ActivateWindow(*shown);
      if (open.line > 0) shown->GoToLine(open.line, open.goToFlags);
      return true;
    }
  }
  if (!connection_.connected()) return false;
  remote::RequestBlock request;
  request.kind = remote::kRequestOpenFile;
  request.options = kOptionProgress;
  // A lock is kept where the host's MPE names are in use and the project
  // asks for file locking (the request drops it for files that cannot be locked).
  if (connection_.session().mpeNames() && project_.projectSettings().fileLocking != 0 &&
      !open.readOnly) {
    request.options |= kOptionKeepLocked;
  }
  request.hostPath = open.hostPath;
  HostOpen wanted = open;
  wanted.templateName = open.templateName.substr(0, kOpenTemplateNameLimit);
  // The completion runs on the worker; the window is made on the
  // user-interface thread while the worker waits.
  request.completion = [this, wanted](remote::RequestBlock& done) {
    RunOnUiThread(&connection_, [&] {
      if (done.status != remote::kStatusSuccess) connection_.Report(done, __FILE__, __LINE__);
      Completed(wanted, done);
    });
  };
  connection_.worker().Post(request);
  view_.SetBusy(true);
  return true;
}

void HostFileOpener::Completed(const HostOpen& open, const remote::RequestBlock& done) {
  if (done.status == remote::kStatusSuccess) {
    // The request drops the keep-locked option for files that cannot be locked.
    const std::int32_t lock = (done.options & kOptionKeepLocked) ? done.lockNumber : -1;
    ui::HostDocument document;
    document.hostPath = done.hostPath;
    document.templateName = open.templateName;
    document.readOnly = open.readOnly || HostSaysReadOnly(done.fileInfo);
    document.formatHint = done.formatHint;
    document.fileInfo = done.fileInfo;
    document.lockNumber = lock;
    document.characterTable = CharacterTableFor(done.hostPath);
    if (ui::EditorWindow* window = windows_.OpenHostWindow(done.localPath, document)) {
      if (open.line > 0) window->GoToLine(open.line, open.goToFlags);
      if (store_) RecentListAdd(*store_, kRecentFiles, done.hostPath);
    } else if (lock != -1) {
      // Nothing shows the file: the lock the open took goes back at once.
      connection_.worker().Post(remote::UnlockRequest(lock));
    }
  }
  std::error_code ignored;
  if (!done.localPath.empty()) std::filesystem::remove(done.localPath, ignored);
}

bool HostFileOpener::OpenByName(const std::string& name, const std::string& contextPath) {
  if (!connection_.connected()) return false;
  remote::RequestBlock request;
  request.kind = remote::kRequestResolveFile;
  request.name = name;
  request.contextPath = contextPath;
  request.completion = [this](remote::RequestBlock& done) {
    RunOnUiThread(&connection_, [&] {
      if (done.status == remote::kStatusSuccess) {
        HostOpen open;
        open.hostPath = done.resolvedPath;
        Open(open);
      } else if (done.status != remote::kStatusCancelled) {
        MessageBox(connection_.userInterface(), kMbOk | kMbIconWarning, kStrResolveFileFailed,
                   done.name, done.contextPath);
      }
    });
  };
  connection_.worker().Post(request);
  view_.SetBusy(true);
  return true;
}

}  // namespace vandrel::shell
