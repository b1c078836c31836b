// The load request the editor window hands the edit control once the loader
// has opened a document: which file to read and from where, whether it is in
// record form, whether line numbers are taken out of the text (and where),
// trimming, COBOL'85 handling and character translation. Also the messages
// that the control's result codes map to, and the Qedit "last line" kept in
// the label block.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "documents/document_format.h"
#include "platform/byte_source.h"

namespace vandrel {

// The control message number of the load request (offset from the first user
// message).
inline constexpr std::uint32_t kEditMessageLoad = 33;

// Request flags.
inline constexpr std::uint32_t kLoadRequestAlways = 0x0001;
inline constexpr std::uint32_t kLoadRequestDataOffset = 0x0002;     // data offset is not 0
inline constexpr std::uint32_t kLoadRequestRecordForm = 0x0010;     // length-prefixed records
inline constexpr std::uint32_t kLoadRequestRemoveNumbers = 0x0020;  // take numbers out of the text
inline constexpr std::uint32_t kLoadRequestRenumber = 0x0800;       // with 0x20: sequence not kept
inline constexpr std::uint32_t kLoadRequestTrim = 0x0040;
inline constexpr std::uint32_t kLoadRequestCobol85 = 0x0080;
inline constexpr std::uint32_t kLoadRequestTranslate = 0x4000;  // a character table is supplied

using CharacterTable = std::array<std::uint8_t, 256>;

// Translates `bytes` in place: each byte takes its entry of `table`, and a
// byte whose entry is 0 stays as it is.
inline void TranslateBytes(std::span<char> bytes, const CharacterTable& table) {
  for (char& c : bytes) {
    const std::uint8_t mapped = table[static_cast<std::uint8_t>(c)];
    if (mapped != 0) c = static_cast<char>(mapped);
  }
}

struct LoadRequest {
  std::uint32_t flags = kLoadRequestAlways;
  // The open file, positioned at the data start; not owned. Null when the
  // request is built without one.
  platform::ByteSource* file = nullptr;
  std::int64_t dataOffset = 0;  // the data start in the file
  // Present exactly when kLoadRequestTranslate is set: each byte read is
  // replaced by table[byte].
  std::optional<CharacterTable> characterTable;
  // With kLoadRequestRemoveNumbers, otherwise all 0.
  // Numbering position - 1 (0 stays 0): 0 for numbers at the start of each
  // line; c >= 1 for numbers at the end beginning at 0-based column c + 1
  // (position 72, columns 73-80, arrives as 71).
  std::int32_t numberColumn = 0;
  std::int32_t numberDigits = 0;
  std::int32_t numberStart = 0;
  std::int32_t numberIncrement = 0;
  bool operator==(const LoadRequest&) const = default;
};

// Builds the request for `format` (its format flags, numbering and template
// format flags). `table` is the document's translation table when
// translation is on, else null.
LoadRequest BuildLoadRequest(const DocumentFormat& format, platform::ByteSource* file,
                             std::int64_t dataOffset, const CharacterTable* table = nullptr);

// After the request has been built: when it takes the numbers out of the
// text, the document's active numbering becomes a copy of its numbering.
// Returns whether it was set.
bool ApplyLoadRequestNumbering(DocumentFormat& format, const LoadRequest& request);

// Result codes of the control's load.
inline constexpr int kLoadResultOk = 0;
inline constexpr int kLoadResultOutOfMemory = 2;
inline constexpr int kLoadResultFormat = 3;
inline constexpr int kLoadResultCorrupted = 5;
inline constexpr int kLoadResultCorruptedRecord = 6;

// The string-table id of the message for a non-zero result code (each takes
// the document's name as its one argument); 0 for kLoadResultOk.
int LoadResultMessageId(int resultCode);

// The line a Qedit document was last worked on, kept big-endian at byte 46
// of its label block when the block is longer than 50 bytes; 0 when there is
// none (not Qedit, a shorter block, a stored 0 or a value above 31 bits).
std::int32_t QeditLastLine(const DocumentFormat& format);

}  // namespace vandrel
