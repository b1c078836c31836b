#include "templates/options_rules.h"

#include <gtest/gtest.h>

namespace vandrel {
namespace {

TEST(OptionsRules, ClampsTagExampleAndFolders) {
  EXPECT_EQ(StoredTabStops(1), 4);
  EXPECT_EQ(StoredTabStops(17), 4);
  EXPECT_EQ(StoredTabStops(2), 2);
  EXPECT_EQ(StoredTabStops(16), 16);
  EXPECT_EQ(StoredFontSize(100), 10);
  EXPECT_EQ(StoredFontSize(5), 10);
  EXPECT_EQ(StoredFontSize(72), 72);

  const CalendarDate date{2026, 12, 9};
  EXPECT_EQ(TagExample("", date), "n/a");
  EXPECT_EQ(TagExample("GS%yy%mm%dd", date), "GS261209");
  EXPECT_EQ(TagExample("%dd%mm%yyyy", date), "09122026");
  EXPECT_EQ(TagExample("%dd-%mm-%yyyy", date), "09-12-20*");

  EXPECT_EQ(ShownFolder(""), "(none)");
  EXPECT_EQ(StoredFolder("(none)"), "");
  EXPECT_EQ(StoredFolder("/opt/templates"), "/opt/templates");

  EXPECT_EQ(CacheSizeLabel(0), "(none)");
  EXPECT_EQ(CacheSizeLabel(250), "250 K");
  EXPECT_EQ(CacheSizeLabel(1000), "1 MB");
  EXPECT_TRUE(ReloadLastProject(GettingStartedFor(true)));
  EXPECT_EQ(GettingStartedFor(false), 0);
}

TEST(OptionsRules, ColoursAndCategories) {
  ASSERT_EQ(NamedColours().size(), 17u);
  EXPECT_EQ(ColourChoiceIndex(Rgb(0, 0, 0)), 0);
  EXPECT_EQ(ColourChoiceIndex(Rgb(225, 225, 225)), 16);
  EXPECT_EQ(ColourChoiceIndex(kAutomaticColour), 17);
  EXPECT_EQ(ColourChoiceIndex(Rgb(1, 2, 3)), -1);

  AppSettings settings;
  const auto categories = DisplayCategories();
  ASSERT_EQ(categories.size(), 15u);
  EXPECT_EQ(categories[1].name, "Comment");
  EXPECT_EQ(BackgroundOf(settings, categories[1]), settings.BackgroundColor);
  EXPECT_EQ(categories[13].name, "Text Exceeding Line Lengh");
  EXPECT_EQ(ForegroundOf(settings, categories[13]), settings.TextColor);
  EXPECT_EQ(BackgroundOf(settings, categories[13]), settings.LimitArea);
  EXPECT_EQ(ForegroundOf(settings, categories[14]), settings.TerminalTextColor);
}

}  // namespace
}  // namespace vandrel
