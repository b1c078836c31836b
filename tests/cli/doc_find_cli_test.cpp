// `vandrel-cli doc find` through the real program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "cli_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::Cli;
using ::testing::HasSubstr;
using testing::TempDir;

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST(DocFindCli, ReplaceAllGrowsWithoutLoopingAndDeletesWithAnEmptyReplacement) {
  TempDir dir;
  const auto file = dir / "a.txt";
  Write(file, "a a a\nb\n");
  auto result = Cli(dir, {"doc", "find", file.string(), "a", "--replace", "aa"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_THAT(result.out, HasSubstr("3 replaced"));
  EXPECT_EQ(Read(file), "aa aa aa\nb\n");

  result = Cli(dir, {"doc", "find", file.string(), " ", "--replace", ""});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(Read(file), "aaaaaa\nb\n");
}

TEST(DocFindCli, WholeWordsAndCaseChooseTheMatches) {
  TempDir dir;
  const auto file = dir / "prog.cob";
  const std::string text = "    MOVE WS-COUNT TO COUNT.\n    add 1 to count.\n";
  Write(file, text);
  // A hyphenated COBOL name is one word: only the plain COUNTs match.
  auto result = Cli(dir, {"doc", "find", file.string(), "count", "--word"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.out, "1:22:     MOVE WS-COUNT TO COUNT.\n2:14:     add 1 to count.\n" +
                            file.string() + ": 2 matches\n");
  result = Cli(dir, {"doc", "find", file.string(), "COUNT", "--case", "--word"});
  EXPECT_THAT(result.out, HasSubstr(": 1 match\n"));
  result = Cli(dir, {"doc", "find", file.string(), "to", "--case", "--replace", "INTO"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(Read(file), "    MOVE WS-COUNT TO COUNT.\n    add 1 INTO count.\n");
}

TEST(DocFindCli, NoMatchAndBadInputFailAndLeaveTheFileAlone) {
  TempDir dir;
  const auto file = dir / "x.txt";
  Write(file, "alpha\n");
  auto result = Cli(dir, {"doc", "find", file.string(), "beta", "--replace", "b"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("cannot find the string 'beta'"));
  result = Cli(dir, {"doc", "find", file.string(), "", "--replace", "b"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("the search text is empty"));
  result = Cli(dir, {"doc", "find", file.string(), std::string(256, 'a')});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.out, HasSubstr("longer than 255"));
  result = Cli(dir, {"doc", "find", (dir / "missing.txt").string(), "a"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(Read(file), "alpha\n");
}

}  // namespace
}  // namespace vandrel
