#include "documents/load_request.h"

#include "core/string_ids.h"
#include "platform/byte_order.h"

namespace vandrel {

namespace {
// The Qedit label block keeps the last line worked on at this byte.
constexpr std::size_t kQeditLastLineOffset = 46;
constexpr std::size_t kQeditLastLineMinimumBlock = 51;
}  // namespace

LoadRequest BuildLoadRequest(const DocumentFormat& format, platform::ByteSource* file,
                             std::int64_t dataOffset, const CharacterTable* table) {
  LoadRequest request;
  request.flags = kLoadRequestAlways;
  request.file = file;
  request.dataOffset = dataOffset;
  if (dataOffset != 0) request.flags |= kLoadRequestDataOffset;
  if (format.IsRecordForm()) request.flags |= kLoadRequestRecordForm;
  const DocumentNumbering& numbering = format.numbering;
  if (numbering.position != 0 && numbering.digits != 0 &&
      (format.editFlags & kEditRemoveLineNumbers)) {
    request.flags |= kLoadRequestRemoveNumbers;
    if (format.editFlags & kEditRenumber) request.flags |= kLoadRequestRenumber;
    request.numberColumn = numbering.position == 0 ? 0 : numbering.position - 1;
    request.numberDigits = numbering.digits;
    request.numberStart = numbering.start;
    request.numberIncrement = numbering.increment;
  }
  if (format.editFlags & kEditTrim) request.flags |= kLoadRequestTrim;
  if (format.editFlags & kEditCobol85) request.flags |= kLoadRequestCobol85;
  if (table != nullptr) {
    request.flags |= kLoadRequestTranslate;
    request.characterTable = *table;
  }
  return request;
}

bool ApplyLoadRequestNumbering(DocumentFormat& format, const LoadRequest& request) {
  if (!(request.flags & kLoadRequestRemoveNumbers)) return false;
  format.activeNumbering = format.numbering;
  return true;
}

int LoadResultMessageId(int resultCode) {
  switch (resultCode) {
    case kLoadResultOk:
      return 0;
    case kLoadResultOutOfMemory:
      return kStrLoadOutOfMemory;
    case kLoadResultFormat:
      return kStrLoadFormatNotRecognised;
    case kLoadResultCorrupted:
    case kLoadResultCorruptedRecord:
      return kStrLoadFileCorrupted;
    default:
      return kStrOpenFileFailed;
  }
}

std::int32_t QeditLastLine(const DocumentFormat& format) {
  const std::vector<std::uint8_t>& block = format.mpe.labelBlock;
  if (!format.IsQedit() || block.size() < kQeditLastLineMinimumBlock) return 0;
  const std::uint32_t value = platform::ReadBigEndian32(block.data() + kQeditLastLineOffset);
  // A stored value beyond the 31-bit range is no line.
  return value > 0x7FFFFFFF ? 0 : static_cast<std::int32_t>(value);
}

}  // namespace vandrel
