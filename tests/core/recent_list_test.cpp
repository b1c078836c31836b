#include "core/recent_list.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vandrel {
namespace {

class RecentListTest : public ::testing::Test {
 protected:
  std::vector<std::string> Entries(std::string_view list = kRecentFiles) {
    std::vector<std::string> entries;
    for (int i = 1; i <= 12; ++i) {
      std::string entry;
      entries.push_back(RecentListEntry(store_, list, i, &entry) ? entry : "-");
    }
    while (!entries.empty() && entries.back() == "-") entries.pop_back();
    return entries;
  }
  void Fill(int count, std::string_view list = kRecentFiles) {
    for (int i = count; i >= 1; --i)
      ASSERT_TRUE(RecentListAdd(store_, list, "e" + std::to_string(i)));
  }

  testing::TempDir dir_;
  SettingsStore store_{dir_ / "settings.reg"};
};

using Strings = std::vector<std::string>;

TEST_F(RecentListTest, AddPutsTheEntryFirstAndKeepsTen) {
  ASSERT_TRUE(RecentListAdd(store_, kRecentFiles, "A:/one"));
  EXPECT_EQ(Entries(), (Strings{"A:/one"}));
  EXPECT_TRUE(store_.ReadRaw("Software\\Zorvant Technology\\Vandrel\\Recent Files", "File1"));

  Fill(10);
  EXPECT_EQ(Entries(), (Strings{"e1", "e2", "e3", "e4", "e5", "e6", "e7", "e8", "e9", "e10"}));
  // An entry already at position 5 moves to the front; the others keep their order.
  ASSERT_TRUE(RecentListAdd(store_, kRecentFiles, "e5"));
  EXPECT_EQ(Entries(), (Strings{"e5", "e1", "e2", "e3", "e4", "e6", "e7", "e8", "e9", "e10"}));
  // A new entry pushes the tenth out; the comparison is exact.
  ASSERT_TRUE(RecentListAdd(store_, kRecentFiles, "E6"));
  EXPECT_EQ(Entries(), (Strings{"E6", "e5", "e1", "e2", "e3", "e4", "e6", "e7", "e8", "e9"}));
  // The lists are separate.
  EXPECT_EQ(Entries(kRecentProjects), Strings{});
}

TEST_F(RecentListTest, PositionsBeyondTheTenthAreNeverTouched) {
  Fill(10);
  ASSERT_TRUE(store_.WriteValue(kRecentFiles, "File11", kStorageText,
                                std::vector<std::uint8_t>{'o', 'l', 'd'}));
  ASSERT_TRUE(RecentListAdd(store_, kRecentFiles, "new"));
  EXPECT_EQ(Entries().size(), 11u);
  EXPECT_EQ(Entries()[10], "old");
}

TEST_F(RecentListTest, GapsAndUnreadableValuesCloseUp) {
  auto put = [&](const char* name, std::string_view text, std::uint32_t type = kStorageText) {
    ASSERT_TRUE(store_.WriteValue(kRecentFiles, name, type,
                                  std::vector<std::uint8_t>(text.begin(), text.end())));
  };
  put("File1", "a");
  put("File3", "c");
  put("File4", std::string(300, 'x'));  // too long for an entry
  put("File5", "e", kStorageBytes);     // not a text
  put("File6", "f");
  ASSERT_TRUE(RecentListAdd(store_, kRecentFiles, "new"));
  EXPECT_EQ(Entries(), (Strings{"new", "a", "c", "f"}));

  EXPECT_FALSE(RecentListAdd(store_, kRecentFiles, ""));
  EXPECT_FALSE(RecentListAdd(store_, kRecentFiles, std::string(260, 'p')));
  EXPECT_TRUE(RecentListAdd(store_, kRecentFiles, std::string(259, 'p')));
  std::string entry;
  EXPECT_TRUE(RecentListEntry(store_, kRecentFiles, 1, &entry));
  EXPECT_EQ(entry.size(), 259u);
  EXPECT_FALSE(RecentListEntry(store_, kRecentFiles, 0, &entry));
}

TEST_F(RecentListTest, MenuShowsFourEntriesAndRebuildsCleanly) {
  constexpr int first = kRecentFilesCommandBase + 1;
  MenuModel popup;
  popup.Append(MenuEntry::Item("&Open", 100));
  popup.Append(MenuEntry::Item("&Close", 101));
  popup.Append(MenuEntry::Item("E&xit", 102));

  EXPECT_EQ(RecentListMenu(store_, kRecentFiles, popup, 2, first), 0);
  EXPECT_EQ(popup.Size(), 3u);  // nothing to show: no separator either

  Fill(6);
  for (int rebuild = 0; rebuild < 3; ++rebuild) {
    EXPECT_EQ(RecentListMenu(store_, kRecentFiles, popup, 2, first), 4);
    std::vector<MenuEntry> expected{
        MenuEntry::Item("&Open", 100),       MenuEntry::Item("&Close", 101),
        MenuEntry::Separator(first + 4),     MenuEntry::Item("&1 e1", first),
        MenuEntry::Item("&2 e2", first + 1), MenuEntry::Item("&3 e3", first + 2),
        MenuEntry::Item("&4 e4", first + 3), MenuEntry::Item("E&xit", 102)};
    EXPECT_EQ(popup.Entries(), expected) << "rebuild " << rebuild;
  }

  // At position 0 no separator is needed; a shorter list shrinks the menu.
  MenuModel top;
  ASSERT_TRUE(store_.DeleteKey(kRecentFiles));
  ASSERT_TRUE(RecentListAdd(store_, kRecentFiles, "only"));
  EXPECT_EQ(RecentListMenu(store_, kRecentFiles, top, 0, first), 1);
  EXPECT_EQ(top.Entries(), (std::vector<MenuEntry>{MenuEntry::Item("&1 only", first)}));
  EXPECT_EQ(RecentListMenu(store_, kRecentFiles, popup, 2, first), 1);
  EXPECT_EQ(popup.Size(), 5u);
}

TEST(RecentCommand, MapsCommandIdsToListsAndPositions) {
  EXPECT_EQ(RecentCommand(10501), (RecentCommandTarget{kRecentProjects, 1}));
  EXPECT_EQ(RecentCommand(10604), (RecentCommandTarget{kRecentFiles, 4}));
  EXPECT_EQ(RecentCommand(10799), (RecentCommandTarget{kRecentLocalFiles, 99}));
  EXPECT_EQ(RecentCommand(10500), std::nullopt);
  EXPECT_EQ(RecentCommand(10499), std::nullopt);
  EXPECT_EQ(RecentCommand(10800), std::nullopt);
}

TEST(MenuModel, RemovesAnInclusiveRangeAndInsertsAtPositions) {
  MenuModel menu;
  for (int id : {1, 5, 6, 10, 11}) menu.Append(MenuEntry::Item("x", id));
  menu.Insert(1, MenuEntry::Separator());
  menu.Insert(-1, MenuEntry::Item("end", 12));
  menu.Insert(100, MenuEntry::Item("end2", 13));
  EXPECT_EQ(menu.RemoveCommandRange(5, 10), 3);
  std::vector<int> ids;
  for (const MenuEntry& e : menu.Entries()) ids.push_back(e.commandId);
  EXPECT_EQ(ids, (std::vector<int>{1, 0, 11, 12, 13}));
  menu.SetEnabled(11, false);
  EXPECT_FALSE(menu.Entries()[static_cast<std::size_t>(menu.IndexOf(11))].enabled);
  EXPECT_EQ(menu.IndexOf(99), -1);
}

}  // namespace
}  // namespace vandrel
