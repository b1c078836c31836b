#include "core/store_scramble.h"

#include <bit>

namespace vandrel {

void Scramble(ScrambleDirection direction, std::span<std::uint8_t> bytes) {
  const std::size_t length = bytes.size();
  for (std::size_t i = 0; i < length; ++i) {
    const int shift = static_cast<int>((length - i) % 8);
    bytes[i] = direction == ScrambleDirection::kStore ? std::rotl(bytes[i], shift)
                                                      : std::rotr(bytes[i], shift);
  }
}

}  // namespace vandrel
