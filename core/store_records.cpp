#include "core/store_records.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/ascii_text.h"
#include "platform/byte_order.h"

namespace vandrel {

namespace {

std::optional<std::string> ReadName(const StoreSource& source, std::uint64_t offset,
                                    std::size_t length) {
  std::string name(length, '\0');
  if (length > 0 && !source.Read(offset, name.data(), length)) return std::nullopt;
  return name;
}

}  // namespace

bool MemoryStoreSource::Read(std::uint64_t offset, void* destination, std::size_t length) const {
  if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
  if (length > 0) std::memcpy(destination, bytes_.data() + offset, length);
  return true;
}

bool FileStoreSource::Read(std::uint64_t offset, void* destination, std::size_t length) const {
  if (offset > size_ || length > size_ - offset) return false;
  auto* out = static_cast<std::uint8_t*>(destination);
  while (length > 0) {
    const ssize_t n = ::pread(fd_, out, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    offset += static_cast<std::uint64_t>(n);
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

std::vector<std::uint8_t> EncodeStoreHeader(const StoreHeader& header) {
  std::vector<std::uint8_t> out(kStoreSignatureField, 0);
  std::copy(kStoreSignature.begin(), kStoreSignature.end(), out.begin());
  platform::AppendLittleEndian32(out, header.formatNumber);
  platform::AppendLittleEndian32(out, header.flags);
  platform::AppendLittleEndian32(out, header.firstSection);
  return out;
}

std::optional<StoreHeader> ReadStoreHeader(const StoreSource& source) {
  std::uint8_t raw[kStoreHeaderSize];
  if (!source.Read(0, raw, sizeof raw)) return std::nullopt;
  if (std::memcmp(raw, kStoreSignature.data(), kStoreSignature.size()) != 0) return std::nullopt;
  StoreHeader header;
  header.formatNumber = platform::ReadLittleEndian32(raw + 260);
  header.flags = platform::ReadLittleEndian32(raw + 264);
  header.firstSection = platform::ReadLittleEndian32(raw + 268);
  return header;
}

std::vector<std::uint8_t> EncodeSectionRecord(const SectionRecord& record) {
  std::vector<std::uint8_t> out;
  out.reserve(kSectionRecordSize + record.name.size());
  platform::AppendLittleEndian32(out, record.next);
  platform::AppendLittleEndian32(out, record.firstValue);
  out.push_back(record.live ? 1 : 0);
  platform::AppendLittleEndian16(out, static_cast<std::uint16_t>(record.name.size()));
  out.insert(out.end(), record.name.begin(), record.name.end());
  return out;
}

std::vector<std::uint8_t> EncodeValueRecord(const ValueRecord& record) {
  std::vector<std::uint8_t> out;
  out.reserve(kValueRecordSize + record.name.size());
  platform::AppendLittleEndian32(out, record.next);
  platform::AppendLittleEndian32(out, record.type);
  out.push_back(record.live ? 1 : 0);
  platform::AppendLittleEndian16(out, static_cast<std::uint16_t>(record.name.size()));
  platform::AppendLittleEndian32(out, record.dataLength);
  out.insert(out.end(), record.name.begin(), record.name.end());
  return out;
}

bool IsForwardLink(std::uint32_t link, std::uint64_t recordEnd) {
  return link == 0 || (link >= recordEnd && link >= kStoreHeaderSize);
}

std::optional<SectionRecord> ReadSectionRecord(const StoreSource& source, std::uint64_t offset) {
  std::uint8_t raw[kSectionRecordSize];
  if (offset >= source.Size() || !source.Read(offset, raw, sizeof raw)) return std::nullopt;
  SectionRecord record;
  record.offset = static_cast<std::uint32_t>(offset);
  record.next = platform::ReadLittleEndian32(raw);
  record.firstValue = platform::ReadLittleEndian32(raw + 4);
  record.live = raw[8] != 0;
  auto name = ReadName(source, offset + kSectionRecordSize, platform::ReadLittleEndian16(raw + 9));
  if (!name) return std::nullopt;
  record.name = std::move(*name);
  if (!IsForwardLink(record.next, record.End()) || !IsForwardLink(record.firstValue, record.End()))
    return std::nullopt;
  return record;
}

std::optional<ValueRecord> ReadValueRecord(const StoreSource& source, std::uint64_t offset) {
  std::uint8_t raw[kValueRecordSize];
  if (offset >= source.Size() || !source.Read(offset, raw, sizeof raw)) return std::nullopt;
  ValueRecord record;
  record.offset = static_cast<std::uint32_t>(offset);
  record.next = platform::ReadLittleEndian32(raw);
  record.type = platform::ReadLittleEndian32(raw + 4);
  record.live = raw[8] != 0;
  record.dataLength = platform::ReadLittleEndian32(raw + 11);
  auto name = ReadName(source, offset + kValueRecordSize, platform::ReadLittleEndian16(raw + 9));
  if (!name) return std::nullopt;
  record.name = std::move(*name);
  if (!IsForwardLink(record.next, record.End())) return std::nullopt;
  return record;
}

bool StoreNamesEqual(std::string_view a, std::string_view b) {
  return platform::EqualsIgnoreCase(a, b);
}

WalkResult FindSection(const StoreSource& source, const StoreHeader& header, std::string_view name,
                       SectionRecord* found) {
  if (!IsForwardLink(header.firstSection, kStoreHeaderSize)) return WalkResult::kDamaged;
  for (std::uint32_t offset = header.firstSection; offset != 0;) {
    auto record = ReadSectionRecord(source, offset);
    if (!record) return WalkResult::kDamaged;
    if (record->live && StoreNamesEqual(record->name, name)) {
      *found = std::move(*record);
      return WalkResult::kFound;
    }
    offset = record->next;
  }
  return WalkResult::kMissing;
}

WalkResult FindValue(const StoreSource& source, const SectionRecord& section, std::string_view name,
                     ValueRecord* found) {
  for (std::uint32_t offset = section.firstValue; offset != 0;) {
    auto record = ReadValueRecord(source, offset);
    if (!record) return WalkResult::kDamaged;
    if (record->live && StoreNamesEqual(record->name, name)) {
      *found = std::move(*record);
      return WalkResult::kFound;
    }
    offset = record->next;
  }
  return WalkResult::kMissing;
}

}  // namespace vandrel
