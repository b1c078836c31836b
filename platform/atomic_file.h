// Whole-file reads and writes. A file written here is either the old file or
// the complete new one, never a truncated or mixed one (see
// platform/atomic_replacement.h).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/atomic_replacement.h"

namespace vandrel::platform {

enum class ReadStatus { kOk, kMissing, kError };

// Reads the whole of `path` into `contents`. kMissing when the file does not
// exist; kError (with a message in `error`) when it exists but cannot be read,
// so callers never mistake an unreadable file for an absent one.
ReadStatus ReadWholeFile(const std::filesystem::path& path, std::string* contents,
                         std::string* error = nullptr);

// Replaces `path` with `contents`, giving it `mode`, through an
// AtomicReplacement. On any failure (a full disk included) no temporary file
// is left, `path` is left as it was, and false is returned with a message in
// `error`.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         mode_t mode = 0644, std::string* error = nullptr);

}  // namespace vandrel::platform
