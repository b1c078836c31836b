#include "editor/go_to_model.h"

#include <gtest/gtest.h>

#include "editor/control_messages.h"

namespace vandrel {
namespace {

TEST(GoToModel, LineInputInPlainAndPhysicalNumbers) {
  // Plain line numbers: whole numbers only, with the go-to mark.
  auto plain = ReadLineInput(" 42 ", false);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->value, 42);
  EXPECT_EQ(plain->flags, kGoToMark);
  EXPECT_FALSE(ReadLineInput("3.2", false));
  EXPECT_FALSE(ReadLineInput("abc", false));
  EXPECT_FALSE(ReadLineInput("", false));
  EXPECT_FALSE(ReadLineInput("-5", false));

  // Physical numbers: decimals count thousandths, 3.2 is 3200.
  auto physical = ReadLineInput("3.2", true);
  ASSERT_TRUE(physical);
  EXPECT_EQ(physical->value, 3200);
  EXPECT_EQ(physical->flags, kGoToFileNumber | kGoToMark);
  EXPECT_EQ(ReadLineInput("12.345", true)->value, 12345);
  EXPECT_EQ(ReadLineInput(".5", true)->value, 500);
  EXPECT_EQ(ReadLineInput("1200", true)->value, 1200);
  EXPECT_FALSE(ReadLineInput("0.0", true));
  EXPECT_FALSE(ReadLineInput("1.2345", true));
  EXPECT_FALSE(ReadLineInput("1.2.3", true));
  EXPECT_FALSE(ReadLineInput("99999999999999999999", true));
}

TEST(GoToModel, ChoicesAndTheirFacts) {
  const std::vector<std::string> names = GoToChoiceNames();
  EXPECT_EQ(names,
            (std::vector<std::string>{"Bookmark", "Definition", "Error/Tag", "Line", "Reference"}));
  const GoToChoiceFacts line = FactsOf(GoToChoice::kLine, 0);
  EXPECT_EQ(line.prompt, "&Enter line number:");
  EXPECT_EQ(line.button, "&Go To");
  EXPECT_FALSE(line.previous);
  EXPECT_TRUE(line.help.empty());
  const GoToChoiceFacts reference = FactsOf(GoToChoice::kReference, 0);
  EXPECT_EQ(reference.button, "&Next");
  EXPECT_TRUE(reference.previous);
  EXPECT_EQ(reference.help, "The Code Navigator for the currently active file contains 0 entries.");
  EXPECT_EQ(FactsOf(GoToChoice::kReference, 3).help,
            "The list contains all the Code Navigator identifiers from the current file.");
}

TEST(GoToModel, ReferenceTextLosesListMarkers) {
  EXPECT_EQ(ReferenceText("<I=15><T><T>MAIN-LOOP"), "MAIN-LOOP");
  EXPECT_EQ(ReferenceText("<I=16>PROCEDURE"), "PROCEDURE");
  EXPECT_EQ(ReferenceText("plain"), "plain");
  EXPECT_EQ(ReferenceText("<I=15 unclosed"), "<I=15 unclosed");
}

}  // namespace
}  // namespace vandrel
