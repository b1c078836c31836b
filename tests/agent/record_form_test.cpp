// The record form of MPE transfers: how records, labels and header values
// are stored in the tree and sent back, the attribute entries beside the
// files, and a round trip through the agent.
#include "agent/record_form.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "agent/mpe_attributes.h"
#include "data_port.h"
#include "documents/header_records.h"
#include "raw_client.h"
#include "support/temp_dir.h"

namespace vandrel::agent {
// Readable failures: the attributes as the entry beside a file would hold them.
void PrintTo(const MpeAttributes& attributes, std::ostream* out) {
  *out << "{FCODE=" << attributes.fileCode << " RECLEN=" << attributes.recordLength
       << " BFACT=" << attributes.blockingFactor << " TYPE=" << attributes.recordType
       << " MODE=" << attributes.mode << " LIMIT=" << attributes.limit
       << " CCTL=" << attributes.carriageControl << " M#L=" << attributes.maxLabels << " LW=\""
       << attributes.lockword << "\" ACD=\"" << attributes.acd
       << "\" #L=" << attributes.labels.size() << " QLANG=" << attributes.qeditLanguage
       << " QRECLEN=" << attributes.qeditRecordLength << " QLNL=" << attributes.qeditNumberLength
       << " QLNJ=" << attributes.qeditNumbersLeft << "}";
}
}  // namespace vandrel::agent

namespace vandrel::testing {
namespace {

using agent::FromRecordForm;
using agent::MpeAttributes;
using agent::ToRecordForm;

std::string HeaderText(const MpeHeader& header) { return FormatMpeHeader(header)->text; }

MpeHeader ParsedHeader(const std::string& text) {
  MpeHeader header;
  EXPECT_EQ(ParseMpeHeader(text, header), 0) << text;
  return header;
}

const std::string kLabelWithZeros(
    "LBL\0\0\n\r\xff"
    "end",
    12);

std::string AllBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes;
}

TEST(RecordForm, HeaderValuesLabelsLockwordAndAcdTravelBothWays) {
  MpeAttributes attributes;
  attributes.fileCode = 1052;
  attributes.recordLength = 72;
  attributes.blockingFactor = 4;
  attributes.recordType = 1;
  attributes.mode = 1;
  attributes.limit = 500;
  attributes.carriageControl = 1;
  attributes.maxLabels = 4;
  attributes.lockword = "SECRET";
  attributes.acd = "R,W:@.DEV;X:ANY";
  attributes.labels = {kLabelWithZeros, AllBytes()};

  agent::AgentError error;
  auto stream = ToRecordForm("first\n\nthird\n", attributes, false, "/F", &error);
  ASSERT_TRUE(stream) << error.message;
  const auto records = SplitRecords(*stream);
  ASSERT_EQ(records.size(), 6u);
  const MpeHeader header = ParsedHeader(records[0]);
  EXPECT_EQ(header.mver, 1);
  EXPECT_EQ(header.fcode, 1052);
  EXPECT_EQ(header.lw, "SECRET");
  EXPECT_EQ(header.reclen, 72);
  EXPECT_EQ(header.bfact, 4);
  EXPECT_EQ(header.type, 1);
  EXPECT_EQ(header.mode, 1);
  EXPECT_EQ(header.eof, 3);
  EXPECT_EQ(header.limit, 500);
  EXPECT_EQ(header.labels, 2);
  EXPECT_EQ(header.maxLabels, 4);
  EXPECT_EQ(header.cctl, 1);
  EXPECT_EQ(header.acd, "R,W:@.DEV;X:ANY");
  EXPECT_EQ(records[1], kLabelWithZeros);
  EXPECT_EQ(records[2], AllBytes());
  EXPECT_EQ(records[3], "first");
  EXPECT_EQ(records[4], "");
  EXPECT_EQ(records[5], "third");

  MpeAttributes back;
  auto stored = FromRecordForm(*stream, &back, &error);
  ASSERT_TRUE(stored) << error.message;
  EXPECT_EQ(*stored, "first\n\nthird\n");
  EXPECT_EQ(back, attributes);
}

TEST(RecordForm, CountsAndLimitFollowTheRecords) {
  MpeAttributes attributes;  // a plain file: variable ASCII, no record length
  agent::AgentError error;
  auto stream = ToRecordForm("a\nlonger line\nlast without end", attributes, false, "/F", &error);
  ASSERT_TRUE(stream) << error.message;
  auto records = SplitRecords(*stream);
  ASSERT_EQ(records.size(), 4u);
  MpeHeader header = ParsedHeader(records[0]);
  EXPECT_EQ(header.reclen, 16);  // the longest line
  EXPECT_EQ(header.eof, 3);
  EXPECT_EQ(header.limit, 3);  // never below EOF
  EXPECT_EQ(header.labels, 0);
  EXPECT_EQ(records[3], "last without end");

  stream = ToRecordForm("", attributes, false, "/F", &error);
  ASSERT_TRUE(stream);
  records = SplitRecords(*stream);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(ParsedHeader(records[0]).eof, 0);
  EXPECT_EQ(ParsedHeader(records[0]).reclen, 1);
}

TEST(RecordForm, FixedAsciiRecordsArePaddedWithBlanksWhenSent) {
  MpeHeader header;
  header.fcode = 0;
  header.reclen = 8;
  header.type = 0;
  header.mode = 1;
  header.bfact = 1;
  header.eof = 3;
  header.limit = 3;
  MpeAttributes attributes;
  agent::AgentError error;
  // Stored whole, blanks to the record length, as the host keeps fixed
  // records: a record written shorter is the same record, and one written
  // back unchanged stays byte for byte.
  auto stored = FromRecordForm(FramedRecords({HeaderText(header), "abc", "abcdefgh", "x  "}),
                               &attributes, &error);
  ASSERT_TRUE(stored) << error.message;
  EXPECT_EQ(*stored, "abc     \nabcdefgh\nx       \n");
  EXPECT_EQ(attributes.recordLength, 8);

  auto stream = ToRecordForm(*stored, attributes, false, "/F", &error);
  ASSERT_TRUE(stream) << error.message;
  EXPECT_EQ(SplitRecords(*stream), (std::vector<std::string>{SplitRecords(*stream)[0], "abc     ",
                                                             "abcdefgh", "x       "}));

  // A record longer than the record length is refused, not cut.
  const MpeAttributes before = attributes;
  EXPECT_FALSE(
      FromRecordForm(FramedRecords({HeaderText(header), "abcdefghi"}), &attributes, &error));
  EXPECT_EQ(error.code, agent::kErrorBadArguments);
  EXPECT_NE(error.message.find("longer than the record length 8"), std::string::npos)
      << error.message;
  EXPECT_EQ(attributes, before);
}

TEST(RecordForm, FixedBinaryRecordsKeepEveryByte) {
  MpeHeader header;
  header.reclen = 6;
  header.type = 0;
  header.mode = 0;
  header.bfact = 1;
  const std::string first("\0a\nb", 4);
  const std::string second("\n\n\0\n\n\n", 6);
  MpeAttributes attributes;
  agent::AgentError error;
  auto stored =
      FromRecordForm(FramedRecords({HeaderText(header), first, second}), &attributes, &error);
  ASSERT_TRUE(stored) << error.message;
  // The records back to back, the short one padded with zero bytes.
  EXPECT_EQ(*stored, first + std::string(2, '\0') + second);

  auto stream = ToRecordForm(*stored + "z", attributes, false, "/F", &error);
  ASSERT_TRUE(stream) << error.message;
  auto records = SplitRecords(*stream);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(ParsedHeader(records[0]).eof, 3);
  EXPECT_EQ(records[1], first + std::string(2, '\0'));
  EXPECT_EQ(records[2], second);
  EXPECT_EQ(records[3], "z");  // a short last record goes as it is

  EXPECT_FALSE(FromRecordForm(FramedRecords({HeaderText(header), "1234567"}), &attributes, &error));
  EXPECT_NE(error.message.find("longer than the record length"), std::string::npos);

  // Without a record length the longest record sets it, so that the
  // records can be told apart again.
  header.reclen = 0;
  MpeAttributes fresh;
  stored = FromRecordForm(FramedRecords({HeaderText(header), "ab", "abcd"}), &fresh, &error);
  ASSERT_TRUE(stored) << error.message;
  EXPECT_EQ(fresh.recordLength, 4);
  EXPECT_EQ(*stored, std::string("ab\0\0abcd", 8));

  // A stored entry that lost its record length cannot be divided.
  fresh.recordLength = 0;
  EXPECT_FALSE(ToRecordForm(*stored, fresh, false, "/F", &error));
  EXPECT_NE(error.message.find("record length"), std::string::npos);
}

TEST(RecordForm, VariableBinaryRecordsKeepTheirBoundaries) {
  MpeHeader header;
  header.reclen = 256;
  header.type = 1;
  header.mode = 0;
  header.bfact = 1;
  const std::vector<std::string> data = {"", std::string("\0\n\0", 3), "a\n",
                                         std::string(300, 'x')};
  std::vector<std::string> sent = {HeaderText(header)};
  sent.insert(sent.end(), data.begin(), data.end());
  MpeAttributes attributes;
  agent::AgentError error;
  auto stored = FromRecordForm(FramedRecords(sent), &attributes, &error);
  ASSERT_TRUE(stored) << error.message;
  EXPECT_EQ(*stored, FramedRecords(data));

  auto stream = ToRecordForm(*stored, attributes, false, "/F", &error);
  ASSERT_TRUE(stream) << error.message;
  auto records = SplitRecords(*stream);
  EXPECT_EQ(ParsedHeader(records[0]).eof, 4);
  records.erase(records.begin());
  EXPECT_EQ(records, data);

  // Stored records that were cut short are reported, not sent half.
  EXPECT_FALSE(
      ToRecordForm(stored->substr(0, stored->size() - 1), attributes, false, "/DEV/F", &error));
  EXPECT_NE(error.message.find("/DEV/F"), std::string::npos);
  EXPECT_NE(error.message.find("record 4"), std::string::npos) << error.message;
}

TEST(RecordForm, QeditAndByteStreamFilesAreKeptAsLines) {
  // Qedit files are binary-mode files whose records are the editor's lines.
  MpeAttributes qedit;
  qedit.fileCode = agent::kQeditFileCode;
  qedit.recordType = 0;
  qedit.mode = 0;
  qedit.recordLength = 512;
  qedit.qeditLanguage = 3;
  qedit.qeditRecordLength = 80;
  qedit.qeditNumberLength = 8;
  qedit.limit = 10;
  agent::AgentError error;
  auto stream = ToRecordForm("       IDENTIFICATION DIVISION.\n", qedit, true, "/F", &error);
  ASSERT_TRUE(stream) << error.message;
  auto records = SplitRecords(*stream);
  ASSERT_EQ(records.size(), 3u);
  QeditHeader qheader;
  ASSERT_EQ(ParseQeditHeader(records[0], qheader), 0) << records[0];
  EXPECT_EQ(qheader.lang, 3);
  EXPECT_EQ(qheader.reclen, 80);
  EXPECT_EQ(qheader.lnl, 8);
  EXPECT_EQ(qheader.eof, 1);
  EXPECT_EQ(ParsedHeader(records[1]).fcode, 111);
  EXPECT_EQ(records[2], "       IDENTIFICATION DIVISION.");  // neither padded nor binary
  MpeAttributes back;
  auto stored = FromRecordForm(*stream, &back, &error);
  ASSERT_TRUE(stored) << error.message;
  EXPECT_EQ(*stored, "       IDENTIFICATION DIVISION.\n");
  EXPECT_EQ(back, qedit);
  // Without the Qedit header (mode M) the MPE header comes first.
  stream = ToRecordForm(*stored, qedit, false, "/F", &error);
  ASSERT_TRUE(stream);
  EXPECT_EQ(SplitRecords(*stream)[0].front(), 'M');

  // Byte-stream files: records are LF-delimited, the limit counts bytes.
  MpeHeader header;
  header.type = agent::kByteStreamType;
  header.mode = 0;
  header.limit = 3;
  MpeAttributes bytes;
  stored = FromRecordForm(FramedRecords({HeaderText(header), "ab", "c"}), &bytes, &error);
  ASSERT_TRUE(stored) << error.message;
  EXPECT_EQ(*stored, "ab\nc\n");
  stream = ToRecordForm(*stored, bytes, false, "/F", &error);
  ASSERT_TRUE(stream);
  EXPECT_EQ(ParsedHeader(SplitRecords(*stream)[0]).limit, 7);  // 2 + 2 + 2 + 1 bytes of records
}

TEST(RecordForm, PaddingCannotMakeAnEnormousStreamOrFile) {
  // 16,400 empty lines padded to 65,535 bytes each would pass a gigabyte.
  const std::string emptyLines(16400, '\n');
  MpeAttributes fixedAscii;
  fixedAscii.recordType = 0;
  fixedAscii.recordLength = 65535;
  agent::AgentError error;
  EXPECT_FALSE(ToRecordForm(emptyLines, fixedAscii, false, "/BIG", &error));
  EXPECT_EQ(error.code, EFBIG);
  EXPECT_TRUE(ToRecordForm(emptyLines.substr(0, 100), fixedAscii, false, "/BIG", &error));

  MpeHeader header;
  header.type = 0;
  header.mode = 0;
  header.reclen = 65535;
  std::vector<std::string> sent(16401, "");
  sent[0] = HeaderText(header);
  MpeAttributes attributes;
  EXPECT_FALSE(FromRecordForm(FramedRecords(sent), &attributes, &error));
  EXPECT_EQ(error.code, EFBIG);
  EXPECT_EQ(attributes, MpeAttributes());
}

TEST(RecordForm, KeysLeftOutKeepTheFilesValues) {
  MpeAttributes attributes;
  attributes.fileCode = 1052;
  attributes.recordLength = 80;
  attributes.recordType = 0;
  attributes.lockword = "LW";
  attributes.labels = {"old label"};
  agent::AgentError error;
  auto stored = FromRecordForm(FramedRecords({"MVER=1 FCODE=5", "text"}), &attributes, &error);
  ASSERT_TRUE(stored) << error.message;
  EXPECT_EQ(attributes.fileCode, 5);
  EXPECT_EQ(attributes.recordLength, 80);
  EXPECT_EQ(attributes.lockword, "LW");
  EXPECT_EQ(attributes.labels, std::vector<std::string>{"old label"});
  // #L 0 says there are none now.
  ASSERT_TRUE(FromRecordForm(FramedRecords({"MVER=1 #L=0", "text"}), &attributes, &error));
  EXPECT_TRUE(attributes.labels.empty());
}

TEST(RecordForm, MalformedOrUnkeepableStreamsAreRefused) {
  MpeHeader twoLabels;
  twoLabels.labels = 2;
  twoLabels.mode = 1;
  twoLabels.type = 1;
  const std::string label257(257, 'L');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "no header record"},
      {std::string("\0", 1), "no header record"},
      {FramedRecords({"just text"}), "MPE header"},
      {FramedRecords({"MVER=1 NOSUCHKEY=1"}), "MPE header"},
      {FramedRecords({"MVER=1 FCODE=1 FCODE=2"}), "MPE header"},
      {FramedRecords({"QVER=1 LANG=x y=1", "MVER=1"}), "Qedit header"},
      {FramedRecords({"QVER=1"}), "no MPE header"},
      {FramedRecords({HeaderText(twoLabels), "one label"}), "user label 2 of 2"},
      {FramedRecords({"MVER=1 #L=255"}), "#L 255"},
      {FramedRecords({"MVER=1 #L=-1"}), "#L -1"},
      {FramedRecords({"MVER=1 #L=1", label257}), "holds 257 bytes"},
      {FramedRecords({"MVER=1 RECLEN=-1"}), "RECLEN -1"},
      {FramedRecords({"MVER=1 RECLEN=65536"}), "RECLEN 65536"},
      {FramedRecords({"MVER=1 LW=a\"b'c"}), "both kinds of quote"},
      {FramedRecords({"MVER=1 MODE=1", "two\nlines"}), "line feed"},
      {FramedRecords({"MVER=1", "ok"}) + std::string("\0\x09"
                                                     "ab",
                                                     4),
       "record 2 is cut short"},
  };
  for (const auto& [stream, expected] : cases) {
    MpeAttributes attributes;
    attributes.fileCode = 7;
    agent::AgentError error;
    EXPECT_FALSE(FromRecordForm(stream, &attributes, &error)) << expected;
    EXPECT_EQ(error.code, agent::kErrorBadArguments) << expected;
    EXPECT_NE(error.message.find(expected), std::string::npos) << error.message;
    EXPECT_EQ(attributes.fileCode, 7) << expected;  // nothing taken from a refused stream
  }
}

TEST(MpeAttributesEntry, NewKeysRoundTripAndOldEntriesRead) {
  TempDir dir;
  const auto file = dir.path() / "FILE";
  MpeAttributes attributes;
  attributes.fileCode = 1029;
  attributes.recordLength = 256;
  attributes.recordType = 0;
  attributes.mode = 0;
  attributes.maxLabels = 254;
  attributes.lockword = "100%\"'";
  attributes.acd = "line one\nline two\r\x01\xfe";
  attributes.labels = {kLabelWithZeros, "", AllBytes()};
  std::string error;
  ASSERT_TRUE(agent::WriteMpeAttributes(file, attributes, &error)) << error;
  EXPECT_EQ(agent::ReadMpeAttributes(file), attributes);
  // The entry stays one key a line, readable as text.
  std::ifstream in(agent::MpeAttributesPath(file));
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("LW=100%25\"'\n"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("LABEL2=\n"), std::string::npos);

  // An entry from before lockwords and labels were kept.
  std::ofstream(agent::MpeAttributesPath(file), std::ios::trunc)
      << "FCODE=111\nRECLEN=20\nTYPE=0\nMODE=1\nQLANG=3\n";
  MpeAttributes old = agent::ReadMpeAttributes(file);
  EXPECT_EQ(old.fileCode, 111);
  EXPECT_EQ(old.recordLength, 20);
  EXPECT_EQ(old.lockword, "");
  EXPECT_EQ(old.acd, "");
  EXPECT_EQ(old.maxLabels, 0);
  EXPECT_TRUE(old.labels.empty());

  // Labels end at the first one missing or damaged.
  std::ofstream(agent::MpeAttributesPath(file), std::ios::trunc)
      << "LABEL1=4142\nLABEL2=4G\nLABEL3=43\nLABEL0=44\nLABEL=45\n";
  EXPECT_EQ(agent::ReadMpeAttributes(file).labels, std::vector<std::string>{"AB"});
}

TEST(MpeAttributesEntry, OversizedAttributesAreRefusedNotCut) {
  TempDir dir;
  const auto file = dir.path() / "FILE";
  MpeAttributes good;
  good.labels = {"kept"};
  std::string error;
  ASSERT_TRUE(agent::WriteMpeAttributes(file, good, &error)) << error;

  MpeAttributes tooMany;
  tooMany.labels.assign(agent::kMaxUserLabels + 1, "x");
  EXPECT_FALSE(agent::WriteMpeAttributes(file, tooMany, &error));
  EXPECT_NE(error.find("255 user labels"), std::string::npos) << error;
  MpeAttributes tooLong;
  tooLong.labels = {"a", std::string(agent::kMaxUserLabelLength + 1, 'x')};
  EXPECT_FALSE(agent::WriteMpeAttributes(file, tooLong, &error));
  EXPECT_NE(error.find("user label 2"), std::string::npos) << error;
  MpeAttributes longLockword;
  longLockword.lockword = "EIGHTCHR";
  EXPECT_FALSE(agent::WriteMpeAttributes(file, longLockword, &error));
  EXPECT_EQ(agent::ReadMpeAttributes(file), good);  // the old entry stays

  // The most a file may have is kept whole.
  MpeAttributes most;
  most.labels.assign(agent::kMaxUserLabels, AllBytes());
  most.acd = std::string(agent::kMaxAcdLength, '\n');
  ASSERT_TRUE(agent::WriteMpeAttributes(file, most, &error)) << error;
  EXPECT_EQ(agent::ReadMpeAttributes(file), most);
}

// ---- Through the agent ------------------------------------------------------

class AgentRecordForm : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(agent.root() / "DEV" / "PUB");
    ASSERT_TRUE(agent.Start()) << agent.lastError;
    client = agent.Open("MGR.DEV mpepass");
    ASSERT_TRUE(client.connected());
  }

  std::string Upload(const std::string& arguments, const std::string& content) {
    DataPort port;
    client.Send("=RECV_FILE " + std::to_string(port.port()) + " 32767 " + arguments);
    if (!port.AcceptOrReply(client)) return client.Receive().value_or("<none>");
    for (std::size_t at = 0; at < content.size(); at += 1000) {
      EXPECT_TRUE(port.SendBytes(RawClient::Frame(content.substr(at, 1000))));
    }
    port.CloseData();
    return client.Receive().value_or("<none>");
  }

  // The records of a download (the announced size packet left out).
  std::string Download(const std::string& arguments, std::vector<std::string>* records) {
    DataPort port;
    client.Send("=SEND_FILE " + std::to_string(port.port()) + " 65535 " + arguments);
    if (!port.AcceptOrReply(client)) return client.Receive().value_or("<none>");
    bool ended = false;
    auto packets = port.ReadStream(&ended);
    EXPECT_TRUE(ended);
    std::string content;
    for (std::size_t i = 1; i < packets.size(); ++i) content += packets[i];
    *records = SplitRecords(content);
    return client.Receive().value_or("<none>");
  }

  std::string Stored(const std::string& name) {
    std::ifstream in(agent.root() / "DEV" / "PUB" / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TestAgent agent{agent::Personality::kMpe};
  RawClient client;
};

TEST_F(AgentRecordForm, ModeMUploadComesBackWithHeaderLabelsAndPaddedRecords) {
  MpeHeader header;
  header.fcode = 1052;
  header.lw = "PASS";
  header.reclen = 10;
  header.bfact = 3;
  header.type = 0;
  header.mode = 1;
  header.eof = 3;
  header.limit = 1000;
  header.labels = 2;
  header.maxLabels = 8;
  header.cctl = 1;
  header.acd = "R:ANY";
  const std::vector<std::string> sent = {
      HeaderText(header), kLabelWithZeros, AllBytes(), "MOVE A.", "", "0123456789"};
  ASSERT_EQ(Upload("M 0 /DEV/PUB/SOURCE", FramedRecords(sent)), "0");
  // The lines are text the host's tools can read.
  EXPECT_EQ(Stored("SOURCE"), "MOVE A.   \n          \n0123456789\n");

  std::vector<std::string> records;
  ASSERT_EQ(Download("M 1 SOURCE", &records), "0");
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(ParsedHeader(records[0]), ParsedHeader(sent[0]));
  EXPECT_EQ(records[1], kLabelWithZeros);
  EXPECT_EQ(records[2], AllBytes());
  EXPECT_EQ(records[3], "MOVE A.   ");
  EXPECT_EQ(records[4], "          ");
  EXPECT_EQ(records[5], "0123456789");

  // Mode Q sends no Qedit header for a file that is not a Qedit file.
  ASSERT_EQ(Download("Q 1 SOURCE", &records), "0");
  EXPECT_EQ(ParsedHeader(records[0]), ParsedHeader(sent[0]));

  // A refused upload leaves file and attributes as they were.
  EXPECT_NE(
      Upload("M 0 SOURCE", FramedRecords({HeaderText(header), "only one label"})).rfind("0", 0),
      0u);
  ASSERT_EQ(Download("M 1 SOURCE", &records), "0");
  EXPECT_EQ(records.size(), 6u);
}

TEST_F(AgentRecordForm, BinaryRecordsComeBackUnchanged) {
  MpeHeader header;
  header.fcode = 1029;
  header.reclen = 128;
  header.type = 1;
  header.mode = 0;
  header.bfact = 1;
  const std::vector<std::string> data = {std::string("\0\n\r\n\0", 5), "", std::string(128, '\n')};
  std::vector<std::string> sent = {HeaderText(header)};
  sent.insert(sent.end(), data.begin(), data.end());
  ASSERT_EQ(Upload("M 0 /DEV/PUB/PROG", FramedRecords(sent)), "0");
  std::vector<std::string> records;
  ASSERT_EQ(Download("M 1 PROG", &records), "0");
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(ParsedHeader(records[0]).eof, 3);
  EXPECT_EQ(ParsedHeader(records[0]).mode, 0);
  records.erase(records.begin());
  EXPECT_EQ(records, data);
}

}  // namespace
}  // namespace vandrel::testing
