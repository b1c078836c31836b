#include "documents/date_stamps.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

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

// Sets the process's time zone for as long as it lives.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~TimeZone() {
    if (saved_) {
      ::setenv("TZ", saved_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> saved_;
};

// The calendar date `offset` from now in universal time.
CalendarDate UniversalDate(std::chrono::hours offset) {
  const std::time_t at = std::time(nullptr) + offset.count() * 3600;
  std::tm tm{};
  ::gmtime_r(&at, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

bool operator==(const CalendarDate& a, const CalendarDate& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

TEST(ExpandDateStamps, TodayUsesTheLocalDate) {
  // A zone thirteen hours east of universal time after noon, thirteen hours
  // west before: its date is not the universal date for at least another
  // hour, so a date taken in universal time shows.
  const std::time_t now = std::time(nullptr);
  std::tm universal{};
  ::gmtime_r(&now, &universal);
  const bool afternoon = universal.tm_hour >= 12;
  const TimeZone zone(afternoon ? "UTC-13" : "UTC+13");  // POSIX counts hours west
  const std::chrono::hours offset(afternoon ? 13 : -13);

  const CalendarDate before = UniversalDate(offset);
  const CalendarDate today = LocalDate();
  const std::string stamp = ExpandDateStamps("%yyyy-%mm-%dd", 32);
  const CalendarDate after = UniversalDate(offset);
  ASSERT_FALSE(before == UniversalDate(std::chrono::hours(0)));
  // The zone's midnight may fall between the readings.
  EXPECT_TRUE(today == before || today == after)
      << today.year << "-" << today.month << "-" << today.day;
  const auto text = [](const CalendarDate& d) {
    return fmt::format("{:04d}-{:02d}-{:02d}", d.year, d.month, d.day);
  };
  EXPECT_TRUE(stamp == text(before) || stamp == text(after)) << stamp;
}

}  // namespace
}  // namespace vandrel
