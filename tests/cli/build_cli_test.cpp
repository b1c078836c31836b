// `vandrel-cli build` and `findinfiles` end to end: tandrill serves a tree
// of C, COBOL and FORTRAN sources that really fail to compile, a project
// gives its folders compile and build commands, and the build runs them on
// the host in queue order; the project's masks find each compiler's errors
// with their files and lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "project/project.h"
#include "project/project_file.h"
#include "support/agent_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel::testing {
namespace {

namespace fs = std::filesystem;
using project::Project;
using project::ProjectItem;

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

bool HaveProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && ::access((fs::path(folder) / name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// The first of `compilers` that is not installed; empty when all are. Only
// the tests that run a compiler on the host need it.
std::string Missing(std::initializer_list<const char*> compilers) {
  for (const char* compiler : compilers) {
    if (!HaveProgram(compiler)) return compiler;
  }
  return {};
}

// tandrill over a tree, commands allowed, without login; stopped by pid.
class Agent {
 public:
  explicit Agent(const fs::path& root)
      : process_({"--root", root.string(), "--port", "0", "--no-login", "--allow-commands",
                  "--personality", "posix"}),
        port_(process_.ReadPort()) {}
  int port() const { return port_; }

 private:
  AgentProcess process_;
  int port_ = 0;
};

ProjectItem* Add(ProjectItem& parent, bool folder, const std::string& name,
                 const std::string& location = {}) {
  auto item = ProjectItem::Create(&parent, folder);
  item->SetName(name);
  item->SetLocation(location);
  return parent.AppendChild(std::move(item));
}

// Positions of `needles` in `text`, in order; npos for one that does not
// come after the one before it.
std::vector<std::size_t> Positions(const std::string& text,
                                   const std::vector<std::string>& needles) {
  std::vector<std::size_t> found;
  std::size_t from = 0;
  for (const std::string& needle : needles) {
    const std::size_t at = text.find(needle, from);
    found.push_back(at);
    if (at != std::string::npos) from = at + needle.size();
  }
  return found;
}

class BuildCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path root = dir_ / "root";
    WriteFile(root / "proj/c/bad.c",
              "int main(void) {\n"
              "  int x = 1;\n"
              "  return x + y;\n"
              "}\n"
              "int other(void) { return z; }\n");
    WriteFile(root / "proj/c/good.c", "int good(void) { return 1; }\n");
    WriteFile(root / "proj/c/skipped.c", "int skipped(void) {\n  return missing;\n}\n");
    WriteFile(root / "proj/cobol/bad.cob",
              "       IDENTIFICATION DIVISION.\n"
              "       PROGRAM-ID. BAD.\n"
              "       PROCEDURE DIVISION.\n"
              "           MOVE 1 TO UNDEFINED-X.\n"
              "           STOP RUN.\n");
    WriteFile(root / "proj/fortran/bad.f",
              "      PROGRAM BAD\n"
              "      INTEGER I\n"
              "      I = 1 +\n"
              "      END\n");
    agent_ = std::make_unique<Agent>(root);
    ASSERT_NE(agent_->port(), 0);
    fs::create_directories(dir_ / "config");
    WriteProject();
  }

  void WriteProject() {
    Project project;
    project.SetName("demo");
    project.SetLocation("/proj");
    project.projectSettings().server = "127.0.0.1";
    project.projectSettings().port = agent_->port();
    // Plain quotes in the compilers' messages, whatever the host's locale.
    project.projectSettings().environment = "LC_ALL=C";
    project.projectSettings().outputMasks = {
        "$(FileName):$(Line):$(Number): error: $(String)",  // gcc
        "$(FileName):$(Line): error: $(String)",            // cobc
        "Error: $(ScanUp)$(FileName):$(Line):$(Number):",   // gfortran, header lines above
    };
    project.settings().buildFlags = project::kBuildCompileContents | project::kBuildAfterCompile;
    project.settings().build = "echo linking done";
    project.settings().compileEcho = "-- precompile $(FileName)";

    ProjectItem* c = Add(project, true, "C sources", "c");
    c->settings().compileFlags = project::kCompileOverride;
    c->settings().compile = "gcc -c $(FileName) -o /dev/null";
    c->settings().buildFlags = project::kBuildOverride | project::kBuildCompileContents;
    c->settings().build = "echo c folder built";
    Add(*c, false, "bad.c");
    Add(*c, false, "good.c");
    Add(*c, false, "skipped.c")->settings().compileFlags = project::kCompileExclude;

    ProjectItem* cobol = Add(project, true, "COBOL sources", "cobol");
    cobol->settings().compileFlags = project::kCompileOverride;
    cobol->settings().compile = "cobc -fsyntax-only $(FileName)";
    cobol->settings().buildFlags = project::kBuildCompileContents | project::kBuildAfterCompile;
    Add(*cobol, false, "bad.cob");

    ProjectItem* fortran = Add(project, true, "FORTRAN sources", "fortran");
    fortran->settings().compileFlags = project::kCompileOverride;
    fortran->settings().compile = "gfortran -fsyntax-only $(FileName)";
    fortran->settings().buildFlags = project::kBuildCompileContents;
    Add(*fortran, false, "bad.f");

    ASSERT_TRUE(project::SaveProjectFile(project, projectPath()));
  }

  std::string projectPath() const { return (dir_ / "demo.vdp").string(); }

  ProcessResult Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--config", (dir_ / "config").string()});
    return RunProgram(VANDREL_CLI_PATH, arguments);
  }

  TempDir dir_;
  std::unique_ptr<Agent> agent_;
};

TEST_F(BuildCli, BuildingTheProjectRunsEveryCommandInOrderAndFindsEachError) {
  if (const std::string missing = Missing({"gcc", "cobc", "gfortran"}); !missing.empty()) {
    GTEST_SKIP() << missing << " is not installed: the build cannot run it";
  }
  const ProcessResult run = Cli({"build", projectPath()});
  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::string& out = run.out;

  // The commands in queue order (echoed as they are queued), each in its
  // folder: the C folder's own command first, then its files; the COBOL and
  // FORTRAN folders' files; the project's command after its contents.
  const std::vector<std::size_t> echoes = Positions(
      out, {">> Command 'echo c folder built'", ">> Command 'gcc -c bad.c -o /dev/null'",
            ">> Command 'gcc -c good.c -o /dev/null'", ">> Command 'cobc -fsyntax-only bad.cob'",
            ">> Command 'gfortran -fsyntax-only bad.f'", ">> Command 'echo linking done'"});
  for (std::size_t at : echoes) EXPECT_NE(at, std::string::npos) << out;
  EXPECT_EQ(out.find("skipped.c"), std::string::npos) << out;

  // The output in run order, the precompile text before each command.
  const std::vector<std::size_t> output =
      Positions(out, {"c folder built", "-- precompile bad.c", "bad.c:3:", "-- precompile good.c",
                      "-- precompile bad.cob", "bad.cob:4: error:", "-- precompile bad.f",
                      "Error:", "linking done", ">> Command completed\n>>\n>> 4 error(s)\n>>\n"});
  for (std::size_t at : output) EXPECT_NE(at, std::string::npos) << out;

  // The summary: the count, then each error with its file and line.
  const std::size_t summary = out.find("\n4 error(s)\n");
  ASSERT_NE(summary, std::string::npos) << out;
  const std::vector<std::size_t> errors = Positions(
      out.substr(summary),
      {"\n/proj/c/bad.c(3): bad.c:3:", "\n/proj/c/bad.c(5): bad.c:5:",
       "\n/proj/cobol/bad.cob(4): bad.cob:4: error:", "\n/proj/fortran/bad.f(3): Error:"});
  for (std::size_t at : errors) EXPECT_NE(at, std::string::npos) << out;
}

TEST_F(BuildCli, CompilingOneFileRunsOnlyItsCommand) {
  if (const std::string missing = Missing({"gcc"}); !missing.empty()) {
    GTEST_SKIP() << missing << " is not installed: the build cannot run it";
  }
  // The file excluded from the folder's build still compiles on its own.
  ProcessResult run = Cli({"build", projectPath(), "--item", "0 2", "--compile"});
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_NE(run.out.find(">> Command 'gcc -c skipped.c -o /dev/null'"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\n1 error(s)\n/proj/c/skipped.c(2): "), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("bad.c"), std::string::npos) << run.out;

  run = Cli({"build", projectPath(), "--item", "0 1", "--compile"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find(">> 0 error(s)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\n0 error(s)\n"), std::string::npos) << run.out;

  // A file of the COBOL folder builds that folder's owner: the project.
  run = Cli({"build", projectPath(), "--item", "1 0"});
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_NE(run.out.find("linking done"), std::string::npos) << run.out;

  run = Cli({"build", projectPath(), "--item", "7"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("no item at index path"), std::string::npos) << run.out;
}

TEST_F(BuildCli, FindInFilesSearchesTheProjectFilesOrADirectory) {
  ProcessResult run = Cli({"findinfiles", projectPath(), "undefined-x", "--project-files"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("/proj/cobol/bad.cob(4): "), std::string::npos) << run.out;

  // Matching case finds nothing; a directory search finds the C sources
  // that are not in any build too.
  run = Cli({"findinfiles", projectPath(), "undefined-x", "--project-files", "--case"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.find("bad.cob("), std::string::npos) << run.out;
  run = Cli({"findinfiles", projectPath(), "return", "--dir", "/proj", "--types", "*.c"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("/proj/c/skipped.c(2): "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("/proj/c/good.c(1): "), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("bad.f("), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vandrel::testing
