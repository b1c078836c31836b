// The file-type table: which template opens a file, by the file's name. Kept
// as the values of the settings key ".\File Types", named "1", "2", … in
// table order, each a text `Template="name" Extensions="*.c;*.h"`.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings_store.h"

namespace vandrel {

inline constexpr std::string_view kFileTypesKey = ".\\File Types";
// Reading limits: a value's text and a value's name, in bytes.
inline constexpr std::size_t kFileTypeTextLimit = 1023;
inline constexpr std::size_t kFileTypeValueNameLimit = 259;
// The "File extensions" field of the File Type dialog keeps at most this many
// characters.
inline constexpr std::size_t kFileTypeExtensionsLimit = 255;

struct FileType {
  std::string templateName;
  std::string extensions;  // patterns separated by ';'
  bool operator==(const FileType&) const = default;
};

// The table written on a first run when the key does not exist.
std::span<const FileType> DefaultFileTypes();

// The stored text of an entry. Values are quoted with double quotes, or with
// single quotes when they contain a double quote. Nothing when a value holds
// both kinds of quote and so cannot be read back.
std::optional<std::string> FormatFileType(const FileType& entry);
// An entry from its stored text: nothing when the text is not an attribute
// list of exactly Template (4 letters at least) and Extensions (3 at least).
std::optional<FileType> ParseFileType(std::string_view text);

// Whether one of the entry's patterns matches `fileName`. Both sides are
// lower-cased; the list is split at ';', blanks before each pattern are
// skipped, and each pattern must match the whole name, '*' matching path
// separators too (so "*.c" matches a full path ending in "prog.c").
bool FileTypeMatches(const FileType& entry, std::string_view fileName);
// The template of the first entry that matches.
std::optional<std::string> MatchFileType(std::span<const FileType> table,
                                         std::string_view fileName);

// The entries that parse, in stored order. Values that are not text, whose
// names are longer than 259 bytes or whose texts are longer than 1,023 bytes
// are passed over. Empty when the key does not exist or the store cannot be
// read.
std::vector<FileType> ReadFileTypes(SettingsStore& store);
// MatchFileType over the stored table.
std::optional<std::string> MatchFileType(SettingsStore& store, std::string_view fileName);

// Writes the default table when the key does not exist; an existing key, even
// an empty one, is left alone. False only when the store cannot be written.
bool EnsureDefaultFileTypes(SettingsStore& store);

// Replaces the table with `table` in one change of the store: the key is
// deleted and the entries written as "1", "2", … in order; an empty table
// leaves no key. False, with the store unchanged, when an entry cannot be
// stored (see FormatFileType, or a text over 1,023 bytes) or the store
// cannot be written.
bool ApplyFileTypes(SettingsStore& store, std::span<const FileType> table);

}  // namespace vandrel
