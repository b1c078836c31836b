// Hints to the memory system about large buffers.
#pragma once

#include <cstddef>

namespace vandrel::platform {

// Asks for huge pages behind the whole 2 MiB pages inside [data, data+size):
// a buffer of many megabytes filled once then costs a fraction of the page
// faults. Only a hint; nothing changes where the system does not offer it.
void AdviseHugePages(void* data, std::size_t size);

}  // namespace vandrel::platform
