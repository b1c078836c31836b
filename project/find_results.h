// The result lines of a search through files, as the agent prints them into
// the "Find in Files" pane: the file's path, the line in parentheses, ": "
// and the text found, e.g. "/dev/src/main.c(42): x = 1;". A result may also
// give a section and a line within it: "/DEV/SRC/PROG(main line 12): ...".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vandrel::project {

struct FindResult {
  std::string fileName;
  std::string section;  // upper case; empty when the result gives none
  std::int64_t line = 0;

  bool operator==(const FindResult&) const = default;
};

// Reads one line of the pane; nothing for a line that is not a result (empty,
// the ">>" separator, no "): ", or no "(" before it). The file name is the
// text before the last "(" that precedes the first "): ".
std::optional<FindResult> ReadFindResult(std::string_view line);

}  // namespace vandrel::project
