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
#include <string>

namespace vandrel::agent {

inline constexpr char kMpeAttributesFolder[] = ".tandrill";

// Keys: FCODE, RECLEN, BFACT, TYPE, MODE, LIMIT, CCTL; for Qedit files also
// QLANG, QRECLEN, QLNL, QLNJ. A plain file holds variable-length ASCII
// records; a record length of 0 stands for the length of its longest line.
struct MpeAttributes {
  std::int32_t fileCode = 0;
  std::int32_t recordLength = 0;
  std::int32_t blockingFactor = 1;
  std::int32_t recordType = 1;  // 0 fixed, 1 variable
  std::int32_t mode = 1;        // 0 binary, 1 ASCII
  std::int32_t limit = 0;
  std::int32_t carriageControl = 0;
  std::int32_t qeditLanguage = 0;
  std::int32_t qeditRecordLength = 0;
  std::int32_t qeditNumberLength = 0;
  std::int32_t qeditNumbersLeft = 0;
  bool operator==(const MpeAttributes&) const = default;
};

// Where the attributes of `file` are kept.
std::filesystem::path MpeAttributesPath(const std::filesystem::path& file);

// The attributes of `file`; the defaults when it has no entry or the entry
// cannot be read. Unknown keys and malformed lines are passed over.
MpeAttributes ReadMpeAttributes(const std::filesystem::path& file);

// Replaces the entry of `file` (creating the folder when needed); false with
// a message in `error` when it cannot be written.
bool WriteMpeAttributes(const std::filesystem::path& file, const MpeAttributes& attributes,
                        std::string* error);

}  // namespace vandrel::agent
