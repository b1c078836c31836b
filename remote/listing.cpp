#include "remote/listing.h"

#include <charconv>

#include "documents/host_file_info.h"

namespace vandrel::remote {

namespace {

constexpr std::size_t kValuesPerEntry = 10;

std::size_t CountWords(std::string_view text) {
  std::size_t words = 0;
  bool inWord = false;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
    if (!blank && !inWord) ++words;
    inWord = !blank;
  }
  return words;
}

// One entry string; nothing when it is malformed or names "." or "..".
std::optional<HostFileInfo> ReadEntry(std::string_view entry) {
  if (entry.size() < 2 || entry[0] != 'Y' || entry[1] != ' ') return std::nullopt;
  entry.remove_prefix(2);
  const std::size_t blank = entry.find(' ');
  if (blank == std::string_view::npos || blank == 0) return std::nullopt;
  std::size_t length = 0;
  auto [end, ec] = std::from_chars(entry.data(), entry.data() + blank, length);
  if (ec != std::errc() || end != entry.data() + blank) return std::nullopt;
  entry.remove_prefix(blank + 1);
  if (entry.size() < length + 1 || entry[length] != ' ') return std::nullopt;
  const std::string_view name = entry.substr(0, length);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const std::string_view values = entry.substr(length + 1);
  if (CountWords(values) < kValuesPerEntry) return std::nullopt;

  HostFileInfo info;
  // The ten values read as a file-information reply does after its status.
  if (!ParseFileInfoReply("0 " + std::string(values), info)) return std::nullopt;
  info.name = std::string(name);
  return info;
}

}  // namespace

std::size_t HostListing::PoolSize() const {
  std::size_t size = 0;
  for (const HostFileInfo& entry : entries) {
    size +=
        entry.name.size() + entry.permissions.size() + entry.owner.size() + entry.group.size() + 4;
  }
  return size;
}

std::optional<HostListing> ReadListing(std::string_view bytes, std::time_t madeAt) {
  const std::size_t end = bytes.find('\0');
  if (end == std::string_view::npos) return std::nullopt;
  HostListing listing;
  listing.folder = std::string(bytes.substr(0, end));
  listing.madeAt = madeAt;
  bytes.remove_prefix(end + 1);
  while (!bytes.empty()) {
    const std::size_t stop = bytes.find('\0');
    const std::string_view entry = bytes.substr(0, stop);
    if (auto info = ReadEntry(entry)) listing.entries.push_back(std::move(*info));
    bytes = stop == std::string_view::npos ? std::string_view() : bytes.substr(stop + 1);
  }
  return listing;
}

std::string ListingFolder(std::string_view path) {
  if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

}  // namespace vandrel::remote
