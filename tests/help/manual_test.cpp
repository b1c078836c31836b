#include "help/manual.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "help/context_help.h"
#include "platform/install_paths.h"
#include "support/temp_dir.h"

namespace vandrel::help {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::Ge;
using ::testing::IsEmpty;
using vandrel::testing::TempDir;
using vandrel::testing::WriteTextFile;

std::vector<std::string> Headings(const ManualPage& page) {
  std::vector<std::string> headings;
  for (const ManualSection& section : page.sections) {
    headings.push_back(std::to_string(section.level) + " " + section.heading);
  }
  return headings;
}

Manual TwoPages() {
  Manual manual;
  manual.AddPage(Manual::ParsePage("01-a.md",
                                   "# Editing host files\n"
                                   "Open a file from the host.\n"
                                   "## Sequence numbers\n"
                                   "Numbers are **renumbered** with Renumber; renumbering keeps "
                                   "the [gaps](02-b.md#gaps).\n"
                                   "```\n"
                                   "# not a heading: a comment in a shell example\n"
                                   "```\n"
                                   "### Saving\n"
                                   "A save keeps the numbers. Prenumbered is no match.\n"));
  manual.AddPage(Manual::ParsePage("02-b.md",
                                   "Text above the title.\n"
                                   "# Projects\n"
                                   "## Builds\nThe build runs on the host; numbers of errors.\n"
                                   "## Gaps\nNumbers and more numbers and numbers.\n"));
  return manual;
}

TEST(ManualTest, PagesHaveTheirTitleAndHeadingsOutsideCodeBlocks) {
  const Manual manual = TwoPages();
  EXPECT_THAT(Headings(manual.pages()[0]),
              ElementsAre("1 Editing host files", "2 Sequence numbers", "3 Saving"));
  EXPECT_THAT(Headings(manual.pages()[1]), ElementsAre("1 Projects", "2 Builds", "2 Gaps"));
  EXPECT_EQ(manual.pages()[1].sections[0].offset, 0u);  // the text above the title is its own
  EXPECT_EQ(HeadingAnchor("Find in Files, and the Command Line"),
            "find-in-files-and-the-command-line");
  ASSERT_NE(FindSection(manual.pages()[1], "gaps"), nullptr);
  EXPECT_EQ(FindSection(manual.pages()[1], "gaps")->heading, "Gaps");
  EXPECT_EQ(Manual::ParsePage("x.md", "no title\n").title, "x.md");
}

TEST(ManualTest, SearchFindsSectionsHoldingEveryWordAsAWordStartBestFirst) {
  const Manual manual = TwoPages();
  const auto places = [&](std::string_view query) {
    std::vector<std::string> found;
    for (const SearchHit& hit : SearchManual(manual, query)) {
      found.push_back(manual.pages()[hit.page].sections[hit.section].heading);
    }
    return found;
  };
  // The heading counts most, then how often the words occur.
  EXPECT_THAT(places("NUMBERS"), ElementsAre("Sequence numbers", "Gaps", "Saving", "Builds"));
  EXPECT_THAT(places("renumber"), ElementsAre("Sequence numbers"));  // "renumbered", "Renumber"
  EXPECT_THAT(places("numbers host"), ElementsAre("Builds"));        // both words in one section
  EXPECT_THAT(places("numbered"), IsEmpty());  // inside "Prenumbered" and "renumbered" only
  EXPECT_THAT(places(" ,;! "), IsEmpty());

  const std::vector<SearchHit> hits = SearchManual(manual, "renumber");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].excerpt, "Numbers are renumbered with Renumber; renumbering keeps the gaps.");
  // A list item wrapped over two lines is one excerpt.
  Manual wrapped;
  wrapped.AddPage(Manual::ParsePage(
      "w.md",
      "# W\nIntro.\n\n- first item\n- second item that\n  wraps onto the gap line\n- gap\n"));
  EXPECT_EQ(SearchManual(wrapped, "gap").at(0).excerpt, "second item that wraps onto the gap line");
  EXPECT_THAT(QueryWords("Save-As, \"$(FileName)\" .vdt"),
              ElementsAre("save-as", "filename", "vdt"));
}

// The manual and the help files shipped with the program, as the build
// put them beside the executables.
TEST(ShippedHelpTest, TheManualLoadsAndItsLinksLeadToPagesAndHeadings) {
  const Manual manual = Manual::Load(DefaultManualFolder());
  ASSERT_THAT(manual.pages().size(), Ge(6u)) << DefaultManualFolder();
  ASSERT_NE(manual.Find(kFirstPage), nullptr);
  ASSERT_NE(manual.Find(kAgentPage), nullptr);
  EXPECT_FALSE(InstalledLicenceFile().empty());
  const std::regex link(R"(\]\(([0-9][0-9]-[a-z0-9-]+\.md)?(#[a-z0-9_-]+)?\))");
  for (const ManualPage& page : manual.pages()) {
    EXPECT_NE(page.title, page.fileName) << page.fileName << " has no title";
    for (auto it = std::sregex_iterator(page.text.begin(), page.text.end(), link);
         it != std::sregex_iterator(); ++it) {
      const std::string target = (*it)[1].matched ? (*it)[1].str() : page.fileName;
      const ManualPage* to = manual.Find(target);
      ASSERT_NE(to, nullptr) << page.fileName << ": " << it->str();
      if ((*it)[2].matched) {
        EXPECT_NE(FindSection(*to, (*it)[2].str().substr(1)), nullptr)
            << page.fileName << ": " << it->str();
      }
    }
  }
  EXPECT_THAT(SearchManual(manual, "tandrill passwd"), ::testing::Not(IsEmpty()));
}

TEST(ShippedHelpTest, TheContextHelpFilesAreWholeAndKnowTheirLanguage) {
  const fs::path templates = platform::DefaultTemplatesFolder();
  for (const auto& [file, words] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"cobol.hlp", {"PERFORM", "WORKING-STORAGE", "EVALUATE", "PIC", "COMP-3"}},
           {"mpe-ci.hlp", {"BUILD", "FILE", "PURGE", "LISTF", "RUN", "SETVAR", "IF", "JOB"}}}) {
    const std::optional<ContextHelpFile> help = ContextHelpFile::Read(templates / file);
    ASSERT_TRUE(help) << templates / file;
    EXPECT_EQ(help->skippedLines(), 0u) << file;
    EXPECT_THAT(help->entries().size(), Ge(60u)) << file;
    for (const std::string& word : words) {
      EXPECT_THAT(help->Lookup(word), ::testing::Not(IsEmpty())) << file << " " << word;
    }
  }
}

}  // namespace
}  // namespace vandrel::help
