// A POSIX host agent that runs commands, on a tree of the test's own
// (src/hello.c, src/notes.txt), and a project host.vdp that connects to it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "project/project.h"
#include "project/project_file.h"
#include "support/agent_process.h"
#include "support/temp_dir.h"

namespace vandrel::testing {

class PosixHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "root" / "src");
    std::ofstream(dir_ / "root" / "src" / "hello.c") << "int main(void) { return 0; }\n";
    std::ofstream(dir_ / "root" / "src" / "notes.txt") << "notes\n";
    agent_ = std::make_unique<AgentProcess>(std::vector<std::string>{
        "--root", (dir_ / "root").string(), "--port", "0", "--bind", "127.0.0.1", "--no-login",
        "--allow-commands", "--personality", "posix"});
    const int port = agent_->ReadPort();
    ASSERT_NE(port, 0);
    project::Project saved;
    saved.projectSettings().server = "127.0.0.1";
    saved.projectSettings().port = port;
    ASSERT_TRUE(project::SaveProjectFile(saved, dir_ / "host.vdp"));
  }

  TempDir dir_;
  std::unique_ptr<AgentProcess> agent_;
};

}  // namespace vandrel::testing
