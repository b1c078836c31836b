// MPE file attributes of the files of an MPE-personality tree. A POSIX file
// system has no file codes, record lengths or record types, so the agent
// keeps them beside the files: for DIR/NAME, the text file
// DIR/.tandrill/NAME holds "KEY=value" lines (FCODE=111, RECLEN=80, ...).
// The folder's lower-case name can never be named by a client, whose paths
// are upper-cased in that personality. A file without an entry has the
// defaults (file code 0, variable-length ASCII records).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vandrel::agent {

inline constexpr char kMpeAttributesFolder[] = ".tandrill";

// An MPE file has at most 254 user labels of 128 half-words (256 bytes) each.
inline constexpr std::size_t kMaxUserLabels = 254;
inline constexpr std::size_t kMaxUserLabelLength = 256;
// The lockword travels in the header cut to 7 characters.
inline constexpr std::size_t kMaxLockwordLength = 7;
// The ACD travels inside the header record, which holds at most 8,190 bytes.
inline constexpr std::size_t kMaxAcdLength = 8190;

// Keys of the entry, one a line:
//   FCODE RECLEN BFACT TYPE MODE LIMIT CCTL M#L   decimal numbers
//   QLANG QRECLEN QLNL QLNJ                       the Qedit header's values
//   LW ACD        text, every byte outside printable ASCII and "%" itself
//                 written as %XX (two hex digits)
//   LABEL1 ... LABELn   the user labels in order, each as hex digits
// Entries written before lockwords, labels and ACDs were kept lack those keys
// and read with the defaults (none). A plain file holds variable-length ASCII
// records; a record length of 0 stands for the length of its longest line.
struct MpeAttributes {
  std::int32_t fileCode = 0;
  std::int32_t recordLength = 0;
  std::int32_t blockingFactor = 1;
  std::int32_t recordType = 1;  // 0 fixed, 1 variable, 2 undefined, 3 spool, 9 byte stream
  std::int32_t mode = 1;        // 0 binary, 1 ASCII
  std::int32_t limit = 0;
  std::int32_t carriageControl = 0;
  std::int32_t maxLabels = 0;       // M#L; the labels present are `labels`
  std::string lockword;             // at most kMaxLockwordLength characters
  std::string acd;                  // the access control definition, as the header carries it
  std::vector<std::string> labels;  // raw bytes, at most kMaxUserLabels of kMaxUserLabelLength
  std::int32_t qeditLanguage = 0;
  std::int32_t qeditRecordLength = 0;
  std::int32_t qeditNumberLength = 0;
  std::int32_t qeditNumbersLeft = 0;
  bool operator==(const MpeAttributes&) const = default;
};

// Where the attributes of `file` are kept.
std::filesystem::path MpeAttributesPath(const std::filesystem::path& file);

// The attributes of `file`; the defaults when it has no entry or the entry
// cannot be read. Unknown keys and malformed lines are passed over; labels
// count from LABEL1 up to the first one missing or malformed.
MpeAttributes ReadMpeAttributes(const std::filesystem::path& file);

// Replaces the entry of `file` (creating the folder when needed); false with
// a message in `error` when it cannot be written or the attributes exceed
// the limits above (nothing is cut to fit).
bool WriteMpeAttributes(const std::filesystem::path& file, const MpeAttributes& attributes,
                        std::string* error);

// Why `attributes` cannot be kept (labels, lockword or ACD over their limits),
// or an empty text when they can.
std::string MpeAttributesProblem(const MpeAttributes& attributes);

}  // namespace vandrel::agent
