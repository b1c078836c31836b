#include "platform/ascii_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

namespace vandrel::platform {
namespace {

constexpr std::int64_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMax32 = std::numeric_limits<std::int32_t>::max();

std::optional<std::int64_t> Scan32(std::string_view text, std::size_t* at,
                                   bool (*skip)(char) = IsAsciiSpace) {
  const auto number = ScanDecimal(text, at, skip);
  if (!number) return std::nullopt;
  return number->Clamped(kMin32, kMax32);
}

TEST(ScanDecimal, ReadsAsScanfAndSaturatesAtEitherEnd) {
  std::size_t at = 0;
  EXPECT_EQ(Scan32(" \t\r\n+42x", &at), 42);
  EXPECT_EQ(at, 7u);
  at = 0;
  EXPECT_EQ(Scan32("-2147483648", &at), kMin32);
  at = 0;
  EXPECT_EQ(Scan32("-2147483649", &at), kMin32);
  at = 0;
  EXPECT_EQ(Scan32("99999999999999999999999999", &at), kMax32);
  EXPECT_EQ(at, 26u);
  at = 0;
  const auto huge = ScanDecimal("-99999999999999999999999999", &at);
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->Clamped(std::numeric_limits<std::int64_t>::min(),
                          std::numeric_limits<std::int64_t>::max()),
            std::numeric_limits<std::int64_t>::min());

  // No digit after the sign, or blanks a caller does not skip: nothing is
  // read and the position stays.
  for (std::string_view text : {"", "-", "+ 5", "x1", "--1"}) {
    at = 0;
    EXPECT_FALSE(Scan32(text, &at)) << text;
    EXPECT_EQ(at, 0u) << text;
  }
  at = 0;
  EXPECT_FALSE(Scan32("\n7", &at, IsAsciiBlank));
  EXPECT_FALSE(Scan32(" 7", &at, SkipNothing));
  // Reading on from a position, as a list of numbers is read.
  at = 0;
  EXPECT_EQ(Scan32("12 -3 4", &at), 12);
  EXPECT_EQ(Scan32("12 -3 4", &at), -3);
  EXPECT_EQ(Scan32("12 -3 4", &at), 4);
  EXPECT_FALSE(Scan32("12 -3 4", &at));
}

TEST(AsciiText, ClassesIgnoreTheLocale) {
  // In a Latin-1 locale the C library calls 0xA0 a space and 0xC0 a letter.
  const char* before = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = before ? before : "C";
  std::setlocale(LC_CTYPE, "C.UTF-8");
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    const char c = static_cast<char>(byte);
    EXPECT_FALSE(IsAsciiSpace(c) || IsAsciiLetterOrDigit(c) || AsciiUpper(c) != c) << byte;
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  EXPECT_EQ(TrimLine(" \tcmd arg \r\n"), "cmd arg");
  EXPECT_EQ(TrimBlanks("\r x \n"), "\r x \n");
  EXPECT_EQ(TrimAsciiSpace("\v\f x \r\n"), "x");
  EXPECT_EQ(AsciiHexValue('f'), 15);
  EXPECT_EQ(AsciiHexValue('G'), -1);
  EXPECT_TRUE(EqualsIgnoreCase("Pub.Sys", "PUB.SYS"));
}

}  // namespace
}  // namespace vandrel::platform
