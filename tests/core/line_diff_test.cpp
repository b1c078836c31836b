// The line diff: rows that keep every line of both sides in order, a
// shortest script (the common lines are as many as a longest common
// subsequence has), pairing of changed lines, and large inputs.
#include "core/line_diff.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vandrel {
namespace {

using Lines = std::vector<std::string>;

// The rows as a compact text: "=" both, "<" left only, ">" right only,
// "~" changed.
std::string Shape(const std::vector<DiffRow>& rows) {
  std::string shape;
  for (const DiffRow& row : rows) {
    shape += row.kind == DiffRowKind::kBoth        ? '='
             : row.kind == DiffRowKind::kLeftOnly  ? '<'
             : row.kind == DiffRowKind::kRightOnly ? '>'
                                                   : '~';
  }
  return shape;
}

// Every line of each side in exactly one row, in order, and kBoth rows on
// equal lines.
void ExpectWellFormed(const Lines& left, const Lines& right, const std::vector<DiffRow>& rows) {
  std::size_t l = 0, r = 0;
  for (const DiffRow& row : rows) {
    const bool hasLeft = row.kind != DiffRowKind::kRightOnly;
    const bool hasRight = row.kind != DiffRowKind::kLeftOnly;
    ASSERT_EQ(row.left, hasLeft ? l++ : DiffRow::kNoLine);
    ASSERT_EQ(row.right, hasRight ? r++ : DiffRow::kNoLine);
    if (row.kind == DiffRowKind::kBoth) {
      ASSERT_EQ(left[row.left], right[row.right]);
    }
  }
  ASSERT_EQ(l, left.size());
  ASSERT_EQ(r, right.size());
}

// The length of a longest common subsequence, the quadratic way.
std::size_t LcsLength(const Lines& a, const Lines& b) {
  std::vector<std::size_t> row(b.size() + 1, 0);
  for (const std::string& x : a) {
    std::size_t diagonal = 0;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = x == b[j - 1] ? diagonal + 1 : std::max(row[j], row[j - 1]);
      diagonal = above;
    }
  }
  return row[b.size()];
}

TEST(LineDiff, EmptyAndIdenticalSidesAndPairedChanges) {
  EXPECT_TRUE(DiffLines({}, {}).empty());
  EXPECT_EQ(Shape(DiffLines({"a", "b"}, {})), "<<");
  EXPECT_EQ(Shape(DiffLines({}, {"a"})), ">");
  EXPECT_EQ(Shape(DiffLines({"a", "b", "c"}, {"a", "b", "c"})), "===");

  // Between kept lines, removed and added lines pair up as changes; the
  // rest of the longer run follows.
  const Lines left = {"keep", "old 1", "old 2", "old 3", "end"};
  const Lines right = {"keep", "new 1", "end", "added"};
  const std::vector<DiffRow> rows = DiffLines(left, right);
  EXPECT_EQ(Shape(rows), "=~<<=>");
  EXPECT_EQ(rows[1], (DiffRow{DiffRowKind::kChanged, 1, 1}));
  EXPECT_EQ(rows[5], (DiffRow{DiffRowKind::kRightOnly, DiffRow::kNoLine, 3}));
  EXPECT_EQ(CountDifferences(rows), 4u);
  ExpectWellFormed(left, right, rows);

  // Repeated lines: the script is still a shortest one.
  const Lines a = {"x", "x", "y", "x"};
  const Lines b = {"y", "x", "x", "x", "y"};
  const std::vector<DiffRow> repeated = DiffLines(a, b);
  ExpectWellFormed(a, b, repeated);
  EXPECT_EQ(repeated.size() - CountDifferences(repeated), LcsLength(a, b));
}

TEST(LineDiff, RandomEditsKeepALongestCommonSubsequence) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 300; ++round) {
    Lines left, right;
    const int n = static_cast<int>(random() % 40), m = static_cast<int>(random() % 40);
    // Few distinct lines, so that matches are ambiguous.
    for (int i = 0; i < n; ++i)
      left.push_back(std::string(1, static_cast<char>('a' + random() % 4)));
    for (int i = 0; i < m; ++i)
      right.push_back(std::string(1, static_cast<char>('a' + random() % 4)));
    const std::vector<DiffRow> rows = DiffLines(left, right);
    ExpectWellFormed(left, right, rows);
    std::size_t kept = 0;
    for (const DiffRow& row : rows) kept += row.kind == DiffRowKind::kBoth;
    ASSERT_EQ(kept, LcsLength(left, right)) << "round " << round;
  }
}

TEST(LineDiff, LargeFilesWithScatteredAndTotalDifferences) {
  Lines left, right;
  for (int i = 0; i < 20000; ++i) left.push_back("      MOVE A TO B-" + std::to_string(i) + ".");
  right = left;
  for (int i = 0; i < 20000; i += 997) right[static_cast<std::size_t>(i)] += " *> changed";
  right.insert(right.begin() + 5000, "      DISPLAY 'NEW'.");
  const std::vector<DiffRow> rows = DiffLines(left, right);
  ExpectWellFormed(left, right, rows);
  EXPECT_EQ(CountDifferences(rows), 22u);  // 21 changed lines, one added

  // Nothing in common: every row is a change, and the search still ends.
  Lines other;
  for (int i = 0; i < 3000; ++i) other.push_back("other " + std::to_string(i));
  const Lines first(left.begin(), left.begin() + 3000);
  const std::vector<DiffRow> disjoint = DiffLines(first, other);
  ASSERT_EQ(disjoint.size(), 3000u);
  EXPECT_EQ(CountDifferences(disjoint), 3000u);
  EXPECT_EQ(disjoint.back().kind, DiffRowKind::kChanged);
}

}  // namespace
}  // namespace vandrel
