// The records of a store file and the checked walk along their chains.
//
// Layout (all integers little-endian, all offsets absolute, 0 = none):
//   header   272 bytes: signature (260), format number, flags, first section
//   section   11 bytes: next section, first value, in-use, name length; name
//   value     15 bytes: next value, storage type, in-use, name length,
//                       data length; name; data
// Records are only ever appended, so every link points forward. The walk
// below relies on that: a link that does not point past the record holding it,
// or a record that would reach past the end of the file, marks the file as
// damaged, so no chain can loop and no read leaves the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

inline constexpr std::string_view kStoreSignature = "Zorvant Technology Encrypted Registry File";
inline constexpr std::size_t kStoreHeaderSize = 272;
inline constexpr std::size_t kStoreSignatureField = 260;
inline constexpr std::uint32_t kStoreFormatNumber = 10000;
inline constexpr std::uint32_t kStoreFlagScrambled = 0x1;
inline constexpr std::size_t kSectionRecordSize = 11;
inline constexpr std::size_t kValueRecordSize = 15;
inline constexpr std::size_t kStoreMaxNameLength = 1023;

struct StoreHeader {
  std::uint32_t formatNumber = kStoreFormatNumber;
  std::uint32_t flags = kStoreFlagScrambled;
  std::uint32_t firstSection = 0;
};

struct SectionRecord {
  std::uint32_t offset = 0;  // where the record itself lies
  std::uint32_t next = 0;
  std::uint32_t firstValue = 0;
  bool live = true;
  std::string name;

  std::uint64_t End() const { return std::uint64_t{offset} + kSectionRecordSize + name.size(); }
};

struct ValueRecord {
  std::uint32_t offset = 0;
  std::uint32_t next = 0;
  std::uint32_t type = 0;
  bool live = true;
  std::string name;
  std::uint32_t dataLength = 0;

  std::uint64_t DataOffset() const {
    return std::uint64_t{offset} + kValueRecordSize + name.size();
  }
  std::uint64_t End() const { return DataOffset() + dataLength; }
};

// Random access to the bytes of a store file: the whole file in memory, or the
// open file itself when the memory block could not be had.
class StoreSource {
 public:
  virtual ~StoreSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies `length` bytes at `offset`; false when they are not all there.
  virtual bool Read(std::uint64_t offset, void* destination, std::size_t length) const = 0;
};

class MemoryStoreSource final : public StoreSource {
 public:
  explicit MemoryStoreSource(std::basic_string_view<std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool Read(std::uint64_t offset, void* destination, std::size_t length) const override;

 private:
  std::basic_string_view<std::uint8_t> bytes_;
};

class FileStoreSource final : public StoreSource {
 public:
  FileStoreSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, void* destination, std::size_t length) const override;

 private:
  int fd_;
  std::uint64_t size_;
};

// Header encoding. ReadStoreHeader fails on a short file or a wrong signature.
std::vector<std::uint8_t> EncodeStoreHeader(const StoreHeader& header);
std::optional<StoreHeader> ReadStoreHeader(const StoreSource& source);

std::vector<std::uint8_t> EncodeSectionRecord(const SectionRecord& record);
std::vector<std::uint8_t> EncodeValueRecord(const ValueRecord& record);

// Reads the record at `offset`, checking that it and its name lie inside the
// file and that its links point forward. Data is not read here.
std::optional<SectionRecord> ReadSectionRecord(const StoreSource& source, std::uint64_t offset);
std::optional<ValueRecord> ReadValueRecord(const StoreSource& source, std::uint64_t offset);

// True when `link` may be held by a record that ends at `recordEnd`: 0 (end of
// chain) or an offset at or past that end and past the header. Records are
// appended whole, so a link never points back into the record holding it or
// before it; this keeps every chain strictly ascending and free of loops.
bool IsForwardLink(std::uint32_t link, std::uint64_t recordEnd);

bool StoreNamesEqual(std::string_view a, std::string_view b);

enum class WalkResult { kFound, kMissing, kDamaged };

// First live section named `name` (ignoring case), walking from the header.
WalkResult FindSection(const StoreSource& source, const StoreHeader& header, std::string_view name,
                       SectionRecord* found);
// First live value named `name` (ignoring case) in the section's chain.
WalkResult FindValue(const StoreSource& source, const SectionRecord& section, std::string_view name,
                     ValueRecord* found);

}  // namespace vandrel
