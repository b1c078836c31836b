#include "core/wildcard.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::TempDir;

TEST(WildcardMatch, WithoutFlagsStarAndQuestionMarkTakeAnyCharacter) {
  EXPECT_TRUE(WildcardMatch("*.c", "prog.c"));
  EXPECT_TRUE(WildcardMatch("*.c", "/home/user/src/prog.c"));
  EXPECT_TRUE(WildcardMatch("*.c", "C:\\src\\prog.c"));
  EXPECT_TRUE(WildcardMatch("*.c", ".c"));  // a leading '.' is ordinary
  EXPECT_TRUE(WildcardMatch("?prog.c", "/prog.c"));
  EXPECT_TRUE(WildcardMatch("*", ""));
  EXPECT_TRUE(WildcardMatch("", ""));
  EXPECT_TRUE(WildcardMatch("a*b*c", "aXXbYYbc"));
  EXPECT_TRUE(WildcardMatch("**x", "x"));

  EXPECT_FALSE(WildcardMatch("*.c", "prog.cpp"));
  EXPECT_FALSE(WildcardMatch("*.c", "PROG.C"));  // case matters without the flag
  EXPECT_FALSE(WildcardMatch("?", ""));
  EXPECT_FALSE(WildcardMatch("", "a"));
  EXPECT_FALSE(WildcardMatch("a*b*c", "aXXbYYbcd"));
}

TEST(WildcardMatch, FlagsRestrictSeparatorsAndLeadingPeriodsAndFoldCase) {
  EXPECT_FALSE(WildcardMatch("*.c", "src/prog.c", kWildcardPathName));
  EXPECT_FALSE(WildcardMatch("*.c", "src\\prog.c", kWildcardPathName));
  EXPECT_TRUE(WildcardMatch("*/*.c", "src/prog.c", kWildcardPathName));
  EXPECT_FALSE(WildcardMatch("src?prog.c", "src/prog.c", kWildcardPathName));

  EXPECT_FALSE(WildcardMatch("*rc", ".vandrelrc", kWildcardPeriod));
  EXPECT_TRUE(WildcardMatch(".*rc", ".vandrelrc", kWildcardPeriod));
  EXPECT_TRUE(WildcardMatch("a*", "a.b", kWildcardPeriod));
  EXPECT_FALSE(WildcardMatch("*/*", "a/.b", kWildcardPeriod | kWildcardPathName));
  EXPECT_TRUE(WildcardMatch("*/*", "a/.b", kWildcardPeriod));

  EXPECT_TRUE(WildcardMatch("*.VDT", "payroll.vdt", kWildcardIgnoreCase));
  EXPECT_TRUE(WildcardMatch("*.vdt", "PAYROLL.VdT", kWildcardIgnoreCase));
}

// The matcher against the C library's, over random patterns and texts built
// from a small alphabet that makes stars, separators and periods collide.
TEST(WildcardMatch, AgreesWithTheSystemMatcher) {
  std::mt19937 random(20240611);
  const std::string patternAlphabet = "ab./*?";
  const std::string textAlphabet = "abB./";
  auto make = [&](const std::string& alphabet, int maxLength) {
    std::string s(random() % (maxLength + 1), ' ');
    for (char& c : s) c = alphabet[random() % alphabet.size()];
    return s;
  };
  const std::pair<unsigned, int> flagSets[] = {
      {kWildcardNone, 0},
      {kWildcardPathName, FNM_PATHNAME},
      {kWildcardPeriod, FNM_PERIOD},
      {kWildcardPathName | kWildcardPeriod, FNM_PATHNAME | FNM_PERIOD},
      {kWildcardIgnoreCase, FNM_CASEFOLD},
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string pattern = make(patternAlphabet, 7);
    const std::string text = make(textAlphabet, 8);
    for (const auto& [ours, system] : flagSets) {
      const bool expected = fnmatch(pattern.c_str(), text.c_str(), system | FNM_NOESCAPE) == 0;
      ASSERT_EQ(WildcardMatch(pattern, text, ours), expected)
          << "pattern '" << pattern << "' text '" << text << "' flags " << ours;
    }
  }
}

TEST(WildcardMatch, ManyStarsAgainstALongTextStayFast) {
  // Matching takes time linear in the text: milliseconds here, even under a
  // sanitizer. A matcher that backtracks over every star has more than 10^40
  // ways to place them and never returns (the test runner's timeout ends
  // it); one quadratic in the text takes 10^12 steps, far beyond the bound.
  // The bound itself is far above the linear time, so a loaded machine does
  // not reach it.
  const std::string text(1000000, 'a');
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*b", text));
  EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*a*a*a*", text));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(ListMatchingFiles, ListsMatchingRegularFilesInByteOrder) {
  TempDir dir;
  for (const char* name : {"b.vdt", "A.vdt", "a.VDT", "notes.txt", ".vdt"}) {
    testing::WriteBytes(dir / name, {'x'});
  }
  std::filesystem::create_directory(dir / "folder.vdt");

  EXPECT_EQ(ListMatchingFiles(dir.path().string(), "*.vdt"),
            (std::vector<std::string>{".vdt", "A.vdt", "b.vdt"}));
  EXPECT_EQ(ListMatchingFiles(dir.path().string(), "*.vdt", kWildcardIgnoreCase),
            (std::vector<std::string>{".vdt", "A.vdt", "a.VDT", "b.vdt"}));
  EXPECT_TRUE(ListMatchingFiles((dir / "missing").string(), "*").empty());
}

TEST(JoinFolderPath, AddsASeparatorOnlyWhenNeeded) {
  EXPECT_EQ(JoinFolderPath("/usr/share/vandrel", "c.vdt"), "/usr/share/vandrel/c.vdt");
  EXPECT_EQ(JoinFolderPath("/usr/share/vandrel/", "c.vdt"), "/usr/share/vandrel/c.vdt");
  EXPECT_EQ(JoinFolderPath("C:\\Vandrel\\", "c.vdt"), "C:\\Vandrel\\c.vdt");
  EXPECT_EQ(JoinFolderPath("", "c.vdt"), "c.vdt");
}

}  // namespace
}  // namespace vandrel
