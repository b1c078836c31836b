// The store file: the sectioned binary container of project and template
// files. Callers hand it a section name and a table of value rows; it writes
// those values into the section or reads them out of it.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

#include "core/setting_descriptor.h"

namespace vandrel {

enum class StoreCreation {
  kCreateAlways,  // writers: an existing file is emptied once it is held
  kOpenExisting,  // readers: the file must exist
  kOpenAlways,    // create when missing, keep what is there otherwise
};

// An open store file. It is held with no sharing: while one handle is open, a
// second open of the same file fails, in this process or another.
class StoreFile {
 public:
  StoreFile() = default;
  ~StoreFile();
  StoreFile(StoreFile&& other) noexcept;
  StoreFile& operator=(StoreFile&& other) noexcept;
  StoreFile(const StoreFile&) = delete;
  StoreFile& operator=(const StoreFile&) = delete;

  // Read-only opens for reading only and always as an existing file. On
  // failure the handle is invalid and error() holds the system error number.
  static StoreFile Open(const std::filesystem::path& path, bool readOnly, StoreCreation creation);
  // Takes over `fd`, a regular file open for reading and writing that the
  // caller already holds locked with no sharing (a file just put in place by
  // an atomic replacement). Invalid when `fd` is negative.
  static StoreFile Adopt(int fd);

  bool IsValid() const { return fd_ >= 0; }
  bool IsReadOnly() const { return readOnly_; }
  int fd() const { return fd_; }
  int error() const { return error_; }
  void Close();

 private:
  int fd_ = -1;
  bool readOnly_ = true;
  int error_ = 0;
};

// Writes each named row's value into `section`, creating the header on an
// empty file and the section when it is missing. A value that exists with data
// no longer than before is rewritten in place; a longer one is retired and
// appended anew. Fails without writing on a file that is not a store file, and
// at the first positioning, reading or writing error (what was written stays).
// Section and value names are at most 1,023 bytes; a longer one fails.
bool WriteValues(StoreFile& file, std::string_view section,
                 std::span<const SettingDescriptor> rows);

// Fills each named row's destination from `section`. Values that are missing,
// retired, of another type or too large for the destination leave it as it
// was, so callers assign defaults first. Fails when the file is not a store
// file, the section is missing, or the file is damaged (a link that does not
// point forward, a record past the end); destinations filled before the
// damage was met keep their new values.
bool ReadValues(StoreFile& file, std::string_view section, std::span<const SettingDescriptor> rows);

// The same read over a store file image in memory.
bool ReadValuesFromImage(std::span<const std::uint8_t> image, std::string_view section,
                         std::span<const SettingDescriptor> rows);

}  // namespace vandrel
