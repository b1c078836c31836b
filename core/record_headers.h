// The header records of the record form – the Qedit header and the MPE
// header, each a text of KEY=value items – with the values they carry and the
// framing every record uses (a 16-bit big-endian length, then that many
// bytes). Record-form files and record transfers ("M" and "Q") both carry
// them, so the editor and the host agent read and write them here, with one
// quoting rule: a text value (LW, ACD) is written in double quotes, in single
// quotes when it holds a double quote, and cannot be written at all when it
// holds both kinds of quote (the header would not read back as written).
// Reading goes through the shared attribute parser (core/attribute_parser.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/attribute_parser.h"

namespace vandrel {

inline constexpr std::size_t kLockwordLength = 7;

// Values of the MPE header record (keys MVER, FCODE, LW, RECLEN, BFACT, TYPE,
// MODE, EOF, LIMIT, #L, M#L, CCTL, ACD) and the user label block that follows
// it, kept byte for byte.
struct MpeHeader {
  std::int32_t mver = 0;
  std::int32_t fcode = 0;
  std::string lw;  // lockword, at most 7 characters
  std::int32_t reclen = 0;
  std::int32_t bfact = 0;
  std::int32_t type = 0;  // 0 fixed, 1 variable, 2 undefined, 3 spool block, 9 byte stream
  std::int32_t mode = 0;  // 0 binary, 1 ASCII
  std::int32_t eof = 0;
  std::int32_t limit = 0;
  std::int32_t labels = 0;     // #L: user labels present
  std::int32_t maxLabels = 0;  // M#L
  std::int32_t cctl = 0;
  std::vector<std::uint8_t> labelBlock;  // the #L label records, with their length prefixes
  std::string acd;
  bool operator==(const MpeHeader&) const = default;
};

// Values of the Qedit header record (QVER, LANG, RECLEN, EOF, LNL, LNJ).
struct QeditHeader {
  std::int32_t qver = 0;
  std::int32_t lang = 0;
  std::int32_t reclen = 0;
  std::int32_t eof = 0;
  std::int32_t lnl = 0;  // line number length
  std::int32_t lnj = 0;  // non-zero: numbers at the left
  bool operator==(const QeditHeader&) const = default;
};

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
bool AppendRecord(std::string& out, std::string_view record);

}  // namespace vandrel
