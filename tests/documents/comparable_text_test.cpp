// The compare view's text: record-form files with Qedit and MPE headers and
// labels, plain text with every kind of line end, the number field taken out
// at the start or at its column, and damaged input.
#include "documents/comparable_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/record_headers.h"

namespace vandrel {
namespace {

using Lines = std::vector<std::string>;

std::string Records(const Lines& records) {
  std::string out;
  for (const std::string& record : records) EXPECT_TRUE(AppendRecord(out, record));
  return out;
}

std::string MpeHeaderRecord(std::int32_t reclen, std::int32_t labels) {
  MpeHeader mpe;
  mpe.mver = 1;
  mpe.reclen = reclen;
  mpe.mode = 1;
  mpe.labels = labels;
  mpe.maxLabels = labels;
  return FormatMpeHeader(mpe)->text;
}

TEST(ComparableText, RecordFormSkipsHeadersAndLabelsAndCutsTheDetectedNumbers) {
  // Numbers in columns 73-80, as a COBOL source carries them; a label that
  // must not become a line.
  const std::string pad(72 - 11, ' ');
  const std::string bytes =
      Records({MpeHeaderRecord(80, 1), "USER LABEL 1", "       IDEN" + pad + "00001000",
               "       PROC" + pad + "00002000", std::string(72, ' ') + "00003000",
               "       STOP  " + std::string(72 - 13, ' ') + "00004000"});
  const ComparableText text = MakeComparableText(bytes, true);
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(text.numbering.position, 72);
  EXPECT_EQ(text.numbering.digits, 8);
  EXPECT_EQ(text.lines, (Lines{"       IDEN", "       PROC", "", "       STOP"}));

  // A Qedit header names its own numbers: LNL digits where RECLEN - LNL
  // says; a record whose field is not all digits keeps its text.
  QeditHeader qedit;
  qedit.qver = 1;
  qedit.lang = 6;
  qedit.reclen = 16;
  qedit.lnl = 6;
  const std::string qeditBytes =
      Records({FormatQeditHeader(qedit), MpeHeaderRecord(512, 0), "first line001000",
               "second    001100", "third     00120x"});
  const ComparableText fromQedit = MakeComparableText(qeditBytes, true);
  ASSERT_TRUE(fromQedit.ok());
  EXPECT_EQ(fromQedit.numbering.position, 10);
  EXPECT_EQ(fromQedit.lines, (Lines{"first line", "second", "third     00120x"}));

  // The caller's numbering wins over what the file would give.
  const ComparableText unnumbered = MakeComparableText(qeditBytes, true, DocumentNumbering{});
  EXPECT_EQ(unnumbered.lines[0], "first line001000");
}

TEST(ComparableText, PlainTextLineEndsAndNumbersAtTheStart) {
  const ComparableText text = MakeComparableText(
      std::string("00010 ONE  \r\n00020 TWO\r00030 THREE\t\n\n00050 FIVE\n"), false);
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(text.numbering.position, 1);
  EXPECT_EQ(text.numbering.digits, 5);
  EXPECT_EQ(text.lines, (Lines{" ONE", " TWO", " THREE", "", " FIVE"}));

  // No final line end: the last line still counts, and no empty one is made.
  const DocumentNumbering none;
  EXPECT_EQ(MakeComparableText(std::string("a\nb"), false, none).lines, (Lines{"a", "b"}));
  EXPECT_TRUE(MakeComparableText(std::string(), false, none).lines.empty());

  // Field rules at their edges: too short, not all digits, at a column.
  const DocumentNumbering start{1, 4, 0, 0};
  EXPECT_EQ(ComparableLine("123", start), "123");
  EXPECT_EQ(ComparableLine("12a4rest", start), "12a4rest");
  EXPECT_EQ(ComparableLine("1234rest  ", start), "rest");
  const DocumentNumbering column{6, 3, 0, 0};
  EXPECT_EQ(ComparableLine("text  123", column), "text");
  EXPECT_EQ(ComparableLine("text  123tail", column), "text  tail");
  EXPECT_EQ(ComparableLine("text  12", column), "text  12");
}

TEST(ComparableText, DamagedRecordsKeepTheLinesBeforeAndOtherBytesAreNoHeader) {
  std::string bytes = Records({MpeHeaderRecord(80, 0), "ONE", "TWO"});
  bytes += std::string("\0\x10SHORT", 7);  // a record of 16 bytes that has 5
  const ComparableText text = MakeComparableText(bytes, true, DocumentNumbering{});
  EXPECT_TRUE(text.damaged);
  EXPECT_FALSE(text.ok());
  EXPECT_EQ(text.lines, (Lines{"ONE", "TWO"}));

  // Records that start with no header are not a transfer-form file.
  const ComparableText plain = MakeComparableText(Records({"JUST TEXT"}), true);
  EXPECT_EQ(plain.error, LoadError::kNotAHeader);
  EXPECT_EQ(ReadComparableText("/nonexistent/zvd-file", false).error, LoadError::kOpen);
}

}  // namespace
}  // namespace vandrel
