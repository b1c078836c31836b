// A line diff for showing two versions of a text side by side: the shortest
// edit script between two lists of lines (Myers' algorithm in its
// linear-space form: time proportional to the lines times the differences,
// memory proportional to the lines), turned into rows of a side-by-side view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vandrel {

enum class DiffRowKind : std::uint8_t {
  kBoth,       // the same line on both sides
  kLeftOnly,   // a line only the left side has
  kRightOnly,  // a line only the right side has
  kChanged,    // a left line replaced by a right line
};

// One row of the side-by-side view. The indexes are 0-based lines of each
// side; kNoLine where the row has no line on that side.
struct DiffRow {
  static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
  DiffRowKind kind = DiffRowKind::kBoth;
  std::size_t left = kNoLine;
  std::size_t right = kNoLine;
  bool operator==(const DiffRow&) const = default;
};

// The rows that show `left` against `right`, in order: every line of each
// side appears in exactly one row, in its own order. Lines common to both
// (a longest common subsequence) are kBoth rows; between two of them, the
// left lines that went and the right lines that came are paired in order as
// kChanged rows, and the lines left over on the longer side are kLeftOnly or
// kRightOnly rows after them.
std::vector<DiffRow> DiffLines(const std::vector<std::string>& left,
                               const std::vector<std::string>& right);

// The number of rows that are not kBoth.
std::size_t CountDifferences(const std::vector<DiffRow>& rows);

}  // namespace vandrel
