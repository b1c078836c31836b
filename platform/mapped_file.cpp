#include "platform/mapped_file.h"

#include <sys/mman.h>
#include <sys/stat.h>

namespace vandrel::platform {

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
}

bool MappedFile::Map(int fd) {
  struct stat st {};
  if (data_ != nullptr || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
    return false;
  const auto size = static_cast<std::size_t>(st.st_size);
  void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (mapped == MAP_FAILED) return false;
  ::madvise(mapped, size, MADV_SEQUENTIAL);
  data_ = static_cast<const std::uint8_t*>(mapped);
  size_ = size;
  return true;
}

}  // namespace vandrel::platform
