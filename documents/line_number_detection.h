// Line-number detection: looks at the first lines of a document's data for
// sequence numbers at the start of every line (left scan) or at the end of
// every line (right scan) and derives the numbering (position, digits, start,
// increment) from them.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "documents/document_format.h"
#include "platform/byte_source.h"

namespace vandrel {

inline constexpr std::size_t kSampledLineCount = 20;
// Only the first lines give the values of start, increment and digits.
inline constexpr std::size_t kValueSampleCount = 3;
// A record longer than this is not looked at (it counts as an empty line).
inline constexpr std::size_t kMaxSampledRecordLength = 1024;
// A plain text line is read in pieces of at most this many bytes; each piece
// is a line of its own.
inline constexpr std::size_t kMaxSampledPieceLength = 2047;
inline constexpr std::size_t kMaxDetectedDigits = 10;

// Reads up to kSampledLineCount lines from the source's current position. In
// record form a line is one record: a record longer than
// kMaxSampledRecordLength is sampled as empty, a record of 0 bytes is an empty
// line, the end of the data or a failed or short read ends the sample. In plain text a line ends at
// LF, CR LF or a lone CR (the terminator is not part of it); the end of the data or a read error
// ends the sample.
std::vector<std::string> SampleLines(platform::ByteSource& source, bool recordForm);

// The left scan: every non-empty line starts with digits. Position 1.
std::optional<DocumentNumbering> ScanLeft(std::span<const std::string> lines);
// The right scan: every line that is not blank ends with digits (trailing
// white space ignored). Position is the largest column at which a line's
// digits begin; a result whose position would be below 2 is no result, since
// positions 0 and 1 mean "none" and "at the start".
std::optional<DocumentNumbering> ScanRight(std::span<const std::string> lines);

// Runs the left scan, then the right scan when the numbering's position is
// then 0 or 2 and above; a scan's result replaces `numbering`, a scan without
// result leaves it as it was.
void DetectLineNumbers(std::span<const std::string> lines, DocumentNumbering& numbering);
// The same over the lines read from the source's current position.
void DetectLineNumbers(platform::ByteSource& source, bool recordForm, DocumentNumbering& numbering);

}  // namespace vandrel
