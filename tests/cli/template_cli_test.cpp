#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "cli_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::Cli;
using ::testing::HasSubstr;
using testing::ReadBytes;
using ::testing::StartsWith;
using testing::TempDir;
using testing::WriteTextFile;

const std::string kSource =
    "# A small template.\n"
    "Name = \"Demo #1\"\n"
    "CompilerOutputMask = \"$(FileName):$(Line): $(String)\"\n"
    "MPEFileSupport = 2\n"
    "MPEFileCode = 1052\n"
    "MPERecordLen = 72\n"
    "Cobol85 = 1\n"
    "Delimiters = \" .,\"\n"
    "[KeywordList1]\n"
    "MOVE\n"
    "\"#if\"\n";

TEST(TemplateCli, BuildShowAndBuildAgainGiveTheSameFile) {
  TempDir dir;
  const auto source = dir / "demo.vdtsrc";
  const auto built = dir / "demo.vdt";
  WriteTextFile(source, kSource);
  auto result = Cli(dir, {"template", "build", source.string(), built.string()});
  ASSERT_EQ(result.exitCode, 0) << result.out;

  const auto shown = Cli(dir, {"template", "show", built.string()});
  ASSERT_EQ(shown.exitCode, 0) << shown.out;
  EXPECT_THAT(shown.out, HasSubstr("Name = \"Demo #1\"\n"));
  EXPECT_THAT(shown.out, HasSubstr("\nMPERecordLen = 72\n"));
  EXPECT_THAT(shown.out, HasSubstr("[KeywordList1]\nMOVE\n\"#if\"\n"));
  EXPECT_THAT(shown.out, ::testing::Not(HasSubstr("user flag")));  // not in a templates folder

  const auto again = dir / "again.vdt";
  WriteTextFile(dir / "shown.vdtsrc", shown.out);
  result = Cli(dir, {"template", "build", (dir / "shown.vdtsrc").string(), again.string()});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(ReadBytes(again), ReadBytes(built));

  const auto json = Cli(dir, {"template", "show", built.string(), "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.out;
  EXPECT_THAT(json.out, StartsWith("{\"file\":"));
  EXPECT_THAT(json.out, HasSubstr(",\"values\":{\"Name\":\"Demo #1\",\"ContextHelpFile\":\"\","));
  EXPECT_THAT(json.out, HasSubstr("\"MPEFileCode\":1052,"));
  EXPECT_THAT(json.out, HasSubstr("\"KeywordList1\":[\"MOVE\",\"#if\"],\"KeywordList2\":[],"));
  EXPECT_THAT(json.out, HasSubstr("\"KeywordList4\":[]}}\n"));
  EXPECT_THAT(json.out, ::testing::Not(HasSubstr("userFlag")));
}

TEST(TemplateCli, ABadSourceBuildsNothingAndKeepsTheOldFile) {
  TempDir dir;
  const auto good = dir / "good.vdtsrc";
  const auto out = dir / "out.vdt";
  WriteTextFile(good, kSource);
  ASSERT_EQ(Cli(dir, {"template", "build", good.string(), out.string()}).exitCode, 0);
  const auto before = ReadBytes(out);

  const auto bad = dir / "bad.vdtsrc";
  WriteTextFile(bad, "Name = \"x\"\nTabStops = four\nName = \"" + std::string(63, 'n') + "\"\n");
  const auto result = Cli(dir, {"template", "build", bad.string(), out.string()});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_THAT(result.out, HasSubstr(bad.string() + ":2: TabStops: 'four' is not a decimal"));
  EXPECT_THAT(result.out, HasSubstr(bad.string() + ":3: Name is given twice"));
  EXPECT_EQ(ReadBytes(out), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);

  EXPECT_NE(
      Cli(dir, {"template", "build", (dir / "missing.vdtsrc").string(), out.string()}).exitCode, 0);
  EXPECT_NE(
      Cli(dir, {"template", "build", good.string(), (dir / "no/such/dir.vdt").string()}).exitCode,
      0);
  EXPECT_NE(Cli(dir, {"template", "show", bad.string()}).exitCode, 0);  // not a store file
  EXPECT_NE(Cli(dir, {"template", "show", (dir / "missing.vdt").string()}).exitCode, 0);
}

TEST(TemplateCli, ListsDefaultTemplatesThenUserTemplates) {
  TempDir dir;
  const auto user = dir / "mine";
  std::filesystem::create_directories(user);
  ASSERT_EQ(Cli(dir, {"settings", "set", "LocalTemplates", user.string()}).exitCode, 0);
  WriteTextFile(dir / "demo.vdtsrc", kSource);
  ASSERT_EQ(
      Cli(dir, {"template", "build", (dir / "demo.vdtsrc").string(), (user / "demo.vdt").string()})
          .exitCode,
      0);

  const auto list = Cli(dir, {"template", "list"});
  ASSERT_EQ(list.exitCode, 0) << list.out;
  // TemplatesFolder is empty: the templates built beside the tool are used.
  EXPECT_THAT(list.out, StartsWith("Ansi - Basic\tdefault\t"));
  EXPECT_THAT(list.out, HasSubstr("share/vandrel/templates/ansi-basic.vdt\n"));
  EXPECT_THAT(list.out, HasSubstr("\nHP COBOL II\tdefault\t"));
  EXPECT_THAT(list.out, HasSubstr("\nQedit - COBOL\tdefault\t"));
  const std::string last = "Demo #1\tuser\t" + (user / "demo.vdt").string() + "\n";
  ASSERT_GE(list.out.size(), last.size());
  EXPECT_EQ(list.out.substr(list.out.size() - last.size()), last);

  const auto json = Cli(dir, {"template", "list", "--json"});
  ASSERT_EQ(json.exitCode, 0);
  EXPECT_THAT(json.out, StartsWith("[{\"name\":\"Ansi - Basic\",\"file\":"));
  EXPECT_THAT(json.out, HasSubstr("{\"name\":\"Demo #1\",\"file\":\"" +
                                  (user / "demo.vdt").string() + "\",\"userFlag\":1}]\n"));

  // The user flag is known for files in either folder.
  const auto shown = Cli(dir, {"template", "show", (user / "demo.vdt").string(), "--json"});
  EXPECT_THAT(shown.out, HasSubstr(",\"userFlag\":1,\"values\":"));
  const auto shownText = Cli(dir, {"template", "show", (user / "demo.vdt").string()});
  EXPECT_THAT(shownText.out, HasSubstr("# a user template (user flag 1)\n"));
  const std::filesystem::path defaults =
      std::filesystem::path(VANDREL_CLI_PATH).parent_path() / "share/vandrel/templates";
  const auto shownDefault =
      Cli(dir, {"template", "show", (defaults / "mpe-cobol.vdt").string(), "--json"});
  EXPECT_THAT(shownDefault.out, HasSubstr(",\"userFlag\":0,\"values\":{\"Name\":\"HP COBOL II\""));
}

TEST(TemplateCli, MatchChoosesAsTheEditorWould) {
  TempDir dir;
  auto match = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"template", "match"});
    const auto result = Cli(dir, args);
    EXPECT_EQ(result.exitCode, 0) << result.out;
    return result.out;
  };
  // By name through the default file types (none stored yet).
  EXPECT_EQ(match({"--file", "/src/PROG.CBL"}), "Ansi - COBOL\n");
  EXPECT_EQ(match({"--file", "Main.java"}), "Sun Microsystems - Java\n");
  EXPECT_EQ(match({"--file", "notes.xyz"}), "(none)\n");
  // By host attributes: code and length, else the last plain template of the code.
  EXPECT_EQ(match({"--fcode", "1052", "--reclen", "80"}), "HP COBOL II\n");
  EXPECT_EQ(match({"--fcode", "1052", "--reclen", "72"}), "HP COBOL II\n");
  EXPECT_EQ(match({"--file", "PAYROLL.SOURCE", "--fcode", "1052", "--reclen", "80"}),
            "HP COBOL II\n");
  EXPECT_EQ(match({"--fcode", "0", "--reclen", "80"}), "(none)\n");
  EXPECT_EQ(match({"--fcode", "111", "--reclen", "80", "--qedit", "3"}), "Qedit - COBOL\n");
  EXPECT_EQ(match({"--fcode", "111", "--reclen", "80", "--qedit", "7"}), "Qedit - Pascal\n");
  EXPECT_EQ(match({"--fcode", "111", "--reclen", "80", "--qedit", "4"}), "(none)\n");

  // A user template with the same code and length comes after the defaults.
  const auto user = dir / "mine";
  std::filesystem::create_directories(user);
  ASSERT_EQ(Cli(dir, {"settings", "set", "LocalTemplates", user.string()}).exitCode, 0);
  WriteTextFile(dir / "demo.vdtsrc", kSource);  // 1052, record length 72, line tokens
  ASSERT_EQ(
      Cli(dir, {"template", "build", (dir / "demo.vdtsrc").string(), (user / "demo.vdt").string()})
          .exitCode,
      0);
  EXPECT_EQ(match({"--fcode", "1052", "--reclen", "72"}), "Demo #1\n");
  EXPECT_EQ(match({"--fcode", "1052", "--reclen", "73"}), "HP COBOL II\n");

  EXPECT_NE(Cli(dir, {"template", "match"}).exitCode, 0);
  EXPECT_NE(Cli(dir, {"template", "match", "--fcode", "1052"}).exitCode, 0);
  EXPECT_NE(Cli(dir, {"template", "match", "--qedit", "3"}).exitCode, 0);
  EXPECT_NE(
      Cli(dir, {"template", "match", "--fcode", "111", "--reclen", "80", "--qedit", "9"}).exitCode,
      0);
}

TEST(TemplateCli, EveryCommandHasHelp) {
  TempDir dir;
  for (const char* command : {"show", "build", "list", "match"}) {
    const auto result = Cli(dir, {"template", command, "--help"});
    EXPECT_EQ(result.exitCode, 0) << command;
    EXPECT_THAT(result.out, HasSubstr("Usage:")) << command;
  }
  EXPECT_THAT(Cli(dir, {"template", "--help"}).out, HasSubstr("match"));
}

}  // namespace
}  // namespace vandrel
