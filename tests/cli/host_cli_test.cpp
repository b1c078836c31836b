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

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel::testing {
namespace {

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// tandrill on an ephemeral port over a tree; stopped by its process id.
class Agent {
 public:
  explicit Agent(std::vector<std::string> arguments) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      std::vector<char*> argv;
      std::string program = VANDREL_TANDRILL_PATH;
      argv.push_back(program.data());
      for (auto& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    char c;
    pollfd wait{out[0], POLLIN, 0};
    while (::poll(&wait, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    const std::size_t colon = line.rfind(':');
    if (colon != std::string::npos) port_ = line.substr(colon + 1);
  }
  ~Agent() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  const std::string& port() const { return port_; }

 private:
  pid_t pid_ = -1;
  std::string port_;
};

class HostCli : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "root" / "src" / "main.c", "int main() { return 0; }\nfoo bar\n");
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
  EXPECT_EQ(ReadFile(dir_ / "copy.c"), "int main() { return 0; }\nfoo bar\n");

  WriteFile(dir_ / "new.c", "int x;\n");
  result = Host({"put", (dir_ / "new.c").string(), "/src/new.c", "--new"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(ReadFile(dir_ / "root" / "src" / "new.c"), "int x;\n");

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
