#include "platform/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_lock.h"

namespace vandrel::platform {

bool ReadToEnd(ByteSource& source, std::vector<std::uint8_t>& out) {
  out.clear();
  std::uint8_t block[65536];
  while (true) {
    const std::int64_t got = source.Read(block);
    if (got < 0) return false;
    out.insert(out.end(), block, block + got);
    if (got < static_cast<std::int64_t>(sizeof block)) return true;
  }
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);  // releases the lock with the open file description
}

std::unique_ptr<FileSource> FileSource::Open(const std::filesystem::path& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !TryLockFile(fd, LockKind::kExclusive)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(fd));
}

std::int64_t FileSource::Read(std::span<std::uint8_t> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = ::read(fd_, buffer.data() + done, buffer.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

bool FileSource::Seek(std::int64_t position) {
  return position >= 0 && ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) == position;
}

std::int64_t FileSource::Position() {
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  return at < 0 ? -1 : static_cast<std::int64_t>(at);
}

std::int64_t MemorySource::Read(std::span<std::uint8_t> buffer) {
  const std::size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
  const std::size_t count = std::min(available, buffer.size());
  if (count > 0) std::memcpy(buffer.data(), bytes_.data() + position_, count);
  position_ += count;
  return static_cast<std::int64_t>(count);
}

bool MemorySource::Seek(std::int64_t position) {
  if (position < 0) return false;
  position_ = static_cast<std::size_t>(position);
  return true;
}

}  // namespace vandrel::platform
