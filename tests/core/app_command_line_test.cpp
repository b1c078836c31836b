#include "core/app_command_line.h"

#include <gtest/gtest.h>

#include <fstream>

#include "project/project.h"
#include "project/project_file.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

// Names ending in ".vdp" stand for readable project files.
bool FakeProjectTest(const std::string& path) {
  return path.size() > 4 && path.compare(path.size() - 4, 4, ".vdp") == 0;
}

AppCommandLine Parse(std::vector<std::string> arguments) {
  return ParseAppCommandLine(arguments, FakeProjectTest);
}

TEST(AppCommandLine, NoArgumentsStartEmptyAndKeepTheInstance) {
  const AppCommandLine line = Parse({});
  EXPECT_TRUE(line.empty());
  EXPECT_FALSE(line.HandsOffToRunningInstance());
}

TEST(AppCommandLine, QuotesAreRemovedOnlyFromMatchingPairsLongerThanTwo) {
  EXPECT_EQ(StripArgumentQuotes("\"a b.txt\""), "a b.txt");
  EXPECT_EQ(StripArgumentQuotes("'a b.txt'"), "a b.txt");
  EXPECT_EQ(StripArgumentQuotes("\"x\""), "x");
  EXPECT_EQ(StripArgumentQuotes("\"\""), "\"\"");
  EXPECT_EQ(StripArgumentQuotes("''"), "''");
  EXPECT_EQ(StripArgumentQuotes("\"a'"), "\"a'");
  EXPECT_EQ(StripArgumentQuotes("\"abc"), "\"abc");

  // A two-character quoted argument is a (strange) file name, not nothing.
  const AppCommandLine line = Parse({"''"});
  ASSERT_EQ(line.localFiles.size(), 1u);
  EXPECT_EQ(line.localFiles[0], "''");
}

TEST(AppCommandLine, StartupScriptWithAndWithoutQuotes) {
  EXPECT_EQ(Parse({"/s:build.txt"}).startupScript, "build.txt");
  EXPECT_EQ(Parse({"/S:build.txt"}).startupScript, "build.txt");
  EXPECT_EQ(Parse({"/s:\"my script.txt\""}).startupScript, "my script.txt");
  EXPECT_EQ(Parse({"\"/s:my script.txt\""}).startupScript, "my script.txt");
  EXPECT_EQ(Parse({"'/s:'x y''"}).startupScript, "x y");

  // An empty script path still runs (an empty script).
  const AppCommandLine empty = Parse({"/s:"});
  ASSERT_TRUE(empty.startupScript.has_value());
  EXPECT_EQ(*empty.startupScript, "");
  EXPECT_FALSE(empty.empty());
  EXPECT_FALSE(empty.HandsOffToRunningInstance());

  // "/s" without the colon, or another switch letter, is a path.
  EXPECT_EQ(Parse({"/s"}).localFiles, std::vector<std::string>{"/s"});
  EXPECT_EQ(Parse({"/x:a"}).localFiles, std::vector<std::string>{"/x:a"});
}

TEST(AppCommandLine, ScriptRunsAloneAndWhatElseWasGivenIsReported) {
  const AppCommandLine line = Parse({"a.txt", "/s:one", "p.vdp", "/s:two"});
  EXPECT_EQ(line.startupScript, "one");
  EXPECT_TRUE(line.localFiles.empty());
  EXPECT_TRUE(line.projectPath.empty());
  EXPECT_EQ(line.ignored.size(), 3u);
}

TEST(AppCommandLine, ProjectOpensInThisInstance) {
  const AppCommandLine line = Parse({"\"my work.vdp\""});
  EXPECT_EQ(line.projectPath, "my work.vdp");
  EXPECT_TRUE(line.localFiles.empty());
  EXPECT_FALSE(line.HandsOffToRunningInstance());

  const AppCommandLine two = Parse({"a.vdp", "b.vdp", "c.txt"});
  EXPECT_EQ(two.projectPath, "a.vdp");
  EXPECT_EQ(two.ignored, std::vector<std::string>{"b.vdp"});
  EXPECT_EQ(two.localFiles, std::vector<std::string>{"c.txt"});
  EXPECT_FALSE(two.HandsOffToRunningInstance());
}

TEST(AppCommandLine, PlainFilesAreHandedOffInOrder) {
  const AppCommandLine line = Parse({"b.txt", "'/tmp/a file.c'", "", "notes.vdp.bak"});
  EXPECT_EQ(line.localFiles, (std::vector<std::string>{"b.txt", "/tmp/a file.c", "notes.vdp.bak"}));
  EXPECT_EQ(line.ignored, std::vector<std::string>{""});
  EXPECT_TRUE(line.HandsOffToRunningInstance());
}

TEST(AppCommandLine, WithoutAProjectTestEverythingIsAFile) {
  const AppCommandLine line = ParseAppCommandLine({"x.vdp"}, {});
  EXPECT_EQ(line.localFiles, std::vector<std::string>{"x.vdp"});
}

TEST(AppCommandLine, ProjectFilesAreRecognisedByContentNotByName) {
  testing::TempDir dir;
  const auto text = dir / "looks-like.vdp";
  std::ofstream(text) << "just some text\n";
  const auto isProject = [](const std::string& path) {
    return project::ReadFileVersion(path) != 0;
  };
  project::Project saved;
  ASSERT_TRUE(project::SaveProjectFile(saved, dir / "real.any"));
  const AppCommandLine line = ParseAppCommandLine(
      {text.string(), (dir / "missing.vdp").string(), (dir / "real.any").string()}, isProject);
  EXPECT_EQ(line.projectPath, (dir / "real.any").string());
  EXPECT_EQ(line.localFiles.size(), 2u);
}

}  // namespace
}  // namespace vandrel
