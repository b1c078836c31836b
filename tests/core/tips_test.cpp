#include "core/tips.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core/app_settings.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

TipFile ThreeTips() { return TipFile::Parse("[Tips]\n1=First\n2=Second\n3=Third\n"); }

// The tips shown by `count` successive showings, starting from `next`.
std::vector<std::string> Walk(const TipFile& tips, std::int32_t& next, int count) {
  std::vector<std::string> shown;
  for (int i = 0; i < count; ++i) shown.push_back(TakeNextTip(tips, next).text);
  return shown;
}

TEST(TipsTest, NextTipNumberWalksTheListAndStartsAgainAfterTheLast) {
  const TipFile tips = ThreeTips();
  std::int32_t next = 2;
  EXPECT_EQ(Walk(tips, next, 4), (std::vector<std::string>{"Second", "Third", "First", "Second"}));
  EXPECT_EQ(next, 3);

  // A missing key shows tip 1 and leaves the number at 2, whatever it was.
  for (std::int32_t start : {4, 0, -5, 1000}) {
    next = start;
    const TipTaken taken = TakeNextTip(tips, next);
    EXPECT_TRUE(taken.found) << start;
    EXPECT_EQ(taken.number, 1) << start;
    EXPECT_EQ(taken.text, "First") << start;
    EXPECT_EQ(next, 2) << start;
  }

  // The largest number does not overflow.
  const std::int32_t largest = std::numeric_limits<std::int32_t>::max();
  const TipFile far = TipFile::Parse("[Tips]\n1=One\n" + std::to_string(largest) + "=Last\n");
  next = largest;
  EXPECT_EQ(TakeNextTip(far, next).text, "Last");
  EXPECT_EQ(next, 1);
}

TEST(TipsTest, OnlyTheTipsSectionCounts) {
  const TipFile tips =
      TipFile::Parse("[Other]\n1=Not a tip\n2=Nor this\n[tips]\n 1 = Spaced \n2=\"Quoted \"\n");
  EXPECT_EQ(tips.Tip(1), "Spaced");
  EXPECT_EQ(tips.Tip(2), "Quoted ");
  EXPECT_FALSE(tips.Tip(3).has_value());
  EXPECT_FALSE(TipFile::Parse("[Other]\n1=x\n").Tip(1).has_value());
}

TEST(TipsTest, MissingFileGivesNoTipButStillMovesTheNumber) {
  testing::TempDir dir;
  TipFile tips;
  std::string error;
  EXPECT_FALSE(tips.Load(dir / "Vandrel.tip", &error));
  EXPECT_FALSE(error.empty());
  std::int32_t next = 9;
  const TipTaken taken = TakeNextTip(tips, next);
  EXPECT_FALSE(taken.found);
  EXPECT_TRUE(taken.text.empty());
  EXPECT_EQ(next, 2);

  // A file loaded earlier is forgotten when a later load fails.
  testing::WriteBytes(dir / "good.tip", {'[', 'T', 'i', 'p', 's', ']', '\n', '1', '=', 'x', '\n'});
  ASSERT_TRUE(tips.Load(dir / "good.tip"));
  EXPECT_EQ(tips.Tip(1), "x");
  EXPECT_FALSE(tips.Load(dir / "gone.tip"));
  EXPECT_FALSE(tips.Tip(1).has_value());
  EXPECT_EQ(TipFileIn(dir.path()), dir / "Vandrel.tip");
}

TEST(TipsTest, EscapesBecomeLineBreaksAndTabs) {
  EXPECT_EQ(ExpandTipEscapes(R"(One\nTwo\tThree)"), "One\nTwo\tThree");
  EXPECT_EQ(ExpandTipEscapes(R"(\n\n)"), "\n\n");
  // Other sequences and a trailing backslash stay as written; a doubled
  // backslash is no escape of its own.
  EXPECT_EQ(ExpandTipEscapes(R"(C:\temp\x\)"), "C:\temp\\x\\");
  EXPECT_EQ(ExpandTipEscapes(R"(a\\nb)"), "a\\\nb");
  EXPECT_EQ(ThreeTips().Tip(1), "First");
  EXPECT_EQ(TipFile::Parse("[Tips]\n1=Keys:\\n\\tF2\\tnext\n").Tip(1), "Keys:\n\tF2\tnext");
}

TEST(TipsTest, ATipIsReadUpTo512BytesWithoutSplittingACharacter) {
  const std::string longTip(600, 'a');
  EXPECT_EQ(TipFile::Parse("[Tips]\n1=" + longTip + "\n").Tip(1), std::string(512, 'a'));

  // "é" takes two bytes; when the limit falls inside it, the character goes.
  const std::string straddling = std::string(511, 'b') + "\xC3\xA9" + "tail";
  EXPECT_EQ(TipFile::Parse("[Tips]\n1=" + straddling + "\n").Tip(1), std::string(511, 'b'));
  const std::string fitting = std::string(510, 'c') + "\xC3\xA9" + "tail";
  EXPECT_EQ(TipFile::Parse("[Tips]\n1=" + fitting + "\n").Tip(1),
            std::string(510, 'c') + "\xC3\xA9");

  // The limit applies to the text as written, before escapes are expanded.
  const std::string escaped = std::string(510, 'd') + R"(\nrest)";
  EXPECT_EQ(TipFile::Parse("[Tips]\n1=" + escaped + "\n").Tip(1), std::string(510, 'd') + "\n");
}

TEST(TipsTest, FirstRunRestartsTheTipsAndOffersThem) {
  AppSettings settings;
  settings.FirstRun = 1;
  settings.ShowTips = 0;
  settings.NextTipNumber = 7;
  EXPECT_TRUE(ShouldShowTipDialog(settings, false));
  EXPECT_EQ(settings.NextTipNumber, 1);
  EXPECT_EQ(settings.ShowTips, 1);

  settings.FirstRun = 0;
  settings.ShowTips = 0;
  settings.NextTipNumber = 7;
  EXPECT_FALSE(ShouldShowTipDialog(settings, false));
  EXPECT_TRUE(ShouldShowTipDialog(settings, true));  // the Help menu's command
  EXPECT_EQ(settings.NextTipNumber, 7);
  EXPECT_EQ(settings.ShowTips, 0);
  settings.ShowTips = 1;
  EXPECT_TRUE(ShouldShowTipDialog(settings, false));
}

// The tips shipped with the program: numbered from 1 without gaps (a gap
// would send the dialog back to tip 1 early), each within the limit.
TEST(TipsTest, ShippedTipFileIsComplete) {
  const fs::path shipped =
      fs::path(__FILE__).parent_path() / ".." / ".." / "data" / "tips" / std::string(kTipFileName);
  platform::IniFile ini;
  ASSERT_TRUE(ini.Load(shipped)) << shipped;
  const std::vector<std::string> keys = ini.Keys(kTipSection);
  ASSERT_GE(keys.size(), 15u);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i], std::to_string(i + 1));
    const std::optional<std::string> raw = ini.Get(kTipSection, keys[i]);
    ASSERT_TRUE(raw.has_value());
    EXPECT_LE(raw->size(), kMaxTipLength) << keys[i];
    EXPECT_FALSE(raw->empty()) << keys[i];
  }
}

}  // namespace
}  // namespace vandrel
