#include "core/store_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "core/store_records.h"
#include "core/store_scramble.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace vandrel {

// ---- the handle -------------------------------------------------------------

StoreFile::~StoreFile() { Close(); }

StoreFile::StoreFile(StoreFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), readOnly_(other.readOnly_), error_(other.error_) {}

StoreFile& StoreFile::operator=(StoreFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    readOnly_ = other.readOnly_;
    error_ = other.error_;
  }
  return *this;
}

StoreFile StoreFile::Adopt(int fd) {
  StoreFile file;
  file.readOnly_ = false;
  if (fd >= 0) {
    file.fd_ = fd;
  } else {
    file.error_ = EBADF;
  }
  return file;
}

void StoreFile::Close() {
  if (fd_ >= 0) {
    ::close(fd_);  // releases the lock with the open file description
    fd_ = -1;
  }
}

StoreFile StoreFile::Open(const std::filesystem::path& path, bool readOnly,
                          StoreCreation creation) {
  StoreFile file;
  file.readOnly_ = readOnly;
  int flags = O_CLOEXEC | (readOnly ? O_RDONLY : O_RDWR);
  if (!readOnly && creation != StoreCreation::kOpenExisting) flags |= O_CREAT;
  // Never O_TRUNC here: the file may be held by someone else, and emptying it
  // before the lock is ours would destroy their file.
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    file.error_ = errno;
    return file;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    file.error_ = errno != 0 ? errno : EISDIR;
    ::close(fd);
    return file;
  }
  if (!platform::TryLockFile(fd, platform::LockKind::kExclusive)) {
    file.error_ = EBUSY;
    ::close(fd);
    return file;
  }
  if (!readOnly && creation == StoreCreation::kCreateAlways && ::ftruncate(fd, 0) != 0) {
    file.error_ = errno;
    ::close(fd);
    return file;
  }
  file.fd_ = fd;
  return file;
}

// ---- writing ----------------------------------------------------------------

namespace {

bool WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  return platform::WriteAllAt(fd, bytes, offset);
}

bool FileSize(int fd, std::uint64_t* size) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

// Appending a record must leave every offset representable in 32 bits.
bool FitsAt(std::uint64_t offset, std::size_t length) {
  return offset + length <= std::numeric_limits<std::uint32_t>::max();
}

class StoreWriter {
 public:
  StoreWriter(int fd, std::uint64_t size) : fd_(fd), size_(size), source_(fd, size) {}

  bool Prepare() {
    if (size_ == 0) {
      if (!Append(EncodeStoreHeader(header_))) return false;
    } else {
      auto header = ReadStoreHeader(source_);
      if (!header) return false;
      header_ = *header;
    }
    return true;
  }

  // Finds the live section named `name` or appends one, linked from the last
  // section or from the header.
  bool OpenSection(std::string_view name) {
    if (!IsForwardLink(header_.firstSection, kStoreHeaderSize)) return false;
    std::optional<SectionRecord> last;
    for (std::uint32_t offset = header_.firstSection; offset != 0;) {
      auto record = ReadSectionRecord(source_, offset);
      if (!record) return false;
      if (record->live && StoreNamesEqual(record->name, name)) {
        section_ = std::move(*record);
        return true;
      }
      offset = record->next;
      last = std::move(record);
    }
    section_ = SectionRecord{};
    section_.name = std::string(name);
    const auto encoded = EncodeSectionRecord(section_);
    if (!FitsAt(size_, encoded.size())) return false;
    section_.offset = static_cast<std::uint32_t>(size_);
    if (last) {
      last->next = section_.offset;
      if (!WriteAt(fd_, last->offset, EncodeSectionRecord(*last))) return false;
    } else {
      header_.firstSection = section_.offset;
      if (!WriteAt(fd_, 0, EncodeStoreHeader(header_))) return false;
    }
    return Append(encoded);
  }

  bool WriteValue(const SettingDescriptor& row) {
    std::vector<std::uint8_t> data = RowData(row);
    if (data.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    if (header_.flags & kStoreFlagScrambled) Scramble(ScrambleDirection::kStore, data);

    ValueRecord fresh;
    fresh.type = row.type;
    fresh.name = row.name;
    fresh.dataLength = static_cast<std::uint32_t>(data.size());

    std::optional<ValueRecord> last;
    for (std::uint32_t offset = section_.firstValue; offset != 0;) {
      auto record = ReadValueRecord(source_, offset);
      if (!record) return false;
      if (record->live && StoreNamesEqual(record->name, row.name)) {
        if (data.size() <= record->dataLength) {
          // The rewritten record takes the row's type too: keeping the old
          // type would leave a value that no reader of this row can find.
          record->type = fresh.type;
          record->dataLength = fresh.dataLength;
          auto bytes = EncodeValueRecord(*record);
          bytes.insert(bytes.end(), data.begin(), data.end());
          return WriteAt(fd_, record->offset, bytes);
        }
        record->live = false;  // too long to fit: retire it and append anew
        if (!WriteAt(fd_, record->offset, EncodeValueRecord(*record))) return false;
      }
      offset = record->next;
      last = std::move(record);
    }

    auto bytes = EncodeValueRecord(fresh);
    bytes.insert(bytes.end(), data.begin(), data.end());
    if (!FitsAt(size_, bytes.size())) return false;
    const auto at = static_cast<std::uint32_t>(size_);
    if (last) {
      last->next = at;
      if (!WriteAt(fd_, last->offset, EncodeValueRecord(*last))) return false;
    } else {
      section_.firstValue = at;
      if (!WriteAt(fd_, section_.offset, EncodeSectionRecord(section_))) return false;
    }
    return Append(bytes);
  }

 private:
  bool Append(const std::vector<std::uint8_t>& bytes) {
    if (!WriteAt(fd_, size_, bytes)) return false;
    size_ += bytes.size();
    source_ = FileStoreSource(fd_, size_);
    return true;
  }

  int fd_;
  std::uint64_t size_;
  FileStoreSource source_;
  StoreHeader header_;
  SectionRecord section_;
};

}  // namespace

bool WriteValues(StoreFile& file, std::string_view section,
                 std::span<const SettingDescriptor> rows) {
  if (!file.IsValid() || file.IsReadOnly()) return false;
  if (section.size() > kStoreMaxNameLength) return false;
  for (const auto& row : rows)
    if (row.name.size() > kStoreMaxNameLength) return false;

  std::uint64_t size = 0;
  if (!FileSize(file.fd(), &size)) return false;
  StoreWriter writer(file.fd(), size);
  if (!writer.Prepare() || !writer.OpenSection(section)) return false;
  for (const auto& row : rows) {
    if (row.name.empty()) continue;
    if (!writer.WriteValue(row)) return false;
  }
  return true;
}

// ---- reading ----------------------------------------------------------------

namespace {

bool ReadValuesFrom(const StoreSource& source, std::string_view section,
                    std::span<const SettingDescriptor> rows) {
  if (source.Size() == 0) return false;
  auto header = ReadStoreHeader(source);
  if (!header) return false;
  SectionRecord sectionRecord;
  if (FindSection(source, *header, section, &sectionRecord) != WalkResult::kFound) return false;

  for (const auto& row : rows) {
    if (row.name.empty()) continue;
    ValueRecord value;
    switch (FindValue(source, sectionRecord, row.name, &value)) {
      case WalkResult::kDamaged:
        return false;
      case WalkResult::kMissing:
        continue;
      case WalkResult::kFound:
        break;
    }
    if (value.type != row.type || value.dataLength > row.size) continue;
    if (row.type == kStorageText && value.dataLength == row.size) continue;  // no room for the zero
    std::vector<std::uint8_t> data(value.dataLength);
    if (!source.Read(value.DataOffset(), data.data(), data.size())) return false;
    if (header->flags & kStoreFlagScrambled) Scramble(ScrambleDirection::kLoad, data);
    StoreRowData(row, data);
  }
  return true;
}

}  // namespace

bool ReadValuesFromImage(std::span<const std::uint8_t> image, std::string_view section,
                         std::span<const SettingDescriptor> rows) {
  return ReadValuesFrom(MemoryStoreSource({image.data(), image.size()}), section, rows);
}

bool ReadValues(StoreFile& file, std::string_view section,
                std::span<const SettingDescriptor> rows) {
  if (!file.IsValid()) return false;
  std::uint64_t size = 0;
  if (!FileSize(file.fd(), &size) || size == 0) return false;
  FileStoreSource direct(file.fd(), size);

  // One read of the whole file; every record then resolves from memory. When
  // the block cannot be had, the same reads go to the file.
  std::vector<std::uint8_t> block;
  try {
    block.resize(static_cast<std::size_t>(size) + 1);
  } catch (const std::bad_alloc&) {
    return ReadValuesFrom(direct, section, rows);
  }
  if (!direct.Read(0, block.data(), static_cast<std::size_t>(size)))
    return ReadValuesFrom(direct, section, rows);
  return ReadValuesFrom(MemoryStoreSource({block.data(), static_cast<std::size_t>(size)}), section,
                        rows);
}

}  // namespace vandrel
