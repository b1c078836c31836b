#include "platform/temporary_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace vandrel::platform {

namespace {

std::filesystem::path SystemTemporaryFolder() {
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  return ec ? std::filesystem::path("/tmp") : folder;
}

}  // namespace

std::optional<TemporaryFile> TemporaryFile::Create(const std::filesystem::path& folder,
                                                   std::string_view prefix) {
  const std::filesystem::path base = folder.empty() ? SystemTemporaryFolder() : folder;
  std::string pattern = (base / std::string(prefix)).string();
  pattern += "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // mkostemp creates the file exclusively with a fresh name.
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return TemporaryFile(std::filesystem::path(name.data()), fd);
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), owned_(other.owned_) {
  other.fd_ = -1;
  other.owned_ = false;
  other.path_.clear();
}

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::move(other.path_);
    fd_ = other.fd_;
    owned_ = other.owned_;
    other.fd_ = -1;
    other.owned_ = false;
    other.path_.clear();
  }
  return *this;
}

TemporaryFile::~TemporaryFile() { Remove(); }

bool TemporaryFile::Close() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  // After an interrupted close the descriptor is gone on this platform; it
  // must not be closed again.
  return ::close(fd) == 0 || errno == EINTR;
}

std::filesystem::path TemporaryFile::Keep(bool keepOpen) {
  if (!keepOpen) Close();
  owned_ = false;
  return path_;
}

void TemporaryFile::Remove() {
  if (owned_) {
    Close();
    if (!path_.empty()) ::unlink(path_.c_str());
    owned_ = false;
  }
}

}  // namespace vandrel::platform
