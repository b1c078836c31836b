// Fixed-width numbers in byte buffers, independent of the machine's own byte
// order. The host protocol and the record form are big-endian (packet and
// record lengths, the size packet, Qedit label numbers); the store file is
// little-endian. `p` points at a buffer of at least the number's width, of
// char or unsigned char.
#pragma once

#include <cstdint>
#include <type_traits>

namespace vandrel::platform {

template <typename Byte>
concept ByteLike = sizeof(Byte) == 1 && std::is_integral_v<Byte>;

template <ByteLike Byte>
constexpr std::uint16_t ReadBigEndian16(const Byte* p) {
  return static_cast<std::uint16_t>((std::uint16_t{static_cast<std::uint8_t>(p[0])} << 8) |
                                    static_cast<std::uint8_t>(p[1]));
}

template <ByteLike Byte>
constexpr std::uint32_t ReadBigEndian32(const Byte* p) {
  return (std::uint32_t{static_cast<std::uint8_t>(p[0])} << 24) |
         (std::uint32_t{static_cast<std::uint8_t>(p[1])} << 16) |
         (std::uint32_t{static_cast<std::uint8_t>(p[2])} << 8) |
         std::uint32_t{static_cast<std::uint8_t>(p[3])};
}

template <ByteLike Byte>
constexpr void WriteBigEndian16(Byte* p, std::uint16_t value) {
  p[0] = static_cast<Byte>(value >> 8);
  p[1] = static_cast<Byte>(value);
}

template <ByteLike Byte>
constexpr void WriteBigEndian32(Byte* p, std::uint32_t value) {
  p[0] = static_cast<Byte>(value >> 24);
  p[1] = static_cast<Byte>(value >> 16);
  p[2] = static_cast<Byte>(value >> 8);
  p[3] = static_cast<Byte>(value);
}

template <ByteLike Byte>
constexpr std::uint16_t ReadLittleEndian16(const Byte* p) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(p[0]) |
                                    (std::uint16_t{static_cast<std::uint8_t>(p[1])} << 8));
}

template <ByteLike Byte>
constexpr std::uint32_t ReadLittleEndian32(const Byte* p) {
  return std::uint32_t{static_cast<std::uint8_t>(p[0])} |
         (std::uint32_t{static_cast<std::uint8_t>(p[1])} << 8) |
         (std::uint32_t{static_cast<std::uint8_t>(p[2])} << 16) |
         (std::uint32_t{static_cast<std::uint8_t>(p[3])} << 24);
}

// Appends `value` to a byte container (std::string, std::vector<std::uint8_t>).
template <typename Container>
void AppendBigEndian16(Container& out, std::uint16_t value) {
  using Byte = typename Container::value_type;
  out.push_back(static_cast<Byte>(value >> 8));
  out.push_back(static_cast<Byte>(value));
}

template <typename Container>
void AppendLittleEndian16(Container& out, std::uint16_t value) {
  using Byte = typename Container::value_type;
  out.push_back(static_cast<Byte>(value));
  out.push_back(static_cast<Byte>(value >> 8));
}

template <typename Container>
void AppendLittleEndian32(Container& out, std::uint32_t value) {
  using Byte = typename Container::value_type;
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<Byte>(value >> shift));
}

}  // namespace vandrel::platform
