// `vandrel-cli host` against the tandrill executable: each command connects
// as the editor does, carries one request out and prints its result; a
// failure prints the product's own message and exits non-zero.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/agent_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel::testing {
namespace {

// tandrill on an ephemeral port over a tree; stopped by its process id.
class Agent {
 public:
  explicit Agent(const std::vector<std::string>& arguments) : process_(arguments) {
    if (const std::uint16_t port = process_.ReadPort()) port_ = std::to_string(port);
  }
  const std::string& port() const { return port_; }

 private:
  AgentProcess process_;
  std::string port_;
};

class HostCli : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTextFile(dir_ / "root" / "src" / "main.c", "int main() { return 0; }\nfoo bar\n");
    agent_ = std::make_unique<Agent>(std::vector<std::string>{
        "--root", (dir_ / "root").string(), "--port", "0", "--no-login", "--allow-commands"});
    ASSERT_FALSE(agent_->port().empty());
  }
  ProcessResult Host(std::vector<std::string> args) {
    std::vector<std::string> all{"host", "--host", "127.0.0.1", "--port", agent_->port()};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(VANDREL_CLI_PATH, all);
  }

  TempDir dir_;
  std::unique_ptr<Agent> agent_;
};

TEST_F(HostCli, ListsReadsAndWritesHostFiles) {
  ProcessResult result = Host({"pwd"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.out, "/\n");

  result = Host({"ls", "/src", "--json"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_NE(result.out.find("\"folder\":\"/src\""), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\"name\":\"main.c\",\"size\":33"), std::string::npos) << result.out;

  result = Host({"info", "/src/main.c", "--json"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_NE(result.out.find("\"size\":33"), std::string::npos) << result.out;

  result = Host({"get", "/src/main.c", "-o", (dir_ / "copy.c").string()});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(ReadTextFile(dir_ / "copy.c"), "int main() { return 0; }\nfoo bar\n");

  WriteTextFile(dir_ / "new.c", "int x;\n");
  result = Host({"put", (dir_ / "new.c").string(), "/src/new.c", "--new"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(ReadTextFile(dir_ / "root" / "src" / "new.c"), "int x;\n");

  result = Host({"resolve", "main.c", "/src"});
  EXPECT_EQ(result.out, "/src/main.c\n");

  // Sorted as the file dialog sorts: folders first, and reversed the whole
  // order turns round.
  std::filesystem::create_directory(dir_ / "root" / "src" / "zdir");
  auto order = [](const std::string& out) {
    return std::vector<std::size_t>{out.find("main.c"), out.find("new.c"), out.find("zdir")};
  };
  result = Host({"ls", "/src", "--sort", "name"});
  auto at = order(result.out);
  EXPECT_TRUE(at[2] < at[0] && at[0] < at[1]) << result.out;
  result = Host({"ls", "/src", "--sort", "size", "--reverse"});
  at = order(result.out);
  EXPECT_TRUE(at[0] < at[1] && at[1] < at[2]) << result.out;
}

TEST_F(HostCli, SearchesAndRunsCommands) {
  ProcessResult result = Host({"find", "foo", "/", "--subdirs"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_NE(result.out.find("/src/main.c(2): foo bar"), std::string::npos) << result.out;

  result = Host({"run", "echo hello"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.out, "hello\n");
  // The command ran but failed: the tool says so by its exit status.
  result = Host({"run", "echo failing; exit 3"});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.out.find("failing"), std::string::npos);
}

TEST_F(HostCli, FailuresShowTheProductsMessages) {
  ProcessResult result = Host({"get", "/src/missing.c"});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.out.find("The following error has been returned by the server:"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("No such file or directory"), std::string::npos) << result.out;

  // Nothing listens on the port the agent held before it stopped.
  const std::string port = agent_->port();
  agent_.reset();
  result = RunProgram(VANDREL_CLI_PATH, {"host", "--host", "127.0.0.1", "--port", port, "pwd"});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.out.find("Failed to connect to '127.0.0.1' on port " + port), std::string::npos)
      << result.out;
}

// An MPE/iX account with one fixed-record COBOL source carrying user labels.
class MpeHostCli : public ::testing::Test {
 protected:
  static std::string Record(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
  }

  void SetUp() override {
    const auto group = dir_ / "root" / "DEMO" / "SOURCE";
    WriteTextFile(group / "ORDRPT", Record("000100 IDENTIFICATION DIVISION.") + "\n" +
                                        Record("000200 PROGRAM-ID. ORDRPT.") + "\n" +
                                        Record("000300 PROCEDURE DIVISION.") + "\n");
    // The labels as hexadecimal bytes: "ORDERS V1" and two bytes 00 FF.
    attributes_ =
        "FCODE=1052\nRECLEN=80\nBFACT=16\nTYPE=0\nMODE=1\nLIMIT=1023\nCCTL=0\nM#L=4\n"
        "QLANG=0\nQRECLEN=0\nQLNL=0\nQLNJ=0\nLW=\nACD=\n"
        "LABEL1=4F5244455253205631\nLABEL2=00FF\n";
    WriteTextFile(group / ".tandrill" / "ORDRPT", attributes_);
    agent_ = std::make_unique<Agent>(std::vector<std::string>{
        "--root", (dir_ / "root").string(), "--port", "0", "--no-login", "--personality", "mpe"});
    ASSERT_FALSE(agent_->port().empty());
  }
  ProcessResult Host(std::vector<std::string> args) {
    std::vector<std::string> all{"host", "--host", "127.0.0.1", "--port", agent_->port()};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(VANDREL_CLI_PATH, all);
  }
  // Host file times are whole seconds, and a save that leaves the host
  // file's size and times as they were counts as not taken. Each put here
  // starts in a second of its own.
  static void NextSecond() {
    const std::time_t now = std::time(nullptr);
    while (std::time(nullptr) == now) ::usleep(20'000);
  }
  std::string HostFile() { return ReadTextFile(dir_ / "root" / "DEMO" / "SOURCE" / "ORDRPT"); }
  std::string HostAttributes() {
    return ReadTextFile(dir_ / "root" / "DEMO" / "SOURCE" / ".tandrill" / "ORDRPT");
  }

  TempDir dir_;
  std::string attributes_;
  std::unique_ptr<Agent> agent_;
};

TEST_F(MpeHostCli, PutSavesAsTheEditorDoesAndKeepsTheAttributes) {
  // The record form, as the editor has the file open, edited in one record.
  const std::string local = (dir_ / "ORDRPT.rec").string();
  ProcessResult result = Host({"get", "--record", "/DEMO/SOURCE/ORDRPT", "-o", local});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  std::string bytes = ReadTextFile(local);
  const std::size_t at = bytes.find("PROGRAM-ID. ORDRPT.");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 19, "PROGRAM-ID. ORDLST.");
  WriteTextFile(local, bytes);

  NextSecond();
  result = Host({"put", local, "/DEMO/SOURCE/ORDRPT"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(HostFile(), Record("000100 IDENTIFICATION DIVISION.") + "\n" +
                            Record("000200 PROGRAM-ID. ORDLST.") + "\n" +
                            Record("000300 PROCEDURE DIVISION.") + "\n");
  // File code, record length, type, limit and labels as they were.
  EXPECT_EQ(HostAttributes(), attributes_);

  // A plain text copy takes the same road: the host file's attributes stay,
  // its lines are the text's, padded to the record length.
  result = Host({"get", "/DEMO/SOURCE/ORDRPT", "-o", (dir_ / "ordrpt.txt").string()});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  std::string text = ReadTextFile(dir_ / "ordrpt.txt");
  ASSERT_NE(text.find("PROCEDURE DIVISION."), std::string::npos) << text;
  text.replace(text.find("PROCEDURE DIVISION."), 19, "DATA DIVISION.     ");
  WriteTextFile(dir_ / "ordrpt.txt", text);
  NextSecond();
  result = Host({"put", (dir_ / "ordrpt.txt").string(), "/DEMO/SOURCE/ORDRPT"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(HostFile(), Record("000100 IDENTIFICATION DIVISION.") + "\n" +
                            Record("000200 PROGRAM-ID. ORDLST.") + "\n" +
                            Record("000300 DATA DIVISION.") + "\n");
  EXPECT_EQ(HostAttributes(), attributes_);

  // A line longer than the fixed records is refused when the question is
  // answered No, and nothing on the host changes.
  WriteTextFile(dir_ / "long.txt", std::string(100, 'x') + "\n");
  result = Host({"put", (dir_ / "long.txt").string(), "/DEMO/SOURCE/ORDRPT", "--no"});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_EQ(HostAttributes(), attributes_);

  // The host hands out a lock number.
  result = Host({"lock", "/DEMO/SOURCE/ORDRPT"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_GE(std::stoi(result.out), 0) << result.out;
}

}  // namespace
}  // namespace vandrel::testing
