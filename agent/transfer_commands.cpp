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

#include "agent/file_info.h"
#include "agent/mpe_attributes.h"
#include "documents/header_records.h"
#include "remote/socket_transport.h"

namespace vandrel::agent {

namespace {

namespace fs = std::filesystem;

// A client that stops reading or sending for this long has gone; the session
// gives up the transfer rather than wait for ever.
constexpr int kDataTimeoutSeconds = 120;

// Part of the name of an upload's temporary file, ".NAME.tandrill-XXXXXX".
constexpr std::string_view kUploadMarker = ".tandrill-";

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The next blank-separated word of `rest`, which is left after it.
std::string_view TakeWord(std::string_view& rest) {
  rest = TrimBlanks(rest);
  const std::size_t blank = rest.find(' ');
  const std::string_view word = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  return word;
}

std::optional<long> WholeNumber(std::string_view text, long low, long high) {
  long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    return std::nullopt;
  }
  return value;
}

// The arguments every data command starts with, and what follows them.
struct DataArguments {
  std::uint16_t port = 0;
  std::size_t maxPacket = 0;
  char mode = 0;     // transfers only
  long options = 0;  // the list flag for listings
  std::string_view path;
};

std::optional<DataArguments> ParseDataArguments(std::string_view arguments, bool withMode) {
  DataArguments result;
  std::string_view rest = arguments;
  auto port = WholeNumber(TakeWord(rest), 1, 65535);
  auto maxPacket = WholeNumber(TakeWord(rest), 1, INT32_MAX);
  if (!port || !maxPacket) return std::nullopt;
  result.port = static_cast<std::uint16_t>(*port);
  // Packets cannot be longer than their 16-bit length allows.
  result.maxPacket = static_cast<std::size_t>(std::min<long>(*maxPacket, 65535));
  if (withMode) {
    const std::string_view mode = TakeWord(rest);
    if (mode.size() != 1) return std::nullopt;
    result.mode = UpperCase(mode)[0];
    if (result.mode != 'A' && result.mode != 'B' && result.mode != 'M' && result.mode != 'Q') {
      return std::nullopt;
    }
  }
  auto options = WholeNumber(TakeWord(rest), INT32_MIN, INT32_MAX);
  if (!options) return std::nullopt;
  result.options = *options;
  result.path = PathArgument(rest);
  return result;
}

Outcome Malformed(std::string_view usage) {
  return Outcome::Fail(kErrorBadArguments, "Malformed command; expected " + std::string(usage));
}

// ---- The data connection ----------------------------------------------------

class DataConnection {
 public:
  DataConnection() = default;
  DataConnection(const DataConnection&) = delete;
  DataConnection& operator=(const DataConnection&) = delete;
  ~DataConnection() { Close(); }

  bool Open(const std::string& address, std::uint16_t port, AgentError* error) {
    socket_ = remote::Connect(address, port);
    if (socket_ == remote::kNoSocket) {
      const int code = errno != 0 ? errno : ECONNREFUSED;
      *error = SystemError(code, "data connection to " + address + " port " + std::to_string(port));
      return false;
    }
    timeval timeout{kDataTimeoutSeconds, 0};
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    return true;
  }
  void Close() {
    remote::Close(socket_);
    socket_ = remote::kNoSocket;
  }

  // Sends the bytes in packets of at most `maxPacket` bytes.
  bool Send(const char* bytes, std::size_t count, std::size_t maxPacket) {
    while (count > 0) {
      const std::size_t length = std::min(count, maxPacket);
      if (remote::SendPacket(socket_, bytes, length) != length) return false;
      bytes += length;
      count -= length;
    }
    return true;
  }
  // The empty packet that ends a stream.
  bool SendEnd() {
    const char header[2] = {0, 0};
    return remote::SendAll(socket_, header, 2) == 2;
  }

  enum class Read { kPacket, kEnd, kBroken };
  // One packet into `buffer` (65,535 bytes). kEnd when the client closed the
  // connection between packets or sent an empty packet; kBroken when the
  // stream stopped inside a packet or the connection failed.
  Read ReceivePacket(std::vector<char>& buffer, std::size_t* length) {
    unsigned char header[2];
    const long got = ReadExactly(header, 2);
    if (got == 0) return Read::kEnd;
    if (got != 2) return Read::kBroken;
    *length = (static_cast<std::size_t>(header[0]) << 8) | header[1];
    if (*length == 0) return Read::kEnd;
    buffer.resize(std::max<std::size_t>(buffer.size(), *length));
    return ReadExactly(buffer.data(), *length) == static_cast<long>(*length) ? Read::kPacket
                                                                             : Read::kBroken;
  }

 private:
  // The bytes read before the peer closed; -1 on a failure of the connection.
  long ReadExactly(void* buffer, std::size_t count) {
    char* next = static_cast<char*>(buffer);
    std::size_t total = 0;
    while (total < count) {
      const ssize_t got = ::recv(socket_, next + total, count - total, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return -1;
      if (got == 0) break;
      total += static_cast<std::size_t>(got);
    }
    return static_cast<long>(total);
  }

  remote::Socket socket_ = remote::kNoSocket;
};

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
  const int fd = ::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC);
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
  const int fd = ::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC);
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

// ---- Record form --------------------------------------------------------------

// Record transfers carry a file as records: for Qedit files (file code 111)
// the Qedit header record first, then the MPE header record with the file's
// attributes, then each line of the stored text as one record. Lines of
// fixed-length ASCII files are padded with blanks to the record length.
constexpr std::int32_t kQeditFileCode = 111;

std::optional<std::string> ToRecordForm(std::string_view text, const MpeAttributes& attributes,
                                        bool withQeditHeader, const std::string& hostPath,
                                        AgentError* error) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  std::size_t longest = 1;
  for (auto line : lines) longest = std::max(longest, line.size());

  MpeHeader header;
  header.fcode = attributes.fileCode;
  header.reclen = attributes.recordLength > 0
                      ? attributes.recordLength
                      : static_cast<std::int32_t>(std::min<std::size_t>(longest, kMaxRecordLength));
  header.bfact = attributes.blockingFactor;
  header.type = attributes.recordType;
  header.mode = attributes.mode;
  header.eof = static_cast<std::int32_t>(std::min<std::size_t>(lines.size(), INT32_MAX));
  header.limit = std::max(attributes.limit, header.eof);
  header.cctl = attributes.carriageControl;
  const auto mpeText = FormatMpeHeader(header);

  std::vector<std::uint8_t> out;
  if (withQeditHeader) {
    QeditHeader qedit;
    qedit.qver = 1;
    qedit.lang = attributes.qeditLanguage;
    qedit.reclen = attributes.qeditRecordLength > 0 ? attributes.qeditRecordLength : header.reclen;
    qedit.eof = header.eof;
    qedit.lnl = attributes.qeditNumberLength;
    qedit.lnj = attributes.qeditNumbersLeft;
    AppendRecord(out, FormatQeditHeader(qedit));
  }
  if (!mpeText || !AppendRecord(out, mpeText->text)) {
    *error = {kErrorInternal, "Cannot make the header record of " + hostPath};
    return std::nullopt;
  }
  const bool padded = header.type == 0 && header.mode == 1;
  std::string record;
  for (auto line : lines) {
    record.assign(line);
    if (padded && record.size() < static_cast<std::size_t>(header.reclen)) {
      record.resize(static_cast<std::size_t>(header.reclen), ' ');
    }
    if (!AppendRecord(out, record)) {
      *error = SystemError(EFBIG, "a line is too long for a record: " + hostPath);
      return std::nullopt;
    }
  }
  return std::string(out.begin(), out.end());
}

// The stored text and attributes of a file received in record form.
std::optional<std::string> FromRecordForm(std::string_view stream, MpeAttributes* attributes,
                                          AgentError* error) {
  auto bad = [&](std::string message) {
    *error = {kErrorBadArguments, "Malformed record stream: " + std::move(message)};
    return std::nullopt;
  };
  auto next = [&](std::string_view* record) {
    if (stream.size() < 2) return false;
    const std::size_t length =
        (static_cast<std::size_t>(static_cast<unsigned char>(stream[0])) << 8) |
        static_cast<unsigned char>(stream[1]);
    if (stream.size() - 2 < length) return false;
    *record = stream.substr(2, length);
    stream.remove_prefix(2 + length);
    return true;
  };

  std::string_view record;
  if (!next(&record)) return bad("no header record");
  if (!record.empty() && (record[0] == 'Q' || record[0] == 'q')) {
    QeditHeader qedit;
    if (record.size() > kMaxHeaderRecordLength || ParseQeditHeader(record, qedit) != 0) {
      return bad("Qedit header");
    }
    attributes->qeditLanguage = qedit.lang;
    attributes->qeditRecordLength = qedit.reclen;
    attributes->qeditNumberLength = qedit.lnl;
    attributes->qeditNumbersLeft = qedit.lnj;
    if (!next(&record)) return bad("no MPE header record");
  }
  MpeHeader header;
  header.type = attributes->recordType;
  header.mode = attributes->mode;
  header.bfact = attributes->blockingFactor;
  if (record.empty() || (record[0] != 'M' && record[0] != 'm') ||
      record.size() > kMaxHeaderRecordLength || ParseMpeHeader(record, header) != 0) {
    return bad("MPE header");
  }
  attributes->fileCode = header.fcode;
  attributes->recordLength = header.reclen;
  attributes->blockingFactor = header.bfact;
  attributes->recordType = header.type;
  attributes->mode = header.mode;
  attributes->limit = header.limit;
  attributes->carriageControl = header.cctl;
  for (std::int32_t label = 0; label < header.labels; ++label) {
    if (!next(&record)) return bad("label records");
  }
  std::string text;
  while (!stream.empty()) {
    if (!next(&record)) return bad("a record is cut short");
    text += record;
    text += '\n';
  }
  return text;
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
  const std::string_view wanted = parsed->path.empty() ? std::string_view(".") : parsed->path;

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
    const bool temporary = name.starts_with('.') && name.find(kUploadMarker) != std::string::npos;
    if (name != kMpeAttributesFolder && !temporary) names.push_back(std::move(name));
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

  DataConnection data;
  if (!data.Open(context.clientAddress, parsed->port, &error)) return Outcome::Fail(error);
  if (!data.Send(listing.data(), listing.size(), parsed->maxPacket) || !data.SendEnd()) {
    return Outcome::Fail(SystemError(errno != 0 ? errno : EPIPE, "sending the listing"));
  }
  data.Close();
  return Outcome::Ok();
}

Outcome RunSendFile(const TransferContext& context, std::string_view arguments) {
  constexpr std::string_view kUsage = "=SEND_FILE port maxPacket mode options path";
  auto parsed = ParseDataArguments(arguments, true);
  if (!parsed || parsed->path.empty()) return Malformed(kUsage);

  AgentError error;
  auto file = context.tree.Resolve(context.currentDirectory, parsed->path, &error);
  if (!file) return Outcome::Fail(std::move(error));
  const int fd = ::open(file->diskPath.c_str(), O_RDONLY | O_CLOEXEC);
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

  DataConnection data;
  if (!data.Open(context.clientAddress, parsed->port, &error)) return fail(error);
  // The size serves the client's progress display; larger files announce the
  // largest size the packet holds.
  const std::uint64_t total = records ? converted.size() : static_cast<std::uint64_t>(info.st_size);
  const std::uint32_t size = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, UINT32_MAX));
  const char sizeBytes[4] = {static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                             static_cast<char>(size >> 8), static_cast<char>(size)};
  if (!data.Send(sizeBytes, 4, 4)) return fail(SystemError(EPIPE, "sending " + file->hostPath));

  std::vector<char> buffer(parsed->maxPacket);
  if (records && !data.Send(converted.data(), converted.size(), parsed->maxPacket)) {
    return fail(SystemError(EPIPE, "sending " + file->hostPath));
  }
  while (!records) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail(SystemError(errno, file->hostPath));
    if (got == 0) break;
    if (!data.Send(buffer.data(), static_cast<std::size_t>(got), parsed->maxPacket)) {
      return fail(SystemError(EPIPE, "sending " + file->hostPath));
    }
  }
  if (!data.SendEnd()) return fail(SystemError(EPIPE, "sending " + file->hostPath));
  data.Close();
  return Outcome::Ok(keepLocked ? std::to_string(*lock) : std::string());
}

Outcome RunReceiveFile(const TransferContext& context, std::string_view arguments) {
  constexpr std::string_view kUsage = "=RECV_FILE port maxPacket mode options path";
  auto parsed = ParseDataArguments(arguments, true);
  if (!parsed || parsed->path.empty()) return Malformed(kUsage);
  const bool records = parsed->mode == 'M' || parsed->mode == 'Q';

  AgentError error;
  auto file = context.tree.Resolve(context.currentDirectory, parsed->path, &error);
  if (!file) return Outcome::Fail(std::move(error));
  if (file->hostPath == "/") return Outcome::Fail(SystemError(EISDIR, file->hostPath));
  mode_t mode = 0644;
  std::optional<int> replacedLock;  // the session's lock on the file being replaced
  if (file->exists) {
    struct stat info {};
    if (::stat(file->diskPath.c_str(), &info) != 0) {
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

  // The new content goes to a temporary file in the same directory, so the
  // rename that puts it in place cannot cross file systems.
  const fs::path directory = file->diskPath.parent_path();
  std::string temporary = (directory / ("." + file->diskPath.filename().string() +
                                        std::string(kUploadMarker) + "XXXXXX"))
                              .string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return Outcome::Fail(SystemError(errno, file->hostPath));
  bool keep = false;
  struct TemporaryFile {
    int fd;
    const std::string& path;
    const bool& keep;
    ~TemporaryFile() {
      if (fd >= 0) ::close(fd);
      if (!keep) ::unlink(path.c_str());
    }
  } guard{fd, temporary, keep};

  DataConnection data;
  if (!data.Open(context.clientAddress, parsed->port, &error)) return Outcome::Fail(error);
  auto write = [fd](const char* bytes, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
      const ssize_t wrote = ::write(fd, bytes + done, count - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote < 0) return false;
      done += static_cast<std::size_t>(wrote);
    }
    return true;
  };
  std::string received;  // record transfers are converted once whole
  std::vector<char> buffer(65535);
  while (true) {
    std::size_t length = 0;
    const DataConnection::Read read = data.ReceivePacket(buffer, &length);
    if (read == DataConnection::Read::kEnd) break;
    if (read == DataConnection::Read::kBroken) {
      return Outcome::Fail(
          SystemError(EPIPE, "upload of " + file->hostPath + " broken off; the file is unchanged"));
    }
    if (records) {
      received.append(buffer.data(), length);
    } else if (!write(buffer.data(), length)) {
      return Outcome::Fail(SystemError(errno, file->hostPath));
    }
  }
  data.Close();

  MpeAttributes attributes;
  if (records) {
    if (file->exists) attributes = ReadMpeAttributes(file->diskPath);
    auto text = FromRecordForm(received, &attributes, &error);
    if (!text) return Outcome::Fail(std::move(error));
    if (!write(text->data(), text->size())) {
      return Outcome::Fail(SystemError(errno, file->hostPath));
    }
  }

  if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
    return Outcome::Fail(SystemError(errno, file->hostPath));
  }
  if (::close(std::exchange(guard.fd, -1)) != 0 ||
      ::rename(temporary.c_str(), file->diskPath.c_str()) != 0) {
    return Outcome::Fail(SystemError(errno, file->hostPath));
  }
  keep = true;
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
