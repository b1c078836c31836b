#include "platform/atomic_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace vandrel::platform {

namespace fs = std::filesystem;

namespace {

// mkstemp's length of the random part, so names read as before.
constexpr std::size_t kRandomLength = 6;
// Keeps prefix + name + infix + random part within a file name's 255 bytes.
constexpr std::size_t kMaxNamePart = 100;

// Leaves errno at `code`, so callers that report by number can.
void SetError(std::string* error, std::string_view what, const fs::path& path, int code) {
  if (error) {
    *error = std::string(what) + " " + path.string() + ": " + std::strerror(code);
  }
  errno = code;
}

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

fs::path FolderOf(const fs::path& path) {
  fs::path folder = path.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

// What every temporary for `target` is named before its random part.
std::string TemporaryStem(const fs::path& target, const ReplacementOptions& options) {
  std::string stem(options.prefix);
  stem += target.filename().string().substr(0, kMaxNamePart);
  stem += options.infix;
  return stem;
}

std::string RandomPart() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string part;
  for (std::size_t i = 0; i < kRandomLength; ++i) part += kLetters[pick(random)];
  return part;
}

fs::path ResolvedTarget(const fs::path& target, bool followLinks) {
  std::error_code ec;
  if (!followLinks || !fs::is_symlink(target, ec)) return target;
  fs::path resolved = fs::weakly_canonical(target, ec);
  return ec || resolved.empty() ? target : resolved;
}

void SyncFolder(const fs::path& file) {
  // Some file systems refuse to sync a folder, which leaves nothing more to do.
  const int dir = OpenRetrying(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace

std::optional<AtomicReplacement> AtomicReplacement::Begin(const fs::path& target,
                                                          std::string* error,
                                                          const ReplacementOptions& options) {
  AtomicReplacement replacement;
  replacement.target_ = ResolvedTarget(target, options.followLinks);
  const fs::path& path = replacement.target_;

  // The permissions the new file ends with. Where the umask decides, the
  // kernel applies it as the temporary is created; otherwise the temporary
  // is private until Flush gives it its mode.
  mode_t createMode = 0600;
  struct stat info {};
  const bool exists = ::lstat(path.c_str(), &info) == 0;
  // A link that is not followed is replaced itself, like a name not yet taken.
  if (exists && !S_ISLNK(info.st_mode)) {
    if (!S_ISREG(info.st_mode)) {
      SetError(error, "cannot replace", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
      return std::nullopt;
    }
    if (options.refuseReadOnlyTarget && ::access(path.c_str(), W_OK) != 0) {
      SetError(error, "cannot replace", path, errno);
      return std::nullopt;
    }
    replacement.mode_ = options.mode.value_or(info.st_mode & 07777);
  } else if (!exists && errno != ENOENT) {
    SetError(error, "cannot replace", path, errno);
    return std::nullopt;
  } else if (options.mode || options.newFileMode) {
    replacement.mode_ = options.mode ? *options.mode : *options.newFileMode;
  } else {
    createMode = 0666;
  }

  const fs::path folder = FolderOf(path);
  const std::string stem = TemporaryStem(path, options);
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = folder / (stem + RandomPart());
    const int fd =
        OpenRetrying(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, createMode);
    if (fd >= 0) {
      replacement.fd_ = fd;
      replacement.temporary_ = std::move(candidate);
      break;
    }
    if (errno != EEXIST) break;
  }
  if (replacement.fd_ < 0) {
    SetError(error, "cannot create a temporary file for", path, errno);
    return std::nullopt;
  }
  // Locking a fresh file of our own cannot meet a holder; failing to lock
  // (a file system without locks) only leaves the temporary unprotected
  // from sweeps, as files there always were.
  if (options.lockTemporary) TryLockFile(replacement.fd_, LockKind::kExclusive);
  return replacement;
}

AtomicReplacement::AtomicReplacement(AtomicReplacement&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      fd_(std::exchange(other.fd_, -1)),
      mode_(other.mode_),
      flushed_(other.flushed_),
      committed_(std::exchange(other.committed_, true)) {
  other.temporary_.clear();
}

AtomicReplacement& AtomicReplacement::operator=(AtomicReplacement&& other) noexcept {
  if (this != &other) {
    Rollback();
    if (fd_ >= 0) ::close(fd_);
    target_ = std::move(other.target_);
    temporary_ = std::move(other.temporary_);
    fd_ = std::exchange(other.fd_, -1);
    mode_ = other.mode_;
    flushed_ = other.flushed_;
    committed_ = std::exchange(other.committed_, true);
    other.temporary_.clear();
  }
  return *this;
}

AtomicReplacement::~AtomicReplacement() {
  Rollback();
  if (fd_ >= 0) ::close(fd_);
}

bool AtomicReplacement::Write(std::string_view bytes, std::string* error) {
  if (fd_ < 0 || committed_) {
    SetError(error, "cannot write", target_, EBADF);
    return false;
  }
  if (!WriteAll(fd_, bytes)) {
    SetError(error, "cannot write", target_, errno);
    return false;
  }
  flushed_ = false;
  return true;
}

bool AtomicReplacement::Write(std::span<const std::uint8_t> bytes, std::string* error) {
  return Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

bool AtomicReplacement::Flush(std::string* error) {
  if (fd_ < 0 || committed_) {
    SetError(error, "cannot flush", target_, EBADF);
    return false;
  }
  if (mode_ && ::fchmod(fd_, *mode_) != 0) {
    SetError(error, "cannot set the permissions of", target_, errno);
    return false;
  }
  if (::fsync(fd_) != 0) {
    SetError(error, "cannot flush", target_, errno);
    return false;
  }
  flushed_ = true;
  return true;
}

bool AtomicReplacement::Commit(std::string* error) {
  if (!flushed_ && !Flush(error)) {
    const int code = errno;
    Rollback();
    errno = code;
    return false;
  }
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int code = errno;
    Rollback();
    SetError(error, "cannot replace", target_, code);
    return false;
  }
  committed_ = true;
  SyncFolder(target_);
  return true;
}

int AtomicReplacement::ReleaseDescriptor() {
  if (!committed_) return -1;
  return std::exchange(fd_, -1);
}

void AtomicReplacement::Rollback() {
  if (committed_) return;
  committed_ = true;  // nothing is left to roll back
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void RemoveStaleTemporaries(const fs::path& target, const ReplacementOptions& options) {
  const fs::path path = ResolvedTarget(target, options.followLinks);
  const std::string stem = TemporaryStem(path, options);
  std::error_code ec;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(FolderOf(path), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() == stem.size() + kRandomLength && name.starts_with(stem)) {
      stale.push_back(it->path());
    }
  }
  for (const fs::path& file : stale) {
    const int fd = OpenRetrying(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    if (TryLockFile(fd, LockKind::kExclusive)) fs::remove(file, ec);
    ::close(fd);
  }
}

}  // namespace vandrel::platform
