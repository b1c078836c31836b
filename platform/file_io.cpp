#include "platform/file_io.h"

#include <unistd.h>

#include <cerrno>

namespace vandrel::platform {

namespace {

// Writes all of `bytes` with `write(data, size, offset)`, which writes some
// of them at `offset` bytes into the whole; retried after interruptions.
template <typename WriteSome>
bool WriteLoop(std::string_view bytes, WriteSome write) {
  std::uint64_t done = 0;
  while (!bytes.empty()) {
    const ssize_t n = write(bytes.data(), bytes.size(), done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    done += static_cast<std::uint64_t>(n);
  }
  return true;
}

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

bool WriteAll(int fd, std::string_view bytes) {
  return WriteLoop(bytes, [fd](const char* data, std::size_t size, std::uint64_t) {
    return ::write(fd, data, size);
  });
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) { return WriteAll(fd, AsChars(bytes)); }

bool WriteAllAt(int fd, std::string_view bytes, std::uint64_t offset) {
  return WriteLoop(bytes, [fd, offset](const char* data, std::size_t size, std::uint64_t done) {
    return ::pwrite(fd, data, size, static_cast<off_t>(offset + done));
  });
}

bool WriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  return WriteAllAt(fd, AsChars(bytes), offset);
}

}  // namespace vandrel::platform
