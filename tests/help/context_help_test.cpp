#include "help/context_help.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"

namespace vandrel::help {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using vandrel::testing::TempDir;
using vandrel::testing::WriteTextFile;

std::vector<std::string> Keywords(const std::vector<HelpEntry>& entries) {
  std::vector<std::string> keywords;
  for (const HelpEntry& entry : entries) keywords.push_back(entry.keyword);
  return keywords;
}

TEST(ContextHelpFileTest, ReadsBothSeparatorsAndPassesOverWhatIsNoEntry) {
  const ContextHelpFile file = ContextHelpFile::Parse(
      "# COBOL verbs\r\n"
      "\n"
      "ADD\tAdds numbers - and stores the sum\r\n"  // the tab wins over " - "
      "WORKING-STORAGE SECTION - Data kept for the whole run\n"
      "  MOVE  -  Copies data  \n"
      "no separator here\n"
      "EMPTY\t   \n"
      " - no keyword\n"
      "ADDRESS OF\tThe address of a data item");  // no line end at the end
  EXPECT_THAT(file.entries(),
              ElementsAre(HelpEntry{"ADD", "Adds numbers - and stores the sum"},
                          HelpEntry{"WORKING-STORAGE SECTION", "Data kept for the whole run"},
                          HelpEntry{"MOVE", "Copies data"},
                          HelpEntry{"ADDRESS OF", "The address of a data item"}));
  EXPECT_EQ(file.skippedLines(), 3u);
}

TEST(ContextHelpFileTest, LooksUpByPartialKeywordIgnoringCaseExactMatchesFirst) {
  const ContextHelpFile file =
      ContextHelpFile::Parse("ADDRESS OF\ta\nADD\tb\nLISTFILE\tc\nLISTF\td\nlistf\te\nPURGE\tf\n");
  EXPECT_THAT(Keywords(file.Lookup("add")), ElementsAre("ADD", "ADDRESS OF"));
  EXPECT_THAT(Keywords(file.Lookup("ListF")), ElementsAre("LISTF", "listf", "LISTFILE"));
  EXPECT_THAT(Keywords(file.Lookup("PUR")), ElementsAre("PURGE"));
  EXPECT_THAT(Keywords(file.Lookup("LISTF", 2)), ElementsAre("LISTF", "listf"));
  EXPECT_TRUE(file.Lookup("PURGEX").empty());  // a longer word is no partial keyword
  EXPECT_TRUE(file.Lookup("  ").empty());
}

class ContextHelpTest : public ::testing::Test {
 protected:
  void AddTemplate(const fs::path& path, const std::string& name, const std::string& helpFile) {
    auto item = std::make_unique<Template>(path);
    item->settings.Name = name;
    item->settings.ContextHelpFile = helpFile;
    catalogue_.Append(std::move(item));
  }

  TempDir dir_;
  fs::path defaults_ = dir_ / "templates";
  TemplateCatalogue catalogue_;
};

TEST_F(ContextHelpTest, FindsTheHelpFileBesideTheTemplateOrAmongTheDefaults) {
  WriteTextFile(defaults_ / "cobol.hlp", "PERFORM\tRuns a paragraph\nPERFORM UNTIL\tLoops\n");
  WriteTextFile(dir_ / "user" / "own.hlp", "PERFORM\tThe user's own words\n");
  WriteTextFile(dir_ / "elsewhere" / "abs.hlp", "PERFORM\tFrom an absolute path\n");
  AddTemplate(defaults_ / "cobol.vdt", "HP COBOL II", "cobol.hlp");
  // A user's copy of the default template keeps the shipped help file.
  AddTemplate(dir_ / "user" / "copy.vdt", "My COBOL", "cobol.hlp");
  AddTemplate(dir_ / "user" / "own.vdt", "Own COBOL", "own.hlp");
  AddTemplate(dir_ / "user" / "abs.vdt", "Abs COBOL", (dir_ / "elsewhere" / "abs.hlp").string());

  ContextHelpResult shipped = ContextHelp(catalogue_, "hp cobol ii", "perform", defaults_);
  ASSERT_EQ(shipped.status, ContextHelpStatus::kFound);
  EXPECT_THAT(Keywords(shipped.entries), ElementsAre("PERFORM", "PERFORM UNTIL"));
  EXPECT_EQ(fs::path(shipped.helpFile), defaults_ / "cobol.hlp");
  EXPECT_EQ(ContextHelpMessage(shipped), "");

  EXPECT_EQ(ContextHelp(catalogue_, "My COBOL", "PERFORM", defaults_).entries.at(0).meaning,
            "Runs a paragraph");
  EXPECT_EQ(ContextHelp(catalogue_, "Own COBOL", "PERFORM", defaults_).entries.at(0).meaning,
            "The user's own words");
  EXPECT_EQ(ContextHelp(catalogue_, "Abs COBOL", "PERFORM", defaults_).entries.at(0).meaning,
            "From an absolute path");
}

TEST_F(ContextHelpTest, EveryWayOfFindingNothingHasItsOwnMessage) {
  WriteTextFile(defaults_ / "cobol.hlp", "PERFORM\tRuns a paragraph\n");
  AddTemplate(defaults_ / "cobol.vdt", "HP COBOL II", "cobol.hlp");
  AddTemplate(defaults_ / "text.vdt", "MPE Text", "");
  AddTemplate(defaults_ / "gone.vdt", "Gone", "gone.hlp");

  const auto check = [&](std::string_view name, std::string_view word, ContextHelpStatus status,
                         const std::string& says) {
    const ContextHelpResult result = ContextHelp(catalogue_, name, word, defaults_);
    EXPECT_EQ(result.status, status) << name << " " << word;
    EXPECT_TRUE(result.entries.empty());
    EXPECT_THAT(ContextHelpMessage(result), HasSubstr(says)) << name << " " << word;
  };
  check("HP COBOL II", "", ContextHelpStatus::kNoWord, "no word at the caret");
  check("", "PERFORM", ContextHelpStatus::kNoTemplate, "has no template");
  check("(none)", "PERFORM", ContextHelpStatus::kNoTemplate, "'(none)' is not installed");
  check("MPE Text", "PERFORM", ContextHelpStatus::kNoHelpFile, "names no context help file");
  check("Gone", "PERFORM", ContextHelpStatus::kMissing, "'gone.hlp'");
  check("HP COBOL II", "MOVE", ContextHelpStatus::kNoMatch, "no entry for 'MOVE' in cobol.hlp");
}

}  // namespace
}  // namespace vandrel::help
