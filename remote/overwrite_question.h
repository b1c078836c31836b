// The "File Has Been Changed" question of a save: the host file was modified
// by someone else after the document was loaded. The save-file request asks
// it on the worker thread, with what the user needs to decide – both
// versions' file information, the file being saved and the host's current
// bytes for a comparison – and overwrites the host file only on Yes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/user_interface.h"
#include "documents/document_format.h"
#include "documents/transfer_options.h"

namespace vandrel::remote {

struct OverwriteCase {
  std::string hostPath;
  HostFileInfo loaded;   // as remembered when the document was loaded
  HostFileInfo current;  // as the host reports it now
  // The record-form or plain text file being saved.
  std::filesystem::path uploadFile;
  // The host's file now, received in the upload's transfer mode; nothing
  // when it could not be received.
  std::optional<std::string> currentBytes;
  // The upload's request options (their mode bits say the form of both
  // files: records with kOptionModeRecord or kOptionModeQedit, else bytes).
  std::uint32_t transferOptions = 0;

  bool recordForm() const {
    return (transferOptions & (kOptionModeRecord | kOptionModeQedit)) != 0;
  }
};

class OverwriteQuestion {
 public:
  virtual ~OverwriteQuestion() = default;
  // Called on the worker thread; true only when the user answers Yes.
  virtual bool ConfirmOverwrite(const OverwriteCase& question) = 0;
};

// The question as a plain message box through `user` (the versions' sizes
// and times in its text, no comparison); false without a user to ask.
bool ConfirmOverwriteAsText(UserInterface* user, const OverwriteCase& question);

}  // namespace vandrel::remote
