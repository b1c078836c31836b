// The session commands without data connections, in both personalities,
// spoken over real sockets; paths that try to leave the served tree; and
// input no client should send.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>

#include "agent/agent_errors.h"
#include "documents/host_file_info.h"
#include "raw_client.h"

namespace vandrel::testing {
namespace {

using agent::Personality;

std::uint32_t Location(const std::string& reply) {
  return static_cast<std::uint32_t>(std::stoul(reply)) >> 16;
}

class PosixCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(agent.root() / "src" / "lib");
    WriteTextFile(agent.root() / "src" / "main.c", "int main() { return 0; }\n");
    WriteTextFile(agent.root() / "my file.txt", "x");
    ASSERT_TRUE(agent.Start()) << agent.lastError;
    client = agent.Open();
    ASSERT_TRUE(client.connected());
  }
  TestAgent agent{Personality::kPosix};
  RawClient client;
};

TEST_F(PosixCommands, CurrentDirectoryMovesWithinTheTree) {
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
  EXPECT_EQ(client.Command("=SET_CD src"), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /src");
  EXPECT_EQ(client.Command("=SET_CD lib/../lib/."), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /src/lib");
  EXPECT_EQ(client.Command("=SET_CD ../.."), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
  EXPECT_EQ(client.Command("=SET_CD /src/lib/"), "0");
  EXPECT_EQ(client.Command("=SET_CD"), "0");  // back to where the session started
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");

  std::string reply = client.Command("=SET_CD nowhere");
  EXPECT_EQ(ReplyCode(reply), static_cast<std::uint32_t>(ENOENT)) << reply;
  EXPECT_EQ(Location(reply), agent::kCommandSetCd) << reply;
  reply = client.Command("=SET_CD src/main.c");
  EXPECT_EQ(ReplyCode(reply), static_cast<std::uint32_t>(ENOTDIR)) << reply;
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");  // a refused change leaves it alone
}

TEST_F(PosixCommands, FileInformationInTheOrderTheEditorReadsIt) {
  const auto path = agent.root() / "src" / "main.c";
  ::chmod(path.c_str(), 0640);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);

  const std::string reply = client.Command("=GET_FILEINFO /src/main.c");
  HostFileInfo parsed;
  ASSERT_TRUE(ParseFileInfoReply(reply, parsed)) << reply;
  EXPECT_EQ(parsed.size, 25);
  EXPECT_EQ(parsed.modifyTime, static_cast<std::int32_t>(info.st_mtime));
  EXPECT_EQ(parsed.permissions, "-rw-r-----");
  EXPECT_FALSE(parsed.owner.empty());
  EXPECT_FALSE(parsed.group.empty());
  EXPECT_EQ(parsed.flags, 0);
  EXPECT_EQ(parsed.fileCode, 0);
  EXPECT_EQ(SplitQuotedFields(reply).size(), 11u);

  ASSERT_TRUE(ParseFileInfoReply(client.Command("=GET_FILEINFO src"), parsed));
  EXPECT_EQ(parsed.permissions[0], 'd');
  EXPECT_EQ(parsed.flags, 2);  // a folder cannot be locked

  ASSERT_TRUE(ParseFileInfoReply(client.Command("=GET_FILEINFO my file.txt"), parsed));
  EXPECT_EQ(parsed.size, 1);

  const std::string missing = client.Command("=GET_FILEINFO src/none.c");
  EXPECT_EQ(ReplyCode(missing), static_cast<std::uint32_t>(ENOENT)) << missing;
  EXPECT_EQ(Location(missing), agent::kCommandGetFileInfo);
  EXPECT_EQ(ReplyCode(client.Command("=GET_FILEINFO")), agent::kErrorBadArguments);
}

TEST_F(PosixCommands, ExistenceAndResolution) {
  EXPECT_EQ(client.Command("=CHECK_EXISTS /src/main.c"), "0");
  EXPECT_EQ(client.Command("=CHECK_EXISTS src"), "0");
  EXPECT_EQ(ReplyCode(client.Command("=CHECK_EXISTS /src/other.c")),
            static_cast<std::uint32_t>(ENOENT));

  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"main.c\" \"/src\""), "0 /src/main.c");
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"main.c\" \"/src/lib/..\""), "0 /src/main.c");
  // A file as the context stands for its folder; no context is the current one.
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"main.c\" \"/src/main.c\""), "0 /src/main.c");
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"src/main.c\" \"\""), "0 /src/main.c");
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"/my file.txt\" \"/src\""), "0 /my file.txt");
  EXPECT_EQ(ReplyCode(client.Command("=RESOLVE_FILE 0 \"gone.c\" \"/src\"")),
            static_cast<std::uint32_t>(ENOENT));
  for (const std::string malformed :
       {"=RESOLVE_FILE", "=RESOLVE_FILE 0", "=RESOLVE_FILE x \"a\" \"b\"",
        "=RESOLVE_FILE 0 \"main.c\"", "=RESOLVE_FILE 0 main.c /src", "=RESOLVE_FILE 0 \"\" \"/\"",
        "=RESOLVE_FILE 0 \"a\" \"b\" extra"}) {
    const std::string reply = client.Command(malformed);
    EXPECT_EQ(ReplyCode(reply), agent::kErrorBadArguments) << malformed << " -> " << reply;
  }
}

TEST_F(PosixCommands, SessionSettingsAndBuiltIns) {
  EXPECT_EQ(client.Command("=SET_ENV CC=gcc -O2"), "0");
  EXPECT_EQ(client.Command("=SET_ENV EMPTY="), "0");
  EXPECT_EQ(ReplyCode(client.Command("=SET_ENV novalue")), agent::kErrorBadArguments);
  EXPECT_EQ(ReplyCode(client.Command("=SET_ENV 1X=2")), agent::kErrorBadArguments);
  EXPECT_EQ(client.Command("=MPE_SET_FS P"), "0");
  EXPECT_EQ(client.Command("=MPE_SET_UDC F"), "0");
  EXPECT_EQ(client.Command("=MPE_SET_SHELL M"), "0");
  EXPECT_EQ(ReplyCode(client.Command("=MPE_SET_UDC X")), agent::kErrorBadArguments);
  EXPECT_EQ(ReplyCode(client.Command("=MPE_SET_SHELL PM")), agent::kErrorBadArguments);
  EXPECT_EQ(client.Command("$$$EXECLOGON 3"), "0");
  EXPECT_EQ(ReplyCode(client.Command("$$$EXECLOGON three")), agent::kErrorBadArguments);
  EXPECT_EQ(client.Command("=FILE_UNLOCK 7"), "0");
  EXPECT_EQ(ReplyCode(client.Command("=FILE_UNLOCK")), agent::kErrorBadArguments);

  // A built-in sent as a command line: the announced port is not used, the
  // agent answers on the command connection.
  EXPECT_EQ(client.Command("=SET_PORT 40000"), "0");
  EXPECT_EQ(client.Command("=SET_CD src"), "0");
  EXPECT_EQ(ReplyCode(client.Command("=SET_PORT 0")), agent::kErrorBadArguments);
  EXPECT_EQ(ReplyCode(client.Command("=SET_PORT 70000")), agent::kErrorBadArguments);

  // The abort line is never answered; the session goes on.
  ASSERT_TRUE(client.Send("=!"));
  EXPECT_TRUE(client.Silent(300));
  EXPECT_EQ(client.Command("=GET_CD"), "0 /src");
}

TEST_F(PosixCommands, UnknownEmptyAndForbiddenCommandsGetErrors) {
  std::string reply = client.Command("=NO_SUCH_COMMAND 1 2");
  EXPECT_EQ(ReplyCode(reply), agent::kErrorUnknownCommand) << reply;
  EXPECT_NE(reply.find("=NO_SUCH_COMMAND"), std::string::npos);
  EXPECT_EQ(ReplyCode(client.Command("$$$NOPE")), agent::kErrorUnknownCommand);
  EXPECT_EQ(ReplyCode(client.Command("")), agent::kErrorEmptyCommand);
  EXPECT_EQ(ReplyCode(client.Command("   ")), agent::kErrorEmptyCommand);
  EXPECT_EQ(ReplyCode(client.Command("=GET_CD extra")), agent::kErrorBadArguments);
  EXPECT_EQ(ReplyCode(client.Command(std::string("=GET_CD\0x", 9))), agent::kErrorBadArguments);
  reply = client.Command("ls -l");
  EXPECT_EQ(ReplyCode(reply), agent::kErrorCommandsNotAllowed) << reply;
  EXPECT_EQ(Location(reply), agent::kCommandHostCommand);
  // Command words are matched without regard to case.
  EXPECT_EQ(client.Command("=get_cd"), "0 /");
}

TEST_F(PosixCommands, PathsCannotLeaveTheTree) {
  TempDir outside;
  WriteTextFile(outside / "secret.txt", "secret");
  std::filesystem::create_symlink(outside.path(), agent.root() / "out");
  std::filesystem::create_symlink(outside / "secret.txt", agent.root() / "src" / "leak.txt");
  std::filesystem::create_symlink(outside / "missing", agent.root() / "dangling");
  std::filesystem::create_symlink("main.c", agent.root() / "src" / "alias.c");  // stays inside

  for (const std::string command :
       {"=SET_CD ..", "=SET_CD ../..", "=SET_CD src/../../x", "=SET_CD out",
        "=GET_FILEINFO out/secret.txt", "=GET_FILEINFO src/leak.txt", "=CHECK_EXISTS ../root",
        "=CHECK_EXISTS dangling", "=CHECK_EXISTS dangling/x",
        "=RESOLVE_FILE 0 \"secret.txt\" \"/out\"", "=RESOLVE_FILE 0 \"../x\" \"/\""}) {
    const std::string reply = client.Command(command);
    EXPECT_EQ(ReplyCode(reply), agent::kErrorOutsideRoot) << command << " -> " << reply;
  }
  // An absolute path starts at the root of the tree, not of the host.
  const std::string etc = client.Command("=GET_FILEINFO /etc/passwd");
  EXPECT_EQ(ReplyCode(etc), static_cast<std::uint32_t>(ENOENT)) << etc;
  const std::string real = client.Command("=CHECK_EXISTS " + (outside / "secret.txt").string());
  EXPECT_EQ(ReplyCode(real), static_cast<std::uint32_t>(ENOENT)) << real;

  EXPECT_EQ(client.Command("=CHECK_EXISTS src/alias.c"), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
}

TEST_F(PosixCommands, BadInputEndsNothingButTheBadCommand) {
  // A packet longer than any command: read, thrown away, answered.
  std::string reply = client.Command(std::string(5000, 'A'));
  EXPECT_EQ(ReplyCode(reply), agent::kErrorCommandTooLong) << reply;
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
  // Bytes that are no command at all.
  reply = client.Command(std::string("\x01\x02\xff\xfe=", 5));
  EXPECT_NE(reply.rfind("0", 0), 0u);
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");

  // A client that announces a packet and vanishes, and one that sends half
  // a header: their sessions end, the others go on.
  {
    RawClient vanishing = agent.Open();
    vanishing.SendBytes(
        std::string("\xff\xff"
                    "abc",
                    5));
  }
  {
    RawClient half = agent.Open();
    half.SendBytes(std::string("\x00", 1));
  }
  RawClient fresh = agent.Open();
  ASSERT_TRUE(fresh.connected());
  EXPECT_EQ(fresh.Command("=GET_CD"), "0 /");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
}

TEST_F(PosixCommands, SessionsKeepTheirOwnCurrentDirectories) {
  RawClient other = agent.Open();
  ASSERT_TRUE(other.connected());
  EXPECT_EQ(client.Command("=SET_CD src"), "0");
  EXPECT_EQ(other.Command("=SET_CD src/lib"), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /src");
  EXPECT_EQ(other.Command("=GET_CD"), "0 /src/lib");
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"main.c\" \"\""), "0 /src/main.c");
  EXPECT_EQ(ReplyCode(other.Command("=RESOLVE_FILE 0 \"main.c\" \"\"")),
            static_cast<std::uint32_t>(ENOENT));

  // Many sessions at once, each with its own directory.
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      RawClient session = agent.Open();
      const std::string target = i % 2 ? "/src" : "/src/lib";
      for (int round = 0; round < 20; ++round) {
        if (session.Command("=SET_CD " + target) != "0") return;
        if (session.Command("=GET_CD") != "0 " + target) return;
      }
      ++good;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(good, 8);
}

class MpeCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTextFile(agent.root() / "DEV" / "PUB" / "PROG1", "program\n");
    WriteTextFile(agent.root() / "DEV" / "SRC" / "MAIN", "qedit\n");
    WriteTextFile(agent.root() / "DEV" / "SRC" / ".tandrill" / "MAIN", "RECLEN=80\nFCODE=111\n");
    std::filesystem::create_directories(agent.root() / "SYS" / "PUB");
    ASSERT_TRUE(agent.Start()) << agent.lastError;
    client = agent.Open("MGR.DEV mpepass");
    ASSERT_TRUE(client.connected());
  }
  TestAgent agent{Personality::kMpe};
  RawClient client;
};

TEST_F(MpeCommands, NamesAreUpperCaseAndStartInTheLogonGroup) {
  EXPECT_EQ(client.Command("=GET_CD"), "0 /DEV/PUB");
  EXPECT_EQ(client.Command("=SET_CD ../src"), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /DEV/SRC");
  EXPECT_EQ(client.Command("=SET_CD /sys/pub"), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /SYS/PUB");
  EXPECT_EQ(client.Command("=SET_CD /"), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /");
  EXPECT_EQ(client.Command("=SET_CD"), "0");
  EXPECT_EQ(client.Command("=GET_CD"), "0 /DEV/PUB");
  EXPECT_EQ(client.Command("=CHECK_EXISTS /dev/pub/prog1"), "0");
  EXPECT_EQ(client.Command("=CHECK_EXISTS prog1"), "0");
}

TEST_F(MpeCommands, FileCodesComeFromTheAttributeStore) {
  HostFileInfo info;
  ASSERT_TRUE(ParseFileInfoReply(client.Command("=GET_FILEINFO /dev/src/main"), info));
  EXPECT_EQ(info.fileCode, 111);
  EXPECT_EQ(info.flags, 0);
  ASSERT_TRUE(ParseFileInfoReply(client.Command("=GET_FILEINFO PROG1"), info));
  EXPECT_EQ(info.fileCode, 0);
  ASSERT_TRUE(ParseFileInfoReply(client.Command("=GET_FILEINFO /DEV"), info));
  EXPECT_EQ(info.flags, 2);
  // The store itself is out of reach: client paths are upper-cased.
  EXPECT_EQ(ReplyCode(client.Command("=GET_FILEINFO /DEV/SRC/.tandrill/MAIN")),
            static_cast<std::uint32_t>(ENOENT));
}

TEST_F(MpeCommands, ResolveTakesMpeNamesAndPaths) {
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"main.src.dev\" \"\""), "0 /DEV/SRC/MAIN");
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"prog1.pub\" \"/DEV/SRC\""), "0 /DEV/PUB/PROG1");
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"main\" \"/dev/src\""), "0 /DEV/SRC/MAIN");
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"main\" \"/DEV/SRC/MAIN\""), "0 /DEV/SRC/MAIN");
  EXPECT_EQ(client.Command("=RESOLVE_FILE 0 \"/dev/pub/prog1\" \"/SYS/PUB\""), "0 /DEV/PUB/PROG1");
  EXPECT_EQ(ReplyCode(client.Command("=RESOLVE_FILE 0 \"main\" \"/SYS/PUB\"")),
            static_cast<std::uint32_t>(ENOENT));
  EXPECT_EQ(ReplyCode(client.Command("=RESOLVE_FILE 0 \"x.y.z\" \"\"")),
            static_cast<std::uint32_t>(ENOENT));
}

TEST_F(MpeCommands, PreferencesAndEnvironment) {
  EXPECT_EQ(client.Command("=MPE_SET_FS M"), "0");
  EXPECT_EQ(client.Command("=MPE_SET_UDC T"), "0");
  EXPECT_EQ(client.Command("=MPE_SET_SHELL P"), "0");
  EXPECT_EQ(client.Command("=SET_ENV hpPath=!hpgroup,pub"), "0");
  EXPECT_EQ(client.Command("$$$EXECLOGON 7"), "0");
  EXPECT_EQ(ReplyCode(client.Command("=MPE_SET_FS Q")), agent::kErrorBadArguments);
}

}  // namespace
}  // namespace vandrel::testing
