#include "documents/header_records.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "documents/document_loader.h"

namespace vandrel {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

MpeHeader SampleMpe() {
  MpeHeader mpe;
  mpe.mver = 1;
  mpe.fcode = 1052;
  mpe.lw = "SECRET";
  mpe.reclen = -80;
  mpe.bfact = 16;
  mpe.type = 0;
  mpe.mode = 1;
  mpe.eof = 1234;
  mpe.limit = 5000;
  mpe.labels = 0;
  mpe.maxLabels = 2;
  mpe.cctl = 1;
  mpe.acd = "R,W:ANY; X:AC";
  return mpe;
}

TEST(HeaderRecords, WritesTheHeaderTextsSavingSends) {
  QeditHeader qedit{7, 5, 80, 3, 8, 0};  // QVER is written as 1 whatever it holds
  EXPECT_EQ(FormatQeditHeader(qedit), "QVER=1 LANG=5 RECLEN=80 EOF=3 LNL=8 LNJ=0");

  MpeHeader mpe = SampleMpe();
  mpe.mver = 9;
  const auto text = FormatMpeHeader(mpe);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->text,
            "MVER=1 FCODE=1052 LW=\"SECRET\" RECLEN=-80 BFACT=16 TYPE=0 MODE=1 EOF=1234 "
            "LIMIT=00005000 #L=0 M#L=2 CCTL=1 ACD=\"R,W:ANY; X:AC\"");
  EXPECT_EQ(text->text.substr(text->limitDigits, 8), "00005000");

  // An empty lockword and ACD are written as empty quoted values.
  const auto empty = FormatMpeHeader(MpeHeader{});
  ASSERT_TRUE(empty);
  EXPECT_NE(empty->text.find("LW=\"\" "), std::string::npos);
  EXPECT_TRUE(empty->text.ends_with("ACD=\"\""));
}

TEST(HeaderRecords, WrittenHeadersReadBackUnchanged) {
  MpeHeader mpe = SampleMpe();
  const auto text = FormatMpeHeader(mpe);
  ASSERT_TRUE(text);
  MpeHeader back;
  ASSERT_EQ(ParseMpeHeader(text->text, back), 0);
  EXPECT_EQ(back, mpe);

  QeditHeader qedit{1, 5, 80, 3, 8, 1};
  QeditHeader qback;
  ASSERT_EQ(ParseQeditHeader(FormatQeditHeader(qedit), qback), 0);
  EXPECT_EQ(qback, qedit);
}

TEST(HeaderRecords, QuotesTextValuesSoTheyReadBack) {
  // A double quote in a value would end it early: such values go in single
  // quotes; a value holding both kinds cannot be written.
  EXPECT_EQ(QuoteHeaderValue("A B"), "\"A B\"");
  EXPECT_EQ(QuoteHeaderValue("it's"), "\"it's\"");
  EXPECT_EQ(QuoteHeaderValue("say \"x\""), "'say \"x\"'");
  EXPECT_FALSE(QuoteHeaderValue("\"'"));

  MpeHeader mpe = SampleMpe();
  mpe.lw = "AB\"C";
  mpe.acd = "R:\"ANY\" W=AC";
  const auto text = FormatMpeHeader(mpe);
  ASSERT_TRUE(text);
  MpeHeader back;
  ASSERT_EQ(ParseMpeHeader(text->text, back), 0);
  EXPECT_EQ(back, mpe);

  mpe.acd = "R:'A' W:\"B\"";
  EXPECT_FALSE(FormatMpeHeader(mpe));
  // A header the loader would refuse is not written either.
  mpe.acd = std::string(kMaxHeaderRecordLength, 'A');
  EXPECT_FALSE(FormatMpeHeader(mpe));
  DocumentFormat format;
  format.mpe = mpe;
  EXPECT_FALSE(BuildHeaderBlock(format));
}

TEST(HeaderRecords, AcceptsLowerCaseAndShortenedKeys) {
  MpeHeader mpe;
  ASSERT_EQ(ParseMpeHeader("mver=1 fc=111 RE=80 ty=9 mo=1 EO=3 li=00000100 #l=2 m#=4 "
                           "cc=0 lw=LONGLOCKWORD acd='A B'",
                           mpe),
            0);
  EXPECT_EQ(mpe.fcode, 111);
  EXPECT_EQ(mpe.reclen, 80);
  EXPECT_EQ(mpe.type, 9);
  EXPECT_EQ(mpe.eof, 3);
  EXPECT_EQ(mpe.limit, 100);
  EXPECT_EQ(mpe.labels, 2);
  EXPECT_EQ(mpe.maxLabels, 4);
  EXPECT_EQ(mpe.lw, "LONGLOC");  // cut to 7 characters
  EXPECT_EQ(mpe.acd, "A B");

  // Keys absent from the text leave their fields alone.
  MpeHeader partial;
  partial.bfact = 42;
  ASSERT_EQ(ParseMpeHeader("MVER=1", partial), 0);
  EXPECT_EQ(partial.bfact, 42);

  // In the Qedit table EOF, LNL and LNJ need three characters.
  QeditHeader qedit;
  ASSERT_EQ(ParseQeditHeader("qv=1 la=5 re=72 eof=9 lnl=6 lnj=1", qedit), 0);
  EXPECT_EQ(qedit, (QeditHeader{1, 5, 72, 9, 6, 1}));
  EXPECT_EQ(ParseQeditHeader("EO=9", qedit), 1);
  EXPECT_EQ(ParseQeditHeader("LN=6", qedit), 1);
}

TEST(HeaderRecords, RejectsInvalidHeadersWithoutStoringAnything) {
  struct Case {
    const char* text;
    int error;
  };
  const Case cases[] = {
      {"MVER=1 XYZ=2", 1},     // unknown key
      {"M=1", 1},              // shorter than the minimum and no key of that length
      {"RECLEN=80 RE=72", 2},  // given twice
      {"MVER=1 RECLEN", 4},    // no value
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    MpeHeader mpe;
    EXPECT_EQ(ParseMpeHeader(c.text, mpe), c.error);
    EXPECT_EQ(mpe, MpeHeader{});
  }
}

TEST(HeaderRecords, ReadsNumbersAsDecimalIntegers) {
  EXPECT_EQ(HeaderNumber("00000080"), 80);
  EXPECT_EQ(HeaderNumber("-80"), -80);
  EXPECT_EQ(HeaderNumber("+7"), 7);
  EXPECT_EQ(HeaderNumber("12abc"), 12);
  EXPECT_EQ(HeaderNumber("abc"), 0);
  EXPECT_EQ(HeaderNumber(""), 0);
  EXPECT_EQ(HeaderNumber("99999999999999999999"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(HeaderNumber("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(HeaderNumber("-99999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(HeaderRecords, FramesRecordsWithABigEndianLength) {
  std::vector<std::uint8_t> out;
  ASSERT_TRUE(AppendRecord(out, std::string_view("AB")));
  ASSERT_TRUE(AppendRecord(out, std::string(300, 'x')));
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[4], 1);
  EXPECT_EQ(out[5], 44);
  EXPECT_EQ(out.size(), 2u + 2 + 2 + 300);
  EXPECT_FALSE(AppendRecord(out, std::string(kMaxRecordLength + 1, 'x')));
  EXPECT_EQ(out.size(), 306u);

  MemorySource source(out);
  std::vector<std::uint8_t> record;
  EXPECT_EQ(ReadRecord(source, record), RecordRead::kOk);
  EXPECT_EQ(record, Bytes("AB"));
  EXPECT_EQ(ReadRecord(source, record, 299), RecordRead::kTooLong);

  MemorySource oneByte(Bytes("\x01"));
  EXPECT_EQ(ReadRecord(oneByte, record), RecordRead::kShort);
  MemorySource shortRecord(
      Bytes(std::string("\x00\x05"
                        "abc",
                        5)));
  EXPECT_EQ(ReadRecord(shortRecord, record), RecordRead::kShort);
  MemorySource nothing(std::vector<std::uint8_t>{});
  EXPECT_EQ(ReadRecord(nothing, record), RecordRead::kEnd);
}

TEST(HeaderRecords, BuildsTheHeaderBlockOfARecordFormDocument) {
  DocumentFormat format;
  format.formatFlags = kFormatRecordForm | kFormatQedit;
  format.qedit = {1, 5, 80, 2, 8, 0};
  format.mpe = SampleMpe();
  format.mpe.type = 9;
  format.mpe.labels = 1;
  format.mpe.labelBlock = {0, 3, 'L', 'B', 'L'};
  const auto block = BuildHeaderBlock(format);
  ASSERT_TRUE(block);

  MemorySource source(block->bytes);
  std::vector<std::uint8_t> record;
  ASSERT_EQ(ReadRecord(source, record), RecordRead::kOk);
  EXPECT_EQ(record, Bytes(FormatQeditHeader(format.qedit)));
  ASSERT_EQ(ReadRecord(source, record), RecordRead::kOk);
  EXPECT_EQ(record, Bytes(FormatMpeHeader(format.mpe)->text));
  ASSERT_EQ(ReadRecord(source, record), RecordRead::kOk);
  EXPECT_EQ(record, Bytes("LBL"));
  EXPECT_EQ(ReadRecord(source, record), RecordRead::kEnd);
  EXPECT_EQ(std::string(block->bytes.begin() + block->limitDigits,
                        block->bytes.begin() + block->limitDigits + 8),
            "00005000");

  // Without labels (#L 0) no label block is written, whatever it holds.
  format.formatFlags = kFormatRecordForm;
  format.mpe.labels = 0;
  const auto plain = BuildHeaderBlock(format);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->bytes.size(), 2 + FormatMpeHeader(format.mpe)->text.size());
}

}  // namespace
}  // namespace vandrel
