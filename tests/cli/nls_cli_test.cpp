#include <gtest/gtest.h>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::RunProgram;
using testing::TempDir;

class NlsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(maps_);
    testing::WriteTextFile(maps_ / "a.nls", "[German]\n123=228\n228=123\n[Empty]\n0=65\n");
    testing::WriteTextFile(maps_ / "b.nls", "[german]\n124=246\n");
  }
  testing::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(),
                {"--config", dir_.path().string(), "nls", "--folder", maps_.string()});
    return RunProgram(VANDREL_CLI_PATH, args);
  }
  TempDir dir_;
  std::filesystem::path maps_ = dir_ / "maps";
};

TEST_F(NlsCli, ListsSetsAndDeletesMapsInTheirFiles) {
  // A section with only key 0 is no map; the second "german" is numbered.
  EXPECT_EQ(Cli({"list"}).out, "German\ta.nls [German]\ngerman(1)\tb.nls [german]\n");

  // A new map goes to default.nls, with the pair kept both ways...
  ASSERT_EQ(Cli({"set", "Swiss", "123", "228"}).exitCode, 0);
  // ...unless the other code is already taken.
  ASSERT_EQ(Cli({"set", "swiss", "124", "228"}).exitCode, 0);
  EXPECT_EQ(Cli({"show", "SWISS"}).out, "123=228\n124=228\n228=123\n");
  EXPECT_EQ(testing::ReadTextFile(maps_ / "default.nls"), "[Swiss]\n123=228\n124=228\n228=123\n");
  // 0 clears one entry and leaves its pair.
  ASSERT_EQ(Cli({"set", "Swiss", "124", "0"}).exitCode, 0);
  EXPECT_EQ(Cli({"show", "Swiss"}).out, "123=228\n228=123\n");

  const auto bad = Cli({"set", "Swiss", "256", "1"});
  EXPECT_NE(bad.exitCode, 0);
  EXPECT_EQ(Cli({"show", "Swiss"}).out, "123=228\n228=123\n");

  ASSERT_EQ(Cli({"delete", "GERMAN"}).exitCode, 0);
  EXPECT_EQ(testing::ReadTextFile(maps_ / "a.nls").find("German"), std::string::npos);
  EXPECT_EQ(Cli({"list"}).out, "german\tb.nls [german]\nSwiss\tdefault.nls [Swiss]\n");
  const auto missing = Cli({"delete", "Dutch"});
  EXPECT_NE(missing.exitCode, 0);
  EXPECT_NE(missing.out.find("no character map is named \"Dutch\""), std::string::npos);
}

}  // namespace
}  // namespace vandrel
