#include "editor/line_metadata.h"

#include <gtest/gtest.h>

#include <vector>

#include "editor/control_messages.h"

namespace vandrel {
namespace {

// A document of lines carrying `numbers` (kept), `digits` wide.
LineMetadata Kept(const std::vector<std::int64_t>& numbers, std::int32_t digits = 6,
                  std::int64_t increment = 100) {
  LineMetadata lines;
  lines.Reset({NumberingMode::kKept, 0, digits, numbers.empty() ? 100 : numbers[0], increment},
              false);
  for (std::int64_t n : numbers) lines.AppendLine(n, LineToken{});
  return lines;
}

std::vector<std::int64_t> Numbers(const LineMetadata& lines) {
  std::vector<std::int64_t> out;
  for (std::int64_t i = 0; i < lines.LineCount(); ++i) out.push_back(lines.NumberOfLine(i));
  return out;
}

TEST(LineMetadataNumbers, InsertedLinesGetRoundNumbersBetweenTheirNeighbours) {
  LineMetadata lines = Kept({100, 200, 300});
  EXPECT_EQ(lines.InsertLines(1, 1), InsertResult::kOk);  // between 100 and 200
  EXPECT_EQ(Numbers(lines), (std::vector<std::int64_t>{100, 150, 200, 300}));
  EXPECT_EQ(lines.InsertLines(2, 1), InsertResult::kOk);  // between 150 and 200
  EXPECT_EQ(Numbers(lines), (std::vector<std::int64_t>{100, 150, 170, 200, 300}));
  EXPECT_EQ(lines.InsertLines(0, 1), InsertResult::kOk);  // before the first: from 1 up
  EXPECT_EQ(lines.NumberOfLine(0), 50);
  EXPECT_EQ(lines.InsertLines(lines.LineCount(), 2), InsertResult::kOk);  // appended
  EXPECT_EQ(lines.NumberOfLine(6), 400);
  EXPECT_EQ(lines.NumberOfLine(7), 500);
  EXPECT_TRUE(lines.IsChanged(6));
  EXPECT_FALSE(lines.IsChanged(1));

  // Thousandths: three lines after 1.000 become 1.100, 1.200, 1.300.
  LineMetadata thousandths = Kept({1000, 2000}, 8, 100);
  EXPECT_EQ(thousandths.InsertLines(1, 3), InsertResult::kOk);
  EXPECT_EQ(Numbers(thousandths), (std::vector<std::int64_t>{1000, 1100, 1200, 1300, 2000}));

  // Appending near the end of the digits closes the gaps.
  LineMetadata full = Kept({990}, 3, 100);
  EXPECT_EQ(full.InsertLines(1, 2), InsertResult::kOk);
  EXPECT_EQ(Numbers(full), (std::vector<std::int64_t>{990, 992, 994}));
}

TEST(LineMetadataNumbers, NoFreeNumber) {
  LineMetadata lines = Kept({100, 101, 103});
  lines.SetMarks(1, kLineMarkBookmark);
  EXPECT_FALSE(lines.CanInsertLines(1, 1));
  EXPECT_EQ(lines.InsertLines(1, 1), InsertResult::kNoFreeNumber);
  EXPECT_EQ(Numbers(lines), (std::vector<std::int64_t>{100, 101, 103}));  // nothing changed
  EXPECT_EQ(lines.Marks(1), kLineMarkBookmark);
  EXPECT_TRUE(lines.CanInsertLines(2, 1));
  EXPECT_FALSE(lines.CanInsertLines(2, 2));
  EXPECT_EQ(lines.InsertLines(2, 1), InsertResult::kOk);
  EXPECT_EQ(lines.NumberOfLine(2), 102);
  EXPECT_EQ(Kept({999999}).InsertLines(1, 1), InsertResult::kNoFreeNumber);
  EXPECT_EQ(lines.InsertLines(9, 1), InsertResult::kOutOfRange);

  // Regenerated numbering follows the positions: there is always room.
  LineMetadata regenerated;
  regenerated.SetNumbering({NumberingMode::kRegenerated, 0, 6, 100, 100});
  EXPECT_EQ(regenerated.InsertLines(0, 3), InsertResult::kOk);
  EXPECT_EQ(Numbers(regenerated), (std::vector<std::int64_t>{100, 200, 300, 400}));
  EXPECT_EQ(regenerated.LineWithNumber(300), 2);
  EXPECT_EQ(regenerated.LineWithNumber(250), -1);
  EXPECT_EQ(regenerated.LineWithNumber(500), -1);
}

TEST(LineMetadataNumbers, LineWithNumber) {
  const LineMetadata sorted = Kept({100, 200, 300});
  EXPECT_EQ(sorted.LineWithNumber(200), 1);
  EXPECT_EQ(sorted.LineWithNumber(250), -1);
  const LineMetadata unsorted = Kept({500, 100, kNoLineNumber, 300});
  EXPECT_EQ(unsorted.LineWithNumber(100), 1);
  EXPECT_EQ(unsorted.LineWithNumber(300), 3);
  EXPECT_EQ(unsorted.LineWithNumber(kNoLineNumber), -1);
  EXPECT_EQ(LineMetadata().LineWithNumber(1), -1);
  EXPECT_EQ(LineMetadata().NumberOfLine(0), kNoLineNumber);
}

TEST(LineMetadataNumbers, Renumber) {
  LineMetadata lines = Kept({100, 200, 300, 400, 500});
  EXPECT_TRUE(lines.Renumber(1, 3, 210, 10, true));
  EXPECT_EQ(Numbers(lines), (std::vector<std::int64_t>{100, 210, 220, 230, 500}));
  EXPECT_EQ(lines.Marks(0), 0u);
  EXPECT_EQ(lines.Marks(2), kLineMarkError);
  EXPECT_TRUE(lines.Renumber(4, 4, 999999, 0, false));     // one line: any increment
  EXPECT_FALSE(lines.Renumber(0, 4, 999000, 300, false));  // 999000 + 4 * 300 > 999999
  EXPECT_FALSE(lines.Renumber(3, 2, 1, 1, false));
  EXPECT_FALSE(lines.Renumber(0, 5, 1, 1, false));
  EXPECT_FALSE(lines.Renumber(0, 1, 1, 0, false));
  EXPECT_EQ(lines.NumberOfLine(0), 100);
  EXPECT_FALSE(LineMetadata().Renumber(0, 0, 1, 1, false));  // no numbering

  // Regenerated numbering is renumbered as a whole.
  LineMetadata regenerated;
  regenerated.SetNumbering({NumberingMode::kRegenerated, 0, 6, 100, 100});
  regenerated.InsertLines(1, 2);
  EXPECT_FALSE(regenerated.Renumber(1, 2, 10, 10, false));
  EXPECT_TRUE(regenerated.Renumber(0, 1, 10, 10, false));  // the last line follows too
  EXPECT_EQ(Numbers(regenerated), (std::vector<std::int64_t>{10, 20, 30}));
  EXPECT_EQ(regenerated.numbering().start, 10);
}

TEST(LineMetadataNumbers, SwitchingToKeptNumbersNumbersEveryLine) {
  LineMetadata lines;
  lines.InsertLines(1, 2);
  ASSERT_TRUE(lines.SetNumbering({NumberingMode::kKept, 72, 8, 1000, 1000}));
  EXPECT_EQ(Numbers(lines), (std::vector<std::int64_t>{1000, 2000, 3000}));
  EXPECT_FALSE(lines.SetNumbering({NumberingMode::kKept, 0, 19, 1, 1}));
  EXPECT_TRUE(lines.SetNumbering({}));
  EXPECT_EQ(lines.NumberOfLine(0), kNoLineNumber);
}

TEST(LineMetadataMarks, MarksLinksAndTokensMoveWithTheirLines) {
  LineMetadata lines;
  lines.SetTokens(true);
  lines.InsertLines(1, 4);  // lines 0-4
  lines.SetMarks(1, kLineMarkBookmark);
  lines.SetMarks(3, kLineMarkGoTo | kLineMarkError | 0x80);  // unknown bits are dropped
  lines.SetLink(3, 7);
  EXPECT_EQ(lines.Marks(3), kLineMarkGoTo | kLineMarkError);

  lines.InsertLines(2, 2);  // old line 3 is now 5
  EXPECT_EQ(lines.Marks(5), kLineMarkGoTo | kLineMarkError);
  EXPECT_EQ(lines.Link(5), 7);
  EXPECT_EQ(lines.Marks(1), kLineMarkBookmark);
  lines.DeleteLines(0, 2);  // the bookmarked line goes with it
  EXPECT_EQ(lines.Marks(3), kLineMarkGoTo | kLineMarkError);
  EXPECT_EQ(lines.NextLineWithMark(0, kLineMarkBookmark, true), -1);
  EXPECT_EQ(lines.LineCount(), 5);
  EXPECT_FALSE(lines.DeleteLines(3, 3));

  // Searching for marks wraps round; searching for links does not.
  lines.SetMarks(1, kLineMarkBookmark);
  lines.SetMarks(4, kLineMarkBookmark);
  EXPECT_EQ(lines.NextLineWithMark(2, kLineMarkBookmark, true), 4);
  EXPECT_EQ(lines.NextLineWithMark(0, kLineMarkBookmark, false), 4);
  EXPECT_EQ(lines.NextLineWithMark(-1, kLineMarkBookmark, false), 4);
  EXPECT_EQ(lines.NextLineWithMark(0, kLineMarkError, true), 3);
  EXPECT_EQ(lines.NextLinkedLine(4, true), -1);
  EXPECT_EQ(lines.NextLinkedLine(4, false), 3);
  lines.ClearMarks(kLineMarkBookmark);
  EXPECT_EQ(lines.Marks(4), 0u);
  EXPECT_EQ(lines.Marks(3), kLineMarkGoTo | kLineMarkError);
  lines.ClearLinks();
  EXPECT_EQ(lines.NextLinkedLine(0, true), -1);
  EXPECT_FALSE(lines.SetMarks(5, kLineMarkBookmark));
}

}  // namespace
}  // namespace vandrel
