#include "templates/file_types.h"

#include <array>
#include <cstdint>
#include <string>

#include "core/attribute_parser.h"
#include "core/wildcard.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

const std::array<FileType, 8> kDefaultFileTypes = {{
    {"Ansi - Basic", "*.bas"},
    {"Ansi - C", "*.c;*.cpp;*.h"},
    {"Ansi - Pascal", "*.pas"},
    {"Ansi - COBOL", "*.cob;*.cbl"},
    {"Ansi - Fortran", "*.ftn"},
    {"Microsoft - Visual Basic", "*.frm"},
    {"Sun Microsystems - Java", "*.java"},
    {"HTML 4.0", "*.htm;*.html"},
}};

constexpr std::array<AttributeRow, 2> kFileTypeRows = {{
    {"Template", 4, true, true},
    {"Extensions", 3, true, true},
}};

std::optional<std::string> Quoted(std::string_view value) {
  const bool hasDouble = value.find('"') != std::string_view::npos;
  const bool hasSingle = value.find('\'') != std::string_view::npos;
  if (hasDouble && hasSingle) return std::nullopt;
  const char quote = hasDouble ? '\'' : '"';
  std::string result;
  result.reserve(value.size() + 2);
  result += quote;
  result += value;
  result += quote;
  return result;
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::vector<FileType> EntriesOf(const SettingsTree& tree, const std::string& keyPath) {
  std::vector<FileType> table;
  const std::vector<StoredValue>* values = tree.Values(keyPath);
  if (values == nullptr) return table;
  for (const StoredValue& value : *values) {
    if (value.type != kStorageText || value.name.size() > kFileTypeValueNameLimit) continue;
    std::string_view text(reinterpret_cast<const char*>(value.data.data()), value.data.size());
    // A text stored with its terminator ends there.
    text = text.substr(0, text.find('\0'));
    if (text.size() > kFileTypeTextLimit) continue;
    if (std::optional<FileType> entry = ParseFileType(text)) table.push_back(std::move(*entry));
  }
  return table;
}

}  // namespace

std::span<const FileType> DefaultFileTypes() { return kDefaultFileTypes; }

std::optional<std::string> FormatFileType(const FileType& entry) {
  std::optional<std::string> name = Quoted(entry.templateName);
  std::optional<std::string> extensions = Quoted(entry.extensions);
  if (!name || !extensions) return std::nullopt;
  return "Template=" + *name + " Extensions=" + *extensions;
}

std::optional<FileType> ParseFileType(std::string_view text) {
  const AttributeList list = ParseAttributes(text, kFileTypeRows);
  if (!list.ok()) return std::nullopt;
  return FileType{std::string(list.Value(0)), std::string(list.Value(1))};
}

bool FileTypeMatches(const FileType& entry, std::string_view fileName) {
  const std::string name = platform::AsciiLowered(fileName);
  const std::string patterns = platform::AsciiLowered(entry.extensions);
  std::size_t start = 0;
  while (true) {
    std::size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::size_t first = start;
    while (first < end && (patterns[first] == ' ' || patterns[first] == '\t')) ++first;
    if (WildcardMatch(std::string_view(patterns).substr(first, end - first), name)) return true;
    if (end == patterns.size()) return false;
    start = end + 1;
  }
}

std::optional<std::string> MatchFileType(std::span<const FileType> table,
                                         std::string_view fileName) {
  for (const FileType& entry : table) {
    if (FileTypeMatches(entry, fileName)) return entry.templateName;
  }
  return std::nullopt;
}

std::vector<FileType> ReadFileTypes(SettingsStore& store) {
  const std::optional<SettingsTree> tree = store.Load();
  if (!tree) return {};
  return EntriesOf(*tree, store.KeyPath(kFileTypesKey));
}

std::optional<std::string> MatchFileType(SettingsStore& store, std::string_view fileName) {
  const std::vector<FileType> table = ReadFileTypes(store);
  return MatchFileType(table, fileName);
}

bool EnsureDefaultFileTypes(SettingsStore& store) {
  const std::string path = store.KeyPath(kFileTypesKey);
  bool present = false;
  const bool written = store.Update([&](SettingsTree& tree) {
    if (tree.HasKey(path)) {
      present = true;
      return false;
    }
    int number = 0;
    for (const FileType& entry : kDefaultFileTypes) {
      const std::string text = *FormatFileType(entry);
      if (!tree.SetValue(path, std::to_string(++number), kStorageText, Bytes(text))) return false;
    }
    return true;
  });
  return written || present;
}

bool ApplyFileTypes(SettingsStore& store, std::span<const FileType> table) {
  std::vector<std::string> texts;
  texts.reserve(table.size());
  for (const FileType& entry : table) {
    std::optional<std::string> text = FormatFileType(entry);
    if (!text || text->size() > kFileTypeTextLimit) return false;
    texts.push_back(std::move(*text));
  }
  const std::string path = store.KeyPath(kFileTypesKey);
  return store.Update([&](SettingsTree& tree) {
    tree.DeleteKey(path);
    int number = 0;
    for (const std::string& text : texts) {
      if (!tree.SetValue(path, std::to_string(++number), kStorageText, Bytes(text))) return false;
    }
    return true;
  });
}

}  // namespace vandrel
