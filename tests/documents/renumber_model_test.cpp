#include "documents/renumber_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/string_ids.h"

namespace vandrel {
namespace {

// A document whose lines carry `numbers` (0-based), with active numbering of
// `digits` digits.
RenumberInput Document(std::vector<std::int32_t> numbers, std::int32_t digits,
                       std::int32_t increment = 100, bool regenerated = false) {
  RenumberInput input;
  input.lineCount = static_cast<std::int32_t>(numbers.size());
  input.activeNumbering = {1, digits, numbers.empty() ? 0 : numbers.front(), increment};
  input.regenerated = regenerated;
  input.numberOfLine = [numbers](std::int32_t line) -> std::optional<std::int32_t> {
    if (line < 0 || line >= static_cast<std::int32_t>(numbers.size())) {
      ADD_FAILURE() << "asked for line " << line;
      return std::nullopt;
    }
    return numbers[line];
  };
  return input;
}

std::vector<std::int32_t> Sequence(std::int32_t count, std::int32_t start, std::int32_t step) {
  std::vector<std::int32_t> numbers;
  for (std::int32_t i = 0; i < count; ++i) numbers.push_back(start + i * step);
  return numbers;
}

TextSelection Selection(std::int32_t firstLine, std::int32_t firstColumn, std::int32_t lastLine,
                        std::int32_t lastColumn) {
  return {firstLine, firstColumn, lastLine, lastColumn};
}

// Thirty lines: 100 to 900 on lines 1 to 9, 1000 to 1500 on lines 10 to 20,
// 2100 and up from line 21.
RenumberInput NeighboursDocument() {
  std::vector<std::int32_t> numbers = Sequence(9, 100, 100);
  for (std::int32_t i = 0; i < 11; ++i) numbers.push_back(1000 + i * 50);
  for (std::int32_t i = 0; i < 10; ++i) numbers.push_back(2100 + i * 100);
  return Document(numbers, 6);
}

TEST(RenumberModel, RangeBetweenNeighboursOffersTheNumbersBetweenThem) {
  RenumberInput input = NeighboursDocument();
  input.selection = Selection(9, 0, 20, 0);  // lines 10 to 20 (ends at column 0 of line 21)
  RenumberModel model(input);
  ASSERT_EQ(model.scope(), RenumberScope::kRange);
  EXPECT_TRUE(model.lineFieldsEnabled());
  EXPECT_EQ(model.firstLine(), 10);
  EXPECT_EQ(model.lastLine(), 20);
  EXPECT_EQ(model.validRangeText(), "901 - 2099");
  EXPECT_EQ(model.firstNumberText(), "1000");
  EXPECT_EQ(model.lastNumberText(), "1500");
  EXPECT_EQ(model.start(), 1000);
  EXPECT_EQ(model.increment(), 50);  // (1500 - 1000) / 10

  model.SetStart(1000);
  model.SetIncrement(100);
  EXPECT_EQ(model.resultingSequenceText(), "1000 - 2000 (11 lines)");
  RenumberOutcome outcome = model.Accept();
  ASSERT_TRUE(outcome.accepted());
  EXPECT_EQ(outcome.request, (RenumberRequest{9, 19, 1000, 100, 1}));
  EXPECT_FALSE(outcome.setsActiveNumbering);

  model.SetStart(1100);  // reaches 2100, which is not below the next line's number
  outcome = model.Accept();
  EXPECT_EQ(outcome.messageId, kStrInvalidNumberingSequence);
  model.SetStart(900);  // not above the line before
  EXPECT_EQ(model.Accept().messageId, kStrInvalidNumberingSequence);
  model.SetStart(901);
  EXPECT_TRUE(model.Accept().accepted());
}

TEST(RenumberModel, EntireFileMustStayBelowTheDigitsLimit) {
  RenumberModel model(Document(Sequence(500, 100, 100), 6));
  ASSERT_EQ(model.scope(), RenumberScope::kEntireFile);
  EXPECT_FALSE(model.lineFieldsEnabled());
  EXPECT_EQ(model.firstLine(), 1);
  EXPECT_EQ(model.lastLine(), 500);
  EXPECT_EQ(model.validRangeText(), "1 - 999999");
  EXPECT_EQ(model.increment(), 100);  // the active increment

  model.SetStart(100);
  model.SetIncrement(2004);  // 100 + 499 * 2004 = 1,000,096 reaches 10^6
  EXPECT_EQ(model.Accept().messageId, kStrInvalidNumberingSequence);
  model.SetIncrement(2000);  // 100 + 499 * 2000 = 998,100 stays below it
  EXPECT_EQ(model.resultingSequenceText(), "100 - 998100 (500 lines)");
  const RenumberOutcome outcome = model.Accept();
  ASSERT_TRUE(outcome.accepted());
  EXPECT_EQ(outcome.request, (RenumberRequest{0, 499, 100, 2000, 1}));
  model.SetStart(0);
  EXPECT_EQ(model.Accept().messageId, kStrInvalidNumberingSequence);
}

TEST(RenumberModel, SelectionEndingAtColumnZeroEndsOnTheLineBefore) {
  RenumberInput input = Document(Sequence(20, 1000, 1000), 6);
  input.selection = Selection(4, 3, 8, 0);
  RenumberModel model(input);
  EXPECT_EQ(model.firstLine(), 5);
  EXPECT_EQ(model.lastLine(), 8);

  input.selection = Selection(4, 3, 8, 1);
  EXPECT_EQ(RenumberModel(input).lastLine(), 9);
  // An empty selection (the caret) chooses the entire file; choosing the range
  // then takes the caret's line.
  input.selection = Selection(6, 2, 6, 2);
  RenumberModel caret(input);
  EXPECT_EQ(caret.scope(), RenumberScope::kEntireFile);
  caret.ChooseScope(RenumberScope::kRange);
  EXPECT_EQ(caret.firstLine(), 7);
  EXPECT_EQ(caret.lastLine(), 7);
  caret.ChooseScope(RenumberScope::kEntireFile);
  EXPECT_EQ(caret.firstLine(), 1);
  EXPECT_EQ(caret.lastLine(), 20);
}

TEST(RenumberModel, SingleLineHasNoIncrement) {
  RenumberInput input = Document(Sequence(20, 1000, 1000), 6);
  input.selection = Selection(4, 0, 4, 5);
  RenumberModel model(input);
  EXPECT_EQ(model.increment(), 0);
  EXPECT_FALSE(model.incrementEnabled());
  EXPECT_EQ(model.validRangeText(), "4001 - 5999");
  EXPECT_EQ(model.resultingSequenceText(), "5000 - 5000 (1 lines)");
  model.SetStart(5999);
  const RenumberOutcome outcome = model.Accept();
  ASSERT_TRUE(outcome.accepted());
  EXPECT_EQ(outcome.request, (RenumberRequest{4, 4, 5999, 0, 1}));

  model.SetLastLine(6);
  EXPECT_TRUE(model.incrementEnabled());
  EXPECT_EQ(model.increment(), 1000);
}

TEST(RenumberModel, LineFieldsFollowTheUser) {
  RenumberInput input = Document(Sequence(10, 10, 10), 4);
  input.selection = Selection(0, 0, 2, 4);
  RenumberModel model(input);
  EXPECT_EQ(model.validRangeText(), "1 - 39");  // starts at line 1: from 1
  model.SetLastLine(10);
  EXPECT_EQ(model.validRangeText(), "1 - 9999");  // ends at the last line: below 10^4
  EXPECT_EQ(model.increment(), 10);
  model.SetLastLine(11);
  EXPECT_EQ(model.lastNumberText(), "n/a");
  EXPECT_EQ(model.Accept().messageId, kStrInvalidRenumberRange);
  model.SetLastLine(3);
  model.SetFirstLine(5);  // the last line lies before the first
  EXPECT_EQ(model.Accept().messageId, kStrInvalidRenumberRange);
  model.SetFirstLine(0);
  EXPECT_EQ(model.firstNumberText(), "n/a");
  EXPECT_EQ(model.Accept().messageId, kStrInvalidRenumberRange);
}

TEST(RenumberModel, SequenceMustRise) {
  RenumberInput input = Document(Sequence(10, 10, 10), 4);
  input.selection = Selection(2, 0, 5, 0);
  RenumberModel model(input);
  model.SetIncrement(0);  // three lines with one number
  EXPECT_EQ(model.Accept().messageId, kStrInvalidNumberingSequence);
  model.SetIncrement(-1);
  EXPECT_EQ(model.Accept().messageId, kStrInvalidNumberingSequence);
  model.SetIncrement(3);
  EXPECT_TRUE(model.Accept().accepted());
  // Values beyond 32 bits are refused, not wrapped.
  model.SetStart(5'000'000'000);
  EXPECT_EQ(model.Accept().messageId, kStrInvalidNumberingSequence);
}

TEST(RenumberModel, MarkChoiceFollowsTheSettingAndIsReturned) {
  RenumberInput input = Document(Sequence(5, 1, 1), 4, 1);
  input.markLines = false;
  RenumberModel model(input);
  EXPECT_FALSE(model.markLines());
  EXPECT_TRUE(model.markChoiceEnabled());
  EXPECT_TRUE(model.rangeChoiceEnabled());
  RenumberOutcome outcome = model.Accept();
  ASSERT_TRUE(outcome.accepted());
  EXPECT_EQ(outcome.request.mark, 0);
  EXPECT_FALSE(outcome.markLines);
  model.SetMarkLines(true);
  outcome = model.Accept();
  EXPECT_EQ(outcome.request.mark, 1);
  EXPECT_TRUE(outcome.markLines);
}

TEST(RenumberModel, RegeneratedNumberingRenumbersEveryLine) {
  RenumberInput input = Document(Sequence(50, 1000, 100), 6, 100, true);
  input.activeNumbering.start = 1000;
  input.selection = Selection(3, 0, 7, 0);  // ignored: only the entire file
  RenumberModel model(input);
  EXPECT_EQ(model.scope(), RenumberScope::kEntireFile);
  EXPECT_FALSE(model.rangeChoiceEnabled());
  EXPECT_FALSE(model.markChoiceEnabled());
  model.ChooseScope(RenumberScope::kRange);
  EXPECT_EQ(model.scope(), RenumberScope::kEntireFile);
  EXPECT_EQ(model.firstLine(), 1);
  EXPECT_EQ(model.lastLine(), 50);
  EXPECT_EQ(model.start(), 1000);
  EXPECT_EQ(model.increment(), 100);

  model.SetStart(10);
  model.SetIncrement(20);
  RenumberOutcome outcome = model.Accept();
  ASSERT_TRUE(outcome.accepted());
  // The last line is part of the request: it would otherwise keep a number of
  // the old sequence. Lines are never marked.
  EXPECT_EQ(outcome.request, (RenumberRequest{0, 49, 10, 20, 0}));
  EXPECT_TRUE(outcome.setsActiveNumbering);

  model.SetIncrement(20408);  // 10 + 49 * 20408 = 1,000,002
  EXPECT_EQ(model.Accept().messageId, kStrInvalidNumberingSequence);
  model.SetIncrement(20407);  // 999,953
  EXPECT_TRUE(model.Accept().accepted());
  model.SetStart(0);
  EXPECT_EQ(model.Accept().messageId, kStrInvalidNumberingSequence);
}

TEST(RenumberModel, EmptyDocumentHasNothingToRenumber) {
  EXPECT_EQ(RenumberModel(Document({}, 6)).Accept().messageId, kStrInvalidRenumberRange);
  EXPECT_EQ(RenumberModel(Document({}, 6, 100, true)).Accept().messageId, kStrInvalidRenumberRange);
}

TEST(RenumberModel, InputFromTheDocument) {
  DocumentFormat format;
  format.activeNumbering = {1, 6, 100, 100};
  format.editFlags = kEditRemoveLineNumbers | kEditRenumber;
  RenumberInput input = MakeRenumberInput(format, 12, Selection(1, 0, 2, 0), true, nullptr);
  EXPECT_TRUE(input.regenerated);
  EXPECT_EQ(input.lineCount, 12);
  EXPECT_EQ(input.activeNumbering, format.activeNumbering);
  format.editFlags = kEditRemoveLineNumbers;
  EXPECT_FALSE(MakeRenumberInput(format, 12, {}, true, nullptr).regenerated);
  // Without the control's numbers the texts fall back, nothing breaks.
  RenumberModel model(MakeRenumberInput(format, 12, {}, true, nullptr));
  EXPECT_EQ(model.firstNumberText(), "n/a");
  EXPECT_EQ(model.validRangeText(), "1 - 999999");
}

}  // namespace
}  // namespace vandrel
