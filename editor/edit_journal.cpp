#include "editor/edit_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <utility>

#include "editor/journal_bytes.h"
#include "platform/atomic_file.h"
#include "platform/atomic_replacement.h"
#include "platform/config_folder.h"
#include "platform/file_lock.h"

namespace vandrel {

namespace fs = std::filesystem;
using namespace journal_bytes;

namespace {

constexpr std::string_view kMagic = "VDJOURNL";
constexpr std::size_t kHeaderSize = 16;   // magic, version, reserved
constexpr std::size_t kTrailerSize = 12;  // length, checksum
constexpr std::string_view kJournalSuffix = ".journal";
constexpr std::string_view kInstanceSuffix = ".instance";
constexpr std::string_view kUnreadableFolder = "unreadable";
constexpr std::size_t kInstanceNameLength = 16;
// Small fields gather in a buffer written out in pieces of about this size;
// the text goes to the file as it is, without a copy.
constexpr std::size_t kEncodeChunk = 1 << 20;

// The temporaries of journal and instance files are hidden files beside them.
platform::ReplacementOptions JournalReplacement() {
  platform::ReplacementOptions options;
  options.prefix = ".";
  options.mode = 0600;
  return options;
}

// ---- Checksum: CRC-32C ---------------------------------------------------------------------
// The Castagnoli polynomial, for which x86 processors have an instruction:
// eight bytes a step with it, eight bytes a step through tables without.

constexpr std::uint32_t kCrcPolynomial = 0x82F63B78u;  // reflected

using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (kCrcPolynomial & (0u - (crc & 1u)));
    tables[0][i] = crc;
  }
  for (std::size_t t = 1; t < 8; ++t) {
    for (std::size_t i = 0; i < 256; ++i) {
      tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
    }
  }
  return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

// On the inverted register.
std::uint32_t CrcBySoftware(std::uint32_t crc, const unsigned char* p, std::size_t n) {
  const auto& t = kCrcTables;
  while (n >= 8) {
    const std::uint32_t low = crc ^ platform::ReadLittleEndian32(p);
    const std::uint32_t high = platform::ReadLittleEndian32(p + 4);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^
          t[0][high >> 24];
    p += 8;
    n -= 8;
  }
  while (n-- > 0) crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
  return crc;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("sse4.2"))) std::uint32_t CrcByInstruction(std::uint32_t crc,
                                                                 const unsigned char* p,
                                                                 std::size_t n) {
  std::uint64_t wide = crc;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);  // the instruction takes the bytes in memory order
    wide = __builtin_ia32_crc32di(wide, word);
  }
  crc = static_cast<std::uint32_t>(wide);
  for (; n > 0; ++p, --n) crc = __builtin_ia32_crc32qi(crc, *p);
  return crc;
}

bool HasCrcInstruction() {
  static const bool has = __builtin_cpu_supports("sse4.2");
  return has;
}
#endif

// ---- Encoding -----------------------------------------------------------------------------

// Hands the journal's bytes to `sink` in pieces, counting them and keeping
// their checksum for the trailer.
class Encoder {
 public:
  explicit Encoder(const std::function<bool(std::string_view)>& sink) : sink_(sink) {
    buffer_.reserve(kEncodeChunk + 4096);
  }

  std::string& buffer() { return buffer_; }
  // Writes the buffer out once it has grown past a chunk.
  void Pace() {
    if (buffer_.size() >= kEncodeChunk) Drain();
  }
  // A length and a large text, the text passed on without copying.
  void Text(std::string_view text) {
    AppendU64(buffer_, text.size());
    Drain();
    Emit(text);
  }
  // The trailer; true when every piece was taken.
  bool Finish() {
    Drain();
    std::string trailer;
    AppendU64(trailer, total_);
    AppendU32(trailer, crc_);
    ok_ = ok_ && sink_(trailer);
    total_ += trailer.size();
    return ok_;
  }
  std::uint64_t total() const { return total_; }

 private:
  void Drain() {
    Emit(buffer_);
    buffer_.clear();
  }
  void Emit(std::string_view bytes) {
    if (bytes.empty() || !ok_) return;
    crc_ = JournalChecksum(bytes, crc_);
    total_ += bytes.size();
    ok_ = sink_(bytes);
  }

  const std::function<bool(std::string_view)>& sink_;
  std::string buffer_;
  std::uint64_t total_ = 0;
  std::uint32_t crc_ = 0;
  bool ok_ = true;
};

void AppendNumbering(std::string& out, const DocumentNumbering& numbering) {
  AppendI32(out, numbering.position);
  AppendI32(out, numbering.digits);
  AppendI32(out, numbering.start);
  AppendI32(out, numbering.increment);
}

void AppendFormat(std::string& out, const DocumentFormat& format) {
  AppendU32(out, format.formatFlags);
  AppendU32(out, format.lineEnds);
  AppendI32(out, format.maximumLineLength);
  AppendI32(out, format.lockId);
  AppendBytes(out, format.templateName);
  AppendU32(out, format.editFlags);
  AppendI32(out, format.tabWidth);
  AppendU64(out, format.tabPositions.size());
  for (const std::int32_t position : format.tabPositions) AppendI32(out, position);

  const HostFileInfo& info = format.fileInfo;
  AppendBytes(out, info.name);
  AppendI32(out, info.size);
  AppendI32(out, info.accessTime);
  AppendI32(out, info.modifyTime);
  AppendI32(out, info.createTime);
  AppendBytes(out, info.permissions);
  AppendI32(out, info.further);
  AppendBytes(out, info.owner);
  AppendBytes(out, info.group);
  AppendI32(out, info.fileCode);
  AppendI32(out, info.flags);

  const MpeHeader& mpe = format.mpe;
  AppendI32(out, mpe.mver);
  AppendI32(out, mpe.fcode);
  AppendBytes(out, mpe.lw);
  AppendI32(out, mpe.reclen);
  AppendI32(out, mpe.bfact);
  AppendI32(out, mpe.type);
  AppendI32(out, mpe.mode);
  AppendI32(out, mpe.eof);
  AppendI32(out, mpe.limit);
  AppendI32(out, mpe.labels);
  AppendI32(out, mpe.maxLabels);
  AppendI32(out, mpe.cctl);
  AppendBytes(out, std::string_view(reinterpret_cast<const char*>(mpe.labelBlock.data()),
                                    mpe.labelBlock.size()));
  AppendBytes(out, mpe.acd);

  const QeditHeader& qedit = format.qedit;
  AppendI32(out, qedit.qver);
  AppendI32(out, qedit.lang);
  AppendI32(out, qedit.reclen);
  AppendI32(out, qedit.eof);
  AppendI32(out, qedit.lnl);
  AppendI32(out, qedit.lnj);

  AppendNumbering(out, format.numbering);
  AppendNumbering(out, format.activeNumbering);
}

// Every field of DocumentFormat must be written above and read below: a
// field added there and forgotten here would be lost on recovery without a
// word. The size of the record on the usual build catches it.
#if defined(__GLIBCXX__) && defined(__x86_64__)
static_assert(sizeof(DocumentFormat) == 432,
              "DocumentFormat changed: journal its new fields (AppendFormat, ReadFormat)");
#endif

bool EncodeEntry(const JournalEntry& entry, const std::function<bool(std::string_view)>& sink,
                 std::uint64_t* bytes) {
  Encoder encoder(sink);
  std::string& out = encoder.buffer();
  out.append(kMagic);
  AppendU32(out, kJournalVersion);
  AppendU32(out, 0);
  AppendI64(out, entry.writtenAt);
  AppendBytes(out, entry.documentName);
  AppendU8(out, entry.local ? 1 : 0);
  AppendBytes(out, entry.hostName);
  AppendI32(out, entry.hostPort);
  AppendBytes(out, entry.hostUser);
  AppendBytes(out, entry.projectFile);
  AppendBytes(out, entry.projectEntry);
  AppendBytes(out, entry.templateName);
  AppendBytes(out, entry.characterMap);
  AppendFormat(out, entry.format);
  AppendBytes(out, entry.tokenText);
  encoder.Text(entry.text);
  entry.lines.AppendTo(out);
  encoder.Pace();
  AppendU8(out, entry.baseLines ? 1 : 0);
  if (entry.baseLines) {
    AppendU64(out, entry.baseLines->size());
    for (const std::string& line : *entry.baseLines) {
      AppendBytes(out, line);
      encoder.Pace();
    }
  }
  const bool ok = encoder.Finish();
  if (bytes) *bytes = encoder.total();
  return ok;
}

// ---- Decoding -----------------------------------------------------------------------------

DocumentNumbering ReadNumbering(Reader& in) {
  DocumentNumbering numbering;
  numbering.position = in.I32();
  numbering.digits = in.I32();
  numbering.start = in.I32();
  numbering.increment = in.I32();
  return numbering;
}

// Reads what AppendFormat wrote; false when the bytes run out. Values are
// taken as they were journaled: what the document held, it holds again.
bool ReadFormat(Reader& in, DocumentFormat& format) {
  format.formatFlags = in.U32();
  format.lineEnds = in.U32();
  format.maximumLineLength = in.I32();
  format.lockId = in.I32();
  format.templateName = in.String();
  format.editFlags = in.U32();
  format.tabWidth = in.I32();
  const std::uint64_t tabs = in.Count(4);
  for (std::uint64_t i = 0; i < tabs; ++i) format.tabPositions.push_back(in.I32());

  HostFileInfo& info = format.fileInfo;
  info.name = in.String();
  info.size = in.I32();
  info.accessTime = in.I32();
  info.modifyTime = in.I32();
  info.createTime = in.I32();
  info.permissions = in.String();
  info.further = in.I32();
  info.owner = in.String();
  info.group = in.String();
  info.fileCode = in.I32();
  info.flags = in.I32();

  MpeHeader& mpe = format.mpe;
  mpe.mver = in.I32();
  mpe.fcode = in.I32();
  mpe.lw = in.String();
  mpe.reclen = in.I32();
  mpe.bfact = in.I32();
  mpe.type = in.I32();
  mpe.mode = in.I32();
  mpe.eof = in.I32();
  mpe.limit = in.I32();
  mpe.labels = in.I32();
  mpe.maxLabels = in.I32();
  mpe.cctl = in.I32();
  const std::string_view labels = in.Bytes();
  mpe.labelBlock.assign(labels.begin(), labels.end());
  mpe.acd = in.String();

  QeditHeader& qedit = format.qedit;
  qedit.qver = in.I32();
  qedit.lang = in.I32();
  qedit.reclen = in.I32();
  qedit.eof = in.I32();
  qedit.lnl = in.I32();
  qedit.lnj = in.I32();

  format.numbering = ReadNumbering(in);
  format.activeNumbering = ReadNumbering(in);
  return in.ok();
}

JournalRead Unreadable(std::string error) {
  JournalRead read;
  read.status = JournalReadStatus::kUnreadable;
  read.error = std::move(error);
  return read;
}

std::int64_t LinesOfText(std::string_view text) {
  std::int64_t lines = 1;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end) {
    const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (found == nullptr) break;
    ++lines;
    p = static_cast<const char*>(found) + 1;
  }
  return lines;
}

std::int64_t NowMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string ErrnoText(std::string_view what, const fs::path& path, int error) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

// ---- Instances ----------------------------------------------------------------------------

bool IsInstanceName(std::string_view name) {
  return name.size() == kInstanceNameLength && std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

std::string NewInstanceName() {
  std::random_device random;
  std::uint64_t value = (std::uint64_t{random()} << 32) ^ random();
  std::string name(kInstanceNameLength, '0');
  for (std::size_t i = name.size(); i-- > 0; value >>= 4) name[i] = "0123456789abcdef"[value & 0xF];
  return name;
}

fs::path InstanceFile(const fs::path& folder, std::string_view instance) {
  return folder / (std::string(instance) + std::string(kInstanceSuffix));
}

// The instance a journal's file name names; empty when the name is no
// journal's.
std::string InstanceOfJournal(std::string_view name) {
  if (!name.ends_with(kJournalSuffix)) return {};
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos) return {};
  const std::string_view instance = name.substr(0, dash);
  return IsInstanceName(instance) ? std::string(instance) : std::string();
}

enum class Liveness { kAlive, kDead };

// An instance lives while its instance file is held locked. A file that
// exists but cannot be opened counts as alive: its journals are not taken.
Liveness InstanceLiveness(const fs::path& folder, std::string_view instance) {
  const fs::path file = InstanceFile(folder, instance);
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? Liveness::kDead : Liveness::kAlive;
  const bool free = platform::TryLockFile(fd, platform::LockKind::kExclusive);
  ::close(fd);
  return free ? Liveness::kDead : Liveness::kAlive;
}

// Removes a dead instance's file, holding its lock meanwhile so a running
// writer's file is never removed.
void RemoveDeadInstanceFile(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return;
  if (platform::TryLockFile(fd, platform::LockKind::kExclusive)) ::unlink(file.c_str());
  ::close(fd);
}

// Moves `path` into `aside` under its own name, or its name with ".1",
// ".2"... when taken; never over another file.
fs::path MoveAside(const fs::path& path, const fs::path& aside, std::string* error) {
  if (!platform::EnsureFolder(aside, error)) return {};
  const std::string name = path.filename().string();
  for (int n = 0; n < 1000; ++n) {
    const fs::path target = aside / (n == 0 ? name : name + "." + std::to_string(n));
    if (::link(path.c_str(), target.c_str()) == 0) {
      ::unlink(path.c_str());
      return target;
    }
    if (errno == EEXIST) continue;
    // A file system without hard links: a rename to a name seen free.
    if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == EMLINK) {
      std::error_code ec;
      if (fs::exists(target, ec)) continue;
      if (::rename(path.c_str(), target.c_str()) == 0) return target;
    }
    *error = ErrnoText("cannot move aside", path, errno);
    return {};
  }
  *error = "cannot move aside " + path.string() + ": no free name";
  return {};
}

}  // namespace

std::uint32_t JournalChecksum(std::string_view bytes, std::uint32_t crc) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (HasCrcInstruction()) return ~CrcByInstruction(~crc, p, bytes.size());
#endif
  return ~CrcBySoftware(~crc, p, bytes.size());
}

fs::path JournalFolder() { return platform::UserStateFolder(); }

std::string EncodeJournal(const JournalEntry& entry) {
  std::string out;
  const std::function<bool(std::string_view)> sink = [&out](std::string_view bytes) {
    out.append(bytes);
    return true;
  };
  EncodeEntry(entry, sink, nullptr);
  return out;
}

JournalRead DecodeJournal(std::string_view bytes) {
  if (bytes.size() < kHeaderSize + kTrailerSize || !bytes.starts_with(kMagic)) {
    return Unreadable("not a journal");
  }
  // The trailer is the same in every version: a damaged journal is told
  // from a newer one before the version is believed.
  const std::string_view body = bytes.substr(0, bytes.size() - kTrailerSize);
  Reader trailer(bytes.substr(body.size()));
  if (trailer.U64() != body.size()) return Unreadable("truncated or extended");
  if (trailer.U32() != JournalChecksum(body)) return Unreadable("checksum mismatch");
  Reader header(body.substr(kMagic.size()));
  const std::uint32_t version = header.U32();
  if (version > kJournalVersion) {
    JournalRead read;
    read.status = JournalReadStatus::kNewerVersion;
    read.error = "written by a newer version (format " + std::to_string(version) + ")";
    return read;
  }
  if (version != kJournalVersion || header.U32() != 0) return Unreadable("unknown format");

  Reader in(body.substr(kHeaderSize));
  JournalEntry entry;
  entry.writtenAt = in.I64();
  entry.documentName = in.String();
  entry.local = in.Flag();
  entry.hostName = in.String();
  entry.hostPort = in.I32();
  entry.hostUser = in.String();
  entry.projectFile = in.String();
  entry.projectEntry = in.String();
  entry.templateName = in.String();
  entry.characterMap = in.String();
  if (!ReadFormat(in, entry.format)) return Unreadable("damaged document format");
  entry.tokenText = in.String();
  entry.text = in.String();
  if (!in.ok()) return Unreadable("damaged text");
  std::string_view rest = in.rest();
  std::optional<LineMetadata> lines = LineMetadata::ReadFrom(rest);
  if (!lines) return Unreadable("damaged line data");
  if (lines->LineCount() != LinesOfText(entry.text)) {
    return Unreadable("the text and the line data disagree");
  }
  entry.lines = std::move(*lines);
  Reader tail(rest);
  if (tail.Flag()) {
    const std::uint64_t count = tail.Count(8);
    entry.baseLines.emplace();
    entry.baseLines->reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count && tail.ok(); ++i) {
      entry.baseLines->push_back(tail.String());
    }
  }
  if (!tail.ok()) return Unreadable("damaged original text");
  if (tail.left() != 0) return Unreadable("unexpected bytes at the end");
  JournalRead read;
  read.status = JournalReadStatus::kOk;
  read.entry = std::move(entry);
  return read;
}

JournalRead ReadJournal(const fs::path& path) {
  std::string bytes;
  std::string error;
  switch (platform::ReadWholeFile(path, &bytes, &error)) {
    case platform::ReadStatus::kOk:
      break;
    case platform::ReadStatus::kMissing: {
      JournalRead read;
      read.status = JournalReadStatus::kMissing;
      read.error = "no journal " + path.string();
      return read;
    }
    case platform::ReadStatus::kError:
      return Unreadable(error);
  }
  return DecodeJournal(bytes);
}

bool DiscardJournal(const fs::path& path, std::string* error) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  if (error) *error = ErrnoText("cannot remove", path, errno);
  return false;
}

JournalListing ListRecoverable(const fs::path& folder) {
  JournalListing listing;
  std::error_code ec;
  std::vector<fs::path> journals;
  std::set<std::string> instanceFiles;
  std::set<std::string> temporaryTargets;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with('.')) {
      const std::size_t infix = name.rfind(".tmp-");
      if (infix != std::string::npos && infix > 1) {
        temporaryTargets.insert(name.substr(1, infix - 1));
      }
    } else if (name.ends_with(kInstanceSuffix)) {
      const std::string instance = name.substr(0, name.size() - kInstanceSuffix.size());
      if (IsInstanceName(instance)) instanceFiles.insert(instance);
    } else if (!InstanceOfJournal(name).empty()) {
      journals.push_back(it->path());
    }
  }
  std::sort(journals.begin(), journals.end());

  // Temporaries no replacement holds were left by a writer that died.
  for (const std::string& target : temporaryTargets) {
    platform::RemoveStaleTemporaries(folder / target, JournalReplacement());
  }

  std::map<std::string, Liveness> liveness;
  std::set<std::string> owning;  // instances with a journal left in the folder
  for (const fs::path& path : journals) {
    const std::string instance = InstanceOfJournal(path.filename().string());
    auto known = liveness.find(instance);
    if (known == liveness.end()) {
      known = liveness.emplace(instance, InstanceLiveness(folder, instance)).first;
    }
    if (known->second == Liveness::kAlive) {
      owning.insert(instance);
      continue;
    }
    JournalRead read = ReadJournal(path);
    switch (read.status) {
      case JournalReadStatus::kOk: {
        const JournalEntry& entry = *read.entry;
        listing.recoverable.push_back({path, entry.documentName, entry.local, entry.hostName,
                                       entry.writtenAt, entry.text.size(),
                                       entry.lines.LineCount()});
        owning.insert(instance);
        break;
      }
      case JournalReadStatus::kUnreadable: {
        if (!fs::exists(path, ec)) break;  // moved aside meanwhile by another start
        UnreadableJournal unreadable;
        unreadable.original = path;
        std::string error;
        unreadable.movedTo = MoveAside(path, folder / kUnreadableFolder, &error);
        unreadable.error = read.error;
        if (!error.empty()) {
          unreadable.error += "; " + error;
          owning.insert(instance);
        }
        listing.unreadable.push_back(std::move(unreadable));
        break;
      }
      case JournalReadStatus::kNewerVersion:  // for the newer program to recover
        owning.insert(instance);
        break;
      case JournalReadStatus::kMissing:  // recovered meanwhile by another start
        break;
    }
  }

  for (const std::string& instance : instanceFiles) {
    if (owning.count(instance) == 0) {
      // Checked again under its lock: a live writer's file stays.
      RemoveDeadInstanceFile(InstanceFile(folder, instance));
    }
  }
  std::stable_sort(listing.recoverable.begin(), listing.recoverable.end(),
                   [](const RecoverableJournal& a, const RecoverableJournal& b) {
                     return a.writtenAt > b.writtenAt;
                   });
  return listing;
}

// ---- The writer ------------------------------------------------------------------------------

std::unique_ptr<JournalWriter> JournalWriter::Start(const fs::path& folder, std::string* error,
                                                    ErrorHandler onError) {
  std::string message;
  if (!platform::EnsureFolder(folder, &message)) {
    if (error) *error = message;
    return nullptr;
  }
  // The instance file appears already locked: it is written as a locked
  // temporary and renamed into place, so no other start ever sees it free.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string instance = NewInstanceName();
    const fs::path file = InstanceFile(folder, instance);
    std::error_code ec;
    if (fs::exists(file, ec)) continue;
    auto replacement = platform::AtomicReplacement::Begin(file, &message, JournalReplacement());
    if (!replacement || !replacement->Write(std::to_string(::getpid()) + "\n", &message) ||
        !replacement->Commit(&message)) {
      break;
    }
    const int fd = replacement->ReleaseDescriptor();
    // Where locks do nothing (some network file systems), every running
    // editor would look dead to the others and its journals would be
    // offered to them: no journaling there rather than that.
    if (InstanceLiveness(folder, instance) != Liveness::kAlive) {
      ::unlink(file.c_str());
      ::close(fd);
      message = "file locks do not work in " + folder.string();
      break;
    }
    return std::unique_ptr<JournalWriter>(
        new JournalWriter(folder, instance, fd, std::move(onError)));
  }
  if (error) *error = message.empty() ? "no free instance name" : message;
  return nullptr;
}

JournalWriter::JournalWriter(fs::path folder, std::string instance, int instanceFd,
                             ErrorHandler onError)
    : folder_(std::move(folder)),
      instance_(std::move(instance)),
      instanceFd_(instanceFd),
      onError_(std::move(onError)),
      thread_([this] { Run(); }) {}

JournalWriter::~JournalWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  thread_.join();
  ::unlink(InstanceFile(folder_, instance_).c_str());
  ::close(instanceFd_);
}

fs::path JournalWriter::PathOf(std::uint64_t id) const {
  return folder_ / (instance_ + "-" + std::to_string(id) + std::string(kJournalSuffix));
}

void JournalWriter::Submit(std::uint64_t id, JournalEntry entry) {
  std::optional<JournalEntry> replaced;  // freed outside the lock
  {
    std::lock_guard lock(mutex_);
    auto [it, inserted] = pending_.try_emplace(id);
    replaced = std::move(it->second.entry);
    it->second.entry = std::move(entry);
    if (inserted) order_.push_back(id);
  }
  work_.notify_one();
}

void JournalWriter::Remove(std::uint64_t id) {
  std::optional<JournalEntry> dropped;
  {
    std::lock_guard lock(mutex_);
    auto [it, inserted] = pending_.try_emplace(id);
    dropped = std::move(it->second.entry);
    it->second.entry.reset();
    if (inserted) order_.push_back(id);
  }
  work_.notify_one();
}

void JournalWriter::Flush() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return order_.empty() && !busy_; });
}

JournalEntry JournalWriter::TakeSpare() {
  std::optional<JournalEntry> spare;
  {
    std::lock_guard lock(mutex_);
    spare.swap(spare_);
  }
  JournalEntry entry;
  if (spare) {
    entry.text = std::move(spare->text);
    entry.text.clear();
    entry.lines = std::move(spare->lines);
    entry.lines.Reset(LineNumbering{}, false);
  }
  return entry;  // the rest of the spare is freed here, outside the lock
}

JournalWriteCost JournalWriter::LastWriteCost() const {
  std::lock_guard lock(mutex_);
  return lastCost_;
}

std::uint64_t JournalWriter::WritesDone() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

std::string JournalWriter::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

void JournalWriter::Run() {
  std::unique_lock lock(mutex_);
  while (true) {
    work_.wait(lock, [this] { return stopping_ || !order_.empty(); });
    if (order_.empty()) break;  // stopping, with nothing left
    const std::uint64_t id = order_.front();
    order_.pop_front();
    auto found = pending_.find(id);
    Pending pending = std::move(found->second);
    pending_.erase(found);
    busy_ = true;
    lock.unlock();

    std::string error;
    JournalWriteCost cost;
    const bool writing = pending.entry.has_value();
    error = writing ? Write(id, *pending.entry, cost) : Delete(id);
    if (!error.empty() && onError_) onError_(id, error);

    lock.lock();
    busy_ = false;
    if (writing && error.empty()) {
      lastCost_ = cost;
      ++writes_;
    }
    // The written entry becomes the spare; what it replaces, or a spare
    // after a removal, is freed outside the lock.
    std::swap(pending.entry, spare_);
    lastError_ = std::move(error);
    if (order_.empty()) idle_.notify_all();
    if (pending.entry) {
      lock.unlock();
      pending.entry.reset();
      lock.lock();
    }
  }
  idle_.notify_all();
}

std::string JournalWriter::Write(std::uint64_t id, JournalEntry& entry, JournalWriteCost& cost) {
  const auto started = std::chrono::steady_clock::now();
  // A journal the recovery would refuse is not written over a good one.
  if (entry.lines.LineCount() != LinesOfText(entry.text)) {
    return "journal of document " + std::to_string(id) + " not written: the text has " +
           std::to_string(LinesOfText(entry.text)) + " lines, the line data " +
           std::to_string(entry.lines.LineCount());
  }
  std::string error;
  if (!platform::EnsureFolder(folder_, &error)) return error;
  entry.writtenAt = NowMilliseconds();
  auto replacement = platform::AtomicReplacement::Begin(PathOf(id), &error, JournalReplacement());
  if (!replacement) return error;
  const std::function<bool(std::string_view)> sink = [&](std::string_view bytes) {
    return replacement->Write(bytes, &error);
  };
  std::uint64_t bytes = 0;
  if (!EncodeEntry(entry, sink, &bytes) || !replacement->Commit(&error)) return error;
  cost.bytes = bytes;
  cost.microseconds = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - started)
                          .count();
  return {};
}

std::string JournalWriter::Delete(std::uint64_t id) {
  std::string error;
  DiscardJournal(PathOf(id), &error);
  return error;
}

}  // namespace vandrel
