// The header records of a record-form file: the Qedit header and the MPE
// header, each a text of KEY=value items, and the record framing every record
// of the file uses (a 16-bit big-endian length, then that many bytes).
//
// Reading goes through the shared attribute parser (core/attribute_parser.h),
// writing produces the texts the host agent expects back. Both keep to one
// quoting rule: a text value (LW, ACD) is written in double quotes, in single
// quotes when it holds a double quote, and cannot be written at all when it
// holds both kinds of quote (the header would not read back as written). The
// agent reads the header with the same parser rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/attribute_parser.h"
#include "documents/document_format.h"

namespace vandrel {

class ByteSource;  // documents/document_loader.h

// A header record longer than this is refused on reading and never written.
inline constexpr std::size_t kMaxHeaderRecordLength = 8190;
// A record's length travels in 16 bits.
inline constexpr std::size_t kMaxRecordLength = 0xFFFF;

// The key tables, in table order. Every key takes a value, none is required.
// MPE: MVER FCODE LW RECLEN BFACT TYPE MODE EOF LIMIT #L M#L CCTL ACD, each
// identified by its first two characters. Qedit: QVER LANG RECLEN EOF LNL LNJ;
// EOF, LNL and LNJ need three characters, the others two.
std::span<const AttributeRow> MpeHeaderKeys();
std::span<const AttributeRow> QeditHeaderKeys();

// A header number: optional sign and leading decimal digits, read as far as
// they go (no digits reads as 0); values beyond 32 bits saturate.
std::int32_t HeaderNumber(std::string_view text);

// Parse a header record's text. Only the keys present are stored into
// `header` (callers clear it first), and only when the whole text is valid.
// Returns 0 or the parser's error code (AttributeError, 1-5).
int ParseMpeHeader(std::string_view text, MpeHeader& header);
int ParseQeditHeader(std::string_view text, QeditHeader& header);

// The Qedit header text for saving (QVER is always 1).
std::string FormatQeditHeader(const QeditHeader& header);

struct MpeHeaderText {
  std::string text;
  std::size_t limitDigits = 0;  // offset in `text` of the LIMIT digits
};

// The MPE header text for saving (MVER is always 1, LIMIT zero-filled to
// eight digits, LW at most 7 characters). Empty when LW or ACD holds both a
// double and a single quote, or when the text would be longer than
// kMaxHeaderRecordLength.
std::optional<MpeHeaderText> FormatMpeHeader(const MpeHeader& header);

// Quotes a header text value under the rule above; empty when impossible.
std::optional<std::string> QuoteHeaderValue(std::string_view value);

// Appends one record (length and bytes) to `out`; false, appending nothing,
// when it is longer than kMaxRecordLength.
bool AppendRecord(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes);
bool AppendRecord(std::vector<std::uint8_t>& out, std::string_view text);

// The header records of a record-form document as saving writes them: the
// Qedit header (Qedit documents), the MPE header and the label block
// unchanged (when #L is not 0).
struct HeaderBlock {
  std::vector<std::uint8_t> bytes;
  std::size_t limitDigits = 0;  // offset in `bytes` of the eight LIMIT digits
};
std::optional<HeaderBlock> BuildHeaderBlock(const DocumentFormat& format);

enum class RecordRead {
  kOk,
  kEnd,      // no bytes at all where the length should be
  kShort,    // the data ends inside the length or the record
  kTooLong,  // longer than the caller's limit (the position is after the length)
  kError,    // a read error
};

// Reads the record at the current position into `out`.
RecordRead ReadRecord(ByteSource& source, std::vector<std::uint8_t>& out,
                      std::size_t maxLength = kMaxRecordLength);
// Reads only a record's length; kOk with `length` set, otherwise as above.
RecordRead ReadRecordLength(ByteSource& source, std::size_t& length);

}  // namespace vandrel
