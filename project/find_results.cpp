#include "project/find_results.h"

#include <algorithm>
#include <limits>

#include "platform/ascii_text.h"

namespace vandrel::project {

namespace {

constexpr std::int64_t kMaxLineValue = std::numeric_limits<std::int32_t>::max();

// A signed decimal number at `pos` after white space, as scanf's %d reads
// it (saturated); nothing when there is no digit.
std::optional<std::int64_t> ReadNumber(std::string_view text, std::size_t pos) {
  const auto number = platform::ScanDecimal(text, &pos);
  if (!number) return std::nullopt;
  return number->Clamped(-kMaxLineValue, kMaxLineValue);
}

// "word line number": the section and the line, when the text reads so.
bool ReadSectionLine(std::string_view text, std::string& section, std::int64_t& line) {
  std::size_t pos = platform::SkipAsciiSpace(text, 0);
  const std::size_t wordStart = pos;
  while (pos < text.size() && !platform::IsAsciiSpace(text[pos])) ++pos;
  if (pos == wordStart) return false;
  const std::string_view word = text.substr(wordStart, pos - wordStart);
  pos = platform::SkipAsciiSpace(text, pos);
  if (text.substr(pos, 4) != "line") return false;
  const std::optional<std::int64_t> number = ReadNumber(text, pos + 4);
  if (!number) return false;
  section.clear();
  for (char c : word) section += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  line = *number;
  return true;
}

}  // namespace

std::optional<FindResult> ReadFindResult(std::string_view line) {
  if (line.empty() || line == ">>") return std::nullopt;
  const std::size_t mark = line.find("): ");
  if (mark == std::string_view::npos) return std::nullopt;
  const std::size_t open = line.rfind('(', mark);
  if (open == std::string_view::npos) return std::nullopt;
  FindResult result;
  result.fileName = std::string(line.substr(0, open));
  const std::string where = platform::AsciiLowered(line.substr(open + 1, mark - open - 1));
  if (!ReadSectionLine(where, result.section, result.line)) {
    result.section.clear();
    result.line = ReadNumber(where, 0).value_or(0);
  }
  return result;
}

}  // namespace vandrel::project
