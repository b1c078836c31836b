// `vandrel-cli host put`: a local file saved to the host the way the editor
// saves a document it opened from there. The host file is first opened as
// the editor opens it (in record form on MPE/iX hosts), so that its header
// values – file code, record length, type, limit, labels, lockword, ACD and
// the Qedit values – come from the host; the local file's lines then go
// through the editor's save path and its upload.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/cli_context.h"
#include "core/progress.h"
#include "core/user_interface.h"
#include "documents/save_document.h"
#include "remote/request_block.h"

namespace vandrel::cli {

// The requests of the session the save runs in.
class HostRequests {
 public:
  virtual ~HostRequests() = default;
  // Carries the request out and waits; a failure is reported to the user and
  // sets the exit status.
  virtual remote::RequestBlock Carry(remote::RequestBlock request) = 0;
  // The same without reporting anything.
  virtual remote::RequestBlock CarryQuietly(remote::RequestBlock request) = 0;
};

struct HostPutOptions {
  std::string file;      // the local file: text, or record form as `host get --record` writes it
  std::string hostPath;  // where it goes
  bool newFile = false;  // a new host file: nothing is taken from the host, no overwrite check
  // The host file's modification time when the caller last read it
  // (seconds, as `host info --json` shows it): a host file changed since
  // then is overwritten only after the "File Has Been Changed" question.
  std::optional<std::int32_t> modifiedAt;
};

// Saves `options.file` to the host. False (reported) when it was not saved.
bool PutAsEditorSaves(CliContext& context, const HostPutOptions& options, HostRequests& requests,
                      UserInterface& user, ProgressReporter& progress,
                      const HostConnectionState& host);

}  // namespace vandrel::cli
