#include "documents/line_number_detection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "documents/document_loader.h"
#include "documents/header_records.h"

namespace vandrel {
namespace {

using Lines = std::vector<std::string>;

// Twenty lines "000100 text", "000200 text", ...
Lines NumberedAtStart(int count = 20) {
  Lines lines;
  for (int i = 1; i <= count; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%06d", i * 100);
    lines.push_back(std::string(number) + "       MOVE A TO B.");
  }
  return lines;
}

// 80-column lines with an 8-digit number in columns 73-80.
Lines NumberedAtEnd(int count = 20) {
  Lines lines;
  for (int i = 1; i <= count; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%08d", i * 10000);
    std::string line = "           MOVE A TO B.";
    line.resize(72, ' ');
    lines.push_back(line + number);
  }
  return lines;
}

DocumentNumbering Numbering(int position, int digits, int start, int increment) {
  return {position, digits, start, increment};
}

TEST(LeftScan, FindsNumbersAtTheStartOfEveryLine) {
  EXPECT_EQ(ScanLeft(NumberedAtStart()), Numbering(1, 6, 100, 100));

  // Digits: the smallest count among the first three lines; each sample keeps
  // its first `digits` characters ("00002000" reads as 000020).
  EXPECT_EQ(ScanLeft(Lines{"001000 A", "00002000 B", "003000 C"}), Numbering(1, 6, 1000, 2980));

  // Counts are at most 10 digits; a line of digits only counts all of them.
  EXPECT_EQ(ScanLeft(Lines{"123456789012 A", "22", "33"}), Numbering(1, 2, 12, 11));

  // Empty lines are skipped but an empty sample reads as 0; only the first
  // three lines give values.
  EXPECT_EQ(ScanLeft(Lines{"0100 A", "", "0300 C", "0400 D"}), Numbering(1, 4, 100, 300));
  EXPECT_EQ(ScanLeft(Lines{"", "0200 A", "0400 B"}), Numbering(1, 4, 1, 200));
  // Third sample empty: second minus first.
  EXPECT_EQ(ScanLeft(Lines{"0100 A", "0250 B", "", "9"}), Numbering(1, 4, 100, 150));
  // Fewer than three lines.
  EXPECT_EQ(ScanLeft(Lines{"0100 A", "0150 B"}), Numbering(1, 4, 100, 50));
  EXPECT_EQ(ScanLeft(Lines{"0100 A"}), Numbering(1, 4, 100, 1));
}

TEST(LeftScan, FirstValueBelowTwoStartsAtOneAndSmallStepsBecomeOne) {
  EXPECT_EQ(ScanLeft(Lines{"0 A", "1 B", "2 C"})->start, 1);
  EXPECT_EQ(ScanLeft(Lines{"1 A", "5 B", "9 C"})->start, 1);
  EXPECT_EQ(ScanLeft(Lines{"2 A", "5 B", "9 C"})->start, 2);
  EXPECT_EQ(ScanLeft(Lines{"10 A", "10 B", "10 C"})->increment, 1);
  EXPECT_EQ(ScanLeft(Lines{"30 A", "20 B", "10 C"})->increment, 1);
}

TEST(LeftScan, GivesNothingUnlessEveryLineIsNumbered) {
  Lines lines = NumberedAtStart();
  lines[3] = "ABC line four";
  EXPECT_FALSE(ScanLeft(lines));
  lines = NumberedAtStart();
  lines[19] = " 002000 leading blank";
  EXPECT_FALSE(ScanLeft(lines));
  EXPECT_FALSE(ScanLeft(Lines{}));
  // Lines without text carry no numbers at all.
  EXPECT_FALSE(ScanLeft(Lines{"", "", ""}));
  // Numbers beyond 32 bits cannot be kept.
  EXPECT_FALSE(ScanLeft(Lines{"9999999999 A", "9999999999 B"}));
}

TEST(RightScan, FindsNumbersInColumns73To80) {
  EXPECT_EQ(ScanRight(NumberedAtEnd()), Numbering(72, 8, 10000, 10000));

  // Trailing white space is dropped; blank lines are skipped; the position is
  // the largest column over all lines.
  Lines lines = NumberedAtEnd(3);
  lines[0] += "   \r";
  lines.insert(lines.begin() + 1, "    ");
  lines.push_back("SHORT 00040000");
  lines.push_back(std::string(90, 'X') + "00050000");
  EXPECT_EQ(ScanRight(lines), Numbering(90, 8, 10000, 20000));  // samples: line 1, blank, line 2

  // A continuation mark right before the number is not a digit.
  EXPECT_EQ(ScanRight(Lines{std::string(71, ' ') + "X00000700", "A00000800", "B00000900"}),
            Numbering(72, 8, 700, 100));
  // Digits: the smallest count among the first three; each keeps its last digits.
  EXPECT_EQ(ScanRight(Lines{"ABC 123456", "ABC 99000200", "ABC 000300"}),
            Numbering(4, 6, 123456, 100));
}

TEST(RightScan, GivesNothingWhenALineLacksANumberOrNoColumnIsLeft) {
  Lines lines = NumberedAtEnd();
  lines[12] = "NO NUMBER HERE";
  EXPECT_FALSE(ScanRight(lines));
  EXPECT_FALSE(ScanRight(Lines{}));
  EXPECT_FALSE(ScanRight(Lines{" ", "\t"}));
  // The numbers would begin in column 0 or 1, which read as "none" or "at the
  // start": no result.
  EXPECT_FALSE(ScanRight(Lines{"X1", "Y2", "Z3"}));
  EXPECT_TRUE(ScanRight(Lines{"XY1", "Y2", "Z3"}));
}

TEST(DetectLineNumbers, RunsTheRightScanOnlyWithoutANumberAtTheStart) {
  DocumentNumbering numbering;
  DetectLineNumbers(NumberedAtStart(), numbering);
  EXPECT_EQ(numbering, Numbering(1, 6, 100, 100));

  numbering = {};
  DetectLineNumbers(NumberedAtEnd(), numbering);
  EXPECT_EQ(numbering, Numbering(72, 8, 10000, 10000));

  // A position from a Qedit header at the end is re-examined...
  numbering = Numbering(70, 8, 1000, 100);
  DetectLineNumbers(NumberedAtEnd(), numbering);
  EXPECT_EQ(numbering, Numbering(72, 8, 10000, 10000));
  // ...and kept when the scans find nothing.
  numbering = Numbering(72, 8, 1000, 100);
  DetectLineNumbers(Lines{"plain text", "more text"}, numbering);
  EXPECT_EQ(numbering, Numbering(72, 8, 1000, 100));
  // A position at the start is not re-examined by the right scan.
  numbering = Numbering(1, 8, 1000, 100);
  DetectLineNumbers(NumberedAtEnd(), numbering);
  EXPECT_EQ(numbering, Numbering(1, 8, 1000, 100));
}

std::vector<std::uint8_t> Records(const Lines& lines) {
  std::vector<std::uint8_t> out;
  for (const std::string& line : lines) AppendRecord(out, line);
  return out;
}

TEST(SampleLines, ReadsRecordsUpToTwentyLines) {
  Lines lines = NumberedAtStart(25);
  MemorySource source(Records(lines));
  EXPECT_EQ(SampleLines(source, true), Lines(lines.begin(), lines.begin() + 20));

  // A record over 1,024 bytes counts as an empty line; a 0-byte record and a
  // truncated record end the sample.
  Lines odd = {"0100 A", std::string(1025, '9'), "0300 C", std::string(1024, '7'), "", "0600"};
  MemorySource oddSource(Records(odd));
  EXPECT_EQ(SampleLines(oddSource, true), (Lines{"0100 A", "", "0300 C", odd[3]}));

  std::vector<std::uint8_t> truncated = Records({"0100 A", "0200 B"});
  truncated.resize(truncated.size() - 1);
  MemorySource truncatedSource(truncated);
  EXPECT_EQ(SampleLines(truncatedSource, true), Lines{"0100 A"});
}

TEST(SampleLines, ReadsTextLinesWithoutTheirTerminators) {
  const std::string text = "one\r\ntwo\nthree\rfour\n\nlast";
  MemorySource source(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  EXPECT_EQ(SampleLines(source, false), (Lines{"one", "two", "three", "four", "", "last"}));

  // Long lines come in pieces of 2,047 bytes; a terminator right after a full
  // piece ends that line.
  const std::string longText =
      std::string(2047, 'a') + "\n" + std::string(2050, 'b') + "\r\n" + "end\n";
  MemorySource longSource(
      std::span(reinterpret_cast<const std::uint8_t*>(longText.data()), longText.size()));
  EXPECT_EQ(SampleLines(longSource, false),
            (Lines{std::string(2047, 'a'), std::string(2047, 'b'), "bbb", "end"}));
}

TEST(DetectLineNumbers, WorksOnRecordsAndOnText) {
  DocumentNumbering numbering;
  MemorySource records(Records(NumberedAtEnd()));
  DetectLineNumbers(records, true, numbering);
  EXPECT_EQ(numbering, Numbering(72, 8, 10000, 10000));

  std::string text;
  for (const std::string& line : NumberedAtStart()) text += line + "\r\n";
  MemorySource source(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  numbering = {};
  DetectLineNumbers(source, false, numbering);
  EXPECT_EQ(numbering, Numbering(1, 6, 100, 100));
}

}  // namespace
}  // namespace vandrel
