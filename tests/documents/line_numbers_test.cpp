#include "documents/line_numbers.h"

#include <gtest/gtest.h>

#include <map>

#include "core/string_ids.h"

namespace vandrel {
namespace {

DocumentFormat Numbered(std::int32_t start, std::int32_t increment, bool regenerated) {
  DocumentFormat format;
  format.formatFlags = kFormatRecordForm;
  format.editFlags = kEditRemoveLineNumbers | (regenerated ? kEditRenumber : 0);
  format.numbering = {1, 6, start, increment};
  format.activeNumbering = format.numbering;
  return format;
}

LineWithNumberQuery Never() {
  return [](std::int32_t) -> std::int32_t {
    ADD_FAILURE() << "the control must not be asked";
    return -1;
  };
}

TEST(LineOfNumber, RegeneratedNumberingComputesTheLine) {
  const DocumentFormat format = Numbered(1000, 100, true);
  EXPECT_EQ(LineOfNumber(format, 10, 1000, Never()), 0);
  EXPECT_EQ(LineOfNumber(format, 10, 1500, Never()), 5);
  EXPECT_EQ(LineOfNumber(format, 10, 1550, Never()), 5);  // between two lines: the one before
  EXPECT_EQ(LineOfNumber(format, 10, 1900, Never()), 9);
  EXPECT_EQ(LineOfNumber(format, 10, 2000, Never()), std::nullopt);  // beyond the last line
  // Below the start: no line carries it, even where division would give 0.
  EXPECT_EQ(LineOfNumber(format, 10, 950, Never()), std::nullopt);
  EXPECT_EQ(LineOfNumber(format, 10, -5000, Never()), std::nullopt);
}

TEST(LineOfNumber, KeptNumbersAreLookedUpInTheControl) {
  const DocumentFormat format = Numbered(1000, 100, false);
  const std::map<std::int32_t, std::int32_t> lines = {{1000, 0}, {1050, 1}, {7000, 40}};
  int asked = 0;
  const LineWithNumberQuery query = [&](std::int32_t number) {
    ++asked;
    const auto it = lines.find(number);
    return it == lines.end() ? -1 : it->second;
  };
  EXPECT_EQ(LineOfNumber(format, 10, 1050, query), 1);
  EXPECT_EQ(LineOfNumber(format, 10, 1100, query), std::nullopt);  // no line carries it
  EXPECT_EQ(LineOfNumber(format, 10, 7000, query), std::nullopt);  // the answer is past the end
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(LineOfNumber(format, 10, 1000, nullptr), std::nullopt);
  // A number that does not fit the control's 32 bits is not passed on.
  EXPECT_EQ(LineOfNumber(format, 10, 1LL << 40, query), std::nullopt);
  EXPECT_EQ(asked, 3);
}

TEST(LineOfNumber, WithoutActiveNumberingRecordFormCountsThousandths) {
  DocumentFormat format;
  format.formatFlags = kFormatRecordForm;
  EXPECT_EQ(LineOfNumber(format, 10, 3200, Never()), 2);  // line 3.200 is the third line
  EXPECT_EQ(LineOfNumber(format, 10, 1000, Never()), 0);
  EXPECT_EQ(LineOfNumber(format, 10, 999, Never()), std::nullopt);
  EXPECT_EQ(LineOfNumber(format, 10, 10999, Never()), 9);
  EXPECT_EQ(LineOfNumber(format, 10, 11000, Never()), std::nullopt);

  // Digits without an increment are no active numbering either.
  format.activeNumbering = {1, 6, 1000, 0};
  format.editFlags = kEditRenumber;
  EXPECT_EQ(LineOfNumber(format, 10, 3200, Never()), 2);
}

TEST(LineOfNumber, PlainTextCountsLinesFromOne) {
  DocumentFormat format;
  EXPECT_EQ(LineOfNumber(format, 10, 1, Never()), 0);
  EXPECT_EQ(LineOfNumber(format, 10, 10, Never()), 9);
  EXPECT_EQ(LineOfNumber(format, 10, 11, Never()), std::nullopt);
  EXPECT_EQ(LineOfNumber(format, 10, 0, Never()), std::nullopt);
  EXPECT_EQ(LineOfNumber(format, 0, 1, Never()), std::nullopt);
}

TEST(FormatLineNumber, DecimalIsZeroFilledWithOneBlank) {
  EXPECT_EQ(FormatLineNumber(100, 6, false), "000100 ");
  EXPECT_EQ(FormatLineNumber(12345678, 6, false), "12345678 ");  // wider than the digits
  EXPECT_EQ(FormatLineNumber(7, 0, false), "7 ");
}

TEST(FormatLineNumber, MpeFormatBlanksTrailingZeroDecimals) {
  EXPECT_EQ(FormatLineNumber(3200, 7, true), "  3.2   ");
  EXPECT_EQ(FormatLineNumber(3000, 7, true), "  3     ");
  EXPECT_EQ(FormatLineNumber(3210, 7, true), "  3.21  ");
  EXPECT_EQ(FormatLineNumber(3201, 7, true), "  3.201 ");
  EXPECT_EQ(FormatLineNumber(3020, 7, true), "  3.02  ");  // an inner zero stays
  EXPECT_EQ(FormatLineNumber(0, 7, true), "  0     ");
  // The largest number of the digits is one character wider than the field.
  EXPECT_EQ(FormatLineNumber(9999999, 7, true), "9999.999 ");
  EXPECT_EQ(LineNumberFieldWidth(7, true), 7);
  EXPECT_EQ(LineNumberFieldWidth(7, false), 7);

  DocumentFormat format;
  format.activeNumbering = {1, 7, 1000, 100};
  format.editFlags = kEditMpeLineNumberFormat;
  EXPECT_EQ(FormatLineNumber(format, 3200), "  3.2   ");
  format.editFlags = 0;
  EXPECT_EQ(FormatLineNumber(format, 3200), "0003200 ");
}

TEST(PlaceLineNumber, NumbersStandInFrontOrAtTheNumberColumn) {
  EXPECT_EQ(PlaceLineNumber("MOVE A", "000100 ", 1), "000100 MOVE A");
  EXPECT_EQ(PlaceLineNumber("MOVE A", "0001 ", 10), "MOVE A    0001 ");
  EXPECT_EQ(PlaceLineNumber("0123456789AB", "0001 ", 10), "0123456789AB0001 ");
  EXPECT_EQ(PlaceLineNumber("", "0001 ", 2), "  0001 ");
  EXPECT_EQ(PlaceLineNumber("MOVE A", "000100 ", 0), "MOVE A");
}

TEST(LineNumberView, CommandsSelectViews) {
  EXPECT_EQ(ViewOfCommand(3104), LineNumberView::kNone);
  EXPECT_EQ(ViewOfCommand(3105), LineNumberView::kVirtual);
  EXPECT_EQ(ViewOfCommand(3106), LineNumberView::kFile);
  EXPECT_EQ(ViewOfCommand(3107), std::nullopt);
  for (int command : {3104, 3105, 3106}) EXPECT_EQ(CommandOfView(*ViewOfCommand(command)), command);
}

TEST(LineNumberView, WindowStartsWithFileNumbersUnlessHidden) {
  DocumentFormat numbered = Numbered(1000, 100, false);
  EXPECT_TRUE(FileNumberViewOffered(numbered));
  EXPECT_EQ(InitialLineNumberView(numbered, false), LineNumberView::kFile);
  EXPECT_EQ(InitialLineNumberView(numbered, true), LineNumberView::kFile);

  numbered.editFlags |= kEditHideLineNumbers;
  EXPECT_EQ(InitialLineNumberView(numbered, false), LineNumberView::kNone);
  EXPECT_EQ(InitialLineNumberView(numbered, true), LineNumberView::kVirtual);

  DocumentFormat plain;
  EXPECT_FALSE(FileNumberViewOffered(plain));
  EXPECT_EQ(InitialLineNumberView(plain, true), LineNumberView::kVirtual);
  EXPECT_EQ(InitialLineNumberView(plain, false), LineNumberView::kNone);
  // Virtual numbers only replace "none".
  EXPECT_EQ(InitialLineNumberView(plain, true, LineNumberView::kFile), LineNumberView::kFile);
}

TEST(LineNumberNotifications, NoFreeNumberHasItsMessage) {
  EXPECT_EQ(NotificationMessageId(kEditNotifyNoFreeLineNumber), kStrNoFreeLineNumber);
  EXPECT_EQ(NotificationMessageId(104), 0);
}

}  // namespace
}  // namespace vandrel
