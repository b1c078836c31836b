#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/file_io.h"

namespace vandrel::platform {

namespace {

constexpr std::string_view kTemporaryInfix = ".tmp-";

void SetError(std::string* error, const std::string& what, const std::filesystem::path& path,
              int code) {
  if (error) *error = what + " " + path.string() + ": " + std::strerror(code);
}

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

ReadStatus ReadWholeFile(const std::filesystem::path& path, std::string* contents,
                         std::string* error) {
  contents->clear();
  int fd = OpenRetrying(path.c_str(), O_RDONLY);
  if (fd < 0) {
    if (errno == ENOENT) return ReadStatus::kMissing;
    SetError(error, "cannot open", path, errno);
    return ReadStatus::kError;
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int code = errno;
      ::close(fd);
      contents->clear();
      SetError(error, "cannot read", path, code);
      return ReadStatus::kError;
    }
    if (n == 0) break;
    contents->append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ReadStatus::kOk;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents, mode_t mode,
                         std::string* error) {
  std::string pattern = path.string();
  pattern += kTemporaryInfix;
  pattern += "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    SetError(error, "cannot create a temporary file for", path, errno);
    return false;
  }
  auto fail = [&](const char* what) {
    int code = errno;
    ::close(fd);
    ::unlink(name.data());
    SetError(error, what, path, code);
    return false;
  };
  if (!WriteAll(fd, contents)) return fail("cannot write");
  if (::fchmod(fd, mode) != 0) return fail("cannot set the permissions of");
  if (::fsync(fd) != 0) return fail("cannot flush");
  if (::close(fd) != 0) {
    int code = errno;
    ::unlink(name.data());
    SetError(error, "cannot close", path, code);
    return false;
  }
  if (::rename(name.data(), path.c_str()) != 0) {
    int code = errno;
    ::unlink(name.data());
    SetError(error, "cannot replace", path, code);
    return false;
  }
  // The rename has happened; syncing the folder makes it durable. Some file
  // systems refuse to sync a folder, which leaves nothing more to do.
  int dir = OpenRetrying(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void RemoveStaleTemporaries(const std::filesystem::path& path) {
  std::string prefix = path.filename().string();
  prefix += kTemporaryInfix;
  std::error_code ec;
  std::filesystem::directory_iterator it(FolderOf(path), ec);
  if (ec) return;
  std::vector<std::filesystem::path> stale;
  for (const auto& entry : it) {
    std::string name = entry.path().filename().string();
    // mkostemp appends exactly six characters to the prefix.
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
      stale.push_back(entry.path());
    }
  }
  for (const auto& file : stale) std::filesystem::remove(file, ec);
}

}  // namespace vandrel::platform
