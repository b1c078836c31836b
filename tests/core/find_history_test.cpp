#include "core/find_history.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vandrel {
namespace {

using Strings = std::vector<std::string>;

TEST(FindHistory, SavingPutsTheCurrentTextFirstAndKeepsFifteenOfTheList) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  Strings twenty;
  for (int i = 1; i <= 20; ++i) twenty.push_back("e" + std::to_string(i));
  ASSERT_TRUE(SaveHistory(store, kFindHistory, "new", twenty));
  Strings expected{"new"};
  expected.insert(expected.end(), twenty.begin(), twenty.begin() + 15);
  EXPECT_EQ(LoadHistory(store, kFindHistory), expected);
  EXPECT_TRUE(store.ReadRaw("Software\\Zorvant Technology\\Vandrel\\Find History", "15"));

  // The newest entry, already first, is neither repeated nor moved down (it
  // is one of the fifteen list entries taken, so the oldest one goes); one
  // further down moves to the front.
  Strings box = LoadHistory(store, kFindHistory);
  ASSERT_TRUE(SaveHistory(store, kFindHistory, "new", box));
  expected.pop_back();
  EXPECT_EQ(LoadHistory(store, kFindHistory), expected);
  box = LoadHistory(store, kFindHistory);
  ASSERT_TRUE(SaveHistory(store, kFindHistory, "e3", box));
  const Strings loaded = LoadHistory(store, kFindHistory);
  EXPECT_EQ(loaded.front(), "e3");
  EXPECT_EQ(std::count(loaded.begin(), loaded.end(), "e3"), 1);
  EXPECT_EQ(loaded.size(), 15u);  // 15 of the list were taken, one of them the current text

  // An empty box writes the list alone; histories are kept apart.
  ASSERT_TRUE(SaveHistory(store, kReplaceHistory, "", Strings{"a", "b"}));
  EXPECT_EQ(LoadHistory(store, kReplaceHistory), (Strings{"a", "b"}));
  EXPECT_EQ(LoadHistory(store, kWildcardHistory), Strings{});
}

TEST(FindHistory, LoadingStopsAtAGapAndSkipsNothingLongerThanABoxHolds) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  auto write = [&](const std::string& name, const std::string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    ASSERT_TRUE(store.WriteValue(kFolderHistory, name, kStorageText,
                                 std::span<const std::uint8_t>(bytes, text.size())));
  };
  write("0", "/src");
  write("1", "/usr");
  write("3", "/after-gap");
  EXPECT_EQ(LoadHistory(store, kFolderHistory), (Strings{"/src", "/usr"}));
  write("2", std::string(300, 'x'));
  EXPECT_EQ(LoadHistory(store, kFolderHistory), (Strings{"/src", "/usr"}));
}

}  // namespace
}  // namespace vandrel
