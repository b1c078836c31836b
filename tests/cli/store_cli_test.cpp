#include <gtest/gtest.h>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::ReadBytes;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteBytes;

testing::ProcessResult Cli(std::vector<std::string> args) {
  return RunProgram(VANDREL_CLI_PATH, args);
}

TEST(StoreCli, SetGetAndDumpRoundTrip) {
  TempDir dir;
  const std::string file = (dir / "demo.vdp").string();
  ASSERT_EQ(Cli({"store", "set", file, "Project", "Name", "--text", "abc"}).exitCode, 0);
  ASSERT_EQ(Cli({"store", "set", file, "project", "Port", "--number", "11000"}).exitCode, 0);
  ASSERT_EQ(Cli({"store", "set", file, "Item1", "Raw", "--hex", "00ff10"}).exitCode, 0);
  ASSERT_EQ(Cli({"store", "set", file, "Project", "Name", "--text", "much longer"}).exitCode, 0);

  auto get = Cli({"store", "get", file, "PROJECT", "name"});
  EXPECT_EQ(get.exitCode, 0);
  EXPECT_EQ(get.out, "much longer\n");
  EXPECT_EQ(Cli({"store", "get", file, "Project", "Port"}).out, "11000\n");
  EXPECT_EQ(Cli({"store", "get", file, "Item1", "Raw", "--type", "3"}).out, "00FF10\n");
  EXPECT_NE(Cli({"store", "get", file, "Project", "Port", "--type", "1"}).exitCode, 0);
  EXPECT_NE(Cli({"store", "get", file, "Project", "Absent"}).exitCode, 0);

  const auto dump = Cli({"store", "dump", file, "--json"});
  ASSERT_EQ(dump.exitCode, 0) << dump.out;
  // The first Name was 3 bytes; the longer text retired it.
  EXPECT_EQ(
      dump.out,
      "{\"flags\":1,\"format\":10000,\"sections\":["
      "{\"name\":\"Project\",\"live\":true,\"values\":["
      "{\"name\":\"Name\",\"type\":1,\"live\":false,\"offset\":309,\"text\":\"abc\"},"
      "{\"name\":\"Port\",\"type\":4,\"live\":true,\"offset\":331,\"number\":11000},"
      "{\"name\":\"Name\",\"type\":1,\"live\":true,\"offset\":391,\"text\":\"much longer\"}]},"
      "{\"name\":\"Item1\",\"live\":true,\"values\":["
      "{\"name\":\"Raw\",\"type\":3,\"live\":true,\"offset\":369,\"hex\":\"00FF10\"}]}]}\n");
}

TEST(StoreCli, BadInputIsRefusedAndLosesNothing) {
  TempDir dir;
  const auto notes = dir / "notes.txt";
  const std::vector<std::uint8_t> text(300, 'x');
  WriteBytes(notes, text);
  EXPECT_NE(Cli({"store", "set", notes.string(), "S", "V", "--text", "t"}).exitCode, 0);
  EXPECT_EQ(ReadBytes(notes), text);
  EXPECT_NE(Cli({"store", "dump", notes.string()}).exitCode, 0);
  EXPECT_NE(Cli({"store", "dump", (dir / "missing.vdp").string()}).exitCode, 0);

  const std::string file = (dir / "p.vdp").string();
  EXPECT_NE(Cli({"store", "set", file, "S", "V", "--hex", "abc"}).exitCode, 0);
  EXPECT_NE(Cli({"store", "set", file, "S", "V", "--number", "4294967296"}).exitCode, 0);
  EXPECT_NE(Cli({"store", "set", file, "S", "V"}).exitCode, 0);
  EXPECT_NE(Cli({"store", "set", file, "S", "V", "--text", "a", "--number", "1"}).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(StoreCli, EveryCommandHasHelp) {
  for (auto args : std::vector<std::vector<std::string>>{{"--help"},
                                                         {"store", "--help"},
                                                         {"store", "dump", "--help"},
                                                         {"store", "get", "--help"},
                                                         {"store", "set", "--help"},
                                                         {"settings", "--help"}}) {
    auto r = Cli(args);
    EXPECT_EQ(r.exitCode, 0) << args.back();
    EXPECT_NE(r.out.find("Usage"), std::string::npos) << r.out;
  }
}

}  // namespace
}  // namespace vandrel
