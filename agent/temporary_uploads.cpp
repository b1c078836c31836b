#include "agent/temporary_uploads.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace vandrel::agent {

namespace {

constexpr std::size_t kMaxUploads = 8;
constexpr std::string_view kNamePrefix = "/.tandrill/upload-";

}  // namespace

TemporaryUploads::~TemporaryUploads() {
  if (folder_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::optional<TemporaryUploads::Entry> TemporaryUploads::Reserve(AgentError* error) {
  if (folder_.empty()) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "tandrill-session-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      *error = SystemError(errno, "temporary folder for uploads");
      return std::nullopt;
    }
    folder_ = pattern;
  }
  if (entries_.size() >= kMaxUploads) {
    ::unlink(entries_.begin()->second.diskPath.c_str());
    entries_.erase(entries_.begin());
  }
  const int number = next_++;
  Entry entry{std::string(kNamePrefix) + std::to_string(number),
              folder_ / ("upload-" + std::to_string(number))};
  entries_[number] = entry;
  return entry;
}

std::optional<std::filesystem::path> TemporaryUploads::Find(std::string_view hostName) const {
  for (const auto& [number, entry] : entries_) {
    if (entry.hostName == hostName && ::access(entry.diskPath.c_str(), R_OK) == 0) {
      return entry.diskPath;
    }
  }
  return std::nullopt;
}

}  // namespace vandrel::agent
