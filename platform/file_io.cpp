#include "platform/file_io.h"

#include <unistd.h>

#include <cerrno>

namespace vandrel::platform {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  return WriteAll(fd, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool WriteAllAt(int fd, std::string_view bytes, std::uint64_t offset) {
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool WriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  return WriteAllAt(fd, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                    offset);
}

}  // namespace vandrel::platform
