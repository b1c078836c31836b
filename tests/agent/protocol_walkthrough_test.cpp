// A whole session with the tandrill executable, spoken by a client that
// knows only the wire: greeting, login, session port, system information,
// listing, downloads in every mode, an upload, a search (also through an
// uploaded list of files), and a command run and aborted – in both
// personalities.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "agent/agent_errors.h"
#include "agent/users_file.h"
#include "data_port.h"
#include "documents/header_records.h"
#include "raw_client.h"

namespace vandrel::testing {
namespace {

using namespace std::chrono_literals;

// Splits a record stream into its records.
std::vector<std::string> Records(std::string_view stream) {
  std::vector<std::string> records;
  while (stream.size() >= 2) {
    const std::size_t length =
        (static_cast<unsigned char>(stream[0]) << 8) | static_cast<unsigned char>(stream[1]);
    records.emplace_back(stream.substr(2, length));
    stream.remove_prefix(std::min(stream.size(), 2 + length));
  }
  return records;
}

struct Walkthrough {
  std::string personality;
  std::string login;       // the login line
  std::string home;        // where the session starts
  std::string sourcePath;  // a source file under home
};

// Test names and messages show the personality, not the bytes.
void PrintTo(const Walkthrough& walk, std::ostream* out) { *out << walk.personality; }

class ProtocolWalkthrough : public ::testing::TestWithParam<Walkthrough> {
 protected:
  void SetUp() override {
    const Walkthrough& walk = GetParam();
    root_ = dir_.path() / "root";
    const auto home = root_ / walk.home.substr(1);
    WriteTextFile(home / walk.sourcePath, "IDENTIFICATION DIVISION.\nPROGRAM-ID. HELLO.\n");
    WriteTextFile(home / "NOTES", "nothing here\nhello again\n");
    std::string error;
    ASSERT_TRUE(agent::SetUserPassword(dir_.path() / "users", "MGR", "secret", &error)) << error;
    process_ = std::make_unique<AgentProcess>(std::vector<std::string>{
        "--root", root_.string(), "--port", "0", "--personality", walk.personality, "--users",
        (dir_.path() / "users").string(), "--allow-commands"});
    const std::string announced = process_->ReadLine();
    const std::size_t colon = announced.rfind(':');
    ASSERT_NE(colon, std::string::npos) << announced;
    port_ = static_cast<std::uint16_t>(std::stoi(announced.substr(colon + 1)));
  }

  // "=<command> port ..." for the data port.
  static std::string With(const std::string& command, DataPort& port, const std::string& rest) {
    return command + " " + std::to_string(port.port()) + " " + rest;
  }
  // Runs a data command to its end: the stream and the final reply.
  std::pair<std::string, std::string> Data(RawClient& client, const std::string& command,
                                           const std::string& rest, int maxPacket = 65535) {
    DataPort port;
    if (!client.Send(With(command, port, std::to_string(maxPacket) + " " + rest)) ||
        !port.AcceptOrReply(client)) {
      return {"", client.Receive().value_or("<none>")};
    }
    bool ended = false;
    std::string stream = JoinedPackets(port.ReadStream(&ended));
    if (!ended) stream += "<no end>";
    return {stream, client.Receive().value_or("<none>")};
  }
  std::string Upload(RawClient& client, const std::string& rest, const std::string& bytes) {
    DataPort port;
    if (!client.Send(With("=RECV_FILE", port, "32767 " + rest)) || !port.AcceptOrReply(client)) {
      return client.Receive().value_or("<none>");
    }
    port.SendBytes(RawClient::Frame(bytes));
    port.CloseData();
    return client.Receive().value_or("<none>");
  }

  TempDir dir_;
  std::filesystem::path root_;
  std::unique_ptr<AgentProcess> process_;
  std::uint16_t port_ = 0;
};

TEST_P(ProtocolWalkthrough, EveryStepOfASession) {
  const Walkthrough& walk = GetParam();
  const bool mpe = walk.personality == "mpe";
  RawClient client(port_);
  ASSERT_TRUE(client.connected());

  // Greeting: status, version, host kind, byte order, security flags.
  const std::string greeting = client.Receive().value_or("");
  std::istringstream fields(greeting);
  long status = -1, version = 0, kind = 0, order = 0, flags = 0;
  ASSERT_TRUE(fields >> status >> version >> kind >> order >> flags) << greeting;
  EXPECT_EQ(status, 0);
  EXPECT_EQ(version, 10300);
  EXPECT_EQ(flags & 2, 2);
  EXPECT_EQ(flags & 0x18, mpe ? 0x18 : 0);
  EXPECT_EQ(client.Command(walk.login), "0");
  EXPECT_EQ(client.Receive().value_or(""), "0 0");
  const std::string osInfo = client.Command("=GET_OSINFO");
  EXPECT_TRUE(osInfo.starts_with("0 ")) << osInfo;
  EXPECT_NE(osInfo.find('\t'), std::string::npos) << osInfo;
  EXPECT_EQ(client.Command("=GET_CD"), "0 " + walk.home);

  // Listing of the session's directory.
  auto [listing, reply] = Data(client, "=LIST_DIR", "0 " + walk.home);
  EXPECT_EQ(reply, "0");
  EXPECT_TRUE(listing.starts_with(walk.home + '\0'));
  EXPECT_NE(listing.find(" " + walk.sourcePath + " "), std::string::npos);

  // Downloads: bytes (A, B) and records (M, and Q for a file that is no
  // Qedit file, which then carries no Qedit header).
  const std::string content = "IDENTIFICATION DIVISION.\nPROGRAM-ID. HELLO.\n";
  for (const char* mode : {"A", "B"}) {
    auto [stream, done] = Data(client, "=SEND_FILE", std::string(mode) + " 1 " + walk.sourcePath);
    EXPECT_EQ(done, "0");
    ASSERT_GE(stream.size(), 4u);
    EXPECT_EQ(stream.substr(4), content) << mode;
  }
  for (const char* mode : {"M", "Q"}) {
    auto [stream, done] = Data(client, "=SEND_FILE", std::string(mode) + " 1 " + walk.sourcePath);
    EXPECT_EQ(done, "0");
    const auto records = Records(std::string_view(stream).substr(4));
    ASSERT_EQ(records.size(), 3u) << mode;
    MpeHeader header;
    EXPECT_EQ(ParseMpeHeader(records[0], header), 0) << records[0];
    EXPECT_EQ(header.eof, 2);
    EXPECT_EQ(records[1].substr(0, 24), "IDENTIFICATION DIVISION.");
  }

  // An upload in record form recreates the file with its header's values.
  if (mpe) {
    MpeHeader header;
    header.fcode = 1052;
    header.reclen = 80;
    header.type = 0;
    header.mode = 1;
    header.eof = 1;
    header.limit = 100;
    std::vector<std::uint8_t> stream;
    AppendRecord(stream, FormatMpeHeader(header)->text);
    AppendRecord(stream, "       PROCEDURE DIVISION.");
    EXPECT_EQ(Upload(client, "M 0 NEWSRC", std::string(stream.begin(), stream.end())), "0");
    auto [back, done] = Data(client, "=SEND_FILE", "M 1 NEWSRC");
    EXPECT_EQ(done, "0");
    const auto records = Records(std::string_view(back).substr(4));
    ASSERT_EQ(records.size(), 2u);
    MpeHeader read;
    ASSERT_EQ(ParseMpeHeader(records[0], read), 0);
    EXPECT_EQ(read.fcode, 1052);
    EXPECT_EQ(read.reclen, 80);
    EXPECT_EQ(records[1], std::string("       PROCEDURE DIVISION.").append(80 - 26, ' '));
  } else {
    EXPECT_EQ(Upload(client, "B 0 new.txt", "plain bytes\n"), "0");
    auto [back, done] = Data(client, "=SEND_FILE", "B 1 new.txt");
    EXPECT_EQ(done, "0");
    EXPECT_EQ(back.substr(4), "plain bytes\n");
  }

  const std::string prefix = walk.home == "/" ? "/" : walk.home + "/";
  // A search in the directory, then through a list of files uploaded
  // without a host path.
  auto [found, searched] = Data(client, "=FIND_INFILES", "0 \"" + walk.home + "\" \"\" HELLO");
  EXPECT_EQ(searched, "0");
  EXPECT_NE(found.find(prefix + walk.sourcePath + "(2): PROGRAM-ID. HELLO."), std::string::npos)
      << found;
  const std::string listName = Upload(client, "A 10 ", prefix + "NOTES\n");
  ASSERT_TRUE(listName.starts_with("0 /")) << listName;
  std::tie(found, searched) =
      Data(client, "=FIND_INFILES", "8 \"" + listName.substr(2) + "\" \"\" hello", 32767);
  EXPECT_EQ(searched, "0");
  EXPECT_NE(found.find(prefix + "NOTES(2): hello again"), std::string::npos) << found;
  EXPECT_EQ(found.find(walk.sourcePath), std::string::npos) << found;

  // A command runs in the session's directory; another is aborted.
  DataPort output;
  EXPECT_EQ(client.Command("=SET_PORT " + std::to_string(output.port())), "0");
  ASSERT_TRUE(client.Send("cat NOTES"));
  ASSERT_TRUE(output.AcceptOrReply(client));
  bool ended = false;
  EXPECT_EQ(JoinedPackets(output.ReadStream(&ended)), "nothing here\nhello again\n");
  EXPECT_EQ(client.Receive().value_or(""), "0");

  DataPort aborted;
  EXPECT_EQ(client.Command("=SET_PORT " + std::to_string(aborted.port())), "0");
  ASSERT_TRUE(client.Send("echo running; sleep 30"));
  ASSERT_TRUE(aborted.AcceptOrReply(client));
  std::this_thread::sleep_for(100ms);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(client.Send("=!"));
  aborted.ReadStream(&ended);
  const std::string abortReply = client.Receive().value_or("<none>");
  EXPECT_EQ(ReplyCode(abortReply), agent::kErrorAborted) << abortReply;
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  EXPECT_EQ(client.Command("=GET_CD"), "0 " + walk.home);
}

INSTANTIATE_TEST_SUITE_P(
    BothPersonalities, ProtocolWalkthrough,
    ::testing::Values(Walkthrough{"posix", "MGR secret", "/", "hello.cbl"},
                      Walkthrough{"mpe", "MGR.DEV,SRC secret", "/DEV/SRC", "HELLO"}),
    [](const ::testing::TestParamInfo<Walkthrough>& info) { return info.param.personality; });

}  // namespace
}  // namespace vandrel::testing
