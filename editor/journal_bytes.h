// Fixed-width little-endian fields for the journal of unsaved edits and the
// line data it carries: appending them to a byte string, and a reader that
// takes them off the front of a byte view. The reader never reads past the
// end: a field that is not all there fails, and once a read has failed every
// later one fails too, so a caller may read a whole record and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/byte_order.h"

namespace vandrel::journal_bytes {

inline void AppendU8(std::string& out, std::uint8_t value) {
  out.push_back(static_cast<char>(value));
}
inline void AppendU32(std::string& out, std::uint32_t value) {
  platform::AppendLittleEndian32(out, value);
}
inline void AppendI32(std::string& out, std::int32_t value) {
  AppendU32(out, static_cast<std::uint32_t>(value));
}
inline void AppendU64(std::string& out, std::uint64_t value) {
  AppendU32(out, static_cast<std::uint32_t>(value));
  AppendU32(out, static_cast<std::uint32_t>(value >> 32));
}
inline void AppendI64(std::string& out, std::int64_t value) {
  AppendU64(out, static_cast<std::uint64_t>(value));
}
// A length (u64) and the bytes.
inline void AppendBytes(std::string& out, std::string_view bytes) {
  AppendU64(out, bytes.size());
  out.append(bytes);
}

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}

  bool ok() const { return ok_; }
  std::size_t left() const { return in_.size(); }
  std::string_view rest() const { return in_; }

  std::uint8_t U8() {
    if (!Need(1)) return 0;
    const auto value = static_cast<std::uint8_t>(in_[0]);
    in_.remove_prefix(1);
    return value;
  }
  std::uint32_t U32() {
    if (!Need(4)) return 0;
    const std::uint32_t value = platform::ReadLittleEndian32(in_.data());
    in_.remove_prefix(4);
    return value;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint64_t U64() {
    const std::uint64_t low = U32();
    const std::uint64_t high = U32();
    return low | (high << 32);
  }
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
  // A boolean byte: 0 or 1; anything else fails.
  bool Flag() {
    const std::uint8_t value = U8();
    if (value > 1) Fail();
    return value == 1;
  }
  // A count of items each at least `itemSize` bytes long: fails when the
  // bytes left could not hold that many, so nothing is sized from a damaged
  // count.
  std::uint64_t Count(std::size_t itemSize) {
    const std::uint64_t count = U64();
    if (ok_ && itemSize > 0 && count > left() / itemSize) Fail();
    return ok_ ? count : 0;
  }
  // The next `size` bytes.
  std::string_view Take(std::uint64_t size) {
    if (!Need(size)) return {};
    std::string_view bytes = in_.substr(0, static_cast<std::size_t>(size));
    in_.remove_prefix(static_cast<std::size_t>(size));
    return bytes;
  }
  // A length (u64) and that many bytes, at most `limit`.
  std::string_view Bytes(std::uint64_t limit = UINT64_MAX) {
    const std::uint64_t size = U64();
    if (ok_ && size > limit) Fail();
    return ok_ ? Take(size) : std::string_view{};
  }
  std::string String(std::uint64_t limit = UINT64_MAX) { return std::string(Bytes(limit)); }
  void Fail() { ok_ = false; }

 private:
  bool Need(std::uint64_t size) {
    if (ok_ && size <= in_.size()) return true;
    ok_ = false;
    return false;
  }

  std::string_view in_;
  bool ok_ = true;
};

}  // namespace vandrel::journal_bytes
