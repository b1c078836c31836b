// The header records of a record-form file as a document is saved and
// loaded: the block of header records a save writes before the lines, and
// reading records from a file. The header texts, their values and the record
// framing are core/record_headers.h, shared with the host agent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/record_headers.h"
#include "documents/document_format.h"
#include "platform/byte_source.h"

namespace vandrel {

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
RecordRead ReadRecord(platform::ByteSource& source, std::vector<std::uint8_t>& out,
                      std::size_t maxLength = kMaxRecordLength);
// Reads only a record's length; kOk with `length` set, otherwise as above.
RecordRead ReadRecordLength(platform::ByteSource& source, std::size_t& length);

}  // namespace vandrel
