#include "documents/file_codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "documents/document_format.h"

namespace vandrel {
namespace {

TEST(FileCodeTable, HoldsTheReservedCodesInOrder) {
  const std::span<const FileCodeRow> rows = FileCodeTable();
  ASSERT_EQ(rows.size(), 106u);
  std::set<std::string_view> mnemonics;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_FALSE(rows[i].description.empty()) << rows[i].code;
    if (i > 0) {
      EXPECT_LT(rows[i - 1].code, rows[i].code);
      EXPECT_TRUE(mnemonics.insert(rows[i].mnemonic).second) << rows[i].mnemonic;
    }
  }
  EXPECT_EQ(rows[0].code, 0);
  EXPECT_EQ(rows[0].mnemonic, "");
  EXPECT_EQ(rows[1].code, kFileCodeQedit);
  EXPECT_EQ(rows[1].mnemonic, "QEDIT");
  EXPECT_EQ(rows.back().code, 1462);
  ASSERT_NE(FindFileCode(1172), nullptr);
  EXPECT_EQ(FindFileCode(1172)->mnemonic, "None");
  EXPECT_EQ(FindFileCode(1034), nullptr);
}

TEST(FileCodeTable, TextResourceHasOneRowPerCrLfLine) {
  const std::string_view text = FileCodeTableText();
  EXPECT_TRUE(
      text.starts_with("0,,Default (unreserved)\r\n111,QEDIT,Robelle Qedit\u00ae file\r\n"
                       "1024,USL,User subprogram library\r\n"));
  EXPECT_TRUE(text.ends_with("\r\n1462,PASLB,Pascal/XL source library"));
  std::size_t lineEnds = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
       at = text.find("\r\n", at + 2)) {
    ++lineEnds;
  }
  EXPECT_EQ(lineEnds, 105u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 105);  // no lone line feeds
}

TEST(DescribeFileCode, ShowsMnemonicAndDescription) {
  EXPECT_EQ(DescribeFileCode(0), "(0) - Default (unreserved)");
  EXPECT_EQ(DescribeFileCode(111), "(QEDIT) - Robelle Qedit\u00ae file");
  EXPECT_EQ(DescribeFileCode(1024), "(USL) - User subprogram library");
  EXPECT_EQ(DescribeFileCode(1462), "(PASLB) - Pascal/XL source library");
  EXPECT_EQ(DescribeFileCode(42), "42");
  EXPECT_EQ(DescribeFileCode(-3), "-3");
}

TEST(ChoiceLists, RecordTypesMapTheFifthChoiceToByteStream) {
  EXPECT_EQ(RecordTypeChoices(), (std::vector<std::string>{"Fixed", "Variable", "Undefined",
                                                           "Spool block", "Byte stream"}));
  EXPECT_EQ(RecordTypeOfChoice(0), 0);
  EXPECT_EQ(RecordTypeOfChoice(3), 3);
  EXPECT_EQ(RecordTypeOfChoice(4), 9);
  EXPECT_EQ(RecordTypeOfChoice(5), std::nullopt);
  EXPECT_EQ(RecordTypeOfChoice(-1), std::nullopt);
  EXPECT_EQ(ChoiceOfRecordType(9), 4);
  EXPECT_EQ(ChoiceOfRecordType(2), 2);
  EXPECT_EQ(ChoiceOfRecordType(4), -1);
}

TEST(ChoiceLists, PositionIsTheValueForModesAndLanguages) {
  EXPECT_EQ(FileModeChoices(), (std::vector<std::string>{"Binary", "ASCII"}));
  EXPECT_EQ(ChoiceOfFileMode(1), 1);
  EXPECT_EQ(ChoiceOfFileMode(2), -1);
  const std::vector<std::string> languages = QeditLanguageChoices();
  ASSERT_EQ(languages.size(), 9u);
  EXPECT_EQ(languages[6], "(6) - Text");
  EXPECT_EQ(languages[8], "(8) - COBOL'85");
  EXPECT_EQ(ChoiceOfQeditLanguage(8), 8);
  EXPECT_EQ(ChoiceOfQeditLanguage(9), -1);
}

TEST(ChoiceLists, LineEndsStandForCrLfAndBoth) {
  EXPECT_EQ(LineEndChoices(), (std::vector<std::string>{"Mac", "Unix", "DOS"}));
  EXPECT_EQ(LineEndsOfChoice(0), kLineEndCr);
  EXPECT_EQ(LineEndsOfChoice(1), kLineEndLf);
  EXPECT_EQ(LineEndsOfChoice(2), kLineEndCr | kLineEndLf);
  EXPECT_EQ(LineEndsOfChoice(3), std::nullopt);
  EXPECT_EQ(ChoiceOfLineEnds(kLineEndCr | kLineEndLf), 2);
  EXPECT_EQ(ChoiceOfLineEnds(0), -1);
}

TEST(ChoiceLists, TabSizeDefaultIsZeroAndNumbersMayBeTyped) {
  EXPECT_EQ(TabSizeChoices(), (std::vector<std::string>{"(default)", "2", "4", "6", "8"}));
  EXPECT_EQ(TabSizeOfText("(default)"), 0);
  EXPECT_EQ(TabSizeOfText("4"), 4);
  EXPECT_EQ(TabSizeOfText(" 3 "), 3);
  EXPECT_EQ(TabSizeOfText(""), std::nullopt);
  EXPECT_EQ(TabSizeOfText("4x"), std::nullopt);
  EXPECT_EQ(TabSizeOfText("-2"), std::nullopt);
  EXPECT_EQ(TabSizeText(0), "(default)");
  EXPECT_EQ(TabSizeText(6), "6");
}

}  // namespace
}  // namespace vandrel
