// MPE file attributes of the files of an MPE-personality tree. A POSIX file
// system has no file codes, record lengths or record types, so the agent
// keeps them beside the files: for DIR/NAME, the text file
// DIR/.tandrill/NAME holds "KEY=value" lines (FCODE=111, RECLEN=80, ...).
// The folder's lower-case name can never be named by a client, whose paths
// are upper-cased in that personality. A file without an entry has the
// defaults (file code 0).
#pragma once

#include <cstdint>
#include <filesystem>

namespace vandrel::agent {

inline constexpr char kMpeAttributesFolder[] = ".tandrill";

struct MpeAttributes {
  std::int32_t fileCode = 0;
};

// Where the attributes of `file` are kept.
std::filesystem::path MpeAttributesPath(const std::filesystem::path& file);

// The attributes of `file`; the defaults when it has no entry or the entry
// cannot be read. Unknown keys and malformed lines are passed over.
MpeAttributes ReadMpeAttributes(const std::filesystem::path& file);

}  // namespace vandrel::agent
