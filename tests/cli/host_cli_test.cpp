// `vandrel-cli host` against the tandrill executable: each command connects
// as the editor does, carries one request out and prints its result; a
// failure prints the product's own message and exits non-zero.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace
}  // namespace vandrel::testing
