#include <gtest/gtest.h>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::RunProgram;
using testing::TempDir;

class SettingsCli : public ::testing::Test {
 protected:
  testing::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--config", dir_.path().string()});
    return RunProgram(VANDREL_CLI_PATH, args);
  }
  TempDir dir_;
};

TEST_F(SettingsCli, ListsGetsAndSets) {
  auto list = Cli({"settings", "list"});
  ASSERT_EQ(list.exitCode, 0) << list.out;
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 93);
  EXPECT_EQ(list.out.rfind("BackgroundColor=RGB(255,255,255)\n", 0), 0u);
  EXPECT_NE(list.out.find("\nPrintMargins=20,20,20,20\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "settings.reg"));

  EXPECT_EQ(Cli({"settings", "set", "editorfont", "Fixed Sys"}).exitCode, 0);
  EXPECT_EQ(Cli({"settings", "set", "TextColor", "RGB(1,2,3)"}).exitCode, 0);
  EXPECT_EQ(Cli({"settings", "get", "EditorFont"}).out, "Fixed Sys\n");
  EXPECT_EQ(Cli({"settings", "get", "textcolor"}).out, "RGB(1,2,3)\n");
  EXPECT_EQ(Cli({"settings", "get", "EditorFontSize"}).out, "10\n");
  EXPECT_EQ(Cli({"settings", "set", "--help"}).exitCode, 0);
}

TEST_F(SettingsCli, BadInputWritesNothing) {
  ASSERT_EQ(Cli({"settings", "set", "ShowRuler", "0"}).exitCode, 0);
  std::vector<std::uint8_t> before = testing::ReadBytes(dir_ / "settings.reg");

  auto unknown = Cli({"settings", "set", "NoSuchSetting", "1"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_NE(unknown.out.find("NoSuchSetting"), std::string::npos);
  auto bad = Cli({"settings", "set", "ShowRuler", "maybe"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.out.find("expects 0 or 1"), std::string::npos);
  EXPECT_EQ(Cli({"settings", "get", "Nope"}).exitCode, 1);
  EXPECT_EQ(testing::ReadBytes(dir_ / "settings.reg"), before);
  EXPECT_EQ(Cli({"settings", "get", "ShowRuler"}).out, "0\n");
}

}  // namespace
}  // namespace vandrel
