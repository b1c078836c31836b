#include "core/settings_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "core/quoted_text.h"
#include "platform/ascii_text.h"
#include "platform/atomic_file.h"
#include "platform/config_folder.h"
#include "platform/file_lock.h"
#include "platform/ini_file.h"

namespace vandrel {

namespace {

constexpr const char* kStoreFileName = "settings.reg";
constexpr std::size_t npos = std::string_view::npos;

// Drops empty components ("a\\b\" is "a\b"); nullopt for a path with an
// invalid component or with none at all.
std::optional<std::string> NormaliseKeyPath(std::string_view path) {
  std::string out;
  while (!path.empty()) {
    std::size_t slash = path.find('\\');
    std::string_view part = path.substr(0, slash);
    path = slash == npos ? std::string_view() : path.substr(slash + 1);
    if (part.empty()) continue;
    if (part.size() > kMaxKeyNameLength) return std::nullopt;
    for (char c : part) {
      if (IsControlByte(c)) return std::nullopt;
    }
    if (!out.empty()) out += '\\';
    out += part;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

// ---- text escaping ----------------------------------------------------------

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHexByte(std::string& out, std::uint8_t byte) {
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0xF];
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += QuoteText(text, HighBytes::kEscapeNonUtf8);
}

// Reads a quoted text at the start of `line`, consuming it.
std::optional<std::string> ReadQuoted(std::string_view& line) {
  std::string_view rest;
  std::optional<std::string> text = UnquoteText(line, &rest);
  if (text) line = rest;
  return text;
}

bool ConsumePrefix(std::string_view& text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (platform::AsciiLower(text[i]) != prefix[i]) return false;
  }
  text.remove_prefix(prefix.size());
  return true;
}

// A hexadecimal number of 1 to 8 digits making up the whole of `text`.
std::optional<std::uint32_t> ParseHexNumber(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    int digit = platform::AsciiHexValue(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

// Comma-separated bytes of one or two hexadecimal digits; empty is no bytes.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  text = platform::TrimLine(text);
  if (text.empty()) return bytes;
  while (true) {
    std::size_t comma = text.find(',');
    std::string_view item = platform::TrimLine(text.substr(0, comma));
    if (item.empty() || item.size() > 2) return std::nullopt;
    std::optional<std::uint32_t> byte = ParseHexNumber(item);
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*byte));
    if (bytes.size() > kMaxValueDataSize) return std::nullopt;
    if (comma == npos) break;
    text.remove_prefix(comma + 1);
  }
  return bytes;
}

// The data part of a value line (after '=').
std::optional<StoredValue> ParseData(std::string_view data) {
  StoredValue value;
  if (!data.empty() && data.front() == '"') {
    std::optional<std::string> text = ReadQuoted(data);
    if (!text || !platform::TrimLine(data).empty()) return std::nullopt;
    value.type = kStorageText;
    value.data.assign(text->begin(), text->end());
    return value;
  }
  if (ConsumePrefix(data, "dword:")) {
    std::optional<std::uint32_t> number = ParseHexNumber(data);
    if (!number) return std::nullopt;
    value.type = kStorageNumber;
    for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(*number >> (8 * i)));
    return value;
  }
  if (ConsumePrefix(data, "hex(")) {
    std::size_t close = data.find("):");
    if (close == npos) return std::nullopt;
    std::optional<std::uint32_t> type = ParseHexNumber(data.substr(0, close));
    if (!type) return std::nullopt;
    value.type = *type;
    data.remove_prefix(close + 2);
  } else if (ConsumePrefix(data, "hex:")) {
    value.type = kStorageBytes;
  } else {
    return std::nullopt;
  }
  std::optional<std::vector<std::uint8_t>> bytes = ParseHexBytes(data);
  if (!bytes) return std::nullopt;
  value.data = std::move(*bytes);
  return value;
}

void AppendValue(std::string& out, const StoredValue& value) {
  AppendQuoted(out, value.name);
  out += '=';
  if (value.type == kStorageText) {
    AppendQuoted(
        out, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
  } else if (value.type == kStorageNumber && value.data.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = number << 8 | value.data[i];
    out += "dword:";
    for (int shift = 28; shift >= 0; shift -= 4) out += kHexDigits[(number >> shift) & 0xF];
  } else {
    if (value.type == kStorageBytes) {
      out += "hex:";
    } else {
      out += "hex(";
      char digits[16];
      auto result = std::to_chars(digits, digits + sizeof digits, value.type, 16);
      out.append(digits, result.ptr);
      out += "):";
    }
    for (std::size_t i = 0; i < value.data.size(); ++i) {
      if (i) out += ',';
      AppendHexByte(out, value.data[i]);
    }
  }
  out += '\n';
}

}  // namespace

// ---- SettingsTree -------------------------------------------------------------

SettingsTree SettingsTree::Parse(std::string_view text, int* badLines) {
  SettingsTree tree;
  int bad = 0;
  std::optional<std::string> current;  // the key of the last readable header
  bool underBadHeader = false;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = platform::TrimLine(text.substr(0, end));
    text = end == npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      current.reset();
      if (line.back() == ']') current = NormaliseKeyPath(line.substr(1, line.size() - 2));
      underBadHeader = !current;
      if (current) {
        tree.CreateKey(*current);
      } else {
        ++bad;
      }
      continue;
    }
    if (line.front() == '"' && current) {
      std::optional<std::string> name = ReadQuoted(line);
      if (name) {
        line = platform::TrimLine(line);
        if (!line.empty() && line.front() == '=') {
          std::optional<StoredValue> value = ParseData(platform::TrimLine(line.substr(1)));
          if (value && tree.SetValue(*current, *name, value->type, value->data)) continue;
        }
      }
    }
    // Lines below an unreadable header were counted with it.
    if (!underBadHeader) ++bad;
  }
  if (badLines) *badLines = bad;
  return tree;
}

std::string SettingsTree::Serialize() const {
  std::string out =
      "; Vandrel settings. Each [key] holds \"Name\"=value lines: \"text\", dword:<hex number>,\n"
      "; hex:<bytes> or hex(<type>):<bytes>.\n";
  for (const auto& [lowered, key] : keys_) {
    out += "\n[";
    out += key.path;
    out += "]\n";
    for (const StoredValue& value : key.values) AppendValue(out, value);
  }
  return out;
}

bool SettingsTree::HasKey(std::string_view path) const {
  std::optional<std::string> normal = NormaliseKeyPath(path);
  if (!normal) return false;
  std::string lowered = platform::AsciiLowered(*normal);
  auto it = keys_.lower_bound(lowered);
  if (it == keys_.end()) return false;
  if (it->first == lowered) return true;
  // A key that only has keys below it exists too.
  lowered += '\\';
  it = keys_.lower_bound(lowered);
  return it != keys_.end() && it->first.compare(0, lowered.size(), lowered) == 0;
}

const std::vector<StoredValue>* SettingsTree::Values(std::string_view path) const {
  std::optional<std::string> normal = NormaliseKeyPath(path);
  if (!normal) return nullptr;
  auto it = keys_.find(platform::AsciiLowered(*normal));
  return it == keys_.end() ? nullptr : &it->second.values;
}

const StoredValue* SettingsTree::Find(std::string_view path, std::string_view name) const {
  const std::vector<StoredValue>* values = Values(path);
  if (!values) return nullptr;
  std::string lowered = platform::AsciiLowered(name);
  for (const StoredValue& value : *values) {
    if (platform::AsciiLowered(value.name) == lowered) return &value;
  }
  return nullptr;
}

std::vector<std::string> SettingsTree::SubKeys(std::string_view path) const {
  std::vector<std::string> names;
  std::optional<std::string> normal = NormaliseKeyPath(path);
  if (!normal) return names;
  std::string prefix = platform::AsciiLowered(*normal) + '\\';
  for (auto it = keys_.lower_bound(prefix);
       it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    std::string_view rest = std::string_view(it->second.path).substr(prefix.size());
    std::string name(rest.substr(0, rest.find('\\')));
    // Keys sharing a first component are not always adjacent in the map.
    bool seen = false;
    for (const std::string& existing : names)
      seen = seen || platform::AsciiLowered(existing) == platform::AsciiLowered(name);
    if (!seen) names.push_back(std::move(name));
  }
  return names;
}

bool SettingsTree::CreateKey(std::string_view path) {
  std::optional<std::string> normal = NormaliseKeyPath(path);
  if (!normal) return false;
  std::string lowered = platform::AsciiLowered(*normal);
  if (!keys_.count(lowered)) keys_.emplace(std::move(lowered), Key{*normal, {}});
  return true;
}

bool SettingsTree::SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                            std::span<const std::uint8_t> data) {
  std::optional<std::string> normal = NormaliseKeyPath(path);
  if (!normal || name.size() > kMaxValueNameLength || data.size() > kMaxValueDataSize) {
    return false;
  }
  std::string lowered = platform::AsciiLowered(*normal);
  auto it = keys_.find(lowered);
  if (it == keys_.end()) it = keys_.emplace(std::move(lowered), Key{*normal, {}}).first;
  std::string loweredName = platform::AsciiLowered(name);
  for (StoredValue& value : it->second.values) {
    if (platform::AsciiLowered(value.name) == loweredName) {
      value.type = type;
      value.data.assign(data.begin(), data.end());
      return true;
    }
  }
  it->second.values.push_back(StoredValue{std::string(name), type, {data.begin(), data.end()}});
  return true;
}

bool SettingsTree::DeleteValue(std::string_view path, std::string_view name) {
  std::optional<std::string> normal = NormaliseKeyPath(path);
  if (!normal) return false;
  auto it = keys_.find(platform::AsciiLowered(*normal));
  if (it == keys_.end()) return false;
  std::string loweredName = platform::AsciiLowered(name);
  auto& values = it->second.values;
  auto found = std::find_if(values.begin(), values.end(), [&](const StoredValue& v) {
    return platform::AsciiLowered(v.name) == loweredName;
  });
  if (found == values.end()) return false;
  values.erase(found);
  return true;
}

bool SettingsTree::DeleteKey(std::string_view path) {
  std::optional<std::string> normal = NormaliseKeyPath(path);
  if (!normal) return false;
  std::string lowered = platform::AsciiLowered(*normal);
  bool removed = keys_.erase(lowered) > 0;
  lowered += '\\';
  for (auto it = keys_.lower_bound(lowered);
       it != keys_.end() && it->first.compare(0, lowered.size(), lowered) == 0;) {
    it = keys_.erase(it);
    removed = true;
  }
  return removed;
}

// ---- reading rows ---------------------------------------------------------------

bool ReadRow(const SettingsTree& tree, std::string_view keyPath, const SettingDescriptor& row) {
  if (row.name.empty()) return false;
  const StoredValue* value = tree.Find(keyPath, row.name);
  if (!value || value->type != row.type) return false;
  std::span<const std::uint8_t> data = value->data;
  if (row.type == kStorageNumber && row.size < 4) {
    // Read as a full number, then keep the bytes the destination holds.
    if (data.size() > 4) return false;
    data = data.first(std::min(data.size(), row.size));
  }
  return StoreRowData(row, data);
}

namespace {

// The bytes a row stores: numbers are always full 32-bit values.
std::vector<std::uint8_t> StoredRowData(const SettingDescriptor& row) {
  std::vector<std::uint8_t> data = RowData(row);
  if (row.type == kStorageNumber && data.size() < 4) data.resize(4, 0);
  return data;
}

}  // namespace

// ---- SettingsStore --------------------------------------------------------------

SettingsStore::SettingsStore(std::filesystem::path file, std::string baseKey)
    : file_(std::move(file)), baseKey_(std::move(baseKey)) {
  if (baseKey_.size() > kMaxBaseKeyLength) baseKey_.resize(kMaxBaseKeyLength);
  if (!baseKey_.empty() && baseKey_.back() == '\\') baseKey_.pop_back();
}

std::filesystem::path SettingsStore::DefaultFile(const std::string& configDir) {
  return platform::ConfigFolder(configDir) / kStoreFileName;
}

std::string SettingsStore::KeyPath(std::string_view subKey) const {
  if (subKey.empty()) return baseKey_;
  if (subKey.size() >= 2 && subKey[0] == '.' && subKey[1] == '\\') {
    return baseKey_ + std::string(subKey.substr(1));
  }
  return std::string(subKey);
}

std::optional<SettingsTree> SettingsStore::Load() {
  std::string text;
  platform::ReadStatus status = platform::ReadWholeFile(file_, &text, &lastError_);
  if (status == platform::ReadStatus::kError) return std::nullopt;
  return SettingsTree::Parse(text);
}

namespace {

// The lock file beside the store, locked exclusively while it is open.
class StoreLock {
 public:
  explicit StoreLock(const std::filesystem::path& file) {
    std::filesystem::path lockPath = file;
    lockPath += ".lock";
    do {
      fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
      error_ = "cannot open " + lockPath.string() + ": " + std::strerror(errno);
    } else if (!platform::LockFile(fd_, platform::LockKind::kExclusive)) {
      error_ = "cannot lock " + lockPath.string() + ": " + std::strerror(errno);
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~StoreLock() {
    if (fd_ >= 0) {
      platform::UnlockFile(fd_);
      ::close(fd_);
    }
  }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  const std::string& Error() const { return error_; }

 private:
  int fd_ = -1;
  std::string error_;
};

// Keeps a copy of a store file that had unreadable lines, under the first
// free name of "<file>.bad", "<file>.bad1", ...
bool KeepDamagedCopy(const std::filesystem::path& file, std::string_view original,
                     std::string* error) {
  for (int n = 0; n < 1000; ++n) {
    std::filesystem::path copy = file;
    copy += ".bad";
    if (n) copy += std::to_string(n);
    std::error_code ec;
    if (std::filesystem::exists(copy, ec) || ec) continue;
    return platform::WriteFileAtomically(copy, original, 0600, error);
  }
  *error = "too many damaged copies of " + file.string() + "; remove some";
  return false;
}

}  // namespace

bool SettingsStore::Update(const std::function<bool(SettingsTree&)>& change) {
  std::filesystem::path folder = file_.parent_path();
  if (folder.empty()) folder = ".";
  if (!platform::EnsureFolder(folder, &lastError_)) return false;
  StoreLock lock(file_);
  if (!lock.Held()) {
    lastError_ = lock.Error();
    return false;
  }
  std::string original;
  // A file that exists but cannot be read must not be replaced.
  if (platform::ReadWholeFile(file_, &original, &lastError_) == platform::ReadStatus::kError) {
    return false;
  }
  int badLines = 0;
  SettingsTree tree = SettingsTree::Parse(original, &badLines);
  if (!change(tree)) return false;
  std::string text = tree.Serialize();
  if (text == original) return true;
  if (badLines > 0 && !KeepDamagedCopy(file_, original, &lastError_)) return false;
  platform::RemoveStaleTemporaries(file_);
  return platform::WriteFileAtomically(file_, text, 0600, &lastError_);
}

bool SettingsStore::ReadValue(std::string_view subKey, const SettingDescriptor& row) {
  std::optional<SettingsTree> tree = Load();
  return tree && ReadRow(*tree, KeyPath(subKey), row);
}

bool SettingsStore::WriteValue(std::string_view subKey, const SettingDescriptor& row) {
  if (row.name.empty()) return false;
  return WriteValue(subKey, row.name, row.type, StoredRowData(row));
}

bool SettingsStore::WriteValue(std::string_view subKey, std::string_view name, std::uint32_t type,
                               std::span<const std::uint8_t> data) {
  std::string path = KeyPath(subKey);
  return Update([&](SettingsTree& tree) { return tree.SetValue(path, name, type, data); });
}

std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> SettingsStore::ReadRaw(
    std::string_view subKey, std::string_view name) {
  std::optional<SettingsTree> tree = Load();
  if (!tree) return std::nullopt;
  const StoredValue* value = tree->Find(KeyPath(subKey), name);
  if (!value) return std::nullopt;
  return std::make_pair(value->type, value->data);
}

bool SettingsStore::DeleteValue(std::string_view subKey, std::string_view name) {
  std::string path = KeyPath(subKey);
  return Update([&](SettingsTree& tree) { return tree.DeleteValue(path, name); });
}

bool SettingsStore::DeleteKey(std::string_view path) {
  std::string full = KeyPath(path);
  return Update([&](SettingsTree& tree) { return tree.DeleteKey(full); });
}

bool SettingsStore::KeyExists(std::string_view subKey) {
  std::optional<SettingsTree> tree = Load();
  return tree && tree->HasKey(KeyPath(subKey));
}

std::vector<std::string> SettingsStore::SubKeys(std::string_view subKey) {
  std::optional<SettingsTree> tree = Load();
  return tree ? tree->SubKeys(KeyPath(subKey)) : std::vector<std::string>{};
}

std::vector<StoredValue> SettingsStore::Values(std::string_view subKey) {
  std::optional<SettingsTree> tree = Load();
  if (!tree) return {};
  const std::vector<StoredValue>* values = tree->Values(KeyPath(subKey));
  return values ? *values : std::vector<StoredValue>{};
}

int SettingsStore::ReadTable(std::string_view subKey, std::span<const SettingDescriptor> rows) {
  std::optional<SettingsTree> tree = Load();
  std::string path = KeyPath(subKey);
  if (!tree || !tree->HasKey(path)) return 0;
  int found = 0;
  for (const SettingDescriptor& row : rows) {
    if (ReadRow(*tree, path, row)) ++found;
  }
  return found;
}

int SettingsStore::WriteTable(std::string_view subKey, std::span<const SettingDescriptor> rows) {
  std::string path = KeyPath(subKey);
  bool every = true;
  bool written = Update([&](SettingsTree& tree) {
    every = tree.CreateKey(path);
    for (const SettingDescriptor& row : rows) {
      if (row.name.empty()) continue;
      if (!tree.SetValue(path, row.name, row.type, StoredRowData(row))) every = false;
    }
    return true;
  });
  return written && every ? 1 : 0;
}

// ---- initialisation files ---------------------------------------------------------

namespace {

constexpr std::size_t kMaxIniValueLength = 2047;

// A decimal integer that fits in 32 bits (signed or unsigned), as its bits.
std::optional<std::uint32_t> ParseDecimal(std::string_view text) {
  text = platform::TrimLine(text);
  bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (!platform::IsAsciiDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (negative) {
    if (value > 0x80000000ull) return std::nullopt;
    return static_cast<std::uint32_t>(0x100000000ull - value);
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

int ReadTableFromIni(const std::filesystem::path& file, std::string_view section,
                     std::span<const SettingDescriptor> rows) {
  platform::IniFile ini;
  if (!ini.Load(file)) return 0;
  int found = 0;
  for (const SettingDescriptor& row : rows) {
    if (row.name.empty()) continue;
    std::optional<std::string> value = ini.Get(section, row.name);
    if (!value) continue;
    if (value->size() > kMaxIniValueLength) value->resize(kMaxIniValueLength);
    if (row.type == kStorageNumber) {
      std::optional<std::uint32_t> number = ParseDecimal(*value);
      if (!number) continue;
      std::uint8_t bytes[4];
      for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(*number >> (8 * i));
      std::span<const std::uint8_t> data(bytes, std::min<std::size_t>(4, row.size));
      if (StoreRowData(row, data)) ++found;
    } else if (row.type == kStorageText) {
      if (row.size == 0) continue;
      if (value->size() > row.size - 1) value->resize(row.size - 1);
      const auto* begin = reinterpret_cast<const std::uint8_t*>(value->data());
      if (StoreRowData(row, std::span<const std::uint8_t>(begin, value->size()))) ++found;
    }
  }
  return found;
}

}  // namespace vandrel
