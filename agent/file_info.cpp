#include "agent/file_info.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "agent/mpe_attributes.h"

namespace vandrel::agent {

namespace {

std::int64_t ClampTime(std::int64_t seconds) {
  if (seconds < 0) return 0;
  if (seconds > INT32_MAX) return INT32_MAX;
  return seconds;
}

// A name as one word: blanks would split the reply's values.
std::string Word(std::string text) {
  if (text.empty()) return "-";
  for (char& c : text) {
    if (static_cast<unsigned char>(c) <= ' ') c = '_';
  }
  return text;
}

// Names looked up lately, per thread: a listing asks for the same few ids
// thousands of times, and each look-up reads the account files again. Kept
// for a second, so a renamed account shows soon enough.
template <typename Lookup>
std::string CachedName(
    std::unordered_map<unsigned, std::pair<std::string, std::chrono::steady_clock::time_point>>&
        cache,
    unsigned id, Lookup lookup) {
  const auto now = std::chrono::steady_clock::now();
  auto found = cache.find(id);
  if (found != cache.end() && now - found->second.second < std::chrono::seconds(1)) {
    return found->second.first;
  }
  if (cache.size() > 256) cache.clear();
  std::string name = lookup(id);
  cache[id] = {name, now};
  return name;
}

std::string UncachedOwnerName(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return Word(found->pw_name);
  }
  return std::to_string(uid);
}

std::string UncachedGroupName(gid_t gid) {
  std::vector<char> buffer(16384);
  group entry{};
  group* found = nullptr;
  if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return Word(found->gr_name);
  }
  return std::to_string(gid);
}

std::string OwnerName(uid_t uid) {
  thread_local std::unordered_map<unsigned,
                                  std::pair<std::string, std::chrono::steady_clock::time_point>>
      cache;
  return CachedName(cache, uid, [](unsigned id) { return UncachedOwnerName(id); });
}

std::string GroupName(gid_t gid) {
  thread_local std::unordered_map<unsigned,
                                  std::pair<std::string, std::chrono::steady_clock::time_point>>
      cache;
  return CachedName(cache, gid, [](unsigned id) { return UncachedGroupName(id); });
}

}  // namespace

std::string PermissionsWord(mode_t mode) {
  std::string word(10, '-');
  if (S_ISDIR(mode))
    word[0] = 'd';
  else if (S_ISLNK(mode))
    word[0] = 'l';
  else if (S_ISCHR(mode))
    word[0] = 'c';
  else if (S_ISBLK(mode))
    word[0] = 'b';
  else if (S_ISFIFO(mode))
    word[0] = 'p';
  else if (S_ISSOCK(mode))
    word[0] = 's';
  const mode_t bits[9] = {S_IRUSR, S_IWUSR, S_IXUSR, S_IRGRP, S_IWGRP,
                          S_IXGRP, S_IROTH, S_IWOTH, S_IXOTH};
  const char letters[] = "rwxrwxrwx";
  for (int i = 0; i < 9; ++i) {
    if (mode & bits[i]) word[static_cast<std::size_t>(i) + 1] = letters[i];
  }
  auto special = [&](std::size_t at, mode_t bit, char set, char setWithoutExecute) {
    if (mode & bit) word[at] = word[at] == 'x' ? set : setWithoutExecute;
  };
  special(3, S_ISUID, 's', 'S');
  special(6, S_ISGID, 's', 'S');
  special(9, S_ISVTX, 't', 'T');
  return word;
}

std::optional<std::string> DescribeFile(const std::filesystem::path& diskPath,
                                        Personality personality, AgentError* error) {
  struct statx info {};
  if (::statx(AT_FDCWD, diskPath.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
    *error = SystemError(errno, diskPath.filename().string());
    return std::nullopt;
  }
  const std::int64_t created =
      (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : info.stx_ctime.tv_sec;
  const bool regular = S_ISREG(info.stx_mode);
  const int flags = regular ? 0 : kFileFlagCannotLock;
  int fileCode = 0;
  if (personality == Personality::kMpe && regular) fileCode = ReadMpeAttributes(diskPath).fileCode;
  return fmt::format("{} {} {} {} {} {} {} {} {} {}", info.stx_size,
                     ClampTime(info.stx_atime.tv_sec), ClampTime(info.stx_mtime.tv_sec),
                     ClampTime(created), PermissionsWord(info.stx_mode), info.stx_nlink,
                     OwnerName(info.stx_uid), GroupName(info.stx_gid), flags, fileCode);
}

}  // namespace vandrel::agent
