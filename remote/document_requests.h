// The requests a document's host work posts, built in one place for the
// editor and the command-line tool: the save-file request of an upload and
// what its end means to the save path, and the release of a host lock.
#pragma once

#include <cstdint>

#include "documents/save_document.h"
#include "remote/request_block.h"

namespace vandrel::remote {

// The save-file request (kind 11) of `upload`; no completion yet.
RequestBlock SaveFileRequest(const UploadRequest& upload);

// How the save-file request `finished` ended, as CompleteHostSave takes it.
UploadOutcome UploadOutcomeOf(const RequestBlock& finished);

// "=FILE_UNLOCK %d" (run-command, kind 7) for the lock `lockNumber`.
RequestBlock UnlockRequest(std::int32_t lockNumber);

// The format flags the loader starts with for a download whose open-file
// request gave `hint`: records, records behind a Qedit header, or text.
std::uint32_t FormatFlagsOfHint(std::int32_t hint);

}  // namespace vandrel::remote
