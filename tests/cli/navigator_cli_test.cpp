#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using testing::Cli;
using ::testing::HasSubstr;
using testing::TempDir;
using testing::WriteTextFile;

const std::filesystem::path kExtensions = VANDREL_TEST_EXTENSIONS_DIR;

// fake.vdx reads "KIND LEVEL NAME PARAMETERS..." lines and "! TEXT" diagnostics.
const char kSource[] =
    "S 0 MAIN\n"
    "F 0 10 a b\n"
    "F 1 INNER\n"
    "F 0 9\n"
    "! odd line\n"
    "D 0 WS-A\n";

class NavigatorCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTextFile(dir_ / "fake.vdtsrc", "Name = \"Fake\"\nSyntaxParser = \"FAKE.vdx\"\n");
    std::filesystem::create_directories(dir_ / "templates");
    ASSERT_EQ(Cli(dir_, {"template", "build", (dir_ / "fake.vdtsrc").string(),
                         (dir_ / "templates" / "fake.vdt").string()})
                  .exitCode,
              0);
    ASSERT_EQ(
        Cli(dir_, {"settings", "set", "TemplatesFolder", (dir_ / "templates").string()}).exitCode,
        0);
    ASSERT_EQ(Cli(dir_, {"settings", "set", "VDXFolder", kExtensions.string()}).exitCode, 0);
    WriteTextFile(source_, kSource);
  }

  TempDir dir_;
  std::string source_ = (dir_ / "source.xyz").string();
};

TEST_F(NavigatorCliTest, PrintsTheTreeTheEditorShows) {
  const auto tree = Cli(dir_, {"navigator", source_, "--template", "fake"});
  ASSERT_EQ(tree.exitCode, 0) << tree.out;
  EXPECT_EQ(tree.out,
            "Sections\n"
            "  MAIN\t1\n"
            "Working Storage\n"
            "  WS-A\t6\n"
            "Paragraphs\n"
            "  9\t4\n"
            "  10\t2\n"
            "    INNER\t3\n");

  // The same road with the library named directly; diagnostics on request.
  const auto json =
      Cli(dir_, {"navigator", source_, "--extension", (kExtensions / "fake.vdx").string(), "--json",
                 "--parameters", "--debug"});
  ASSERT_EQ(json.exitCode, 0) << json.out;
  EXPECT_EQ(json.out,
            "(00000005) odd line\n"
            "[{\"label\":\"Sections\",\"category\":6,\"children\":["
            "{\"text\":\"MAIN\",\"line\":1,\"category\":6,\"level\":0,\"parameters\":[],"
            "\"children\":[]}]},"
            "{\"label\":\"Working Storage\",\"category\":3,\"children\":["
            "{\"text\":\"WS-A\",\"line\":6,\"category\":3,\"level\":0,\"parameters\":[],"
            "\"children\":[]}]},"
            "{\"label\":\"Paragraphs\",\"category\":1,\"children\":["
            "{\"text\":\"9\",\"line\":4,\"category\":1,\"level\":0,\"parameters\":[],"
            "\"children\":[]},"
            "{\"text\":\"10(a, b)\",\"line\":2,\"category\":1,\"level\":0,"
            "\"parameters\":[\"a\",\"b\"],\"children\":["
            "{\"text\":\"INNER\",\"line\":3,\"category\":1,\"level\":1,\"parameters\":[],"
            "\"children\":[]}]}]}]\n");
}

TEST_F(NavigatorCliTest, FindsDefinitionsAndSaysWhatIsMissing) {
  const auto found =
      Cli(dir_, {"navigator", source_, "--template", "Fake", "--definition", "inner"});
  ASSERT_EQ(found.exitCode, 0) << found.out;
  EXPECT_EQ(found.out, "3\t1\tParagraphs\n");

  const auto missing = Cli(dir_, {"navigator", source_, "--template", "Fake", "--definition", "X"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "vandrel-cli: " + source_ + ": no definition of \"X\"\n");

  const auto noTemplate = Cli(dir_, {"navigator", source_});
  EXPECT_EQ(noTemplate.exitCode, 1);
  EXPECT_THAT(noTemplate.out, HasSubstr("no template is chosen for this file"));

  WriteTextFile(dir_ / "crash.txt", "crash\n");
  const auto crashed = Cli(dir_, {"navigator", (dir_ / "crash.txt").string(), "--extension",
                                  (kExtensions / "hostile.vdx").string()});
  EXPECT_EQ(crashed.exitCode, 1);
  EXPECT_THAT(crashed.out, HasSubstr("hostile.vdx failed on it"));
}

}  // namespace
}  // namespace vandrel
