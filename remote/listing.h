// Host folder listings: reading the bytes of a list-directory request into
// entries, and the listing as the remote file dialogs and the listing cache
// keep it.
//
// The bytes are zero-terminated strings: first the listed folder's path as
// the agent spells it, then one string per entry: "Y", a blank, the decimal
// length N of the name, a blank, exactly N bytes of name (blanks allowed), a
// blank, and ten blank-separated values – size, access, modification and
// creation times, permissions, a further number, owner, group, flags and
// file code. Entries that do not read so, and "." and "..", are skipped.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/document_format.h"

namespace vandrel::remote {

struct HostListing {
  std::string folder;  // exactly as the agent returned it
  std::time_t madeAt = 0;
  std::vector<HostFileInfo> entries;  // name, values, flags and file code of each

  // The bytes the names and texts of the entries take, each with its
  // terminator: what the cache counts for the listing's string pool.
  std::size_t PoolSize() const;
};

// Reads the listing bytes; nothing when they do not even hold the folder's
// path (no zero byte). The folder keeps its trailing "/" as sent.
std::optional<HostListing> ReadListing(std::string_view bytes, std::time_t madeAt);

// The folder a listing shows: its path without a trailing "/", unless it is
// the root.
std::string ListingFolder(std::string_view path);

}  // namespace vandrel::remote
