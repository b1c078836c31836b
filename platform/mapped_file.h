// A read-only view of an open file's bytes, mapped into memory: the loader
// reads large documents through it without copying them into a buffer first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vandrel::platform {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the whole file behind `fd` (its size at this moment), pages read in
  // at once. False for an empty file or when mapping is not possible; the
  // caller then reads the file instead.
  bool Map(int fd);
  std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace vandrel::platform
