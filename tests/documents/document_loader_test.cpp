#include "documents/document_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/header_records.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::string_view text) { return {text.begin(), text.end()}; }

void Add(Bytes& out, std::string_view record) { ASSERT_TRUE(AppendRecord(out, record)); }

// A record-form file: optional Qedit header, MPE header, labels, data records.
Bytes RecordFile(std::string_view qedit, std::string_view mpe,
                 const std::vector<std::string>& labels, const std::vector<std::string>& data) {
  Bytes out;
  if (!qedit.empty()) Add(out, qedit);
  Add(out, mpe);
  for (const std::string& label : labels) Add(out, label);
  for (const std::string& line : data) Add(out, line);
  return out;
}

struct Loaded {
  LoadedDocument document;
  DocumentFormat format;
};

Loaded Load(Bytes bytes, std::uint32_t flags, bool detect = true) {
  Loaded loaded;
  loaded.format.formatFlags = flags;
  loaded.document = LoadDocument(std::make_unique<MemorySource>(std::move(bytes)), loaded.format,
                                 LoadOptions{detect});
  return loaded;
}

// What the handle reads from its position to the end.
Bytes Rest(LoadedDocument& document) {
  Bytes rest;
  EXPECT_TRUE(ReadToEnd(*document.file, rest));
  return rest;
}

TEST(LoadDocument, FindsTheLineEndsOfAPlainTextFile) {
  struct Case {
    std::string text;
    std::uint32_t lineEnds;
  };
  const Case cases[] = {
      {"first\r\nsecond\r\n", kLineEndCr | kLineEndLf},
      {"first\nsecond\r\n", kLineEndLf},
      {"first\rsecond\r", kLineEndCr},
      {"no terminator at all", 0},
      {std::string(2047, 'x') + "\n", 0},           // beyond the first 2,047 bytes
      {std::string(2046, 'x') + "\n", kLineEndLf},  // the last byte of the first line
      {std::string(2046, 'x') + "\r\n", kLineEndCr | kLineEndLf},
      {"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20));
    Loaded loaded = Load(Text(c.text), kFormatLocal);
    ASSERT_TRUE(loaded.document);
    EXPECT_EQ(loaded.format.lineEnds, c.lineEnds);
    EXPECT_EQ(loaded.document.dataOffset, 0);
    EXPECT_EQ(Rest(loaded.document), Text(c.text));  // handed back at the start
  }
}

TEST(LoadDocument, DetectsNumbersInPlainTextOnlyWhenAsked) {
  std::string text;
  for (int i = 1; i <= 30; ++i) text += std::to_string(100000 + i * 100).substr(1) + " LINE\n";
  Loaded loaded = Load(Text(text), kFormatLocal);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.numbering, (DocumentNumbering{1, 5, 100, 100}));
  EXPECT_EQ(Rest(loaded.document), Text(text));

  loaded = Load(Text(text), kFormatLocal, /*detect=*/false);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.numbering, DocumentNumbering{});

  // An empty file: no line ends, no numbering.
  loaded = Load({}, kFormatLocal);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.lineEnds, 0u);
  EXPECT_EQ(loaded.format.numbering, DocumentNumbering{});
}

TEST(LoadDocument, ReadsTheMpeHeaderAndKeepsTheLabelsByteForByte) {
  const std::string label1 = std::string("LABEL ONE\0\x01\xff", 12);
  const std::string label2(256, 'L');
  std::vector<std::string> data;
  for (int i = 1; i <= 5; ++i) data.push_back("DATA LINE " + std::to_string(i));
  const Bytes file =
      RecordFile("",
                 "MVER=1 FCODE=1052 LW=\"LOCKWORD\" RECLEN=-80 BFACT=16 TYPE=0 MODE=1 EOF=5 "
                 "LIMIT=00000100 #L=2 M#L=4 CCTL=0 ACD=\"R:ANY; W:AC\"",
                 {label1, label2}, data);
  Loaded loaded = Load(file, kFormatRecordForm);
  ASSERT_TRUE(loaded.document);
  const MpeHeader& mpe = loaded.format.mpe;
  EXPECT_EQ(mpe.fcode, 1052);
  EXPECT_EQ(mpe.lw, "LOCKWOR");
  EXPECT_EQ(mpe.reclen, -80);
  EXPECT_EQ(mpe.limit, 100);
  EXPECT_EQ(mpe.labels, 2);
  EXPECT_EQ(mpe.acd, "R:ANY; W:AC");
  Bytes labels;
  Add(labels, label1);
  Add(labels, label2);
  EXPECT_EQ(mpe.labelBlock, labels);
  EXPECT_EQ(loaded.format.formatFlags, kFormatRecordForm);
  EXPECT_EQ(loaded.format.lineEnds, 0u);  // not looked at in record form

  // The handle stands at the first data record.
  Bytes records;
  for (const std::string& line : data) Add(records, line);
  EXPECT_EQ(loaded.document.dataOffset, static_cast<std::int64_t>(file.size() - records.size()));
  EXPECT_EQ(loaded.document.file->Position(), loaded.document.dataOffset);
  EXPECT_EQ(Rest(loaded.document), records);

  // The save path writes the same header back.
  const auto block = BuildHeaderBlock(loaded.format);
  ASSERT_TRUE(block);
  DocumentFormat again;
  again.formatFlags = kFormatRecordForm;
  Bytes rewritten = block->bytes;
  rewritten.insert(rewritten.end(), records.begin(), records.end());
  ASSERT_TRUE(LoadDocument(std::make_unique<MemorySource>(rewritten), again, {}));
  EXPECT_EQ(again.mpe, loaded.format.mpe);
}

TEST(LoadDocument, TakesTheNumberingFromAQeditHeader) {
  std::vector<std::string> data = {"IDENTIFICATION DIVISION.", "PROGRAM-ID. X."};
  const Bytes file = RecordFile("QVER=1 LANG=5 RECLEN=80 EOF=2 LNL=8 LNJ=0",
                                "mver=1 fcode=111 reclen=512 type=0 mode=0", {}, data);
  Loaded loaded = Load(file, kFormatRecordForm, /*detect=*/false);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.formatFlags, kFormatRecordForm | kFormatQedit);
  EXPECT_EQ(loaded.format.qedit, (QeditHeader{1, 5, 80, 2, 8, 0}));
  EXPECT_EQ(loaded.format.mpe.fcode, 111);
  EXPECT_EQ(loaded.format.numbering, (DocumentNumbering{72, 8, 1000, 100}));

  // Detection finds nothing in these lines and leaves the header's numbering.
  loaded = Load(file, kFormatRecordForm | kFormatQedit);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.numbering, (DocumentNumbering{72, 8, 1000, 100}));

  // Numbers at the left.
  loaded =
      Load(RecordFile("QVER=1 RECLEN=80 LNL=6 LNJ=1", "MVER=1", {}, data), kFormatQedit, false);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.numbering, (DocumentNumbering{1, 6, 1000, 100}));
  EXPECT_TRUE(loaded.format.IsRecordForm());  // header records mean record form

  // No LNL: no numbering; an LNL that leaves no column at the end: none either.
  loaded = Load(RecordFile("QVER=1 RECLEN=80", "MVER=1", {}, data), kFormatRecordForm, false);
  EXPECT_EQ(loaded.format.numbering, DocumentNumbering{});
  loaded = Load(RecordFile("QVER=1 LNL=8", "MVER=1", {}, data), kFormatRecordForm, false);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.numbering, DocumentNumbering{});
}

TEST(LoadDocument, FlagsFollowTheHeadersTheFileHolds) {
  // A download announced as Qedit that carries only an MPE header is not Qedit.
  Loaded loaded =
      Load(RecordFile("", "MVER=1 FCODE=111", {}, {"A"}), kFormatRecordForm | kFormatQedit);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.formatFlags, kFormatRecordForm);
  EXPECT_EQ(loaded.format.qedit, QeditHeader{});
}

TEST(LoadDocument, DetectsNumbersInRecords) {
  std::vector<std::string> data;
  for (int i = 1; i <= 25; ++i) {
    std::string line = "       MOVE A TO B.";
    line.resize(72, ' ');
    data.push_back(line + std::to_string(100000000 + i * 10000).substr(1));
  }
  const Bytes file = RecordFile("", "MVER=1 RECLEN=80 #L=1", {"LABEL"}, data);
  Loaded loaded = Load(file, kFormatRecordForm);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.format.numbering, (DocumentNumbering{72, 8, 10000, 10000}));
  EXPECT_EQ(loaded.document.file->Position(), loaded.document.dataOffset);
}

TEST(LoadDocument, FailsOnBadHeadersAndReleasesTheHeaderData) {
  const std::string mpe = "MVER=1 RECLEN=80";
  Bytes tooLong;
  Add(tooLong, "M" + std::string(kMaxHeaderRecordLength, ' '));
  Bytes longest;
  std::string longestText = "MVER=1";
  longestText.resize(kMaxHeaderRecordLength, ' ');
  Add(longest, longestText);
  Bytes truncated = RecordFile("", mpe, {}, {});
  truncated.pop_back();
  Bytes qeditTooLong;
  Add(qeditTooLong, "QVER=1");
  Add(qeditTooLong, "M" + std::string(kMaxHeaderRecordLength, ' '));

  struct Case {
    const char* name;
    Bytes bytes;
    LoadError error;
    int parseError = 0;
  };
  const Case cases[] = {
      {"empty file", {}, LoadError::kHeaderRead},
      {"one length byte", {0x00}, LoadError::kHeaderRead},
      {"truncated header", truncated, LoadError::kHeaderRead},
      {"header over 8,190 bytes", tooLong, LoadError::kHeaderTooLong},
      {"Qedit then header over 8,190 bytes", qeditTooLong, LoadError::kHeaderTooLong},
      {"empty header record", RecordFile("", "", {}, {}), LoadError::kNotAHeader},
      {"neither Q nor M", RecordFile("", "XVER=1", {}, {"M"}), LoadError::kNotAHeader},
      {"Qedit without MPE", RecordFile("QVER=1", "QVER=1", {}, {}), LoadError::kNoMpeHeader},
      {"Qedit and nothing more", RecordFile("", "QVER=1", {}, {}), LoadError::kHeaderRead},
      {"unknown key", RecordFile("", "MVER=1 XX=1", {}, {}), LoadError::kHeaderParse, 1},
      {"key twice", RecordFile("", "MVER=1 RECLEN=80 re=72", {}, {}), LoadError::kHeaderParse, 2},
      {"value missing", RecordFile("", "MVER=1 RECLEN", {}, {}), LoadError::kHeaderParse, 4},
      {"Qedit parse error", RecordFile("QVER=1 EO=3", mpe, {}, {}), LoadError::kHeaderParse, 1},
      {"#L past the end", RecordFile("", "MVER=1 #L=3", {"ONE", "TWO"}, {}), LoadError::kLabels},
      {"#L below 0", RecordFile("", "MVER=1 #L=-1", {}, {"A"}), LoadError::kLabels},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded loaded;
    loaded.format.formatFlags = kFormatRecordForm;
    loaded.format.mpe.labelBlock = {1, 2, 3};
    loaded.format.mpe.acd = "OLD";
    loaded.document =
        LoadDocument(std::make_unique<MemorySource>(c.bytes), loaded.format, LoadOptions{});
    EXPECT_FALSE(loaded.document);
    EXPECT_EQ(loaded.document.error, c.error);
    EXPECT_EQ(loaded.document.parseError, c.parseError);
    EXPECT_TRUE(loaded.format.mpe.labelBlock.empty());
    EXPECT_TRUE(loaded.format.mpe.acd.empty());
  }

  // A label whose length runs past the end of the file.
  Bytes shortLabel = RecordFile("", "MVER=1 #L=1", {"LABEL"}, {});
  shortLabel.pop_back();
  EXPECT_EQ(Load(shortLabel, kFormatRecordForm).document.error, LoadError::kLabels);

  // The longest header record is accepted.
  Loaded loaded = Load(longest, kFormatRecordForm);
  ASSERT_TRUE(loaded.document);
  EXPECT_EQ(loaded.document.dataOffset, static_cast<std::int64_t>(2 + kMaxHeaderRecordLength));
}

TEST(LoadDocument, OpensTheFileWithoutSharing) {
  testing::TempDir dir;
  const auto path = dir / "zvd1.tmp";
  testing::WriteBytes(path, RecordFile("", "MVER=1 FCODE=5", {}, {"000100 A", "000200 B"}));

  DocumentFormat format;
  format.formatFlags = kFormatRecordForm;
  LoadedDocument first = LoadDocument(path, format, {});
  ASSERT_TRUE(first);
  EXPECT_EQ(format.mpe.fcode, 5);
  EXPECT_EQ(format.numbering, (DocumentNumbering{1, 6, 100, 100}));
  EXPECT_EQ(first.file->Position(), first.dataOffset);

  // While the handle is open a second load fails.
  DocumentFormat second;
  second.formatFlags = kFormatRecordForm;
  second.mpe.acd = "OLD";
  LoadedDocument blocked = LoadDocument(path, second, {});
  EXPECT_FALSE(blocked);
  EXPECT_EQ(blocked.error, LoadError::kOpen);
  EXPECT_TRUE(second.mpe.acd.empty());

  first = {};
  EXPECT_TRUE(LoadDocument(path, second, {}));
  EXPECT_EQ(LoadDocument(dir / "missing", second, {}).error, LoadError::kOpen);
  EXPECT_EQ(LoadDocument(dir.path(), second, {}).error, LoadError::kOpen);
}

TEST(ReleaseHeaderData, FreesTheLabelsAndTheAcd) {
  DocumentFormat format;
  format.mpe.labels = 1;
  format.mpe.labelBlock = {0, 1, 'x'};
  format.mpe.acd = "R:ANY";
  ReleaseHeaderData(format);
  EXPECT_TRUE(format.mpe.labelBlock.empty());
  EXPECT_TRUE(format.mpe.acd.empty());
  EXPECT_EQ(format.mpe.labels, 1);
}

}  // namespace
}  // namespace vandrel
