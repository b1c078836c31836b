#include "documents/print_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

// Every character one unit wide, lines ten units apart, a millimetre one unit.
class UnitMetrics final : public PrintMetrics {
 public:
  double Width(PrintFont, std::string_view text) const override {
    return static_cast<double>(text.size());
  }
  double LineHeight(PrintFont) const override { return 10; }
};

PrintPageSetup Paper(std::string header, std::string footer) {
  PrintPageSetup setup;
  setup.paperWidth = 200;
  setup.paperHeight = 140;  // the area: 100 high
  setup.unitsPerMm = 1;
  setup.header = std::move(header);
  setup.footer = std::move(footer);
  return setup;
}

PrintSource Lines(int count) {
  PrintSource source;
  source.name = "SRC";
  for (int i = 0; i < count; ++i) source.lines.push_back("line " + std::to_string(i));
  return source;
}

std::vector<std::string> TextsOf(const PrintPage& page, PrintFont font) {
  std::vector<std::string> texts;
  for (const PrintRun& run : page.runs)
    if (run.font == font) texts.push_back(run.text);
  return texts;
}

TEST(PrintLayout, HeaderAndFooterTakeTheirHeightAndTheGapOrNothing) {
  const UnitMetrics metrics;
  const PrintSource source = Lines(25);
  const PrintFacts facts{"SRC", "07/12/26", "13:05"};

  // Without header and footer the body is the whole area inside the margins.
  PrintLayout layout = LayOutPrint(source, {0, 25}, Paper("", ""), facts, metrics);
  EXPECT_EQ(layout.area.left, 20);
  EXPECT_EQ(layout.area.top, 20);
  EXPECT_EQ(layout.area.right, 180);
  EXPECT_EQ(layout.area.bottom, 120);
  ASSERT_EQ(layout.pages.size(), 3u);
  EXPECT_EQ(layout.pages[0].body.top, 20);
  EXPECT_EQ(layout.pages[0].body.bottom, 120);
  EXPECT_EQ(layout.pages[0].lineCount, 10);
  EXPECT_EQ(layout.pages[2].lineCount, 5);
  EXPECT_TRUE(TextsOf(layout.pages[0], PrintFont::kHeader).empty());

  // Left at the top left, "Page n" at the top right of every page; the
  // footer's tallest part (two wrapped lines) plus 5 mm off the bottom.
  const std::string longFooter = "&C" + std::string(100, 'x') + " " + std::string(100, 'y');
  layout = LayOutPrint(source, {0, 25}, Paper("&L Left &R Page &P", longFooter), facts, metrics);
  ASSERT_EQ(layout.pages.size(), 5u);  // 100 - 15 - 25 leaves 6 lines a page
  for (const PrintPage& page : layout.pages) {
    EXPECT_EQ(page.body.top, 20 + 10 + 5);
    EXPECT_EQ(page.body.bottom, 120 - 20 - 5);
    const PrintRun& left = page.runs[0];
    const PrintRun& right = page.runs[1];
    EXPECT_EQ(left.text, " Left ");
    EXPECT_EQ(left.x, 20);
    EXPECT_EQ(left.top, 20);
    EXPECT_EQ(right.text, " Page " + std::to_string(page.number));
    EXPECT_EQ(right.x + static_cast<double>(right.text.size()), 180);
    EXPECT_EQ(right.top, 20);
    EXPECT_THAT(TextsOf(page, PrintFont::kHeader), ::testing::Contains(std::string(100, 'y')));
  }
  EXPECT_EQ(layout.pages[0].lineCount, 6);
}

TEST(PrintLayout, HeaderCodesAreExpandedOnceAndThePageNumberOnEachPage) {
  const PrintFacts facts{"R&PLAN", "07/12/26", "13:05"};
  HeaderParts parts = ExpandHeaderCodes("&f on &d at &T&r&p/&Q &", facts);
  EXPECT_EQ(parts.centre.ForPage(3), "R&PLAN on 07/12/26 at 13:05");
  EXPECT_EQ(parts.right.ForPage(3), "3/&Q &");
  EXPECT_TRUE(parts.left.Empty());
  parts = ExpandHeaderCodes("&L", facts);
  EXPECT_TRUE(parts.Empty());
}

TEST(PrintLayout, SelectionEndingAtAColumnZeroLeavesThatLineOut) {
  EXPECT_EQ(SelectedPrintLines(3, 0, 7, 0).first, 3);
  EXPECT_EQ(SelectedPrintLines(3, 0, 7, 0).count, 4);  // lines 3 to 6
  EXPECT_EQ(SelectedPrintLines(7, 0, 3, 0).count, 4);  // selected upwards
  EXPECT_EQ(SelectedPrintLines(3, 0, 7, 1).count, 5);
  EXPECT_EQ(SelectedPrintLines(3, 2, 3, 5).count, 1);

  const UnitMetrics metrics;
  const PrintSource source = Lines(10);
  const PrintLayout layout =
      LayOutPrint(source, SelectedPrintLines(3, 0, 7, 0), Paper("", ""), {}, metrics);
  ASSERT_EQ(layout.pages.size(), 1u);
  EXPECT_EQ(TextsOf(layout.pages[0], PrintFont::kBody),
            (std::vector<std::string>{"line 3", "line 4", "line 5", "line 6"}));
}

TEST(PrintLayout, NumbersTabsTokensAndPagesThatHoldNoLine) {
  const UnitMetrics metrics;
  PrintSource source;
  source.lines = {"a\tbc\td", "", "text longer than ten"};
  source.numbers = {"00100 ", "00200 ", "00300 "};
  source.tokens = {"TAG00001", "", "TAG00003"};
  source.tabWidth = 4;

  // Numbers at the end stand at their column after the text, or right
  // after a longer text; tabs stop every four widths of "A".
  source.numberPosition = 10;
  PrintLayout layout = LayOutPrint(source, {0, 3}, Paper("", ""), {}, metrics);
  const std::vector<PrintRun>& runs = layout.pages[0].runs;
  auto at = [&](std::string_view text) {
    for (const PrintRun& run : runs)
      if (run.text == text) return run.x - 20;
    return -1.0;
  };
  EXPECT_EQ(at("a"), 0);
  EXPECT_EQ(at("bc"), 4);
  EXPECT_EQ(at("d"), 8);
  EXPECT_EQ(at("00100 "), 10);
  EXPECT_EQ(at(" "), 0);  // the empty line prints one blank
  EXPECT_EQ(at("00300 "), 20);
  EXPECT_EQ(at("TAG00001"), kPrintTokenColumn);
  EXPECT_EQ(at("TAG00003"), kPrintTokenColumn);

  // Numbers at the start come first; the text and its tabs follow them.
  source.numberPosition = 1;
  layout = LayOutPrint(source, {0, 3}, Paper("", ""), {}, metrics);
  EXPECT_EQ(layout.pages[0].runs[0].text, "00100 ");
  EXPECT_EQ(layout.pages[0].runs[1].x - 20, 6);  // "a"
  EXPECT_EQ(layout.pages[0].runs[2].x - 20, 6 + 4);

  // Margins that leave no room still print, a line a page, and end.
  PrintPageSetup tight = Paper("&F", "");
  tight.marginsMm = {20, 70, 20, 70};
  layout = LayOutPrint(source, {0, 3}, tight, {"F", "", ""}, metrics);
  EXPECT_EQ(layout.pages.size(), 3u);
  // Nothing to print still gives a page with its header.
  layout = LayOutPrint(source, {5, 2}, tight, {"F", "", ""}, metrics);
  ASSERT_EQ(layout.pages.size(), 1u);
  EXPECT_EQ(layout.pages[0].lineCount, 0);
}

// The PDF's text as pdftotext lays it out, pages separated by form feeds.
std::vector<std::string> PdfPages(const std::filesystem::path& pdf) {
  const auto result = testing::RunProgram("/usr/bin/pdftotext", {"-layout", pdf.string(), "-"});
  EXPECT_EQ(result.exitCode, 0) << "pdftotext (poppler-utils) is needed: " << result.out;
  std::vector<std::string> pages;
  std::stringstream all(result.out);
  std::string page;
  while (std::getline(all, page, '\f')) pages.push_back(page);
  if (!pages.empty() && pages.back().find_first_not_of(" \n") == std::string::npos)
    pages.pop_back();
  return pages;
}

TEST(PrintPdf, NumberedCobolSourcePrintsNumbersTokensAndHeadersPageByPage) {
  testing::TempDir dir;
  const auto source = dir / "ORDRPT.cbl";
  {
    std::ofstream out(source);
    for (int i = 1; i <= 70; ++i) {
      char number[8];
      std::snprintf(number, sizeof number, "%06d", i * 100);
      std::string text = std::string(number) + "     MOVE " + std::to_string(i) + " TO COUNTER.";
      text.resize(72, ' ');
      char token[12];
      std::snprintf(token, sizeof token, "TK%06d", i);
      out << text << token << "\n";
    }
  }
  for (const auto& [name, value] :
       std::vector<std::pair<std::string, std::string>>{{"PrintHeader", "&L Left &R Page &P"},
                                                        {"PrintFooter", "&C&F"},
                                                        {"PrintMargins", "20,20,20,20"}}) {
    ASSERT_EQ(testing::Cli(dir, {"settings", "set", name, value}).exitCode, 0);
  }
  const auto pdf = dir / "out.pdf";
  const auto result = testing::Cli(dir, {"doc", "print", source.string(), "--pdf", pdf.string(),
                                         "--template", "HP COBOL II - COBOL'85 Line Tags"});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_THAT(result.out, HasSubstr("2 pages"));

  const std::vector<std::string> pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 2u);
  for (int page = 1; page <= 2; ++page) {
    std::stringstream lines(pages[page - 1]);
    std::string first;
    while (first.empty() && std::getline(lines, first)) {
    }
    // Left at the top left, the page number at the top right.
    EXPECT_THAT(first, MatchesRegex("^ *Left +Page " + std::to_string(page) + " *$"));
    EXPECT_THAT(pages[page - 1], HasSubstr(source.string()));  // the footer
  }
  // Each line with its own number in front and its token at the right.
  EXPECT_THAT(pages[0], MatchesRegex("(.|\n)*000100 +MOVE 1 TO COUNTER\\. +TK000001\n(.|\n)*"));
  EXPECT_THAT(pages[1], MatchesRegex("(.|\n)*007000 +MOVE 70 TO COUNTER\\. +TK000070\n(.|\n)*"));
  EXPECT_THAT(pages[0], ::testing::Not(HasSubstr("007000")));
}

}  // namespace
}  // namespace vandrel
