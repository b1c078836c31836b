#include "editor/control_document.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "documents/document_loader.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::string Records(const std::vector<std::string>& records) {
  std::string out;
  for (const std::string& r : records) {
    out.push_back(static_cast<char>(r.size() >> 8));
    out.push_back(static_cast<char>(r.size() & 0xFF));
    out += r;
  }
  return out;
}

std::string Padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

LoadRequest Request(std::uint32_t flags) {
  LoadRequest request;
  request.flags = kLoadRequestAlways | flags;
  return request;
}

LoadRequest Numbered(std::uint32_t flags, std::int32_t column, std::int32_t digits,
                     std::int32_t start, std::int32_t increment) {
  LoadRequest request = Request(flags | kLoadRequestRemoveNumbers);
  request.numberColumn = column;
  request.numberDigits = digits;
  request.numberStart = start;
  request.numberIncrement = increment;
  return request;
}

SaveRequest SaveFlags(std::uint32_t flags) {
  SaveRequest request;
  request.flags = kSaveRequestAlways | flags;
  return request;
}

std::string SaveToString(const ControlDocument& doc, std::string_view text,
                         const SaveRequest& request) {
  std::string out;
  StringSink sink(out);
  const SaveOutcome outcome = doc.Save(text, request, sink);
  EXPECT_TRUE(outcome) << static_cast<int>(outcome.result) << " at line " << outcome.line;
  return out;
}

// Loads `data` and saves it straight back.
std::string RoundTrip(std::string_view data, const LoadRequest& load, const SaveRequest& save) {
  ControlDocument doc;
  const LoadOutcome loaded = doc.LoadData(Bytes(data), load);
  EXPECT_EQ(loaded.code, kLoadResultOk);
  return SaveToString(doc, loaded.text, save);
}

// ---- Round trips ---------------------------------------------------------------

TEST(ControlDocumentRoundTrip, RecordsWithKeptNumbersAtTheEnd) {
  // Position 72 (columns 73-80) travels as number column 71.
  const std::string data =
      Records({Padded("       IDENTIFICATION DIVISION.", 72) + "00010000",
               Padded("       PROGRAM-ID. X.", 72) + "00020000", Padded("", 72) + "00025000"});
  const LoadRequest load = Numbered(kLoadRequestRecordForm, 71, 8, 10000, 10000);
  ControlDocument doc;
  const LoadOutcome loaded = doc.LoadData(Bytes(data), load);
  ASSERT_EQ(loaded.code, kLoadResultOk);
  EXPECT_FALSE(loaded.binary);
  EXPECT_EQ(doc.LineCount(), 3);
  EXPECT_EQ(loaded.text.find('0'), std::string::npos);  // the numbers are out of the text
  EXPECT_EQ(doc.lines().NumberOfLine(2), 25000);
  EXPECT_EQ(doc.lines().LineWithNumber(20000), 1);
  EXPECT_EQ(doc.lines().LineWithNumber(30000), -1);
  EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(kSaveRequestRecordForm)), data);

  // Trimmed on load, the text is padded back up to the number column.
  EXPECT_EQ(
      RoundTrip(data, Numbered(kLoadRequestRecordForm | kLoadRequestTrim, 71, 8, 10000, 10000),
                SaveFlags(kSaveRequestRecordForm)),
      data);
}

TEST(ControlDocumentRoundTrip, NumbersAtTheStartKeptOrRegenerated) {
  const std::string data = Records({"000100 LINE ONE", "000150 LINE TWO", "000400"});
  const LoadRequest kept = Numbered(kLoadRequestRecordForm, 0, 6, 100, 100);
  ControlDocument doc;
  const LoadOutcome loaded = doc.LoadData(Bytes(data), kept);
  EXPECT_EQ(loaded.text, " LINE ONE\n LINE TWO\n");
  EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(kSaveRequestRecordForm)), data);

  const LoadRequest regenerated =
      Numbered(kLoadRequestRecordForm | kLoadRequestRenumber, 0, 6, 100, 100);
  EXPECT_EQ(RoundTrip(data, regenerated, SaveFlags(kSaveRequestRecordForm)),
            Records({"000100 LINE ONE", "000200 LINE TWO", "000300"}));
}

TEST(ControlDocumentRoundTrip, LineWithoutANumberFieldKeepsItsText) {
  // A short line and one with letters in the field are left whole and are
  // written back without a number.
  const std::string data = "000100A\nXY\nABCDEFG\n000300B\n";
  const LoadRequest load = Numbered(0, 0, 6, 100, 100);
  ControlDocument doc;
  const LoadOutcome loaded = doc.LoadData(Bytes(data), load);
  EXPECT_EQ(loaded.text, "A\nXY\nABCDEFG\nB");
  EXPECT_EQ(doc.lines().NumberOfLine(1), kNoLineNumber);
  EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(kSaveRequestLf)), data);
}

TEST(ControlDocumentRoundTrip, CobolTokens) {
  const std::string data = Records({Padded("       MOVE A TO B.", 72) + "GS201011",
                                    Padded("       ADD 1 TO C.", 72) + "OLD", "       SHORT LINE.",
                                    Padded("X", 90)});  // too long for a token: left whole
  const LoadRequest load = Request(kLoadRequestRecordForm | kLoadRequestCobol85);
  ControlDocument doc;
  LoadOutcome loaded = doc.LoadData(Bytes(data), load);
  ASSERT_EQ(loaded.code, kLoadResultOk);
  EXPECT_EQ(doc.lines().Token(0), "GS201011");
  EXPECT_EQ(doc.lines().Token(1), "OLD");
  EXPECT_EQ(doc.lines().Token(2), "");
  EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(kSaveRequestRecordForm)), data);

  // Changed lines take the window's token text (the token area shows its
  // first eight characters); unchanged lines keep theirs.
  doc.SetTokenText("GS261207-and-more-than-thirty-characters");
  EXPECT_EQ(doc.tokenText().size(), kMaxTokenTextLength);
  doc.lines().MarkChanged(1);
  doc.lines().MarkChanged(2);
  const std::string expected =
      Records({Padded("       MOVE A TO B.", 72) + "GS201011",
               Padded("       ADD 1 TO C.", 72) + "GS261207",
               Padded("       SHORT LINE.", 72) + "GS261207", Padded("X", 90)});
  EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(kSaveRequestRecordForm)), expected);

  // Once saved, the lines keep the token they were written with.
  doc.TextSaved();
  doc.SetTokenText("NEWTOKEN");
  EXPECT_FALSE(doc.lines().IsChanged(1));
  EXPECT_EQ(doc.lines().Token(2), "GS261207");
  EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(kSaveRequestRecordForm)), expected);

  // Without a token text, a changed line keeps its own token.
  doc.SetTokenText("");
  doc.lines().MarkChanged(0);
  EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(kSaveRequestRecordForm)), expected);
}

TEST(ControlDocumentRoundTrip, PlainTextLineEnds) {
  struct Case {
    std::string data;
    std::uint32_t saveFlags;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"one\r\ntwo\r\n", kSaveRequestCr | kSaveRequestLf, "one\ntwo"},
      {"one\ntwo\n", kSaveRequestLf, "one\ntwo"},
      {"one\rtwo\r", kSaveRequestCr, "one\ntwo"},
      {"one\ntwo", kSaveRequestLf, "one\ntwo"},  // no final line end stays so
      {"one\n\n", kSaveRequestLf, "one\n"},
      {"\n", kSaveRequestLf, ""},
      {"", kSaveRequestLf, ""},
  };
  for (const Case& c : cases) {
    ControlDocument doc;
    const LoadOutcome loaded = doc.LoadData(Bytes(c.data), Request(0));
    EXPECT_EQ(loaded.text, c.text) << c.data;
    EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(c.saveFlags)), c.data);
  }
  // Mixed line ends are each a line end; the save writes the requested one.
  EXPECT_EQ(RoundTrip("a\r\nb\nc\rd", Request(0), SaveFlags(kSaveRequestCr | kSaveRequestLf)),
            "a\r\nb\r\nc\r\nd");
}

TEST(ControlDocumentRoundTrip, EmptyRecordFileStaysEmptyUntilFilled) {
  ControlDocument doc;
  const LoadOutcome loaded = doc.LoadData({}, Request(kLoadRequestRecordForm));
  EXPECT_EQ(loaded.text, "");
  EXPECT_EQ(doc.LineCount(), 1);
  EXPECT_EQ(SaveToString(doc, "", SaveFlags(kSaveRequestRecordForm)), "");
  EXPECT_EQ(SaveToString(doc, "X", SaveFlags(kSaveRequestRecordForm)), Records({"X"}));
  // An empty record is a line like any other.
  EXPECT_EQ(
      RoundTrip(Records({""}), Request(kLoadRequestRecordForm), SaveFlags(kSaveRequestRecordForm)),
      Records({""}));
}

TEST(ControlDocumentRoundTrip, TrimAndTranslation) {
  ControlDocument doc;
  EXPECT_EQ(doc.LoadData(Bytes("a  \nb\t \n  c\n"), Request(kLoadRequestTrim)).text, "a\nb\n  c");

  LoadRequest load = Request(kLoadRequestRecordForm | kLoadRequestTranslate);
  CharacterTable upper{};
  CharacterTable lower{};
  for (int i = 0; i < 256; ++i) {
    upper[i] = static_cast<std::uint8_t>(i >= 'a' && i <= 'z' ? i - 32 : i);
    lower[i] = static_cast<std::uint8_t>(i >= 'A' && i <= 'Z' ? i + 32 : i);
  }
  load.characterTable = upper;
  const LoadOutcome loaded = doc.LoadData(Bytes(Records({"abc", "x y"})), load);
  EXPECT_EQ(loaded.text, "ABC\nX Y");
  SaveRequest save = SaveFlags(kSaveRequestRecordForm | kSaveRequestTranslate);
  save.characterTable = lower;
  EXPECT_EQ(SaveToString(doc, loaded.text, save), Records({"abc", "x y"}));
}

TEST(ControlDocumentRoundTrip, ThroughFiles) {
  testing::TempDir dir;
  const std::string data = "HEADER" + Records({"000100 A", "000200 B"});
  {
    std::FILE* f = std::fopen((dir / "in").c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
  auto source = FileSource::Open(dir / "in");
  ASSERT_NE(source, nullptr);
  LoadRequest load = Numbered(kLoadRequestRecordForm | kLoadRequestDataOffset, 0, 6, 100, 100);
  load.file = source.get();
  load.dataOffset = 6;
  ControlDocument doc;
  const LoadOutcome loaded = doc.Load(load);
  ASSERT_EQ(loaded.code, kLoadResultOk);
  EXPECT_EQ(loaded.text, " A\n B");

  const int fd = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "HEADER", 6), 6);
  SaveRequest save = SaveFlags(kSaveRequestRecordForm | kSaveRequestDataOffset);
  save.fd = fd;
  save.dataOffset = 6;
  EXPECT_TRUE(doc.Save(loaded.text, save));
  ::close(fd);
  EXPECT_EQ(testing::ReadBytes(dir / "out"), Bytes(data));
}

TEST(ControlDocumentRoundTrip, NewDocumentNumberedFromTheTemplate) {
  // The description carries position - 1: 71 puts the numbers in columns 73-80.
  ControlDocument doc;
  const NumberingDescription atEnd{kNumberingRenumber, 0, 8, 71, 1000, 1000};
  ASSERT_TRUE(doc.SetNumbering(&atEnd));
  doc.lines().InsertLines(1, 1);
  EXPECT_EQ(SaveToString(doc, "A\nB", SaveFlags(kSaveRequestRecordForm)),
            Records({Padded("A", 72) + "00001000", Padded("B", 72) + "00002000"}));

  const NumberingDescription atStart{kNumberingKeep, 1, 6, 0, 100, 100};
  ASSERT_TRUE(doc.SetNumbering(&atStart));
  EXPECT_EQ(doc.lines().numbering().mode, NumberingMode::kKept);
  EXPECT_TRUE(doc.lines().tokens());
  doc.lines().InsertLines(2, 1);
  EXPECT_EQ(SaveToString(doc, "A\nB\nC", SaveFlags(kSaveRequestLf)), "000100A\n000200B\n000300C\n");
  const NumberingDescription bad{kNumberingKeep, 0, 0, 0, 100, 100};
  EXPECT_FALSE(doc.SetNumbering(&bad));
  EXPECT_TRUE(doc.SetNumbering(nullptr));
  EXPECT_EQ(SaveToString(doc, "A\nB\nC", SaveFlags(kSaveRequestLf)), "A\nB\nC\n");
}

// ---- Binary data and bad data ----------------------------------------------------

TEST(ControlDocumentLoad, BinaryData) {
  ControlDocument doc;
  EXPECT_FALSE(doc.LoadData(Bytes("plain\ttext\fpage\n"), Request(0)).binary);
  EXPECT_TRUE(doc.LoadData(Bytes(std::string("a\0b\n", 4)), Request(0)).binary);
  EXPECT_TRUE(doc.LoadData(Bytes("\x01\x02\x03\x04 abc\n"), Request(0)).binary);

  // A record holding CR and LF bytes: shown with substitutes, written back
  // whole while the line is unchanged.
  const std::string data = Records({"first", "a\nb\rc", "last"});
  const LoadOutcome loaded = doc.LoadData(Bytes(data), Request(kLoadRequestRecordForm));
  EXPECT_TRUE(loaded.binary);
  EXPECT_EQ(loaded.text,
            "first\na\x1A"
            "b\x1A"
            "c\nlast");
  EXPECT_EQ(doc.LineCount(), 3);
  EXPECT_EQ(SaveToString(doc, loaded.text, SaveFlags(kSaveRequestRecordForm)), data);
  // The original follows its line through edits, and goes when it changes.
  doc.lines().InsertLines(0, 1);
  EXPECT_EQ(SaveToString(doc, "new\n" + loaded.text, SaveFlags(kSaveRequestRecordForm)),
            Records({"new", "first", "a\nb\rc", "last"}));
  doc.lines().MarkChanged(2);
  EXPECT_EQ(SaveToString(doc, "new\n" + loaded.text, SaveFlags(kSaveRequestRecordForm)),
            Records({"new", "first",
                     "a\x1A"
                     "b\x1A"
                     "c",
                     "last"}));
}

TEST(ControlDocumentLoad, ResultCodes) {
  ControlDocument doc;
  const LoadOutcome good = doc.LoadData(Bytes(Records({"keep"})), Request(kLoadRequestRecordForm));
  ASSERT_EQ(good.code, kLoadResultOk);

  // A record running past the end, or half a length: corrupted record.
  std::string truncated = Records({"abc", "defgh"});
  truncated.pop_back();
  EXPECT_EQ(doc.LoadData(Bytes(truncated), Request(kLoadRequestRecordForm)).code,
            kLoadResultCorruptedRecord);
  EXPECT_EQ(doc.LoadData(Bytes(Records({"abc"}) + "\x01"), Request(kLoadRequestRecordForm)).code,
            kLoadResultCorruptedRecord);
  // Requests that cannot be honoured.
  EXPECT_EQ(doc.LoadData(Bytes("x"), Numbered(0, 0, 0, 1, 1)).code, kLoadResultFormat);
  EXPECT_EQ(doc.LoadData(Bytes("x"), Numbered(0, -1, 6, 1, 1)).code, kLoadResultFormat);
  EXPECT_EQ(doc.LoadData(Bytes("x"), Request(kLoadRequestTranslate)).code, kLoadResultFormat);
  // No file at all.
  EXPECT_EQ(doc.Load(Request(0)).code, kLoadResultReadFailed);
  // A failed load leaves the document as it was.
  EXPECT_EQ(doc.LineCount(), 1);
  EXPECT_EQ(SaveToString(doc, good.text, SaveFlags(kSaveRequestRecordForm)), Records({"keep"}));
}

// ---- Save refusals ------------------------------------------------------------------

TEST(ControlDocumentSave, RefusesWhatWouldDamageTheFile) {
  ControlDocument doc;
  std::string out;
  StringSink sink(out);
  const LoadOutcome loaded = doc.LoadData(Bytes(Records({Padded("A", 72) + "00010000"})),
                                          Numbered(kLoadRequestRecordForm, 71, 8, 10000, 10000));
  ASSERT_EQ(loaded.code, kLoadResultOk);
  SaveOutcome outcome = doc.Save(Padded("A", 73), SaveFlags(kSaveRequestRecordForm), sink);
  EXPECT_EQ(outcome.result, SaveResult::kOverlapsNumbers);
  EXPECT_EQ(outcome.line, 0);
  EXPECT_EQ(doc.Save("a\nb", SaveFlags(kSaveRequestRecordForm), sink).result,
            SaveResult::kLineCountMismatch);
  doc.lines().InsertLines(1, 1);
  EXPECT_EQ(doc.Save("a", SaveFlags(kSaveRequestRecordForm), sink).result,
            SaveResult::kLineCountMismatch);

  // Regenerated numbers that outgrow their digits.
  doc.LoadData(Bytes("a\nb\nc\n"), Numbered(kLoadRequestRenumber, 0, 1, 5, 2));
  EXPECT_EQ(doc.lines().NumberOfLine(2), 9);
  doc.lines().InsertLines(3, 1);
  outcome = doc.Save("a\nb\nc\nd", SaveFlags(kSaveRequestLf), sink);
  EXPECT_EQ(outcome.result, SaveResult::kNumberTooWide);
  EXPECT_EQ(outcome.line, 3);

  // A token after a line that reaches into the token area; a record too long.
  doc.LoadData(Bytes(Records({Padded("A", 72) + "TOKEN"})),
               Request(kLoadRequestRecordForm | kLoadRequestCobol85));
  EXPECT_EQ(doc.Save(Padded("A", 73), SaveFlags(kSaveRequestRecordForm), sink).result,
            SaveResult::kOverlapsToken);
  doc.LoadData({}, Request(kLoadRequestRecordForm));
  EXPECT_EQ(doc.Save(std::string(70000, 'x'), SaveFlags(kSaveRequestRecordForm), sink).result,
            SaveResult::kRecordTooLong);
  EXPECT_TRUE(doc.Save(std::string(70000, 'x'), SaveFlags(kSaveRequestLf), sink));
}

TEST(ControlDocumentSave, TabsAsSpacesAndLongestLine) {
  ControlDocument doc;
  doc.SetTabWidth(4);
  const std::string text = "ab\tc\n\t\tx\nlongest-no-tab";
  doc.LoadData(Bytes(text), Request(0));
  EXPECT_EQ(doc.MeasureLongestLine(text, false), (LongestLine{14, 2}));
  EXPECT_EQ(doc.MeasureLongestLine("\t\t\t\tx\nabc", true), (LongestLine{17, 0}));
  EXPECT_EQ(doc.MeasureLongestLine("\t\t\t\tx\nabc", false), (LongestLine{5, 0}));
  EXPECT_EQ(doc.MeasureLongestLine("", true), (LongestLine{0, 0}));
  EXPECT_EQ(SaveToString(doc, text, SaveFlags(kSaveRequestLf | kSaveRequestTabsAsSpaces)),
            "ab  c\n        x\nlongest-no-tab");

  // Tab positions first, then the tab width.
  const std::int32_t positions[] = {6, 10};
  doc.SetTabPositions(2, positions);
  EXPECT_EQ(doc.MeasureLongestLine("\tA\tB\tC", true), (LongestLine{13, 0}));
  EXPECT_EQ(
      SaveToString(doc, "\tA\tB\tC\n\n", SaveFlags(kSaveRequestLf | kSaveRequestTabsAsSpaces)),
      "      A   B C\n\n");
}

}  // namespace
}  // namespace vandrel
