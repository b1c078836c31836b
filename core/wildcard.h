// The shared wildcard matcher: '*' matches any run of characters (none
// included), '?' any one character, every other character itself. Without
// flags the match is case-sensitive, '*' and '?' also match '/' and '\', and
// a leading '.' is an ordinary character.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

enum WildcardFlags : unsigned {
  kWildcardNone = 0x0,
  // '*' and '?' do not match a path separator ('/' or '\'); separators in
  // the text must be matched by separators in the pattern.
  kWildcardPathName = 0x1,
  // A '.' at the start of the text (with kWildcardPathName also one just
  // after a separator) must be matched by a '.' standing at the same place in
  // the pattern; '*' and '?' never reach it (as in shell patterns, "*.c"
  // does not match ".c").
  kWildcardPeriod = 0x2,
  // Letters compare without regard to (ASCII) case.
  kWildcardIgnoreCase = 0x4,
};

// True when `pattern` matches the whole of `text`. Runs in time proportional
// to the product of the lengths at worst, whatever the pattern.
bool WildcardMatch(std::string_view pattern, std::string_view text, unsigned flags = kWildcardNone);

// The names of the regular files (or links to them) in `folder` that match
// `pattern`, sorted by name in byte order so that every listing of the same
// folder comes out the same. An empty folder names the current folder. A
// missing or unreadable folder gives an empty list.
std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view pattern,
                                           unsigned flags = kWildcardNone);

// `folder` and `name` joined with the platform's separator; none is added
// when the folder is empty or already ends in '/' or '\'.
std::string JoinFolderPath(std::string_view folder, std::string_view name);

}  // namespace vandrel
