// One row of a value table: the shape shared by the settings store, the store
// file, toolbar placement, tools and file types. A row names a value, gives its
// storage type and the size of its destination, and points at the variable that
// receives it when a table is read and supplies it when a table is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace vandrel {

// Storage types as they appear in stored files: 1 text, 3 raw bytes, 4 32-bit
// number. The store file treats every type other than 1 and 4 as raw bytes.
enum StorageType : std::uint32_t {
  kStorageText = 1,
  kStorageBytes = 3,
  kStorageNumber = 4,
};

// Where a row's value lives. Integer destinations hold their value in the
// little-endian byte order in which it is stored; a text destination keeps at
// most size - 1 characters (the last byte of the original buffer held the
// terminating zero); a byte vector receives exactly the stored bytes (up to
// size); a fixed span receives the stored bytes at its start.
using SettingTarget =
    std::variant<std::string*, std::int32_t*, std::uint32_t*, std::uint16_t*, std::uint8_t*,
                 std::vector<std::uint8_t>*, std::span<std::uint8_t>>;

struct SettingDescriptor {
  std::string name;  // empty: the row is skipped
  std::uint32_t type = kStorageBytes;
  std::size_t size = 0;  // bytes of the destination (text: including the terminator)
  SettingTarget target;
};

// Row builders that derive the size from the destination.
SettingDescriptor TextRow(std::string name, std::string* text, std::size_t size);
SettingDescriptor NumberRow(std::string name, std::int32_t* value);
SettingDescriptor NumberRow(std::string name, std::uint32_t* value);
// Raw bytes of an integer (colours and flags are kept as 4 raw bytes).
SettingDescriptor BytesRow(std::string name, std::int32_t* value);
SettingDescriptor BytesRow(std::string name, std::uint32_t* value);
SettingDescriptor BytesRow(std::string name, std::span<std::uint8_t> bytes);
SettingDescriptor BytesRow(std::string name, std::vector<std::uint8_t>* bytes, std::size_t maxSize);

// The bytes a row writes: a text row its text up to the first zero byte and at
// most size - 1 characters, an integer row its size bytes in little-endian
// order, a byte row its bytes.
std::vector<std::uint8_t> RowData(const SettingDescriptor& row);

// Stores `data` into the row's destination when it fits: the caller has
// already checked types. Text needs data.size() < size (room for the
// terminator); other rows need data.size() <= size. A shorter value for an
// integer destination replaces only its low bytes. Returns false and leaves the
// destination unchanged when the data does not fit.
bool StoreRowData(const SettingDescriptor& row, std::span<const std::uint8_t> data);

}  // namespace vandrel
