#include "agent/find_in_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "agent/data_connection.h"
#include "agent/mpe_attributes.h"
#include "core/wildcard.h"
#include "platform/ascii_text.h"

namespace vandrel::agent {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "=FIND_INFILES port maxPacket flags \"directory\" \"file types\" text";

// What separates a result's file name from its line number and text; the
// editor reads the first one on a line.
constexpr std::string_view kResultMark = "): ";

// A file whose first bytes hold a zero byte is taken for binary.
constexpr std::size_t kBinaryProbe = 8192;
constexpr std::size_t kReadBlock = 64 * 1024;
// How often a long file looks for an abort: every this many blocks.
constexpr int kBlocksBetweenAbortChecks = 16;
// Lines of a list file longer than this cannot name a host path.
constexpr std::size_t kMaxListLine = 4096;

bool IsWordCharacter(char c) { return platform::IsAsciiLetterOrDigit(c) || c == '_'; }

// Names that cannot stand in a result line the editor reads back.
bool UnfitForResults(std::string_view hostPath) {
  return hostPath.find_first_of("\r\n") != std::string_view::npos ||
         hostPath.find(kResultMark) != std::string_view::npos;
}

// Whether a path (host path, or disk path relative to the root) passes
// through the attribute store.
bool InAttributeStore(const fs::path& path) {
  for (const fs::path& part : path) {
    if (part == kMpeAttributesFolder) return true;
  }
  return false;
}

// The path relative to the root when `canonical` lies inside it.
std::optional<fs::path> InsideRoot(const fs::path& canonical, const fs::path& root) {
  const fs::path relative = canonical.lexically_relative(root);
  if (relative.empty() || *relative.begin() == "..") return std::nullopt;
  return relative;
}

std::string ChildHostPath(const std::string& directory, std::string_view name) {
  std::string path = directory == "/" ? std::string() : directory;
  path += '/';
  path += name;
  return path;
}

// Reads until `buffer` is full or the file ends; the bytes read, -1 on a
// failure.
ssize_t ReadBlock(int fd, char* buffer, std::size_t size) {
  std::size_t total = 0;
  while (total < size) {
    const ssize_t got = ::read(fd, buffer + total, size - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return total > 0 ? static_cast<ssize_t>(total) : -1;
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(total);
}

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

// ---- Arguments ---------------------------------------------------------------

struct SearchRequest {
  std::string_view directory;
  std::string_view fileTypes;
  std::string_view text;
};

// `"directory" "file types" text`. The directory ends at the first quote
// that is followed, after blanks, by the quote that opens the file types, so
// a quote inside a directory name does not end it early.
std::optional<SearchRequest> ParseSearchRequest(std::string_view rest) {
  if (rest.empty() || rest.front() != '"') return std::nullopt;
  SearchRequest request;
  std::size_t close = 1;
  std::size_t typesOpen = std::string_view::npos;
  for (;; ++close) {
    close = rest.find('"', close);
    if (close == std::string_view::npos) return std::nullopt;
    const std::size_t next = rest.find_first_not_of(' ', close + 1);
    if (next != std::string_view::npos && next > close + 1 && rest[next] == '"') {
      typesOpen = next;
      break;
    }
  }
  request.directory = rest.substr(1, close - 1);
  const std::size_t typesClose = rest.find('"', typesOpen + 1);
  if (typesClose == std::string_view::npos) return std::nullopt;
  request.fileTypes = rest.substr(typesOpen + 1, typesClose - typesOpen - 1);
  // One blank, then the text as it is: blanks around it are part of it.
  rest.remove_prefix(typesClose + 1);
  if (rest.empty() || rest.front() != ' ') return std::nullopt;
  request.text = rest.substr(1);
  return request;
}

// ---- Output --------------------------------------------------------------------

// The result text goes out in full packets as it is produced; the last,
// shorter packet and the end packet when the search is done.
class ResultStream {
 public:
  ResultStream(DataConnection& data, std::size_t maxPacket) : data_(data), maxPacket_(maxPacket) {}

  bool Write(std::string_view text) {
    if (failed_) return false;
    buffer_.append(text);
    if (buffer_.size() < maxPacket_) return true;
    const std::size_t whole = buffer_.size() - buffer_.size() % maxPacket_;
    if (!data_.Send(buffer_.data(), whole, maxPacket_)) return Fail();
    buffer_.erase(0, whole);
    return true;
  }

  bool Finish() {
    if (failed_) return false;
    if (!data_.Send(buffer_.data(), buffer_.size(), maxPacket_) || !data_.SendEnd()) {
      return Fail();
    }
    buffer_.clear();
    return true;
  }

  bool failed() const { return failed_; }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }

  DataConnection& data_;
  std::size_t maxPacket_;
  std::string buffer_;
  bool failed_ = false;
};

// ---- The search ----------------------------------------------------------------

class SearchRun {
 public:
  SearchRun(const TransferContext& context, const TextFinder& finder, const FileTypes& types,
            long flags, ResultStream& out)
      : context_(context), finder_(finder), types_(types), flags_(flags), out_(out) {}

  // Each returns false when the search is to end (an abort or a broken
  // data connection).
  bool Directory(const fs::path& diskPath, const std::string& hostPath);
  bool ListedFiles(int listFd);
  bool Summary() {
    return out_.Write("Found " + std::to_string(occurrences_) + " occurrence(s) in " +
                      std::to_string(filesWithResults_) + " file(s).\n");
  }

 private:
  bool File(const fs::path& diskPath, const std::string& hostPath);
  bool ListedFile(std::string_view entry);
  bool Progress(std::string_view hostDirectory);
  bool Aborted() { return context_.abort.Requested(); }

  const TransferContext& context_;
  const TextFinder& finder_;
  const FileTypes& types_;
  long flags_;
  ResultStream& out_;
  std::uint64_t occurrences_ = 0;
  std::uint64_t filesWithResults_ = 0;
  std::set<std::pair<dev_t, ino_t>> visited_;  // directories entered
  std::set<std::pair<dev_t, ino_t>> listed_;   // listed files searched
  std::string lastListedDirectory_;
  std::vector<char> block_ = std::vector<char>(kReadBlock);
};

bool SearchRun::Progress(std::string_view hostDirectory) {
  if ((flags_ & kFindShowProgress) == 0) return true;
  // The progress line must never read as a result line.
  std::string shown(hostDirectory);
  for (std::size_t at = 0; (at = shown.find(kResultMark, at)) != std::string::npos; at += 2) {
    shown.insert(at + 1, 1, ' ');
  }
  return out_.Write("Searching " + shown + "...\n");
}

bool SearchRun::File(const fs::path& diskPath, const std::string& hostPath) {
  if (Aborted()) return false;
  // Non-blocking, so that a FIFO put in place of the file cannot hold the
  // search; anything but a regular file is passed over.
  const int fd = ::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return true;
  FdCloser closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return true;

  ssize_t got = ReadBlock(fd, block_.data(), block_.size());
  if (got <= 0) return true;
  const std::size_t probe = std::min<std::size_t>(static_cast<std::size_t>(got), kBinaryProbe);
  if (std::memchr(block_.data(), '\0', probe) != nullptr) return true;

  bool anyResult = false;
  std::string line;
  LineScanner scanner(finder_, [&](std::uint64_t number, std::string_view text) {
    line.assign(hostPath);
    line += '(';
    line += std::to_string(number);
    line += kResultMark;
    line += text;
    line += '\n';
    ++occurrences_;
    anyResult = true;
    return out_.Write(line);
  });
  for (int blocks = 1; got > 0; ++blocks) {
    if (!scanner.Feed(std::string_view(block_.data(), static_cast<std::size_t>(got)))) {
      return false;
    }
    if (blocks % kBlocksBetweenAbortChecks == 0 && Aborted()) return false;
    got = ReadBlock(fd, block_.data(), block_.size());
  }
  // A read failure ends the file where it happened.
  if (!scanner.Finish()) return false;
  if (anyResult) ++filesWithResults_;
  return true;
}

bool SearchRun::Directory(const fs::path& diskPath, const std::string& hostPath) {
  if (Aborted()) return false;
  struct stat info {};
  if (::stat(diskPath.c_str(), &info) != 0 || !visited_.insert({info.st_dev, info.st_ino}).second) {
    return true;
  }
  if (!Progress(hostPath)) return false;

  struct Entry {
    std::string name;
    fs::path diskPath;
  };
  std::vector<Entry> files;
  std::vector<Entry> directories;
  const bool descend = (flags_ & kFindSubdirectories) != 0;
  const fs::path& root = context_.tree.root();
  std::error_code ec;
  for (fs::directory_iterator it(diskPath, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name == kMpeAttributesFolder || IsUploadTemporary(name) ||
        UnfitForResults(ChildHostPath(hostPath, name))) {
      continue;
    }
    std::error_code statError;
    const fs::file_status status = it->symlink_status(statError);
    if (statError) continue;
    if (fs::is_regular_file(status)) {
      if (types_.Matches(name)) files.push_back({std::move(name), it->path()});
    } else if (fs::is_directory(status)) {
      if (descend) directories.push_back({std::move(name), it->path()});
    } else if (fs::is_symlink(status)) {
      // Followed to a file inside the tree; directories behind links are
      // left alone, so the walk neither loops nor meets a file twice.
      const fs::path target = fs::canonical(it->path(), statError);
      if (statError) continue;
      const auto relative = InsideRoot(target, root);
      if (!relative || InAttributeStore(*relative)) continue;
      if (fs::is_regular_file(target, statError) && types_.Matches(name)) {
        files.push_back({std::move(name), target});
      }
    }
  }
  // An unreadable sub-directory is passed over with what was read of it.
  auto byName = [](const Entry& a, const Entry& b) { return a.name < b.name; };
  std::sort(files.begin(), files.end(), byName);
  std::sort(directories.begin(), directories.end(), byName);

  for (const Entry& file : files) {
    if (!File(file.diskPath, ChildHostPath(hostPath, file.name))) return false;
  }
  for (const Entry& directory : directories) {
    if (!Directory(directory.diskPath, ChildHostPath(hostPath, directory.name))) return false;
  }
  return true;
}

bool SearchRun::ListedFile(std::string_view line) {
  const std::string_view entry = PathArgument(line);
  if (entry.empty()) return true;
  // An entry that does not resolve inside the tree is never opened.
  AgentError ignored;
  auto file = context_.tree.Resolve(context_.currentDirectory, entry, &ignored);
  if (!file || !file->exists || UnfitForResults(file->hostPath) ||
      InAttributeStore(file->hostPath)) {
    return true;
  }
  const auto relative = InsideRoot(file->diskPath, context_.tree.root());
  if (!relative || InAttributeStore(*relative)) return true;
  // Regular files only, each searched once however often it is listed.
  struct stat info {};
  if (::stat(file->diskPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      !listed_.insert({info.st_dev, info.st_ino}).second) {
    return true;
  }
  const std::string_view hostPath = file->hostPath;
  const std::size_t slash = hostPath.rfind('/');
  const std::string_view name = hostPath.substr(slash + 1);
  if (IsUploadTemporary(name) || !types_.Matches(name)) return true;
  const std::string_view directory = slash == 0 ? std::string_view("/") : hostPath.substr(0, slash);
  if (directory != lastListedDirectory_) {
    lastListedDirectory_ = directory;
    if (!Progress(directory)) return false;
  }
  return File(file->diskPath, file->hostPath);
}

bool SearchRun::ListedFiles(int listFd) {
  std::vector<char> buffer(kReadBlock);
  std::string line;
  bool tooLong = false;
  while (true) {
    const ssize_t got = ReadBlock(listFd, buffer.data(), buffer.size());
    if (got <= 0) break;
    std::string_view bytes(buffer.data(), static_cast<std::size_t>(got));
    while (!bytes.empty()) {
      const std::size_t feed = bytes.find('\n');
      const std::string_view piece = bytes.substr(0, feed);
      if (!tooLong) {
        line.append(piece);
        if (line.size() > kMaxListLine) {
          tooLong = true;
          line.clear();
        }
      }
      if (feed == std::string_view::npos) break;
      bytes.remove_prefix(feed + 1);
      if (!tooLong && !ListedFile(line)) return false;
      line.clear();
      tooLong = false;
    }
  }
  return tooLong || ListedFile(line);
}

}  // namespace

// ---- File types ------------------------------------------------------------------

FileTypes::FileTypes(std::string_view list, Personality personality) {
  const bool mpe = personality == Personality::kMpe;
  wildcardFlags_ = mpe ? kWildcardIgnoreCase : kWildcardNone;
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t end = std::min(list.find_first_of(";, \t", at), list.size());
    std::string pattern(list.substr(at, end - at));
    at = end + 1;
    if (pattern.empty()) continue;
    if (mpe) std::replace(pattern.begin(), pattern.end(), '@', '*');
    if (pattern == "*" || pattern == "*.*") everyFile_ = true;
    patterns_.push_back(std::move(pattern));
  }
  if (patterns_.empty()) everyFile_ = true;
}

bool FileTypes::Matches(std::string_view name) const {
  if (everyFile_) return true;
  return std::any_of(patterns_.begin(), patterns_.end(), [&](const std::string& pattern) {
    return WildcardMatch(pattern, name, wildcardFlags_);
  });
}

// ---- Text finder -----------------------------------------------------------------

TextFinder::TextFinder(std::string_view text, bool matchCase, bool wholeWord)
    : text_(matchCase ? std::string(text) : platform::AsciiLowered(text)),
      matchCase_(matchCase),
      wholeWord_(wholeWord) {
  const std::size_t size = text_.size();
  std::fill(std::begin(shift_), std::end(shift_), std::max<std::size_t>(size, 1));
  for (std::size_t i = 0; i + 1 < size; ++i) {
    const char c = text_[i];
    shift_[static_cast<unsigned char>(c)] = size - 1 - i;
    // Without regard to case, the upper-case letter shifts as its lower case.
    if (!matchCase_ && c >= 'a' && c <= 'z') {
      shift_[static_cast<unsigned char>(c - 'a' + 'A')] = size - 1 - i;
    }
  }
}

std::size_t TextFinder::Search(std::string_view text, std::size_t from) const {
  const std::size_t size = text_.size();
  if (size == 0 || text.size() < size) return std::string_view::npos;
  const char last = text_.back();
  for (std::size_t at = from; at <= text.size() - size;) {
    const char c = text[at + size - 1];
    const bool lastMatches = matchCase_ ? c == last : platform::AsciiLower(c) == last;
    if (lastMatches) {
      const bool rest =
          matchCase_ ? std::memcmp(text.data() + at, text_.data(), size - 1) == 0
                     : platform::EqualsIgnoreCase(text.substr(at, size - 1),
                                                  std::string_view(text_).substr(0, size - 1));
      if (rest) return at;
    }
    at += shift_[static_cast<unsigned char>(c)];
  }
  return std::string_view::npos;
}

std::size_t TextFinder::Find(std::string_view text, std::size_t from, bool endsLine) const {
  while (true) {
    const std::size_t at = Search(text, from);
    if (at == std::string_view::npos || !wholeWord_) return at;
    const std::size_t end = at + text_.size();
    if (end == text.size() && !endsLine) return std::string_view::npos;  // not decided yet
    const bool before = at > 0 && IsWordCharacter(text[at - 1]);
    const bool after = end < text.size() && IsWordCharacter(text[end]);
    if (!before && !after) return at;
    from = at + 1;
  }
}

// ---- Line scanner ----------------------------------------------------------------

LineScanner::LineScanner(const TextFinder& finder, Report report, std::size_t holdLimit)
    : finder_(finder),
      report_(std::move(report)),
      holdLimit_(std::max<std::size_t>(holdLimit, 1)) {}

bool LineScanner::Feed(std::string_view bytes) {
  while (!stopped_ && !bytes.empty()) {
    const std::size_t feed = bytes.find('\n');
    if (feed == std::string_view::npos) {
      Extend(bytes);
      break;
    }
    const std::string_view piece = bytes.substr(0, feed);
    bytes.remove_prefix(feed + 1);
    if (lineLength_ == 0) {
      // The whole line is at hand: searched where it lies.
      if (finder_.Find(piece, 0, true) != std::string_view::npos) Emit(piece, true);
      ++line_;
    } else {
      Extend(piece);
      EndLine();
    }
  }
  return !stopped_;
}

bool LineScanner::Finish() {
  if (!stopped_ && lineLength_ > 0) EndLine();
  return !stopped_;
}

void LineScanner::Extend(std::string_view piece) {
  if (piece.empty()) return;
  lineLength_ += piece.size();
  // One byte more than is shown, to tell a line end's CR from the text.
  if (shown_.size() <= kMaxResultText) {
    shown_.append(piece.substr(0, kMaxResultText + 1 - shown_.size()));
  }
  if (matched_) return;
  held_.append(piece);
  if (held_.size() < holdLimit_) return;
  if (finder_.Find(held_, from_, false) != std::string_view::npos) {
    matched_ = true;
    held_.clear();
    return;
  }
  // Every start before `undecided` has been ruled out; keep the bytes from
  // there on, and the one before them for the whole-word rule.
  const std::size_t size = held_.size();
  const std::size_t tail = finder_.size() - (finder_.wholeWord() ? 0 : 1);
  const std::size_t undecided = std::max(from_, size > tail ? size - tail : 0);
  const std::size_t keepFrom = undecided > 0 ? undecided - 1 : 0;
  held_.erase(0, keepFrom);
  from_ = undecided - keepFrom;
}

bool LineScanner::EndLine() {
  if (!matched_ && finder_.Find(held_, from_, true) != std::string_view::npos) matched_ = true;
  if (matched_) Emit(shown_, lineLength_ == shown_.size());
  ++line_;
  lineLength_ = 0;
  shown_.clear();
  held_.clear();
  from_ = 0;
  matched_ = false;
  return !stopped_;
}

bool LineScanner::Emit(std::string_view text, bool wholeLine) {
  if (wholeLine && !text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (text.size() > kMaxResultText) {
    // Cut before a character whose bytes would be split.
    std::size_t cut = kMaxResultText;
    for (int back = 0; back < 3 && cut > 0 && platform::IsUtf8ContinuationByte(text[cut]); ++back)
      --cut;
    if (platform::IsUtf8ContinuationByte(text[cut])) cut = kMaxResultText;
    text = text.substr(0, cut);
  }
  if (!report_(line_, text)) stopped_ = true;
  return !stopped_;
}

// ---- The command -----------------------------------------------------------------

Outcome RunFindInFiles(const TransferContext& context, std::string_view arguments) {
  auto parsed = ParseDataArguments(arguments, false);
  if (!parsed || parsed->options < 0 || parsed->rest.empty()) return Malformed(kUsage);
  // The parsed rest has lost its trailing blanks, which belong to the text.
  const std::string_view rest =
      arguments.substr(static_cast<std::size_t>(parsed->rest.data() - arguments.data()));
  auto request = ParseSearchRequest(rest);
  if (!request) return Malformed(kUsage);
  if (request->text.empty()) return Outcome::Fail(kErrorBadArguments, "No text to find");
  if (request->text.size() > kMaxSearchText ||
      request->text.find_first_of("\r\n") != std::string_view::npos) {
    return Outcome::Fail(kErrorBadArguments, "The text to find must be one line of at most " +
                                                 std::to_string(kMaxSearchText) + " bytes");
  }
  const long flags = parsed->options;
  const bool listed = (flags & kFindListFile) != 0;
  const std::string_view directoryArgument = PathArgument(request->directory);
  if (listed && directoryArgument.empty()) return Malformed(kUsage);

  // Everything that can fail is checked before the data connection is made,
  // so that such a failure is answered at once.
  AgentError error;
  std::optional<ResolvedPath> directory;
  int listFd = -1;
  if (listed) {
    fs::path listPath;
    if (auto upload = context.uploads.Find(directoryArgument)) {
      listPath = *upload;
    } else {
      auto file = context.tree.Resolve(context.currentDirectory, directoryArgument, &error);
      if (!file) return Outcome::Fail(std::move(error));
      if (!file->exists) return Outcome::Fail(SystemError(ENOENT, file->hostPath));
      listPath = file->diskPath;
    }
    listFd = ::open(listPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (listFd < 0 || ::fstat(listFd, &info) != 0) {
      const int code = errno;
      if (listFd >= 0) ::close(listFd);
      return Outcome::Fail(SystemError(code, std::string(directoryArgument)));
    }
    if (!S_ISREG(info.st_mode)) {
      ::close(listFd);
      return Outcome::Fail(
          SystemError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, std::string(directoryArgument)));
    }
  } else {
    directory = context.tree.ResolveDirectory(
        context.currentDirectory, directoryArgument.empty() ? "." : directoryArgument, &error);
    if (!directory) return Outcome::Fail(std::move(error));
    // The attribute store is not part of what a search sees.
    const auto relative = InsideRoot(directory->diskPath, context.tree.root());
    if (InAttributeStore(directory->hostPath) || (relative && InAttributeStore(*relative))) {
      return Outcome::Fail(SystemError(ENOENT, directory->hostPath));
    }
    DIR* probe = ::opendir(directory->diskPath.c_str());
    if (probe == nullptr) return Outcome::Fail(SystemError(errno, directory->hostPath));
    ::closedir(probe);
  }
  FdCloser listCloser{listFd};

  const TextFinder finder(request->text, (flags & kFindMatchCase) != 0,
                          (flags & kFindWholeWord) != 0);
  const FileTypes types(request->fileTypes, context.tree.personality());

  DataConnection data(&context.abort);
  if (!data.Open(context.clientAddress, parsed->port, &error)) return Outcome::Fail(error);
  ResultStream out(data, parsed->maxPacket);
  SearchRun search(context, finder, types, flags, out);
  const bool completed = (listed ? search.ListedFiles(listFd)
                                 : search.Directory(directory->diskPath, directory->hostPath)) &&
                         search.Summary() && out.Finish();
  if (!completed) {
    const bool aborted = data.aborted() || context.abort.Requested();
    data.Close();
    if (aborted) return AbortedOutcome("Search");
    return Outcome::Fail(SystemError(EPIPE, "sending the search results"));
  }
  data.Close();
  return Outcome::Ok();
}

}  // namespace vandrel::agent
