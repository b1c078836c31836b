// Initialisation files: "[Section]" headers followed by "Key=Value" lines.
// Lookups follow the platform's profile functions: section and key names are
// compared ignoring case, the first matching section and key win, spaces
// around names and values are dropped, and a value enclosed in a matching
// pair of single or double quotes loses them. Lines starting with ';' or '#'
// are comments. Writing keeps every other line (comments included) as it was.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel::platform {

class IniFile {
 public:
  IniFile() = default;

  static IniFile Parse(std::string_view text);
  // False (with a message in `error`) when the file cannot be read; a missing
  // file reads as an empty one only when `missingIsEmpty` is set.
  bool Load(const std::filesystem::path& path, std::string* error = nullptr,
            bool missingIsEmpty = false);
  // Writes the file atomically.
  bool Save(const std::filesystem::path& path, std::string* error = nullptr) const;
  std::string Serialize() const;

  // The value of `key` in `section`; nullopt when either is absent.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // Section names in file order (first spelling of each), and the keys of the
  // first matching section in file order.
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;

  // Sets `key` in `section`, replacing its first occurrence or adding it at
  // the end of the section (the section is added at the end of the file when
  // missing). Names and values may not contain line breaks; false if they do.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes every occurrence of `key` in the first matching section.
  bool Remove(std::string_view section, std::string_view key);
  // Removes the first matching section: its header and every line up to the
  // next header. False when there is none.
  bool RemoveSection(std::string_view section);

 private:
  struct Line {
    std::string text;     // the line as read or written, without its line end
    std::string key;      // empty unless the line is a key line
    std::string value;    // the value of a key line, trimmed and unquoted
    bool header = false;  // a section header; `key` then holds the section name
  };
  // Index of the first header for `section`, or npos.
  std::size_t FindSection(std::string_view section) const;
  // One past the last line that belongs to the section whose header is at `header`.
  std::size_t SectionEnd(std::size_t header) const;

  std::vector<Line> lines_;
};

}  // namespace vandrel::platform
