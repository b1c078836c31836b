#include "platform/ini_file.h"

#include "platform/ascii_text.h"
#include "platform/atomic_file.h"

namespace vandrel::platform {

namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != npos; }

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile file;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == npos ? std::string_view() : text.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line line;
    line.text = std::string(raw);
    std::string_view content = TrimAsciiSpace(raw);
    if (content.empty() || content.front() == ';' || content.front() == '#') {
      // blank line or comment
    } else if (content.front() == '[') {
      std::size_t close = content.find(']');
      line.header = true;
      line.key = std::string(TrimAsciiSpace(content.substr(1, close == npos ? npos : close - 1)));
    } else if (std::size_t equals = content.find('='); equals != npos) {
      line.key = std::string(TrimAsciiSpace(content.substr(0, equals)));
      line.value = std::string(Unquote(TrimAsciiSpace(content.substr(equals + 1))));
    }
    file.lines_.push_back(std::move(line));
  }
  return file;
}

bool IniFile::Load(const std::filesystem::path& path, std::string* error, bool missingIsEmpty) {
  std::string text;
  ReadStatus status = ReadWholeFile(path, &text, error);
  if (status == ReadStatus::kMissing && !missingIsEmpty) {
    if (error) *error = "cannot open " + path.string() + ": no such file";
    return false;
  } else if (status == ReadStatus::kError) {
    return false;
  }
  *this = Parse(text);
  return true;
}

std::string IniFile::Serialize() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += '\n';
  }
  return out;
}

bool IniFile::Save(const std::filesystem::path& path, std::string* error) const {
  return WriteFileAtomically(path, Serialize(), 0644, error);
}

std::size_t IniFile::FindSection(std::string_view section) const {
  section = TrimAsciiSpace(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].header && EqualsIgnoreCase(lines_[i].key, section)) return i;
  }
  return npos;
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && !lines_[i].header) ++i;
  return i;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  std::size_t header = FindSection(section);
  if (header == npos) return std::nullopt;
  key = TrimAsciiSpace(key);
  for (std::size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
    if (!lines_[i].key.empty() && EqualsIgnoreCase(lines_[i].key, key)) return lines_[i].value;
  }
  return std::nullopt;
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != npos; }

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (!line.header) continue;
    bool seen = false;
    for (const std::string& name : names) seen = seen || EqualsIgnoreCase(name, line.key);
    if (!seen) names.push_back(line.key);
  }
  return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  std::size_t header = FindSection(section);
  if (header == npos) return keys;
  for (std::size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
    if (lines_[i].key.empty()) continue;
    bool seen = false;
    for (const std::string& key : keys) seen = seen || EqualsIgnoreCase(key, lines_[i].key);
    if (!seen) keys.push_back(lines_[i].key);
  }
  return keys;
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = TrimAsciiSpace(section);
  key = TrimAsciiSpace(key);
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      HasLineBreak(value) || key.find('=') != npos || section.find(']') != npos ||
      key.front() == ';' || key.front() == '#' || key.front() == '[') {
    return false;
  }
  Line line;
  line.key = std::string(key);
  line.value = std::string(value);
  line.text = line.key + "=" + line.value;
  // A value that would lose spaces or quotes when read back is written quoted.
  if (Unquote(TrimAsciiSpace(value)) != value) line.text = line.key + "=\"" + line.value + "\"";

  std::size_t header = FindSection(section);
  if (header == npos) {
    Line head;
    head.header = true;
    head.key = std::string(section);
    head.text = "[" + head.key + "]";
    lines_.push_back(std::move(head));
    lines_.push_back(std::move(line));
    return true;
  }
  std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (!lines_[i].key.empty() && EqualsIgnoreCase(lines_[i].key, key)) {
      line.key = lines_[i].key;  // keep the spelling already in the file
      line.text = line.key + line.text.substr(key.size());
      lines_[i] = std::move(line);
      return true;
    }
  }
  // Add after the section's last non-blank line, so blank separators stay last.
  std::size_t at = end;
  while (at > header + 1 && TrimAsciiSpace(lines_[at - 1].text).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  return true;
}

bool IniFile::Remove(std::string_view section, std::string_view key) {
  std::size_t header = FindSection(section);
  if (header == npos) return false;
  key = TrimAsciiSpace(key);
  bool removed = false;
  for (std::size_t i = SectionEnd(header); i > header + 1; --i) {
    if (!lines_[i - 1].key.empty() && EqualsIgnoreCase(lines_[i - 1].key, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i - 1));
      removed = true;
    }
  }
  return removed;
}

bool IniFile::RemoveSection(std::string_view section) {
  const std::size_t header = FindSection(section);
  if (header == npos) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
               lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
  return true;
}

}  // namespace vandrel::platform
