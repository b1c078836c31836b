#include "editor/text_search.h"

#include <gtest/gtest.h>

#include "core/app_settings.h"
#include "editor/find_model.h"

namespace vandrel {
namespace {

SearchRecord Record(std::string text, std::uint32_t flags, std::int64_t line, std::int64_t column) {
  SearchRecord record;
  record.text = std::move(text);
  record.flags = flags;
  record.startLine = line;
  record.startColumn = column;
  return record;
}

TEST(TextSearch, ForwardAndBackwardWrapOnceAndReportTheFoundRange) {
  const std::string_view text = "ab X\ncd x\nX";
  SearchRecord r = Record("x", kSearchForward, 1, 4);
  EXPECT_TRUE(FindInText(text, r));
  EXPECT_EQ(r.foundLine, 2);
  EXPECT_EQ(r.foundColumn, 0);
  EXPECT_EQ(r.foundEndColumn, 1);
  // Past the last match: found only with wrap, then the first.
  r = Record("x", kSearchForward, 2, 1);
  EXPECT_FALSE(FindInText(text, r));
  r.flags |= kSearchWrap;
  ASSERT_TRUE(FindInText(text, r));
  EXPECT_EQ(r.foundLine, 0);
  EXPECT_EQ(r.foundColumn, 3);
  // Backward takes the match before the start, not the one at it.
  r = Record("x", kSearchBackward | kSearchMatchCase, 1, 3);
  EXPECT_FALSE(FindInText(text, r));
  r.flags |= kSearchWrap;
  ASSERT_TRUE(FindInText(text, r));
  EXPECT_EQ(r.foundLine, 1);
  r = Record("X", kSearchBackward | kSearchMatchCase, 2, 0);
  ASSERT_TRUE(FindInText(text, r));
  EXPECT_EQ(r.foundLine, 0);
  // The end of the range bounds a forward search.
  r = Record("x", kSearchForward, 0, 0);
  r.endLine = 0;
  r.endColumn = 3;
  EXPECT_FALSE(FindInText(text, r));
}

TEST(TextSearch, WholeWordsAtTheEdgesOfTheTextAndAroundHyphens) {
  const TextMatcher word("COUNT", kSearchWholeWord);
  EXPECT_EQ(word.Forward("count", 0, 5), 0u);
  EXPECT_EQ(word.Forward("COUNTS", 0, 6), kNoMatch);
  EXPECT_EQ(word.Forward("WS-COUNT", 0, 8), kNoMatch);
  EXPECT_EQ(word.Forward("COUNT-1 COUNT", 0, 13), 8u);
  EXPECT_EQ(word.Forward("x - COUNT -", 0, 11), 4u);
  EXPECT_EQ(word.Backward("COUNT x", 7), 0u);
  EXPECT_EQ(word.Backward("_COUNT", 6), kNoMatch);
  EXPECT_EQ(WordAround("MOVE WS-COUNT TO X", 9), "WS-COUNT");
  EXPECT_EQ(WordAround("MOVE WS-COUNT TO X", 13), "WS-COUNT");
  EXPECT_EQ(WordAround("A - B", 2), "");
}

TEST(TextSearch, ReplaceAllIsOnePassAndMovesTheRangeEnd) {
  const TextMatcher a("a", kSearchForward);
  ReplaceAllResult result = ReplaceAllInText("a a a", 0, 5, a, "aa");
  EXPECT_EQ(result.text, "aa aa aa");
  EXPECT_EQ(result.count, 3);
  EXPECT_EQ(result.rangeEnd, 8u);
  // Only matches wholly inside the range.
  result = ReplaceAllInText("xa a a", 1, 4, a, "");
  EXPECT_EQ(result.text, "x  a");
  EXPECT_EQ(result.rangeEnd, 2u);
}

TEST(FindModel, OptionsComeFromTheSettingsWhenRememberedAndButtonsFollowTheText) {
  AppSettings settings;
  FindSession session(&settings);
  EXPECT_EQ(session.OptionsForDialog(), kFindDown | kFindWrap);
  settings.RememberFind = 1;
  settings.FindSettings = kFindUp | kFindMatchCase;
  EXPECT_EQ(session.OptionsForDialog(), kFindUp | kFindMatchCase);
  session.StoreOptions(kFindDown | kFindWholeWord);
  EXPECT_EQ(settings.FindSettings, static_cast<std::int32_t>(kFindDown | kFindWholeWord));

  FindDialogModel model(FindDialogKind::kReplace, kFindDown | kFindWrap,
                        SelectionFacts{true, true, "", "WORD"});
  EXPECT_TRUE(model.inSelection());
  EXPECT_FALSE(model.ReplaceFindNextEnabled());
  EXPECT_EQ(model.SearchFlags() & kSearchWrap, 0u);
  model.SetInSelection(false);
  EXPECT_TRUE(model.ReplaceFindNextEnabled());
  EXPECT_EQ(model.SearchFlags(), kSearchForward | kSearchWrap);
}

TEST(FindModel, TheDialogMovesOffTheFoundText) {
  const PixelRect window{0, 0, 1000, 800};
  const PixelRect editor{0, 100, 1000, 700};
  const PixelRect dialog{300, 500, 700, 700};
  EXPECT_FALSE(KeepFoundTextVisible(dialog, {10, 600, 50, 615}, editor, window));
  const auto up = KeepFoundTextVisible(dialog, {400, 600, 450, 615}, editor, window);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->second, 40);
  const PixelRect high{300, 150, 700, 350};
  const auto down = KeepFoundTextVisible(high, {400, 200, 450, 215}, editor, window);
  ASSERT_TRUE(down);
  EXPECT_EQ(down->second, 800 - 40 - 200);
}

}  // namespace
}  // namespace vandrel
