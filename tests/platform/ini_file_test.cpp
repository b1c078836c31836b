#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vandrel::platform {
namespace {

TEST(IniFile, LooksUpLikeTheProfileFunctions) {
  IniFile ini = IniFile::Parse(
      "; a comment\r\n"
      "top=before any section\n"
      "[Codes]\n"
      "  Alpha =  one  \r\n"
      "alpha=second copy\n"
      "Quoted=\"  spaced  \"\n"
      "Single='x'\n"
      "Half=\"open\n"
      "Empty=\n"
      "# note=ignored\n"
      "no equals sign\n"
      "Path=a=b\n"
      "[ codes ]\n"
      "Beta=from the second header\n"
      "[Other]\n"
      "Alpha=other");
  EXPECT_EQ(ini.Get("codes", "ALPHA"), "one");
  EXPECT_EQ(ini.Get("Codes", "Quoted"), "  spaced  ");
  EXPECT_EQ(ini.Get("Codes", "Single"), "x");
  EXPECT_EQ(ini.Get("Codes", "Half"), "\"open");
  EXPECT_EQ(ini.Get("Codes", "Empty"), "");
  EXPECT_EQ(ini.Get("Codes", "Path"), "a=b");
  EXPECT_EQ(ini.Get("Codes", "# note"), std::nullopt);
  EXPECT_EQ(ini.Get("Codes", "no equals sign"), std::nullopt);
  // The first matching section is the one consulted.
  EXPECT_EQ(ini.Get("Codes", "Beta"), std::nullopt);
  EXPECT_EQ(ini.Get("Other", "alpha"), "other");
  EXPECT_EQ(ini.Get("Missing", "Alpha"), std::nullopt);
  EXPECT_EQ(ini.Get("", "top"), std::nullopt);
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Codes", "Other"}));
  EXPECT_EQ(ini.Keys("codes"),
            (std::vector<std::string>{"Alpha", "Quoted", "Single", "Half", "Empty", "Path"}));
}

TEST(IniFile, SettingKeepsEveryOtherLine) {
  testing::TempDir dir;
  const std::string original = "; keep me\n[Main]\nName=old\n\n[Second]\n; inner comment\nX=1\n";
  IniFile ini = IniFile::Parse(original);
  EXPECT_TRUE(ini.Set("main", "NAME", "new"));
  EXPECT_TRUE(ini.Set("Main", "Added", " padded "));
  EXPECT_TRUE(ini.Set("Third", "Y", "2"));
  EXPECT_FALSE(ini.Set("Main", "Bad", "two\nlines"));
  EXPECT_FALSE(ini.Set("Main", "a=b", "x"));
  EXPECT_FALSE(ini.Set("Main", ";comment", "x"));
  EXPECT_EQ(ini.Serialize(),
            "; keep me\n[Main]\nName=new\nAdded=\" padded \"\n\n[Second]\n; inner comment\nX=1\n"
            "[Third]\nY=2\n");
  ASSERT_TRUE(ini.Save(dir / "t.ini"));
  IniFile back;
  ASSERT_TRUE(back.Load(dir / "t.ini"));
  EXPECT_EQ(back.Get("main", "added"), " padded ");
  EXPECT_TRUE(back.Remove("Second", "x"));
  EXPECT_EQ(back.Get("Second", "X"), std::nullopt);

  IniFile missing;
  std::string error;
  EXPECT_FALSE(missing.Load(dir / "none.ini", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(missing.Load(dir / "none.ini", nullptr, true));
}

}  // namespace
}  // namespace vandrel::platform
