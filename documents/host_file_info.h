// The host file information record: reading the agent's file-information
// reply into it, showing its times, and filling its times for a local file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "documents/document_format.h"

namespace vandrel {

// The text fields keep at most these many characters.
inline constexpr std::size_t kMaxFileInfoName = 259;
inline constexpr std::size_t kMaxFileInfoText = 31;  // permissions, owner, group

// Reads the reply to "=GET_FILEINFO": a status, then size, access time,
// modification time, creation time, permissions, the agent's further number,
// owner, group, flags and file code, separated by blanks (flags come before
// the file code). Numbers are decimal with an optional sign, as a C scanner
// reads them (a number ends at the first character that is not a digit);
// values beyond 32 bits saturate. A text item runs to the next blank and keeps
// at most 31 characters.
//
// The reply fails when its status is not 0 or fewer than nine items (the
// status counted) can be read; `info` is then left untouched. On success
// every field but the name is replaced; flags and file code missing from a
// shorter reply become 0.
bool ParseFileInfoReply(std::string_view reply, HostFileInfo& info);

// A host file time as the user sees it: the date in ISO form (YYYY-MM-DD), a
// blank and the 24-hour time without seconds (HH:MM), in UTC; "Not available"
// for 0.
std::string FormatHostTime(std::int32_t time);

// Stores the access, modification and creation times of the local file at
// `path` in `info` (the creation time is the file's birth time where the file
// system keeps one, else the time of its last status change). Times beyond
// 32 bits saturate. Returns false, leaving `info` untouched, when the file
// cannot be examined.
bool ReadLocalFileTimes(const std::string& path, HostFileInfo& info);

}  // namespace vandrel
