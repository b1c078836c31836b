// The data commands spoken over real sockets: the test listens for the
// agent's data connection as the editor does, sends the command, accepts the
// connection and then reads the final reply.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "agent/agent_errors.h"
#include "data_port.h"
#include "documents/header_records.h"
#include "documents/host_file_info.h"
#include "raw_client.h"

namespace vandrel::testing {
namespace {

using agent::Personality;

struct ListingEntry {
  std::string name;
  std::vector<std::string> values;
};

// Reads a listing as the editor does: the directory, then the entries by
// their length prefixes.
std::string ParseListing(const std::string& bytes, std::vector<ListingEntry>* entries) {
  std::vector<std::string> strings;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) {
      strings.push_back("<unterminated>");
      break;
    }
    strings.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  if (strings.empty()) return "<empty>";
  for (std::size_t i = 1; i < strings.size(); ++i) {
    const std::string& text = strings[i];
    ListingEntry entry;
    if (text.rfind("Y ", 0) != 0) {
      entry.name = "<bad: " + text + ">";
      entries->push_back(entry);
      continue;
    }
    std::size_t pos = 2;
    const std::size_t blank = text.find(' ', pos);
    const std::size_t length = std::stoul(text.substr(pos, blank - pos));
    entry.name = text.substr(blank + 1, length);
    std::istringstream rest(text.substr(blank + 1 + length));
    std::string value;
    while (rest >> value) entry.values.push_back(value);
    entries->push_back(entry);
  }
  return strings[0];
}

class AgentTransfers : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(agent.root() / "src" / "lib");
    WriteTextFile(agent.root() / "src" / "main.c", "int main() { return 0; }\n");
    WriteTextFile(agent.root() / "src" / "my notes.txt", "notes");
    WriteTextFile(agent.root() / "empty", "");
    WriteTextFile(agent.dir() / "outside.txt", "secret");
    ASSERT_TRUE(agent.Start()) << agent.lastError;
    client = agent.Open();
    ASSERT_TRUE(client.connected());
  }

  // Sends a data command naming `port`'s port; returns the final reply and
  // the stream read (nothing accepted when the agent answered at once).
  std::string List(const std::string& arguments, std::vector<ListingEntry>* entries,
                   std::string* directory) {
    DataPort port;
    client.Send("=LIST_DIR " + std::to_string(port.port()) + " 65535 " + arguments);
    if (!port.AcceptOrReply(client)) return client.Receive().value_or("<none>");
    bool ended = false;
    const std::string bytes = JoinedPackets(port.ReadStream(&ended));
    EXPECT_TRUE(ended);
    *directory = ParseListing(bytes, entries);
    return client.Receive().value_or("<none>");
  }

  std::string Download(const std::string& arguments, std::string* content, std::size_t maxPacket,
                       std::uint32_t* announced = nullptr, std::size_t* largest = nullptr) {
    DataPort port;
    client.Send("=SEND_FILE " + std::to_string(port.port()) + " " + std::to_string(maxPacket) +
                " " + arguments);
    if (!port.AcceptOrReply(client)) return client.Receive().value_or("<none>");
    bool ended = false;
    std::vector<std::string> packets = port.ReadStream(&ended);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(packets.empty());
    if (packets.empty()) return "<no size>";
    EXPECT_EQ(packets[0].size(), 4u);
    const auto* size = reinterpret_cast<const unsigned char*>(packets[0].data());
    if (announced) *announced = (size[0] << 24) | (size[1] << 16) | (size[2] << 8) | size[3];
    packets.erase(packets.begin());
    if (largest) {
      *largest = 0;
      for (const auto& packet : packets) *largest = std::max(*largest, packet.size());
    }
    *content = JoinedPackets(packets);
    return client.Receive().value_or("<none>");
  }

  // Uploads `content` in packets of `chunk` bytes and closes the connection.
  std::string Upload(const std::string& arguments, const std::string& content,
                     std::size_t chunk = 32767) {
    DataPort port;
    client.Send("=RECV_FILE " + std::to_string(port.port()) + " 32767 " + arguments);
    if (!port.AcceptOrReply(client)) return client.Receive().value_or("<none>");
    for (std::size_t at = 0; at < content.size(); at += chunk) {
      EXPECT_TRUE(port.SendBytes(RawClient::Frame(content.substr(at, chunk))));
    }
    port.CloseData();
    return client.Receive().value_or("<none>");
  }

  TestAgent agent{Personality::kPosix};
  RawClient client;
};

TEST_F(AgentTransfers, ListingGivesEveryEntryByItsLength) {
  std::vector<ListingEntry> entries;
  std::string directory;
  ASSERT_EQ(List("0 src", &entries, &directory), "0");
  EXPECT_EQ(directory, "/src");
  std::vector<std::string> names;
  for (const auto& entry : entries) {
    names.push_back(entry.name);
    EXPECT_EQ(entry.values.size(), 10u) << entry.name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "lib", "main.c", "my notes.txt"}));
  // The values are those of the file information reply.
  const auto& notes = entries.back();
  EXPECT_EQ(notes.values[0], "5");
  std::string info = "0";
  for (const auto& value : notes.values) info += " " + value;
  EXPECT_EQ(client.Command("=GET_FILEINFO src/my notes.txt"), info);

  entries.clear();
  ASSERT_EQ(List("1 /src", &entries, &directory), "0");
  names.clear();
  for (const auto& entry : entries) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "lib"}));
}

TEST_F(AgentTransfers, ListingOfTheRootStaysInside) {
  std::filesystem::create_symlink(agent.dir() / "outside.txt", agent.root() / "out-link");
  std::filesystem::create_symlink(agent.root() / "src" / "main.c", agent.root() / "in-link");
  std::filesystem::create_directories(agent.root() / ".tandrill");
  WriteTextFile(agent.root() / ".empty.tandrill-Ab12Cd", "upload in progress");
  std::vector<ListingEntry> entries;
  std::string directory;
  ASSERT_EQ(List("0 /", &entries, &directory), "0");
  EXPECT_EQ(directory, "/");
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "empty", "in-link", "src"}));
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].values, entries[1].values);  // ".." of the root is the root
  EXPECT_EQ(entries[3].values[0], "25");            // a link is described by its target

  // A listing split into small packets reads the same.
  DataPort port;
  client.Send("=LIST_DIR " + std::to_string(port.port()) + " 7 0 /src");
  ASSERT_TRUE(port.Accept());
  bool ended = false;
  const auto packets = port.ReadStream(&ended);
  EXPECT_TRUE(ended);
  for (const auto& packet : packets) EXPECT_LE(packet.size(), 7u);
  std::vector<ListingEntry> small;
  EXPECT_EQ(ParseListing(JoinedPackets(packets), &small), "/src");
  EXPECT_EQ(small.size(), 5u);
  EXPECT_EQ(client.Receive().value_or("<none>"), "0");
}

TEST_F(AgentTransfers, DownloadsSendSizeThenDataThenEnd) {
  std::string content;
  std::uint32_t size = 99;
  EXPECT_EQ(Download("B 1 /empty", &content, 65535, &size), "0");
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(content, "");

  EXPECT_EQ(Download("A 11 src/main.c", &content, 65535, &size), "0");
  EXPECT_EQ(size, 25u);
  EXPECT_EQ(content, "int main() { return 0; }\n");

  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  WriteTextFile(agent.root() / "big.bin", big);
  std::size_t largest = 0;
  EXPECT_EQ(Download("B 1 big.bin", &content, 65535, &size, &largest), "0");
  EXPECT_EQ(size, big.size());
  EXPECT_EQ(largest, 65535u);
  EXPECT_TRUE(content == big);
  EXPECT_EQ(Download("B 1 big.bin", &content, 1000, &size, &largest), "0");
  EXPECT_EQ(largest, 1000u);
  EXPECT_TRUE(content == big);
}

TEST_F(AgentTransfers, KeptLocksRefuseOtherSessions) {
  std::string content;
  const std::string reply = Download("A 17 src/main.c", &content, 65535);
  ASSERT_EQ(reply.rfind("0 ", 0), 0u) << reply;
  const std::string lock = reply.substr(2);

  // Another session can read the file but neither lock nor replace it.
  RawClient other = agent.Open();
  ASSERT_TRUE(other.connected());
  std::swap(client, other);
  EXPECT_EQ(Download("A 1 src/main.c", &content, 65535), "0");
  EXPECT_EQ(ReplyCode(Download("A 17 src/main.c", &content, 65535)),
            static_cast<std::uint32_t>(EBUSY));
  DataPort port;
  client.Send("=RECV_FILE " + std::to_string(port.port()) + " 32767 A 0 src/main.c");
  EXPECT_TRUE(port.NoConnection(300));
  EXPECT_EQ(ReplyCode(client.Receive().value_or("0")), static_cast<std::uint32_t>(EBUSY));
  std::swap(client, other);

  // The holder saves and keeps its lock on the new content.
  const std::string saved = Upload("A 4 src/main.c", "int main() { return 1; }\n");
  ASSERT_EQ(saved.rfind("0 ", 0), 0u) << saved;
  EXPECT_NE(saved.substr(2), "-1");
  std::swap(client, other);
  EXPECT_EQ(ReplyCode(Download("A 17 src/main.c", &content, 65535)),
            static_cast<std::uint32_t>(EBUSY));
  std::swap(client, other);
  EXPECT_EQ(client.Command("=FILE_UNLOCK " + saved.substr(2)), "0");
  std::swap(client, other);
  EXPECT_EQ(Download("A 17 src/main.c", &content, 65535).rfind("0 ", 0), 0u);
  EXPECT_EQ(content, "int main() { return 1; }\n");
}

TEST_F(AgentTransfers, UploadsReplaceTheFileWhole) {
  const auto target = agent.root() / "src" / "main.c";
  ::chmod(target.c_str(), 0640);
  EXPECT_EQ(Upload("A 0 src/main.c", "new text\n"), "0");
  EXPECT_EQ(ReadTextFile(target), "new text\n");
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replaced file's permissions are kept

  std::string big(3 * 1024 * 1024, 'x');
  for (std::size_t i = 0; i < big.size(); i += 101) big[i] = '\n';
  EXPECT_EQ(Upload("B 8 /src/new file.bin", big, 32767), "0 /src/new file.bin");
  EXPECT_TRUE(ReadTextFile(agent.root() / "src" / "new file.bin") == big);
  EXPECT_EQ(Upload("B 0 /empty", ""), "0");
  EXPECT_EQ(ReadTextFile(agent.root() / "empty"), "");

  // Nothing but the files themselves is left in the folder.
  int count = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator(agent.root() / "src")) {
    ++count;
  }
  EXPECT_EQ(count, 4);
}

TEST_F(AgentTransfers, BrokenUploadLeavesTheOldFile) {
  const auto target = agent.root() / "src" / "main.c";
  DataPort port;
  client.Send("=RECV_FILE " + std::to_string(port.port()) + " 32767 A 0 src/main.c");
  ASSERT_TRUE(port.Accept());
  // A whole packet, then one that announces 1,000 bytes and stops after 10.
  ASSERT_TRUE(port.SendBytes(RawClient::Frame("first part\n")));
  ASSERT_TRUE(port.SendBytes(std::string("\x03\xe8", 2) + "0123456789"));
  port.CloseData();
  const std::string reply = client.Receive().value_or("<none>");
  EXPECT_NE(reply.rfind("0", 0), 0u) << reply;
  EXPECT_EQ(ReadTextFile(target), "int main() { return 0; }\n");
  int count = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator(agent.root() / "src")) {
    ++count;
  }
  EXPECT_EQ(count, 3);                          // no temporary file is left behind
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");  // the session goes on
}

TEST_F(AgentTransfers, RefusedCommandsMakeNoConnection) {
  std::filesystem::create_symlink(agent.dir() / "outside.txt", agent.root() / "out-link");
  std::filesystem::create_symlink(agent.dir(), agent.root() / "out-dir");
  const std::vector<std::string> refused = {
      "=LIST_DIR %p 65535 0 ../..",
      "=LIST_DIR %p 65535 0 /out-dir",
      "=LIST_DIR %p 65535 0 /src/main.c",
      "=LIST_DIR %p 65535 0 /none",
      "=SEND_FILE %p 65535 A 1 /out-link",
      "=SEND_FILE %p 65535 A 1 /out-dir/outside.txt",
      "=SEND_FILE %p 65535 A 1 /src",
      "=SEND_FILE %p 65535 A 1 /none",
      "=SEND_FILE %p 65535 X 1 /empty",
      "=SEND_FILE %p 65535 A /empty",
      "=RECV_FILE %p 32767 A 0 /out-dir/outside.txt",
      "=RECV_FILE %p 32767 A 0 /out-dir/new.txt",
      "=RECV_FILE %p 32767 A 0 /out-link",
      "=RECV_FILE %p 32767 A 0 /src",
      "=RECV_FILE %p 32767 A 0 /none/new.txt",
      "=RECV_FILE %p 32767 A 0",
  };
  for (std::string command : refused) {
    DataPort port;
    command.replace(command.find("%p"), 2, std::to_string(port.port()));
    const std::string reply = client.Command(command);
    EXPECT_NE(reply.rfind("0", 0), 0u) << command << " -> " << reply;
    EXPECT_TRUE(port.NoConnection(50)) << command;
  }
  EXPECT_EQ(ReadTextFile(agent.dir() / "outside.txt"), "secret");
  EXPECT_FALSE(std::filesystem::exists(agent.dir() / "new.txt"));
  EXPECT_EQ(ReplyCode(client.Command("=LIST_DIR 0 65535 0 /")), agent::kErrorBadArguments);
}

TEST_F(AgentTransfers, AnUnreachableClientGetsAnError) {
  // A port nobody listens on: bound, then closed.
  std::uint16_t closed = 0;
  {
    DataPort port;
    closed = port.port();
  }
  const std::string reply =
      client.Command("=SEND_FILE " + std::to_string(closed) + " 65535 A 1 /empty");
  EXPECT_NE(reply.rfind("0", 0), 0u) << reply;
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
}

class AgentMpeTransfers : public AgentTransfers {
 protected:
  void SetUp() override {
    WriteTextFile(agent.root() / "DEV" / "PUB" / "PLAIN", "a\nlonger line\n");
    WriteTextFile(agent.root() / "DEV" / "SRC" / "MAIN", "line one\nline two\n");
    WriteTextFile(agent.root() / "DEV" / "SRC" / ".tandrill" / "MAIN",
                  "FCODE=111\nRECLEN=20\nTYPE=0\nMODE=1\nQLANG=3\nQRECLEN=24\nQLNL=4\n");
    agent.options.personality = Personality::kMpe;
    ASSERT_TRUE(agent.Start()) << agent.lastError;
    client = agent.Open("MGR.DEV mpepass");
    ASSERT_TRUE(client.connected());
  }
};

TEST_F(AgentMpeTransfers, DownloadsCarryHeaderAndRecords) {
  std::string content;
  ASSERT_EQ(Download("M 1 PLAIN", &content, 65535), "0");
  auto records = SplitRecords(content);
  ASSERT_EQ(records.size(), 3u);
  MpeHeader header;
  ASSERT_EQ(ParseMpeHeader(records[0], header), 0) << records[0];
  EXPECT_EQ(header.fcode, 0);
  EXPECT_EQ(header.reclen, 11);  // the longest line
  EXPECT_EQ(header.type, 1);
  EXPECT_EQ(header.mode, 1);
  EXPECT_EQ(header.eof, 2);
  EXPECT_EQ(records[1], "a");
  EXPECT_EQ(records[2], "longer line");

  // A Qedit file: the Qedit header first, fixed records padded with blanks.
  ASSERT_EQ(Download("Q 1 /DEV/SRC/MAIN", &content, 65535), "0");
  records = SplitRecords(content);
  ASSERT_EQ(records.size(), 4u);
  QeditHeader qedit;
  ASSERT_EQ(ParseQeditHeader(records[0], qedit), 0) << records[0];
  EXPECT_EQ(qedit.lang, 3);
  EXPECT_EQ(qedit.reclen, 24);
  EXPECT_EQ(qedit.lnl, 4);
  EXPECT_EQ(qedit.eof, 2);
  header = {};
  ASSERT_EQ(ParseMpeHeader(records[1], header), 0) << records[1];
  EXPECT_EQ(header.fcode, 111);
  EXPECT_EQ(header.reclen, 20);
  EXPECT_EQ(records[2], "line one            ");
  EXPECT_EQ(records[3], "line two            ");
  // Mode M of the same file has no Qedit header.
  ASSERT_EQ(Download("M 1 /DEV/SRC/MAIN", &content, 65535), "0");
  EXPECT_EQ(SplitRecords(content).size(), 3u);
}

TEST_F(AgentMpeTransfers, UploadsStoreLinesAndAttributes) {
  MpeHeader header;
  header.fcode = 1052;
  header.reclen = 8;
  header.type = 0;
  header.mode = 1;
  header.bfact = 1;
  header.eof = 2;
  header.limit = 100;
  const std::string stream = FramedRecords({FormatMpeHeader(header)->text, "abc     ", "def"});
  EXPECT_EQ(Upload("M 0 /DEV/PUB/NEWFILE", stream, 5), "0");
  EXPECT_EQ(ReadTextFile(agent.root() / "DEV" / "PUB" / "NEWFILE"), "abc     \ndef     \n");
  HostFileInfo info;
  ASSERT_TRUE(ParseFileInfoReply(client.Command("=GET_FILEINFO NEWFILE"), info));
  EXPECT_EQ(info.fileCode, 1052);

  // What comes back is what went up.
  std::string content;
  ASSERT_EQ(Download("M 1 NEWFILE", &content, 65535), "0");
  auto records = SplitRecords(content);
  ASSERT_EQ(records.size(), 3u);
  MpeHeader back;
  ASSERT_EQ(ParseMpeHeader(records[0], back), 0);
  EXPECT_EQ(back.fcode, 1052);
  EXPECT_EQ(back.reclen, 8);
  EXPECT_EQ(back.type, 0);
  EXPECT_EQ(back.limit, 100);
  EXPECT_EQ(records[2], "def     ");

  // A stream without a header, or with a record cut short, changes nothing.
  EXPECT_NE(Upload("M 0 PLAIN", FramedRecords({"just text"})).rfind("0", 0), 0u);
  EXPECT_NE(
      Upload("M 0 PLAIN", FramedRecords({FormatMpeHeader(header)->text}) + std::string("\0\x09"
                                                                                       "ab",
                                                                                       4))
          .rfind("0", 0),
      0u);
  EXPECT_EQ(ReadTextFile(agent.root() / "DEV" / "PUB" / "PLAIN"), "a\nlonger line\n");
}

}  // namespace
}  // namespace vandrel::testing
