#include "documents/header_records.h"

#include <array>
#include <limits>

#include "platform/byte_order.h"

namespace vandrel {

std::optional<HeaderBlock> BuildHeaderBlock(const DocumentFormat& format) {
  HeaderBlock block;
  if (format.IsQedit() && !AppendRecord(block.bytes, FormatQeditHeader(format.qedit))) {
    return std::nullopt;
  }
  const auto mpe = FormatMpeHeader(format.mpe);
  if (!mpe) return std::nullopt;
  block.limitDigits = block.bytes.size() + 2 + mpe->limitDigits;
  if (!AppendRecord(block.bytes, mpe->text)) return std::nullopt;
  if (format.mpe.labels != 0) {
    block.bytes.insert(block.bytes.end(), format.mpe.labelBlock.begin(),
                       format.mpe.labelBlock.end());
  }
  return block;
}

RecordRead ReadRecordLength(platform::ByteSource& source, std::size_t& length) {
  std::array<std::uint8_t, 2> prefix{};
  const std::int64_t got = source.Read(prefix);
  if (got < 0) return RecordRead::kError;
  if (got == 0) return RecordRead::kEnd;
  if (got < 2) return RecordRead::kShort;
  length = platform::ReadBigEndian16(prefix.data());
  return RecordRead::kOk;
}

RecordRead ReadRecord(platform::ByteSource& source, std::vector<std::uint8_t>& out,
                      std::size_t maxLength) {
  std::size_t length = 0;
  const RecordRead status = ReadRecordLength(source, length);
  if (status != RecordRead::kOk) return status;
  if (length > maxLength) return RecordRead::kTooLong;
  out.resize(length);
  const std::int64_t got = source.Read(out);
  if (got < 0) return RecordRead::kError;
  if (static_cast<std::size_t>(got) < length) return RecordRead::kShort;
  return RecordRead::kOk;
}

}  // namespace vandrel
