// The keyless byte rotation that hides value data in store files.
#pragma once

#include <cstdint>
#include <span>

namespace vandrel {

enum class ScrambleDirection { kStore, kLoad };

// Rotates byte i of a buffer of length L by (L - i) mod 8 bits: left when
// storing, right when loading. The last byte moves by 1, every byte whose
// remaining count is a multiple of 8 stays as it is; "abc" is stored as
// 0B 89 C6.
void Scramble(ScrambleDirection direction, std::span<std::uint8_t> bytes);

}  // namespace vandrel
