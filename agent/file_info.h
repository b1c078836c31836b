// The agent's description of one file, as "=GET_FILEINFO" answers it and as
// directory listings give it for each entry: ten blank-separated values,
// size, access time, modification time, creation time, permissions, link
// count, owner, group, flags and file code (flags before the file code).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "agent/agent_errors.h"
#include "agent/server_options.h"

namespace vandrel::agent {

// Flags value: the file cannot be locked (directories and anything else
// that is not a regular file), so the editor never asks for a lock on it.
inline constexpr int kFileFlagCannotLock = 0x2;

// "-rw-r--r--", "drwxr-x---", with "s"/"S" and "t"/"T" for the set-id and
// sticky bits, as ls shows them.
std::string PermissionsWord(mode_t mode);

// The ten values for the file at `diskPath` (symbolic links followed). The
// file code is 0 in the POSIX personality and comes from the MPE attribute
// store in the MPE personality. Times before 1970 or past 2038 are clamped
// to the 32-bit range the editor keeps; sizes are given as they are.
std::optional<std::string> DescribeFile(const std::filesystem::path& diskPath,
                                        Personality personality, AgentError* error);

}  // namespace vandrel::agent
