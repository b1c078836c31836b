#include "shell/frame_editor_host.h"

#include <memory>

#include "project/project.h"
#include "remote/connect_thread.h"
#include "remote/document_requests.h"
#include "remote/request_block.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_host_view.h"

namespace vandrel::shell {

HostConnectionState FrameEditorHost::SaveState() const {
  HostConnectionState state;
  if (!connection_.connected()) return state;
  const remote::HostSession& session = connection_.session();
  state.requestEngineAvailable = true;
  state.mpeHost = session.hostKind() == remote::kHostKindMpe;
  state.qeditInstalled = session.qeditAvailable();
  // Documents keep their host file locked where the host's MPE names are
  // in use and the project asks for file locking.
  state.hostLocking = session.mpeNames() && project_.projectSettings().fileLocking != 0;
  return state;
}

bool FrameEditorHost::QueueUpload(const UploadRequest& request,
                                  std::function<void(const UploadOutcome&)> done) {
  if (!connection_.connected()) return false;
  remote::RequestBlock block = remote::SaveFileRequest(request);
  FrameHostConnection* connection = &connection_;
  block.completion = [connection, done = std::move(done)](remote::RequestBlock& finished) {
    RunOnUiThread(connection, [&] {
      const UploadOutcome outcome = remote::UploadOutcomeOf(finished);
      if (!outcome.ok) connection->Report(finished, __FILE__, __LINE__);
      done(outcome);
    });
  };
  connection_.worker().Post(block);
  view_.SetBusy(true);
  return true;
}

bool FrameEditorHost::ReleaseLock(std::int32_t lockNumber, std::function<void(bool)> done) {
  if (!connection_.connected()) return false;
  remote::RequestBlock block = remote::UnlockRequest(lockNumber);
  FrameHostConnection* connection = &connection_;
  block.completion = [connection, done = std::move(done)](remote::RequestBlock& finished) {
    RunOnUiThread(connection, [&] {
      const bool released = finished.status == remote::kStatusSuccess;
      if (!released) connection->Report(finished, __FILE__, __LINE__);
      done(released);
    });
  };
  connection_.worker().Post(block);
  view_.SetBusy(true);
  return true;
}

std::optional<std::string> FrameEditorHost::ChooseHostSavePath(const std::string& folder,
                                                               const std::string& proposedName) {
  if (!chooser_ || !connection_.connected()) return std::nullopt;
  return chooser_(folder, proposedName);
}

std::optional<std::string> FrameEditorHost::ProjectCobolToken(const std::string& documentName) {
  if (project::ProjectItem* item = project_.FindItem(documentName, connection_.hostKind())) {
    if (std::optional<std::string> token = item->EffectiveCobolToken()) return token;
  }
  return project_.EffectiveCobolToken();
}

void FrameEditorHost::HostFileCreated(const std::string& hostPath) {
  if (created_) created_(hostPath);
}

void FrameEditorHost::TransferStateChanged() {
  // Busy ends with the frame's idle check once nothing is pending.
  if (connection_.AnyPending()) view_.SetBusy(true);
  view_.CommandStateChanged();
}

}  // namespace vandrel::shell
