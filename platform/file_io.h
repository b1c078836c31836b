// Writing whole buffers to file descriptors: retried after interruptions and
// partial writes; a write that makes no progress fails with ENOSPC rather
// than looping.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vandrel::platform {

bool WriteAll(int fd, std::string_view bytes);
bool WriteAll(int fd, std::span<const std::uint8_t> bytes);
// At an absolute offset, leaving the file position alone.
bool WriteAllAt(int fd, std::string_view bytes, std::uint64_t offset);
bool WriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset);

}  // namespace vandrel::platform
