#include "templates/keyword_list.h"

#include <gtest/gtest.h>

#include <map>

#include "core/text_window.h"

namespace vandrel {
namespace {

using Words = std::vector<std::string>;

KeywordList Parsed(std::string_view text, bool keepEmpty = false) {
  KeywordList list;
  EXPECT_TRUE(list.Parse(text, '\n', keepEmpty));
  return list;
}

class FakeDialog : public DialogItems {
 public:
  std::string ItemText(int id) const override {
    auto it = items.find(id);
    return it == items.end() ? std::string() : it->second;
  }
  void SetItemText(int id, std::string_view text) override { items[id] = std::string(text); }
  std::map<int, std::string> items;
};

TEST(KeywordListParse, SeparatorRules) {
  KeywordList two = Parsed("ADD\nMOVE");
  EXPECT_EQ(two.Keywords(), (Words{"ADD", "MOVE"}));
  EXPECT_EQ(two.Size(), 9u);
  EXPECT_EQ(std::string(two.Block().begin(), two.Block().end()), std::string("ADD\0MOVE\0", 9));

  // A pair of separators acts as one; the block keeps the text's size.
  KeywordList pair = Parsed("ADD\n\nMOVE");
  EXPECT_EQ(pair.Count(), 2u);
  EXPECT_EQ(pair.Keywords(), (Words{"ADD", "MOVE"}));
  EXPECT_EQ(pair.Size(), 10u);

  // A run of three still leaves one empty keyword.
  EXPECT_EQ(Parsed("A\n\n\nB").Keywords(), (Words{"A", "", "B"}));
  // A trailing separator gives an empty last keyword.
  EXPECT_EQ(Parsed("A\n").Keywords(), (Words{"A", ""}));
  EXPECT_EQ(Parsed("A\n\n").Keywords(), (Words{"A", ""}));
  // Keeping empties splits at every separator.
  EXPECT_EQ(Parsed("A\n\nB", true).Keywords(), (Words{"A", "", "B"}));
  // A zero byte ends the text.
  EXPECT_EQ(Parsed(std::string_view("A\nB\0C", 5)).Keywords(), (Words{"A", "B"}));
}

TEST(KeywordListParse, EmptyTextGivesEmptyList) {
  KeywordList list = Parsed("X\nY");
  EXPECT_TRUE(list.Parse("", '\n', false));
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.Size(), 0u);
  EXPECT_EQ(list.Join(16384, '\n'), "");
}

TEST(KeywordListJoin, RestoresSeparatorsWithinCapacity) {
  EXPECT_EQ(Parsed("ADD\nMOVE\nCOPY").Join(16384, '\n'), "ADD\nMOVE\nCOPY");
  EXPECT_EQ(Parsed("ADD\n\nMOVE").Join(16384, '\n'), "ADD\nMOVE");
  EXPECT_EQ(Parsed("A\n").Join(16384, ','), "A,");
  // Only `capacity` bytes of the block are taken.
  EXPECT_EQ(Parsed("ADD\nMOVE").Join(6, '\n'), "ADD\nMO");
}

TEST(KeywordListCompare, CountSizeAndBytesCount) {
  KeywordList a = Parsed("ADD\nMOVE");
  KeywordList b;
  b.CopyFrom(a);
  EXPECT_FALSE(a.Differs(b));
  EXPECT_EQ(b.Keywords(), a.Keywords());
  // Same keywords, but the doubled separator left a larger block.
  EXPECT_TRUE(a.Differs(Parsed("ADD\n\nMOVE")));
  EXPECT_TRUE(a.Differs(Parsed("ADD\nMOVX")));
  EXPECT_TRUE(a.Differs(KeywordList()));
}

TEST(KeywordListEdit, ShowsLinesAndReadsNonEmptyLinesBack) {
  FakeDialog dialog;
  Parsed("ADD\nMOVE\nCOPY").ShowInEdit(dialog, 7);
  EXPECT_EQ(dialog.items[7], "ADD\r\nMOVE\r\nCOPY");

  const std::string longWord(200, 'K');
  dialog.items[8] = "ONE\r\n\r\nTWO\n\nTHREE\r" + longWord + "\r\n";
  KeywordList read;
  read.ReadFromEdit(dialog, 8);
  EXPECT_EQ(read.Keywords(), (Words{"ONE", "TWO", "THREE", std::string(127, 'K')}));
  // The same keywords parsed from their joined text give an equal list.
  EXPECT_FALSE(read.Differs(Parsed(read.Join(16384, '\n'))));

  KeywordList empty = Parsed("X");
  empty.ReadFromEdit(dialog, 99);
  EXPECT_EQ(empty.Count(), 0u);
  EXPECT_EQ(empty.Size(), 0u);
}

}  // namespace
}  // namespace vandrel
