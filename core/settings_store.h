// The settings store: every user preference lives under one per-user key,
// "Software\Zorvant Technology\Vandrel", in a tree of keys holding named
// values of three storage types (text, raw bytes, 32-bit number).
//
// Key paths are written with backslashes. An empty sub-key names the base key,
// a sub-key starting with ".\" lies below the base key, and any other sub-key
// is an absolute path from the top of the user's tree. Key and value names
// compare ignoring (ASCII) case and keep the spelling they were created with.
//
// The tree is kept in one text file (see SettingsTree for its format). Every
// change is a read-modify-write of the whole file under an exclusive lock on
// a lock file beside it ("<file>.lock"), and the file is replaced atomically,
// so several running instances never corrupt it or lose each other's writes,
// and an interrupted write leaves either the old or the new file.
//
// Accessors report failure through their result and never to the user;
// LastError() holds a message for failures of the file itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/setting_descriptor.h"

namespace vandrel {

inline constexpr std::string_view kDefaultBaseKey = "Software\\Zorvant Technology\\Vandrel";
// The base key keeps at most this many characters.
inline constexpr std::size_t kMaxBaseKeyLength = 259;
// Limits of the stored tree: a key name (one path component), a value name,
// and the data of one value.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxValueDataSize = 1024 * 1024;

struct StoredValue {
  std::string name;
  std::uint32_t type = kStorageBytes;
  std::vector<std::uint8_t> data;
};

// The contents of a settings file in memory. Paths given to it are full key
// paths (the sub-key rule already applied).
//
// File format: UTF-8 text, one item per line.
//   ; comment                     (lines starting with ';' or '#', and blank lines)
//   [Software\Zorvant Technology\Vandrel\Recent Files]   a key, its full path
//   "Name"="text"                 type 1
//   "Name"=dword:0000000a         type 4 with 4 bytes, the number in hexadecimal
//   "Name"=hex:ff,00,10           type 3, the bytes in order
//   "Name"=hex(N):01,02           any other type N (hexadecimal) or size
// Inside quotes, \\ is a backslash, \" a quote, \n \r \t the control
// characters, and \xHH any byte (used for other control bytes and for bytes
// that are not valid UTF-8). Key names may not contain control characters.
// Lines that cannot be read are skipped (and counted); a value line under an
// unreadable header is skipped with it.
class SettingsTree {
 public:
  static SettingsTree Parse(std::string_view text, int* badLines = nullptr);
  std::string Serialize() const;

  bool HasKey(std::string_view path) const;
  // The values of a key in the order they were created; null when the key has
  // no values of its own or does not exist.
  const std::vector<StoredValue>* Values(std::string_view path) const;
  const StoredValue* Find(std::string_view path, std::string_view name) const;
  // Names of the keys directly below `path`.
  std::vector<std::string> SubKeys(std::string_view path) const;

  // Changes; each fails (and changes nothing) on an invalid key path or
  // name, or data beyond the limits above.
  bool CreateKey(std::string_view path);
  bool SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                std::span<const std::uint8_t> data);
  bool DeleteValue(std::string_view path, std::string_view name);
  // Removes the key with every key and value below it; false when absent.
  bool DeleteKey(std::string_view path);

  bool operator==(const SettingsTree&) const = default;

 private:
  struct Key {
    std::string path;  // as first written, normalised
    std::vector<StoredValue> values;
  };
  // Keys by their lower-cased normalised path.
  std::map<std::string, Key> keys_;
};

// Reads one row from an already loaded tree (see SettingsStore::ReadValue).
bool ReadRow(const SettingsTree& tree, std::string_view keyPath, const SettingDescriptor& row);

class SettingsStore {
 public:
  // `baseKey` keeps at most 259 characters and loses a trailing backslash.
  explicit SettingsStore(std::filesystem::path file,
                         std::string baseKey = std::string(kDefaultBaseKey));

  // The store file inside `configDir`, or inside the per-user configuration
  // folder when `configDir` is empty.
  static std::filesystem::path DefaultFile(const std::string& configDir);

  const std::filesystem::path& File() const { return file_; }
  const std::string& BaseKey() const { return baseKey_; }
  // Applies the sub-key rule: empty → the base key; ".\X" → base key\X; any
  // other text is an absolute path.
  std::string KeyPath(std::string_view subKey) const;

  // Reads a value into the row's destination: true when it exists, its
  // storage type is the row's, and it fits (a text needs room for its
  // terminator, size - 1 characters at most). A number read into a destination
  // narrower than 4 bytes receives its low bytes.
  bool ReadValue(std::string_view subKey, const SettingDescriptor& row);
  // Writes the row's value, creating the key when missing. A number row with a
  // destination narrower than 4 bytes is stored as a full 32-bit number.
  bool WriteValue(std::string_view subKey, const SettingDescriptor& row);
  bool WriteValue(std::string_view subKey, std::string_view name, std::uint32_t type,
                  std::span<const std::uint8_t> data);
  // The stored type and bytes of a value.
  std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> ReadRaw(
      std::string_view subKey, std::string_view name);
  bool DeleteValue(std::string_view subKey, std::string_view name);
  // Deletes the key named by `path` (sub-key rule applied) from its parent,
  // together with everything below it. False when it does not exist.
  bool DeleteKey(std::string_view path);
  bool KeyExists(std::string_view subKey);
  std::vector<std::string> SubKeys(std::string_view subKey);
  std::vector<StoredValue> Values(std::string_view subKey);

  // Reads every row with a name; returns how many were found. Missing rows
  // keep what their destination held. 0 when the key does not exist.
  int ReadTable(std::string_view subKey, std::span<const SettingDescriptor> rows);
  // Writes every row with a name in one replacement of the file. 1 when every
  // row was written; 0 when any failed (the others are still written) or the
  // file could not be written (then nothing is).
  int WriteTable(std::string_view subKey, std::span<const SettingDescriptor> rows);

  // The current contents; nullopt when the file exists but cannot be read.
  // A missing file is an empty tree.
  std::optional<SettingsTree> Load();
  // One transaction: under the lock, reads the current contents, lets
  // `change` edit them and, when it returns true, replaces the file with the
  // result (unless nothing changed). False when `change` returns false or the
  // file cannot be read or written; the file is then unchanged.
  bool Update(const std::function<bool(SettingsTree&)>& change);

  const std::string& LastError() const { return lastError_; }

 private:
  std::filesystem::path file_;
  std::string baseKey_;
  std::string lastError_;
};

// Reads rows from section `section` of an initialisation file: a number row
// takes the decimal integer of its key (a value that is not one leaves the
// row unread), a text row the value cut to size - 1 characters; at most 2,047
// characters of a value are read. Rows of other types are not read. Returns
// the number of rows read; 0 when the file cannot be read.
int ReadTableFromIni(const std::filesystem::path& file, std::string_view section,
                     std::span<const SettingDescriptor> rows);

}  // namespace vandrel
