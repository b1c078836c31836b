#include "core/wildcard.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <system_error>

#include "platform/ascii_text.h"

namespace vandrel {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char Fold(char c, bool ignoreCase) { return ignoreCase ? platform::AsciiLower(c) : c; }

}  // namespace

// Greedy matching with one remembered '*': on a mismatch the last '*' takes
// one more character and matching resumes after it. Earlier stars never need
// to be revisited, because any extent a later star could reach with their
// help it reaches on its own. A character that no wildcard may take (a
// separator under kWildcardPathName, a leading '.' under kWildcardPeriod)
// cannot be taken by the remembered '*' either, and since stars before it
// could only have placed it where it is, the match fails.
bool WildcardMatch(std::string_view pattern, std::string_view text, unsigned flags) {
  const bool pathName = flags & kWildcardPathName;
  const bool period = flags & kWildcardPeriod;
  const bool ignoreCase = flags & kWildcardIgnoreCase;

  // A '.' that only a '.' in the pattern may match.
  auto leadingPeriod = [&](std::size_t at) {
    return period && text[at] == '.' && (at == 0 || (pathName && IsSeparator(text[at - 1])));
  };
  // Whether a wildcard may stand for text[at].
  auto wildcardMayTake = [&](std::size_t at) {
    return !(pathName && IsSeparator(text[at])) && !leadingPeriod(at);
  };

  std::size_t p = 0;
  std::size_t t = 0;
  constexpr std::size_t kNone = std::string_view::npos;
  std::size_t starPattern = kNone;  // the position after the last '*'
  std::size_t starText = 0;         // where the text resumes after that '*'

  while (t < text.size()) {
    if (p < pattern.size()) {
      const char pc = pattern[p];
      if (pc == '*') {
        // As in shell patterns, a leading '.' must face a '.' in the
        // pattern: a '*' in its place fails even when it would match nothing.
        if (!leadingPeriod(t)) {
          starPattern = ++p;
          starText = t;
          continue;
        }
      } else if (pc == '?' ? wildcardMayTake(t)
                           : Fold(pc, ignoreCase) == Fold(text[t], ignoreCase)) {
        ++p;
        ++t;
        continue;
      }
    }
    // Mismatch: let the last '*' take one more character.
    if (starPattern == kNone || !wildcardMayTake(starText)) return false;
    p = starPattern;
    t = ++starText;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view pattern,
                                           unsigned flags) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error);
  if (error) return names;
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    std::error_code statusError;
    if (!it->is_regular_file(statusError)) continue;
    std::string name = it->path().filename().string();
    if (WildcardMatch(pattern, name, flags)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string JoinFolderPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/' && path.back() != '\\') {
    path += static_cast<char>(std::filesystem::path::preferred_separator);
  }
  path += name;
  return path;
}

}  // namespace vandrel
