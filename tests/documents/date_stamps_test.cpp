#include "documents/date_stamps.h"

#include <gtest/gtest.h>

namespace vandrel {
namespace {

constexpr CalendarDate kSeventhDecember2026{2026, 12, 7};

TEST(ExpandDateStamps, OfferedPatternsOnSeventhDecember2026) {
  const std::vector<std::string> patterns = CobolTokenPatterns();
  ASSERT_EQ(patterns,
            (std::vector<std::string>{"GS%yy%mm%dd", "%yy%mm%ddGS", "%dd-%mm-%yy", "%dd%mm%yyyy"}));
  EXPECT_EQ(ExpandDateStamps(patterns[0], kCobolTokenFieldSize, kSeventhDecember2026), "GS261207");
  EXPECT_EQ(ExpandDateStamps(patterns[1], kCobolTokenFieldSize, kSeventhDecember2026), "261207GS");
  EXPECT_EQ(ExpandDateStamps(patterns[2], kCobolTokenFieldSize, kSeventhDecember2026), "07-12-26");
  EXPECT_EQ(ExpandDateStamps(patterns[3], kCobolTokenFieldSize, kSeventhDecember2026), "07122026");
}

TEST(ExpandDateStamps, PlaceholdersIgnoreCaseAndLongYearComesFirst) {
  EXPECT_EQ(ExpandDateStamps("%DD/%Mm/%YYYY", 32, kSeventhDecember2026), "07/12/2026");
  EXPECT_EQ(ExpandDateStamps("%yyy", 32, kSeventhDecember2026), "26y");
  EXPECT_EQ(ExpandDateStamps("%d%m%y", 32, kSeventhDecember2026), "%d%m%y");
  EXPECT_EQ(ExpandDateStamps("%yy", 32, {2005, 1, 2}), "05");
}

TEST(ExpandDateStamps, DoubledPercentSignIsLiteral) {
  EXPECT_EQ(ExpandDateStamps("%%dd", 32, kSeventhDecember2026), "%dd");
  EXPECT_EQ(ExpandDateStamps("100%%", 32, kSeventhDecember2026), "100%");
  EXPECT_EQ(ExpandDateStamps("%%%dd", 32, kSeventhDecember2026), "%07");
  EXPECT_EQ(ExpandDateStamps("a\tb", 32, kSeventhDecember2026), "a%b");
}

TEST(ExpandDateStamps, KeepsAtMostSizeLessTwoCharacters) {
  const std::string longPattern(40, 'X');
  EXPECT_EQ(ExpandDateStamps(longPattern, kCobolTokenFieldSize, kSeventhDecember2026),
            std::string(30, 'X'));
  // The limit applies after expansion.
  EXPECT_EQ(ExpandDateStamps("%yyyy%mm", 6, kSeventhDecember2026), "2026");
  EXPECT_EQ(ExpandDateStamps("%dd", 2, kSeventhDecember2026), "");
  EXPECT_EQ(ExpandDateStamps("%dd", 0, kSeventhDecember2026), "");
}

TEST(ExpandDateStamps, TodayUsesTheLocalDate) {
  const CalendarDate today = LocalDate();
  EXPECT_GE(today.year, 2024);
  EXPECT_GE(today.month, 1);
  EXPECT_LE(today.month, 12);
  EXPECT_GE(today.day, 1);
  EXPECT_LE(today.day, 31);
  EXPECT_EQ(ExpandDateStamps("%yyyy", 32).size(), 4u);
}

}  // namespace
}  // namespace vandrel
