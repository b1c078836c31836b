#include "core/co_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>

namespace vandrel {
namespace {

using namespace std::string_literals;

TEST(CoStringTest, CreateIsExactAndTerminated) {
  coString none;
  EXPECT_EQ(none.Text(), nullptr);
  EXPECT_EQ(none.Capacity(), 0);
  EXPECT_STREQ(none.c_str(), "");

  coString s("hello");
  EXPECT_EQ(s.Length(), 5);
  EXPECT_EQ(s.Capacity(), 6);
  EXPECT_STREQ(s.Text(), "hello");

  coString blank("");
  ASSERT_NE(blank.Text(), nullptr);
  EXPECT_EQ(blank.Length(), 0);
  EXPECT_EQ(blank.Capacity(), 1);
  EXPECT_EQ(blank.Text()[0], '\0');
}

TEST(CoStringTest, ClearAndAllocate) {
  coString s("text");
  s.Allocate(10);
  EXPECT_EQ(s.Length(), 10);
  EXPECT_EQ(s.Capacity(), 11);
  EXPECT_EQ(s.Text()[10], '\0');
  std::memcpy(s.Buffer(), "0123456789", 10);
  EXPECT_STREQ(s.Text(), "0123456789");
  s.Clear();
  EXPECT_EQ(s.Text(), nullptr);
  EXPECT_EQ(s.Length(), 0);
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(CoStringTest, AssignReusesBufferThatFitsAndGrowsExactlyOtherwise) {
  coString s("a longer text");
  const char* buffer = s.Text();
  s.Assign("short");
  EXPECT_EQ(s.Text(), buffer);
  EXPECT_EQ(s.Length(), 5);
  EXPECT_EQ(s.Capacity(), 14);
  EXPECT_STREQ(s.Text(), "short");

  s.Assign("a text that is longer still");
  EXPECT_EQ(s.Length(), 27);
  EXPECT_EQ(s.Capacity(), 28);
  EXPECT_STREQ(s.Text(), "a text that is longer still");

  s.Assign("prefix only", 6);
  EXPECT_EQ(s.View(), "prefix");
  EXPECT_EQ(s.Text()[6], '\0');

  s.Assign("a\0b", 3);  // an explicit length keeps zero bytes
  EXPECT_EQ(s.View(), "a\0b"s);
}

TEST(CoStringTest, AssignOfNothingClears) {
  coString s("text");
  s.Assign("ignored", 0);
  EXPECT_EQ(s.Text(), nullptr);
  EXPECT_EQ(s.Capacity(), 0);

  s.Assign("text");
  s.Assign(static_cast<const char*>(nullptr));
  EXPECT_EQ(s.Text(), nullptr);
  EXPECT_EQ(s.Length(), 0);

  s.Assign("text");
  s.Assign("");
  EXPECT_EQ(s.Text(), nullptr);
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(CoStringTest, AssignFromItselfChangesNothing) {
  coString s("a longer text");
  s.Assign("same");
  const char* buffer = s.Text();
  s.Assign(s);
  EXPECT_EQ(s.Text(), buffer);
  EXPECT_EQ(s.Length(), 4);
  EXPECT_EQ(s.Capacity(), 14);
  EXPECT_STREQ(s.Text(), "same");

  coString& alias = s;
  s = alias;
  EXPECT_EQ(s.Text(), buffer);
  EXPECT_EQ(s.Capacity(), 14);

  // Part of its own text.
  s.Assign(s.Text() + 1, 2);
  EXPECT_STREQ(s.Text(), "am");
}

TEST(CoStringTest, AssignFromOtherCopiesItsLength) {
  coString other;
  other.Assign("x\0y", 3);
  coString s;
  s.Assign(other);
  EXPECT_EQ(s.View(), "x\0y"s);
  EXPECT_EQ(s.Capacity(), 4);
  EXPECT_NE(s.Text(), other.Text());
}

TEST(CoStringTest, AppendingEmptyTextToEmptyStringMakesTerminatedByte) {
  coString s;
  s.Append("");
  ASSERT_NE(s.Text(), nullptr);
  EXPECT_EQ(s.Length(), 0);
  EXPECT_EQ(s.Capacity(), 1);
  EXPECT_EQ(s.Text()[0], '\0');

  coString fromNull;
  fromNull.Append(static_cast<const char*>(nullptr));
  EXPECT_EQ(fromNull.Length(), 0);
  EXPECT_EQ(fromNull.Capacity(), 1);
}

TEST(CoStringTest, AppendGrowsExactlyEveryTimeItDoesNotFit) {
  coString s("hello");
  s.Append(" world");
  EXPECT_STREQ(s.Text(), "hello world");
  EXPECT_EQ(s.Capacity(), 12);
  for (int i = 0; i < 5; ++i) {
    s.Append("!");
    EXPECT_EQ(s.Capacity(), s.Length() + 1);
  }
  EXPECT_STREQ(s.Text(), "hello world!!!!!");
  s.Append("tail of which only part", 4);
  EXPECT_STREQ(s.Text(), "hello world!!!!!tail");
}

TEST(CoStringTest, AppendCopiesInPlaceWhenItFits) {
  coString s;
  s.Allocate(20);
  s.Assign("abc");
  const char* buffer = s.Text();
  s.Append("defghijklmnopqrst");  // 3 + 17 = 20 bytes, fits exactly
  EXPECT_EQ(s.Text(), buffer);
  EXPECT_EQ(s.Capacity(), 21);
  EXPECT_STREQ(s.Text(), "abcdefghijklmnopqrst");
  s.Append("u");
  EXPECT_NE(s.Text(), nullptr);
  EXPECT_EQ(s.Capacity(), 22);
  EXPECT_STREQ(s.Text(), "abcdefghijklmnopqrstu");
}

TEST(CoStringTest, AppendOfItsOwnText) {
  coString s("ab");
  s.Append(s.Text());
  EXPECT_STREQ(s.Text(), "abab");
  s.Append(s.View());
  EXPECT_STREQ(s.Text(), "abababab");
}

TEST(CoStringTest, CopiesAreDeepAndMovesTakeTheBuffer) {
  coString original("text");
  coString copy(original);
  EXPECT_NE(copy.Text(), original.Text());
  EXPECT_STREQ(copy.Text(), "text");
  EXPECT_EQ(copy.Capacity(), 5);

  const char* buffer = original.Text();
  coString moved(std::move(original));
  EXPECT_EQ(moved.Text(), buffer);
  EXPECT_EQ(original.Text(), nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(original.Capacity(), 0);

  copy = std::move(moved);
  EXPECT_EQ(copy.Text(), buffer);
}

class FakeWindow : public TextWindow {
 public:
  std::string WindowText() const override { return text; }
  void SetWindowText(std::string_view value) override { text = value; }
  std::string text;
};

class FakeDialog : public DialogItems {
 public:
  std::string ItemText(int itemId) const override {
    auto it = items.find(itemId);
    return it == items.end() ? std::string() : it->second;
  }
  void SetItemText(int itemId, std::string_view value) override { items[itemId] = value; }
  std::map<int, std::string> items;
};

TEST(CoStringTest, FromWindowReadsTextUpToFirstZeroByte) {
  FakeWindow window;
  window.text = "Build\0log"s;
  coString s("previous");
  EXPECT_EQ(s.FromWindow(window), 5);
  EXPECT_EQ(s.Length(), 5);
  EXPECT_EQ(s.Capacity(), 10);  // the reported length + 1
  EXPECT_STREQ(s.Text(), "Build");

  window.text.clear();
  EXPECT_EQ(s.FromWindow(window), 0);
  EXPECT_EQ(s.Text(), nullptr);
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(CoStringTest, ToWindowWritesTextOrEmpty) {
  FakeWindow window;
  coString s("caption");
  s.ToWindow(window);
  EXPECT_EQ(window.text, "caption");

  coString empty("");
  empty.ToWindow(window);
  EXPECT_EQ(window.text, "");
  coString none;
  window.text = "old";
  none.ToWindow(window);
  EXPECT_EQ(window.text, "");
}

TEST(CoStringTest, DialogItemsAreAddressedById) {
  FakeDialog dialog;
  dialog.items[1001] = "first";
  dialog.items[1002] = "second";
  coString s;
  EXPECT_EQ(s.FromDialogItem(dialog, 1002), 6);
  EXPECT_STREQ(s.Text(), "second");
  s.ToDialogItem(dialog, 1001);
  EXPECT_EQ(dialog.items[1001], "second");
  EXPECT_EQ(s.FromDialogItem(dialog, 4711), 0);
  EXPECT_EQ(s.Text(), nullptr);
  s.ToDialogItem(dialog, 1002);
  EXPECT_EQ(dialog.items[1002], "");
}

}  // namespace
}  // namespace vandrel
