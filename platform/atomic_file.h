// Whole-file reads and atomic whole-file replacement. A replaced file is
// either the old file or the complete new one, never a truncated or mixed
// one: the new contents go to a temporary file in the same folder, which is
// flushed to disk and then renamed over the target.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace vandrel::platform {

enum class ReadStatus { kOk, kMissing, kError };

// Reads the whole of `path` into `contents`. kMissing when the file does not
// exist; kError (with a message in `error`) when it exists but cannot be read,
// so callers never mistake an unreadable file for an absent one.
ReadStatus ReadWholeFile(const std::filesystem::path& path, std::string* contents,
                         std::string* error = nullptr);

// Replaces `path` with `contents`: writes a temporary file beside it, syncs
// it, gives it `mode`, renames it over `path` and syncs the folder. On any
// failure (a full disk included) the temporary file is removed, `path` is left
// as it was, and false is returned with a message in `error`.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         mode_t mode = 0644, std::string* error = nullptr);

// Removes temporary files that an interrupted WriteFileAtomically left beside
// `path`. Only safe while the caller holds a lock that keeps every other
// writer of `path` out.
void RemoveStaleTemporaries(const std::filesystem::path& path);

}  // namespace vandrel::platform
