#include "platform/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vandrel::platform {

namespace {

void SetError(std::string* error, const std::string& what, const std::filesystem::path& path,
              int code) {
  if (error) *error = what + " " + path.string() + ": " + std::strerror(code);
}

}  // namespace

ReadStatus ReadWholeFile(const std::filesystem::path& path, std::string* contents,
                         std::string* error) {
  contents->clear();
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
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
  ReplacementOptions options;
  options.mode = mode;
  // Written as named: a symbolic link there is replaced, never followed (the
  // agent keeps attribute files inside the tree it serves).
  options.followLinks = false;
  std::optional<AtomicReplacement> replacement = AtomicReplacement::Begin(path, error, options);
  return replacement && replacement->Write(contents, error) && replacement->Commit(error);
}

}  // namespace vandrel::platform
