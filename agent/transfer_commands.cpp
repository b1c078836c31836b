#include "agent/transfer_commands.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "agent/data_connection.h"
#include "agent/file_info.h"
#include "agent/mpe_attributes.h"
#include "agent/record_form.h"
#include "platform/atomic_replacement.h"
#include "platform/byte_order.h"
#include "platform/file_io.h"
#include "remote/socket_transport.h"

namespace vandrel::agent {

namespace {

namespace fs = std::filesystem;

// ---- Locks ------------------------------------------------------------------

AgentError LockedError(const std::string& hostPath) {
  return {EBUSY, "File is locked by another session: " + hostPath};
}

// Locks the file for the session: the number of the lock (the one the session
// already holds for the file, when it holds one), or nothing with `error`.
// `taken` tells whether a new lock was added.
std::optional<int> TakeLock(SessionLocks& locks, const fs::path& diskPath,
                            const std::string& hostPath, bool* taken, AgentError* error) {
  *taken = false;
  const int fd = ::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0) {
    *error = SystemError(errno, hostPath);
    if (fd >= 0) ::close(fd);
    return std::nullopt;
  }
  if (auto held = locks.Find(info.st_dev, info.st_ino)) {
    ::close(fd);
    return held;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int code = errno;
    ::close(fd);
    *error = code == EWOULDBLOCK ? LockedError(hostPath) : SystemError(code, hostPath);
    return std::nullopt;
  }
  *taken = true;
  return locks.Add(fd);
}

// Whether another session holds a lock on the file.
bool LockedByOther(const SessionLocks& locks, const fs::path& diskPath) {
  const int fd = ::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat info {};
  bool locked = false;
  if (::fstat(fd, &info) == 0 && !locks.Find(info.st_dev, info.st_ino)) {
    locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  }
  ::close(fd);  // also drops the probe's own lock
  return locked;
}

// ---- Listing ----------------------------------------------------------------

// Whether `path` (a symbolic link) leads to something inside the tree.
bool LinkStaysInside(const fs::path& path, const fs::path& root) {
  std::error_code ec;
  const fs::path target = fs::canonical(path, ec);
  if (ec) return false;
  const fs::path relative = target.lexically_relative(root);
  return !relative.empty() && *relative.begin() != "..";
}

void AppendEntry(std::string& listing, std::string_view name, const std::string& description) {
  listing += "Y ";
  listing += std::to_string(name.size());
  listing += ' ';
  listing += name;
  listing += ' ';
  listing += description;
  listing += '\0';
}

// Receives an upload's stream: written to `fd` as it comes, or collected in
// `collected` for record transfers. The failure, if any.
std::optional<AgentError> ReceiveStream(const TransferContext& context,
                                        const DataArguments& arguments, int fd,
                                        std::string* collected, const std::string& hostPath) {
  AgentError error;
  DataConnection data(&context.abort);
  if (!data.Open(context.clientAddress, arguments.port, &error)) return error;
  std::vector<char> buffer(65535);
  // The written data is handed to the disk as the stream goes on, so the
  // fsync before the rename only waits for the tail.
  constexpr off_t kFlushStep = 8 << 20;
  off_t written = 0;
  off_t flushed = 0;
  while (true) {
    std::size_t length = 0;
    switch (data.ReceivePacket(buffer, &length)) {
      case DataConnection::Read::kEnd:
        return std::nullopt;
      case DataConnection::Read::kAborted:
        return AgentError{kErrorAborted,
                          "Upload of " + hostPath + " aborted; the file is unchanged"};
      case DataConnection::Read::kBroken:
        return SystemError(EPIPE, "upload of " + hostPath + " broken off; the file is unchanged");
      case DataConnection::Read::kPacket:
        break;
    }
    if (collected) {
      // Record transfers are converted once whole, so they are bounded.
      if (collected->size() + length > kMaxRecordFormSize) {
        return SystemError(EFBIG, "record upload of " + hostPath);
      }
      collected->append(buffer.data(), length);
      continue;
    }
    if (!platform::WriteAll(fd, std::string_view(buffer.data(), length))) {
      return SystemError(errno, hostPath);
    }
    written += static_cast<off_t>(length);
    if (written - flushed >= kFlushStep) {
      ::sync_file_range(fd, flushed, written - flushed, SYNC_FILE_RANGE_WRITE);
      flushed = written;
    }
  }
}

// An upload without a host path: kept for the session under a name of its
// own, which the reply gives. Record transfers are stored as their records'
// text, one line each.
Outcome ReceiveTemporaryFile(const TransferContext& context, const DataArguments& arguments) {
  AgentError error;
  auto entry = context.uploads.Reserve(&error);
  if (!entry) return Outcome::Fail(std::move(error));
  const int fd =
      ::open(entry->diskPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return Outcome::Fail(SystemError(errno, entry->hostName));
  bool keep = false;
  struct Guard {
    int fd;
    const fs::path& path;
    const bool& keep;
    ~Guard() {
      ::close(fd);
      if (!keep) ::unlink(path.c_str());
    }
  } guard{fd, entry->diskPath, keep};

  const bool records = arguments.mode == 'M' || arguments.mode == 'Q';
  std::string received;
  if (auto failure =
          ReceiveStream(context, arguments, fd, records ? &received : nullptr, entry->hostName)) {
    return Outcome::Fail(std::move(*failure));
  }
  if (records) {
    MpeAttributes attributes;
    auto text = FromRecordForm(received, &attributes, &error);
    if (!text) return Outcome::Fail(std::move(error));
    if (!platform::WriteAll(fd, *text)) return Outcome::Fail(SystemError(errno, entry->hostName));
  }
  keep = true;
  return Outcome::Ok(entry->hostName);
}

bool ReadWhole(int fd, std::string* out) {
  char buffer[65536];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    out->append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

Outcome RunListDirectory(const TransferContext& context, std::string_view arguments) {
  constexpr std::string_view kUsage = "=LIST_DIR port maxPacket listFlag directory";
  auto parsed = ParseDataArguments(arguments, false);
  if (!parsed) return Malformed(kUsage);
  const bool foldersOnly = parsed->options == 1;
  const std::string_view path = PathArgument(parsed->rest);
  const std::string_view wanted = path.empty() ? std::string_view(".") : path;

  AgentError error;
  auto directory = context.tree.ResolveDirectory(context.currentDirectory, wanted, &error);
  if (!directory) return Outcome::Fail(std::move(error));
  // ".." of the root is the root itself: nothing above it is shown.
  auto parent = directory->hostPath == "/"
                    ? directory
                    : context.tree.ResolveDirectory(directory->hostPath, "..", &error);
  if (!parent) return Outcome::Fail(std::move(error));

  const Personality personality = context.tree.personality();
  std::string listing = directory->hostPath;
  listing += '\0';
  auto self = DescribeFile(directory->diskPath, personality, &error);
  if (!self) return Outcome::Fail(std::move(error));
  AppendEntry(listing, ".", *self);
  if (auto up = DescribeFile(parent->diskPath, personality, &error))
    AppendEntry(listing, "..", *up);

  std::error_code ec;
  std::vector<std::string> names;
  for (fs::directory_iterator it(directory->diskPath, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    // Neither the attribute store nor the temporary file of an upload in
    // progress is shown.
    if (name != kMpeAttributesFolder && !IsUploadTemporary(name)) names.push_back(std::move(name));
  }
  if (ec) return Outcome::Fail(SystemError(ec.value(), directory->hostPath));
  std::sort(names.begin(), names.end());

  const fs::path& root = context.tree.root();
  for (const std::string& name : names) {
    const fs::path path = directory->diskPath / name;
    std::error_code statError;
    if (fs::is_symlink(fs::symlink_status(path, statError)) && !LinkStaysInside(path, root)) {
      continue;  // nothing outside the tree is described
    }
    if (foldersOnly && !fs::is_directory(path, statError)) continue;
    AgentError ignored;
    auto description = DescribeFile(path, personality, &ignored);
    if (description) AppendEntry(listing, name, *description);
  }

  DataConnection data(&context.abort);
  if (!data.Open(context.clientAddress, parsed->port, &error)) return Outcome::Fail(error);
  if (!data.Send(listing.data(), listing.size(), parsed->maxPacket) || !data.SendEnd()) {
    if (data.aborted()) return AbortedOutcome("Listing of " + directory->hostPath);
    return Outcome::Fail(SystemError(errno != 0 ? errno : EPIPE, "sending the listing"));
  }
  data.Close();
  return Outcome::Ok();
}

Outcome RunSendFile(const TransferContext& context, std::string_view arguments) {
  constexpr std::string_view kUsage = "=SEND_FILE port maxPacket mode options path";
  auto parsed = ParseDataArguments(arguments, true);
  const std::string_view path = parsed ? PathArgument(parsed->rest) : std::string_view();
  if (!parsed || path.empty()) return Malformed(kUsage);

  AgentError error;
  auto file = context.tree.Resolve(context.currentDirectory, path, &error);
  if (!file) return Outcome::Fail(std::move(error));
  const int fd = ::open(file->diskPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return Outcome::Fail(SystemError(errno, file->hostPath));
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) return Outcome::Fail(SystemError(errno, file->hostPath));
  if (!S_ISREG(info.st_mode)) {
    return Outcome::Fail(SystemError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, file->hostPath));
  }

  // Record transfers send the converted file, made before anything is sent.
  const bool records = parsed->mode == 'M' || parsed->mode == 'Q';
  std::string converted;
  if (records) {
    std::string text;
    if (!ReadWhole(fd, &text)) return Outcome::Fail(SystemError(errno, file->hostPath));
    const MpeAttributes attributes = ReadMpeAttributes(file->diskPath);
    auto form =
        ToRecordForm(text, attributes, parsed->mode == 'Q' && attributes.fileCode == kQeditFileCode,
                     file->hostPath, &error);
    if (!form) return Outcome::Fail(std::move(error));
    converted = std::move(*form);
  }

  const bool keepLocked = (parsed->options & 16) != 0;
  std::optional<int> lock;
  bool newLock = false;
  if (keepLocked) {
    lock = TakeLock(context.locks, file->diskPath, file->hostPath, &newLock, &error);
    if (!lock) return Outcome::Fail(std::move(error));
  }
  auto fail = [&](AgentError failure) {
    if (newLock) context.locks.Release(*lock);
    return Outcome::Fail(std::move(failure));
  };

  DataConnection data(&context.abort);
  if (!data.Open(context.clientAddress, parsed->port, &error)) return fail(error);
  auto sendFailure = [&] {
    if (data.aborted()) return fail({kErrorAborted, "Download of " + file->hostPath + " aborted"});
    return fail(SystemError(EPIPE, "sending " + file->hostPath));
  };
  // The size serves the client's progress display; larger files announce the
  // largest size the packet holds.
  const std::uint64_t total = records ? converted.size() : static_cast<std::uint64_t>(info.st_size);
  const std::uint32_t size = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, UINT32_MAX));
  char sizeBytes[4];
  platform::WriteBigEndian32(sizeBytes, size);
  if (!data.Send(sizeBytes, 4, 4)) return sendFailure();

  std::vector<char> buffer(parsed->maxPacket);
  if (records && !data.Send(converted.data(), converted.size(), parsed->maxPacket)) {
    return sendFailure();
  }
  while (!records) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail(SystemError(errno, file->hostPath));
    if (got == 0) break;
    if (!data.Send(buffer.data(), static_cast<std::size_t>(got), parsed->maxPacket)) {
      return sendFailure();
    }
  }
  if (!data.SendEnd()) return sendFailure();
  data.Close();
  return Outcome::Ok(keepLocked ? std::to_string(*lock) : std::string());
}

Outcome RunReceiveFile(const TransferContext& context, std::string_view arguments) {
  constexpr std::string_view kUsage = "=RECV_FILE port maxPacket mode options path";
  auto parsed = ParseDataArguments(arguments, true);
  if (!parsed) return Malformed(kUsage);
  const std::string_view path = PathArgument(parsed->rest);
  if (path.empty()) {
    if ((parsed->options & 8) == 0) return Malformed(kUsage);
    return ReceiveTemporaryFile(context, *parsed);
  }
  const bool records = parsed->mode == 'M' || parsed->mode == 'Q';

  AgentError error;
  auto file = context.tree.Resolve(context.currentDirectory, path, &error);
  if (!file) return Outcome::Fail(std::move(error));
  if (file->hostPath == "/") return Outcome::Fail(SystemError(EISDIR, file->hostPath));
  mode_t mode = 0644;
  std::optional<int> replacedLock;  // the session's lock on the file being replaced
  if (file->exists) {
    struct stat info {};
    if (::lstat(file->diskPath.c_str(), &info) != 0) {
      return Outcome::Fail(SystemError(errno, file->hostPath));
    }
    if (!S_ISREG(info.st_mode)) {
      return Outcome::Fail(SystemError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, file->hostPath));
    }
    if (LockedByOther(context.locks, file->diskPath)) {
      return Outcome::Fail(LockedError(file->hostPath));
    }
    mode = info.st_mode & 07777;
    replacedLock = context.locks.Find(info.st_dev, info.st_ino);
  }

  // The new content goes to ".NAME.tandrill-XXXXXX" beside the file and
  // replaces it only when it is whole; dropped unfinished, it is removed.
  platform::ReplacementOptions options;
  options.prefix = ".";
  options.infix = kUploadMarker;
  options.mode = mode;
  options.followLinks = false;
  auto upload = platform::AtomicReplacement::Begin(file->diskPath, nullptr, options);
  if (!upload) return Outcome::Fail(SystemError(errno, file->hostPath));
  const int fd = upload->fd();

  std::string received;  // record transfers are converted once whole
  if (auto failure =
          ReceiveStream(context, *parsed, fd, records ? &received : nullptr, file->hostPath)) {
    return Outcome::Fail(std::move(*failure));
  }

  MpeAttributes attributes;
  if (records) {
    if (file->exists) attributes = ReadMpeAttributes(file->diskPath);
    auto text = FromRecordForm(received, &attributes, &error);
    if (!text) return Outcome::Fail(std::move(error));
    if (!platform::WriteAll(fd, *text)) return Outcome::Fail(SystemError(errno, file->hostPath));
  }
  if (!upload->Commit(nullptr)) return Outcome::Fail(SystemError(errno, file->hostPath));
  upload.reset();  // the new file is no longer held
  std::string attributesError;
  if (records && !WriteMpeAttributes(file->diskPath, attributes, &attributesError)) {
    return Outcome::Fail(kErrorInternal,
                         "File written, but not its attributes: " + attributesError);
  }

  if ((parsed->options & 4) != 0) {
    // A lock the session held on the replaced file protects nothing now; the
    // written file gets the lock instead.
    if (replacedLock) context.locks.Release(*replacedLock);
    bool taken = false;
    auto lock = TakeLock(context.locks, file->diskPath, file->hostPath, &taken, &error);
    return Outcome::Ok(lock ? std::to_string(*lock) : "-1");
  }
  if ((parsed->options & 8) != 0) return Outcome::Ok(file->hostPath);
  return Outcome::Ok();
}

}  // namespace vandrel::agent
