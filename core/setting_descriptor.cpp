#include "core/setting_descriptor.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace vandrel {

SettingDescriptor TextRow(std::string name, std::string* text, std::size_t size) {
  return {std::move(name), kStorageText, size, text};
}
SettingDescriptor NumberRow(std::string name, std::int32_t* value) {
  return {std::move(name), kStorageNumber, sizeof *value, value};
}
SettingDescriptor NumberRow(std::string name, std::uint32_t* value) {
  return {std::move(name), kStorageNumber, sizeof *value, value};
}
SettingDescriptor BytesRow(std::string name, std::int32_t* value) {
  return {std::move(name), kStorageBytes, sizeof *value, value};
}
SettingDescriptor BytesRow(std::string name, std::uint32_t* value) {
  return {std::move(name), kStorageBytes, sizeof *value, value};
}
SettingDescriptor BytesRow(std::string name, std::span<std::uint8_t> bytes) {
  return {std::move(name), kStorageBytes, bytes.size(), bytes};
}
SettingDescriptor BytesRow(std::string name, std::vector<std::uint8_t>* bytes,
                           std::size_t maxSize) {
  return {std::move(name), kStorageBytes, maxSize, bytes};
}

namespace {

template <typename Int>
std::vector<std::uint8_t> LittleEndian(Int value) {
  using U = std::make_unsigned_t<Int>;
  U bits = static_cast<U>(value);
  std::vector<std::uint8_t> out(sizeof(U));
  for (std::size_t i = 0; i < sizeof(U); ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  return out;
}

// Replaces the low data.size() bytes of an integer, leaving the others.
template <typename Int>
void StoreLittleEndian(Int* value, std::span<const std::uint8_t> data) {
  using U = std::make_unsigned_t<Int>;
  U bits = static_cast<U>(*value);
  for (std::size_t i = 0; i < data.size() && i < sizeof(U); ++i) {
    bits = static_cast<U>(bits & ~(static_cast<U>(0xFF) << (8 * i)));
    bits = static_cast<U>(bits | (static_cast<U>(data[i]) << (8 * i)));
  }
  *value = static_cast<Int>(bits);
}

}  // namespace

std::vector<std::uint8_t> RowData(const SettingDescriptor& row) {
  return std::visit(
      [&](auto target) -> std::vector<std::uint8_t> {
        using T = decltype(target);
        if constexpr (std::is_same_v<T, std::string*>) {
          std::size_t length = std::min(target->size(), std::strlen(target->c_str()));
          if (row.size > 0) length = std::min(length, row.size - 1);
          return {target->begin(), target->begin() + static_cast<std::ptrdiff_t>(length)};
        } else if constexpr (std::is_same_v<T, std::vector<std::uint8_t>*>) {
          return *target;
        } else if constexpr (std::is_same_v<T, std::span<std::uint8_t>>) {
          return {target.begin(), target.end()};
        } else {
          return LittleEndian(*target);
        }
      },
      row.target);
}

bool StoreRowData(const SettingDescriptor& row, std::span<const std::uint8_t> data) {
  return std::visit(
      [&](auto target) -> bool {
        using T = decltype(target);
        if constexpr (std::is_same_v<T, std::string*>) {
          if (data.size() >= row.size) return false;
          target->assign(data.begin(), data.end());
          // The original buffer ended at the first zero byte.
          target->resize(std::strlen(target->c_str()));
          return true;
        } else if constexpr (std::is_same_v<T, std::vector<std::uint8_t>*>) {
          if (data.size() > row.size) return false;
          target->assign(data.begin(), data.end());
          return true;
        } else if constexpr (std::is_same_v<T, std::span<std::uint8_t>>) {
          if (data.size() > row.size || data.size() > target.size()) return false;
          std::copy(data.begin(), data.end(), target.begin());
          return true;
        } else {
          if (data.size() > row.size) return false;
          StoreLittleEndian(target, data);
          return true;
        }
      },
      row.target);
}

}  // namespace vandrel
