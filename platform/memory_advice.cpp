#include "platform/memory_advice.h"

#include <sys/mman.h>

#include <cstdint>

namespace vandrel::platform {

void AdviseHugePages(void* data, std::size_t size) {
  constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace vandrel::platform
