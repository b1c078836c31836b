#include "documents/character_maps.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ini_file.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

CharacterTable TableOf(std::initializer_list<std::pair<int, int>> entries) {
  CharacterTable table{};
  for (auto [from, to] : entries)
    table[static_cast<std::size_t>(from)] = static_cast<std::uint8_t>(to);
  return table;
}

TEST(CharacterMapsTest, LoadsEveryFileNamingDuplicatesAndSkippingEmptyMaps) {
  TempDir dir;
  WriteTextFile(dir / "a.nls",
                "[German]\n123=228\n228=123\n[Only zero]\n0=65\n[Bad]\n300=1\n7=x\n");
  WriteTextFile(dir / "b.NLS", "; second copy\n[german]\n124=246\n[Swedish]\n93=229\n");
  WriteTextFile(dir / "notes.txt", "[Ignored]\n65=66\n");

  CharacterMaps maps;
  EXPECT_EQ(maps.Load(dir.path()), 3u);
  EXPECT_EQ(maps.Names(), (std::vector<std::string>{"German", "german(1)", "Swedish"}));
  EXPECT_EQ(maps.Find("GERMAN"), TableOf({{123, 228}, {228, 123}}));
  EXPECT_EQ(maps.Find("German(1)"), TableOf({{124, 246}}));
  EXPECT_EQ(maps.FindMap("german(1)")->sectionName, "german");
  EXPECT_FALSE(maps.Find("Only zero"));
  EXPECT_FALSE(maps.Find("Bad"));

  // A second load starts afresh.
  std::filesystem::remove(dir / "b.NLS");
  EXPECT_EQ(maps.Load(dir.path()), 1u);
}

TEST(CharacterMapsTest, SavedMapsReadBackAndRenamesReplaceTheirSection) {
  TempDir dir;
  WriteTextFile(dir / "nordic.nls", "; kept\n[Danish]\n91=198\n[Norwegian]\n92=216\n");
  CharacterMaps maps;
  maps.Load(dir.path());

  // A new map goes into default.nls with its non-zero entries only.
  std::string error;
  ASSERT_TRUE(maps.Save(std::nullopt, "German", TableOf({{123, 228}, {228, 123}}), &error))
      << error;
  EXPECT_EQ(ReadTextFile(dir / "default.nls"), "[German]\n123=228\n228=123\n");

  // Renaming keeps the map in its file, under its new name only.
  ASSERT_TRUE(maps.Save("danish", "Dansk", TableOf({{91, 198}, {93, 197}}), &error)) << error;
  EXPECT_EQ(ReadTextFile(dir / "nordic.nls"),
            "; kept\n[Norwegian]\n92=216\n[Dansk]\n91=198\n93=197\n");

  // Another map's name, in any case, is refused and nothing changes.
  EXPECT_FALSE(maps.Save("Dansk", "NORWEGIAN", TableOf({{1, 2}}), &error));
  EXPECT_NE(error.find("already exists"), std::string::npos) << error;
  EXPECT_FALSE(maps.Save(std::nullopt, "german", TableOf({{1, 2}}), &error));
  EXPECT_FALSE(maps.Save(std::nullopt, "", TableOf({{1, 2}}), &error));

  CharacterMaps again;
  again.Load(dir.path());
  EXPECT_EQ(again.Names(), (std::vector<std::string>{"German", "Norwegian", "Dansk"}));
  EXPECT_EQ(again.Find("Dansk"), TableOf({{91, 198}, {93, 197}}));
  EXPECT_EQ(again.Find("German"), maps.Find("German"));

  ASSERT_TRUE(again.Delete("norwegian", &error)) << error;
  EXPECT_FALSE(again.Find("Norwegian"));
  EXPECT_EQ(ReadTextFile(dir / "nordic.nls"), "; kept\n[Dansk]\n91=198\n93=197\n");
  EXPECT_FALSE(again.Delete("Norwegian", &error));
}

TEST(CharacterMapsTest, TheEntrysSettingWinsOverTheDefault) {
  TempDir dir;
  WriteTextFile(dir / "maps.nls", "[German]\n123=228\n[French]\n64=224\n");
  CharacterMaps maps;
  maps.Load(dir.path());

  // No entry overrides: the default decides; "(none)" or nothing: no translation.
  EXPECT_EQ(ChosenCharacterTable(maps, std::nullopt, "french"), maps.Find("French"));
  EXPECT_FALSE(ChosenCharacterTable(maps, std::nullopt, "(none)"));
  EXPECT_FALSE(ChosenCharacterTable(maps, std::nullopt, ""));
  // The entry (or its folder) overrides, also with "no translation".
  EXPECT_EQ(ChosenCharacterTable(maps, std::string("German"), "French"), maps.Find("German"));
  EXPECT_FALSE(ChosenCharacterTable(maps, std::string("(None)"), "French"));
  EXPECT_FALSE(ChosenCharacterTable(maps, std::string(), "French"));
  // A map that is gone translates nothing.
  EXPECT_FALSE(ChosenCharacterTable(maps, std::string("Swedish"), "French"));
  EXPECT_EQ(ChosenCharacterMapName(std::string("Swedish"), "French"), "Swedish");
}

// Maps never loaded from a folder have nowhere to put a new map: it is
// refused instead of being written beside wherever the program runs.
TEST(CharacterMapsTest, ANewMapNeedsTheMapsFolder) {
  CharacterMaps maps;
  std::string error;
  EXPECT_FALSE(maps.Save(std::nullopt, "Swiss", CharacterTable{}, &error));
  EXPECT_NE(error.find("Native Language Files"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists("default.nls"));
}

}  // namespace
}  // namespace vandrel
