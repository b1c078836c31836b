#include "core/app_settings.h"

#include <gtest/gtest.h>

#include <set>

#include "support/temp_dir.h"

namespace vandrel {
namespace {

class AppSettingsTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  SettingsStore store_{dir_ / "settings.reg"};
};

TEST(AppSettingsTable, HasTheRowsInOrderWithTheirTypesAndSizes) {
  AppSettings settings;
  std::vector<SettingDescriptor> rows = settings.Table();
  ASSERT_EQ(rows.size(), 93u);
  std::set<std::string> names;
  for (const auto& row : rows) names.insert(row.name);
  EXPECT_EQ(names.size(), 93u);

  struct Expected {
    int index;
    const char* name;
    std::uint32_t type;
    std::size_t size;
  };
  for (Expected e : {Expected{0, "BackgroundColor", kStorageBytes, 4},
                     {16, "BookmarkTextColor", kStorageBytes, 4},
                     {17, "EditorFont", kStorageText, 128},
                     {18, "EditorFontSize", kStorageBytes, 4},
                     {27, "LimitArea", kStorageBytes, 4},
                     {42, "GettingStarted", kStorageBytes, 4},
                     {43, "PrintMargins", kStorageBytes, 16},
                     {45, "PrintHeader", kStorageText, 128},
                     {60, "TemplatesFolder", kStorageText, 260},
                     {63, "Cobol85Token", kStorageText, 32},
                     {70, "Select1stError", kStorageBytes, 4},
                     {87, "NLSDefaultCharSet", kStorageText, 128},
                     {88, "NLSFiles", kStorageText, 260},
                     {91, "FolderDialogHeight", kStorageBytes, 4}}) {
    const SettingDescriptor& row = rows[static_cast<std::size_t>(e.index)];
    EXPECT_EQ(row.name, e.name) << e.index;
    EXPECT_EQ(row.type, e.type) << e.name;
    EXPECT_EQ(row.size, e.size) << e.name;
  }
  int texts = 0;
  for (const auto& row : rows) texts += row.type == kStorageText;
  EXPECT_EQ(texts, 13);
}

TEST(AppSettingsTable, DefaultsAndLookup) {
  AppSettings settings;
  settings.EditorFont = "changed";
  settings.BackgroundColor = 0;
  settings.AssignDefaults();
  EXPECT_EQ(settings.BackgroundColor, Rgb(255, 255, 255));
  EXPECT_EQ(settings.CommentColor, 0x008000u);
  EXPECT_EQ(settings.Keyword4Color, 0x008080u);  // RGB(128,128,0): red lowest
  EXPECT_EQ(settings.LimitArea, Rgb(225, 225, 225));
  EXPECT_EQ(settings.EditorFont, "Courier");
  EXPECT_EQ(settings.PrintFooter, "Page &P");
  EXPECT_EQ(settings.PrintMargins, (std::array<std::int32_t, 4>{20, 20, 20, 20}));
  EXPECT_EQ(settings.FindSettings, 5);
  EXPECT_EQ(settings.VerticalDivider, 200);
  EXPECT_EQ(settings.FirstRun, 1);
  EXPECT_EQ(settings.TemplatesFolder, "");

  EXPECT_EQ(FindAppSetting("backgroundcolor"), 0);
  EXPECT_EQ(FindAppSetting("FOLDERDIALOGHEIGHT"), 91);
  EXPECT_EQ(FindAppSetting("Maximized"), -1);
  EXPECT_EQ(FindAppSetting(""), -1);
}

TEST_F(AppSettingsTest, ReadStartsFromDefaultsAndWriteStoresTheWholeTable) {
  AppSettings settings;
  settings.EditorFont = "not a default";
  EXPECT_EQ(settings.Read(store_), 0);  // no base key yet
  EXPECT_EQ(settings.EditorFont, "Courier");

  settings.BackgroundColor = Rgb(1, 2, 3);
  settings.PrintMargins = {1, -2, 300, 4};
  settings.Cobol85Token = std::string(31, 't');
  settings.ShowViewsOnStartup = 0;
  ASSERT_TRUE(settings.Write(store_));

  EXPECT_EQ(store_.ReadRaw("", "BackgroundColor")->second, (std::vector<std::uint8_t>{1, 2, 3, 0}));
  EXPECT_EQ(
      store_.ReadRaw("", "PrintMargins")->second,
      (std::vector<std::uint8_t>{1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x2C, 1, 0, 0, 4, 0, 0, 0}));
  auto font = store_.ReadRaw("", "EditorFont");
  EXPECT_EQ(font->first, kStorageText);
  EXPECT_EQ(font->second, (std::vector<std::uint8_t>{'C', 'o', 'u', 'r', 'i', 'e', 'r'}));
  auto values = store_.Values("");
  ASSERT_EQ(values.size(), 93u);
  EXPECT_EQ(values[43].name, "PrintMargins");

  AppSettings back;
  EXPECT_EQ(back.Read(store_), 93);
  for (int row = 0; row < kAppSettingCount; ++row) {
    EXPECT_EQ(FormatAppSetting(back, row), FormatAppSetting(settings, row)) << row;
  }

  // A stored text too long for its row leaves the default in place.
  ASSERT_TRUE(
      store_.WriteValue("", "Cobol85Token", kStorageText, std::vector<std::uint8_t>(32, 'x')));
  EXPECT_EQ(back.Read(store_), 92);
  EXPECT_EQ(back.Cobol85Token, "");
}

TEST(AppSettingsText, FormatsAndParsesEveryRow) {
  AppSettings settings;
  settings.TextColor = Rgb(10, 20, 30);
  settings.PrintMargins = {5, 6, 7, 8};
  EXPECT_EQ(FormatAppSetting(settings, FindAppSetting("TextColor")), "RGB(10,20,30)");
  EXPECT_EQ(FormatAppSetting(settings, FindAppSetting("PrintMargins")), "5,6,7,8");
  EXPECT_EQ(FormatAppSetting(settings, FindAppSetting("PrintHeader")), "&F");
  EXPECT_EQ(FormatAppSetting(settings, FindAppSetting("DefaultTabStops")), "4");
  settings.TextColor = 0x01000000;  // not a plain colour: shown as its number
  EXPECT_EQ(FormatAppSetting(settings, FindAppSetting("TextColor")), "16777216");

  // Whatever is printed parses back to the same value.
  AppSettings parsed;
  parsed.AssignDefaults();
  for (int row = 0; row < kAppSettingCount; ++row) {
    std::string error;
    std::string text = FormatAppSetting(settings, row);
    ASSERT_TRUE(ParseAppSetting(parsed, row, text, &error)) << row << " " << error;
  }
  for (int row = 0; row < kAppSettingCount; ++row) {
    EXPECT_EQ(FormatAppSetting(parsed, row), FormatAppSetting(settings, row)) << row;
  }

  std::string error;
  int colour = FindAppSetting("ErrorColor");
  EXPECT_TRUE(ParseAppSetting(parsed, colour, " rgb( 1 , 2 ,3 ) ", &error));
  EXPECT_EQ(parsed.ErrorColor, Rgb(1, 2, 3));
  EXPECT_TRUE(ParseAppSetting(parsed, colour, "255", &error));
  EXPECT_EQ(parsed.ErrorColor, Rgb(255, 0, 0));
}

TEST(AppSettingsText, RejectsBadValuesAndChangesNothing) {
  struct Bad {
    const char* name;
    std::string text;
  };
  for (const Bad& bad : {Bad{"ErrorColor", "RGB(256,0,0)"},
                         {"ErrorColor", "RGB(1,2)"},
                         {"ErrorColor", "RGB(1,2,3,4)"},
                         {"ErrorColor", "red"},
                         {"ErrorColor", "-1"},
                         {"ShowRuler", "2"},
                         {"ShowRuler", "yes"},
                         {"EditorFontSize", "0"},
                         {"EditorFontSize", "12pt"},
                         {"EditorFontSize", ""},
                         {"GettingStarted", "3"},
                         {"VerticalDivider", "99999999999"},
                         {"EditorFont", std::string(128, 'f')},
                         {"Cobol85Token", std::string(32, 't')},
                         {"PrintHeader", "two\nlines"},
                         {"PrintMargins", "1,2,3"},
                         {"PrintMargins", "1,2,3,4,5"},
                         {"PrintMargins", "1,2,,4"},
                         {"PrintMargins", "1,2,3,-4"}}) {
    AppSettings settings;
    int row = FindAppSetting(bad.name);
    std::string before = FormatAppSetting(settings, row);
    std::string error;
    EXPECT_FALSE(ParseAppSetting(settings, row, bad.text, &error)) << bad.name << " " << bad.text;
    EXPECT_NE(error.find(bad.name), std::string::npos) << error;
    EXPECT_EQ(FormatAppSetting(settings, row), before);
  }
  AppSettings settings;
  std::string error;
  EXPECT_TRUE(
      ParseAppSetting(settings, FindAppSetting("EditorFont"), std::string(127, 'f'), &error));
  EXPECT_TRUE(ParseAppSetting(settings, FindAppSetting("SpecialOptions"), "-1", &error));
  EXPECT_EQ(settings.SpecialOptions, -1);
  EXPECT_FALSE(ParseAppSetting(settings, 93, "1", &error));
}

TEST_F(AppSettingsTest, WindowStateAccessors) {
  std::int32_t maximized = 7;
  WindowRect rect{1, 2, 3, 4};
  EXPECT_FALSE(ReadMaximized(store_, &maximized));
  EXPECT_FALSE(ReadWindowRect(store_, &rect));
  EXPECT_EQ(maximized, 7);

  ASSERT_TRUE(WriteMaximized(store_, 1));
  ASSERT_TRUE(WriteWindowRect(store_, WindowRect{-8, 10, 1930, 1050}));
  EXPECT_TRUE(ReadMaximized(store_, &maximized));
  EXPECT_EQ(maximized, 1);
  EXPECT_EQ(store_.ReadRaw("", "Maximized")->first, kStorageNumber);
  EXPECT_TRUE(ReadWindowRect(store_, &rect));
  EXPECT_EQ(rect, (WindowRect{-8, 10, 1930, 1050}));
  EXPECT_EQ(store_.ReadRaw("", "Window")->second.size(), 16u);

  ASSERT_TRUE(store_.WriteValue("", "Window", kStorageBytes, std::vector<std::uint8_t>(12, 0)));
  EXPECT_FALSE(ReadWindowRect(store_, &rect));

  // Both live beside the table without disturbing it.
  AppSettings settings;
  ASSERT_TRUE(settings.Write(store_));
  EXPECT_TRUE(ReadMaximized(store_, &maximized));
  EXPECT_EQ(settings.Read(store_), 93);
}

}  // namespace
}  // namespace vandrel
