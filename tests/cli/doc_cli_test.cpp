#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "cli_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::Cli;
using ::testing::HasSubstr;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using Bytes = std::vector<std::uint8_t>;

void AppendRecord(Bytes& out, const std::string& bytes) {
  out.push_back(static_cast<std::uint8_t>(bytes.size() >> 8));
  out.push_back(static_cast<std::uint8_t>(bytes.size() & 0xFF));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::string Numbered(const std::string& text, int number) {
  std::string line = text;
  line.resize(72, ' ');
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08d", number);
  return line + digits;
}

// A Qedit COBOL file as a download writes it: Qedit header, MPE header in the
// form the save path writes, two user labels (one holding CR LF and zero
// bytes), then 80-byte records with numbers in columns 73-80 – one of them
// out of step, one line blank.
Bytes QeditFixture() {
  Bytes out;
  AppendRecord(out, "QVER=1 LANG=3 RECLEN=80 EOF=4 LNL=8 LNJ=0");
  AppendRecord(out,
               "MVER=1 FCODE=111 LW=\"\" RECLEN=512 BFACT=1 TYPE=0 MODE=0 EOF=4 "
               "LIMIT=00000004 #L=2 M#L=4 CCTL=0 ACD=\"\"");
  std::string label(60, '\0');
  for (std::size_t i = 0; i < label.size(); ++i) label[i] = static_cast<char>(i * 7);
  AppendRecord(out, label);
  AppendRecord(out, std::string("\x00\x01LABEL2\r\n", 10));
  AppendRecord(out, Numbered("       IDENTIFICATION DIVISION.", 1000));
  AppendRecord(out, Numbered("       PROGRAM-ID. DEMO.", 2000));
  AppendRecord(out, Numbered("", 2500));
  AppendRecord(out, Numbered("       STOP RUN.", 3000));
  return out;
}

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(DocCli, QeditFileWithLabelsAndNumbersRoundTripsByteForByte) {
  TempDir dir;
  const auto file = dir / "demo.dat";
  WriteBytes(file, QeditFixture());

  // Numbers left in the text, taken out and kept, and taken out by a template.
  auto result = Cli(dir, {"doc", "roundtrip", file.string(), "--record"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_THAT(result.out, HasSubstr("identical"));
  result = Cli(dir, {"doc", "roundtrip", file.string(), "--record", "--remove-numbers", "72,8"});
  EXPECT_EQ(result.exitCode, 0) << result.out;

  std::ofstream(dir / "kept.vdtsrc") << "[Template]\nName = \"Kept Eight\"\nRemoveLineNumbers = 1\n"
                                        "KeepSequence = 1\nLineNumberPosition = 2\n"
                                        "LineNumberDigits = 8\n";
  std::filesystem::create_directories(dir / "templates");
  ASSERT_EQ(Cli(dir, {"template", "build", (dir / "kept.vdtsrc").string(),
                      (dir / "templates" / "kept.vdt").string()})
                .exitCode,
            0);
  ASSERT_EQ(Cli(dir, {"settings", "set", "TemplatesFolder", (dir / "templates").string()}).exitCode,
            0);
  result = Cli(dir, {"doc", "roundtrip", file.string(), "--record", "--template", "kept eight"});
  EXPECT_EQ(result.exitCode, 0) << result.out;

  // The template takes the numbers out of the text the editor shows.
  result = Cli(
      dir, {"doc", "totext", file.string(), "--record", "--template", "Kept Eight", "--numbers"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_THAT(result.out, HasSubstr("00002500 " + std::string(72, ' ') + "\n"));
  EXPECT_THAT(result.out, HasSubstr("00003000        STOP RUN."));

  result = Cli(dir, {"doc", "totext", file.string(), "--template", "no such template"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("no template named"));
  EXPECT_EQ(ReadBytes(file), QeditFixture());
}

TEST(DocCli, PlainTextRoundTripsWithItsLineEnds) {
  TempDir dir;
  const auto crlf = dir / "crlf.txt";
  WriteBytes(crlf, TextBytes("first line\r\n\tsecond\r\n\r\nlast, no line end"));
  auto result = Cli(dir, {"doc", "roundtrip", crlf.string()});
  EXPECT_EQ(result.exitCode, 0) << result.out;

  const auto lf = dir / "lf.txt";
  WriteBytes(lf, TextBytes("a\nb\n"));
  EXPECT_EQ(Cli(dir, {"doc", "roundtrip", lf.string()}).exitCode, 0);

  // Mixed line ends come back with the first line's: the first difference is
  // named.
  const auto mixed = dir / "mixed.txt";
  WriteBytes(mixed, TextBytes("a\r\nb\nc\r\n"));
  result = Cli(dir, {"doc", "roundtrip", mixed.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("differs at byte 4: expected 0x0A, found 0x0D"));
}

TEST(DocCli, InfoPrintsTheFormatRecordAsJson) {
  TempDir dir;
  const auto file = dir / "demo.dat";
  WriteBytes(file, QeditFixture());
  auto result = Cli(dir, {"doc", "info", file.string(), "--qedit", "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.out,
            "{\"flags\":3,\"lineEnds\":0,\"mpe\":{\"MVER\":1,\"FCODE\":111,\"LW\":\"\","
            "\"RECLEN\":512,\"BFACT\":1,\"TYPE\":0,\"MODE\":0,\"EOF\":4,\"LIMIT\":4,\"#L\":2,"
            "\"M#L\":4,\"CCTL\":0,\"ACD\":\"\"},\"qedit\":{\"QVER\":1,\"LANG\":3,\"RECLEN\":80,"
            "\"EOF\":4,\"LNL\":8,\"LNJ\":0},\"labels\":74,\"numbering\":{\"position\":72,"
            "\"digits\":8,\"start\":1000,\"increment\":500}}\n");

  const auto text = dir / "numbered.txt";
  WriteBytes(text, TextBytes("000100 A\r\n000200 B\r\n000300 C\r\n"));
  result = Cli(dir, {"doc", "info", text.string(), "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.out,
            "{\"flags\":4,\"lineEnds\":3,\"mpe\":null,\"qedit\":null,\"labels\":0,"
            "\"numbering\":{\"position\":1,\"digits\":6,\"start\":100,\"increment\":100}}\n");

  // A plain file loaded as a download has no header: a clear message, exit 1.
  result = Cli(dir, {"doc", "info", text.string(), "--record"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("not a record-form file"));
  result = Cli(dir, {"doc", "info", (dir / "missing").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("no such file"));
}

TEST(DocCli, ToHostWritesARecordFileThatReadsBack) {
  TempDir dir;
  const auto text = dir / "source.txt";
  WriteBytes(text, TextBytes("alpha\r\nbeta\r\ngamma\r\n"));
  const auto out = dir / "out.dat";
  auto result = Cli(dir, {"doc", "tohost", text.string(), out.string(), "--fcode", "1052",
                          "--reclen", "80", "--type", "0", "--numbers", "72,8,100,100"});
  ASSERT_EQ(result.exitCode, 0) << result.out;

  const Bytes bytes = ReadBytes(out);
  Bytes expected;
  AppendRecord(expected,
               "MVER=1 FCODE=1052 LW=\"\" RECLEN=80 BFACT=1 TYPE=0 MODE=1 EOF=3 LIMIT=00000003 "
               "#L=0 M#L=0 CCTL=0 ACD=\"\"");
  AppendRecord(expected, Numbered("alpha", 100));
  AppendRecord(expected, Numbered("beta", 200));
  AppendRecord(expected, Numbered("gamma", 300));
  EXPECT_EQ(bytes, expected);

  result = Cli(dir, {"doc", "info", out.string(), "--record", "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_THAT(result.out, HasSubstr("\"FCODE\":1052,"));
  EXPECT_THAT(result.out, HasSubstr("\"RECLEN\":80,"));
  EXPECT_THAT(result.out, HasSubstr("\"EOF\":3,\"LIMIT\":3,"));
  EXPECT_THAT(result.out, HasSubstr("\"numbering\":{\"position\":72,\"digits\":8,\"start\":100,"
                                    "\"increment\":100}"));

  // A Qedit file carries its language and numbering in the Qedit header; a
  // byte-stream file its data bytes as LIMIT.
  const auto qedit = dir / "q.dat";
  ASSERT_EQ(
      Cli(dir, {"doc", "tohost", text.string(), qedit.string(), "--fcode", "111", "--reclen", "80",
                "--type", "0", "--mode", "0", "--qedit", "3", "--numbers", "72,8,1000,100"})
          .exitCode,
      0);
  result = Cli(dir, {"doc", "info", qedit.string(), "--record", "--json"});
  EXPECT_THAT(result.out, HasSubstr("\"qedit\":{\"QVER\":1,\"LANG\":3,\"RECLEN\":80,\"EOF\":3,"
                                    "\"LNL\":8,\"LNJ\":0}"));
  result = Cli(
      dir, {"doc", "totext", qedit.string(), "--record", "--remove-numbers", "72,8", "--numbers"});
  EXPECT_THAT(result.out, HasSubstr("00001100 beta"));

  const auto stream = dir / "s.dat";
  ASSERT_EQ(Cli(dir, {"doc", "tohost", text.string(), stream.string(), "--fcode", "0", "--reclen",
                      "1", "--type", "9"})
                .exitCode,
            0);
  result = Cli(dir, {"doc", "info", stream.string(), "--record", "--json"});
  EXPECT_THAT(result.out, HasSubstr("\"TYPE\":9,\"MODE\":1,\"EOF\":3,\"LIMIT\":20,"));

  // A line longer than a fixed record is refused and nothing is written.
  const auto refused = dir / "refused.dat";
  result = Cli(dir, {"doc", "tohost", text.string(), refused.string(), "--fcode", "0", "--reclen",
                     "4", "--type", "0"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("exceeds the fixed record length 4"));
  EXPECT_FALSE(std::filesystem::exists(refused));
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename().string().rfind(".zvd", 0), std::string::npos) << entry.path();
  }
}

TEST(DocCli, RenumberReplacesTheNumbersAndChecksTheRange) {
  TempDir dir;
  const auto file = dir / "demo.dat";
  WriteBytes(file, QeditFixture());
  auto result =
      Cli(dir, {"doc", "renumber", file.string(), "--record", "--start", "10", "--increment", "5"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  result = Cli(dir, {"doc", "totext", file.string(), "--record"});
  EXPECT_THAT(result.out, HasSubstr("DIVISION." + std::string(41, ' ') + "00000010\n"));
  EXPECT_THAT(result.out, HasSubstr("STOP RUN." + std::string(56, ' ') + "00000025\n"));

  // Headers and labels are written back as they were.
  Bytes expected = QeditFixture();
  const Bytes after = ReadBytes(file);
  ASSERT_EQ(after.size(), expected.size());
  const std::size_t dataStart = expected.size() - 4 * 82;
  EXPECT_TRUE(std::equal(after.begin(), after.begin() + dataStart, expected.begin()));

  // Lines 2-3 must stay between 10 and 25.
  result = Cli(dir, {"doc", "renumber", file.string(), "--record", "--start", "20", "--increment",
                     "5", "--from", "2", "--to", "3"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("numbering sequence is not valid"));
  EXPECT_EQ(ReadBytes(file), after);
  result = Cli(dir, {"doc", "renumber", file.string(), "--record", "--start", "11", "--increment",
                     "1", "--from", "2", "--to", "3"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  result = Cli(
      dir, {"doc", "totext", file.string(), "--record", "--remove-numbers", "72,8", "--numbers"});
  EXPECT_THAT(result.out, HasSubstr("00000011        PROGRAM-ID."));
  EXPECT_THAT(result.out, HasSubstr("00000012 " + std::string(72, ' ') + "\n"));

  // Numbers at the start of a plain text file.
  const auto text = dir / "plain.txt";
  WriteBytes(text, TextBytes("000100 A\r\n000200 B\r\n000300 C\r\n"));
  ASSERT_EQ(
      Cli(dir, {"doc", "renumber", text.string(), "--start", "1000", "--increment", "10"}).exitCode,
      0);
  EXPECT_EQ(ReadBytes(text), TextBytes("001000 A\r\n001010 B\r\n001020 C\r\n"));
  result = Cli(dir, {"doc", "renumber", text.string(), "--start", "999990", "--increment", "10"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(ReadBytes(text), TextBytes("001000 A\r\n001010 B\r\n001020 C\r\n"));
}

}  // namespace
}  // namespace vandrel
