#include "project/error_mask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "templates/template_catalogue.h"

namespace vandrel::project {
namespace {

// Matches `mask` alone against line `index` of `lines`, with a scanner that
// is asked about nothing else and so remembers nothing from other lines.
std::optional<MaskMatch> Match(const LineList& lines, std::size_t index, std::string_view mask,
                               const MaskContext& context = {}) {
  const std::string masks[] = {std::string(mask)};
  return ErrorScanner(lines, masks, context).MatchLine(index);
}

std::optional<MaskMatch> MatchOne(std::string line, std::string_view mask,
                                  const MaskContext& context = {}) {
  return Match(LineList({std::move(line)}), 0, mask, context);
}

MaskMatch Result(std::string file, std::int64_t line, bool physical = true) {
  return {std::move(file), line, physical};
}

TEST(MaskRulesTest, CompilerMessageGivesFileAndPhysicalLine) {
  EXPECT_EQ(MatchOne("main.c(42): syntax error", "$(FileName)($(Line)): $(String)"),
            Result("main.c", 42));
  EXPECT_EQ(MatchOne("  src/a.c:7:12: warning: x", "$(FileName):$(Line):$(Number): $(String)"),
            Result("src/a.c", 7));
  // What is left of the line after the mask is ignored.
  EXPECT_EQ(MatchOne("a.c:3: and more text", "$(FileName):$(Line):"), Result("a.c", 3));
  EXPECT_FALSE(MatchOne("", "$(FileName)"));
  EXPECT_FALSE(MatchOne("main.c(42): x", ""));
}

TEST(MaskRulesTest, NumberFieldsFailOnOtherCharactersRatherThanStopping) {
  EXPECT_FALSE(MatchOne("main.c line 4x2", "$(FileName) line $(Line)"));
  EXPECT_EQ(MatchOne("main.c line 42", "$(FileName) line $(Line)"), Result("main.c", 42));
  EXPECT_FALSE(MatchOne("x 1a", "x $(Number)"));
  EXPECT_FALSE(MatchOne("x 1.5", "x $(LineNumber)"));
  EXPECT_FALSE(MatchOne("x 1,5", "x $(MpeLine)"));
  // An empty field fails, and so does a field token at the end of the line.
  EXPECT_FALSE(MatchOne("a.c: ", "$(FileName):$(Line)"));
  EXPECT_FALSE(MatchOne("a.c:", "$(FileName):$(Line)"));
}

TEST(MaskRulesTest, QuotedFieldsHoldSpacesAndTerminatorsAndLoseTheirQuotes) {
  EXPECT_EQ(MatchOne("\"my file, v2.c\", line 3: oops", "$(FileName), line $(Line): $(String)"),
            Result("my file, v2.c", 3));
  // A quote inside the field; the quotes stay unless they enclose it all.
  EXPECT_EQ(MatchOne("a\"b c\"d:1", "$(FileName):$(Line)"), Result("a\"b c\"d", 1));
  EXPECT_EQ(MatchOne("\"\":1", "$(FileName):$(Line)"), Result("\"\"", 1));
  // Quoted characters of a number field are not checked.
  EXPECT_EQ(MatchOne("a.c:\"12\"", "$(FileName):$(Line)"), Result("a.c", 12));
  EXPECT_FALSE(MatchOne("\"never closed:1", "$(FileName):$(Line)"));
  // The terminator is checked before a quote: a quoted name in the mask.
  EXPECT_EQ(MatchOne("\"ab.c\" 5", "\"$(FileName)\" $(Line)"), Result("ab.c", 5));
}

TEST(MaskRulesTest, LiteralsTokensAndSpacesFollowTheirRules) {
  // Literals and token names ignore case; so does the terminator.
  EXPECT_EQ(MatchOne("ERROR IN X.C LINE 9", "error in $(filename) line $(LINE)"), Result("X.C", 9));
  EXPECT_EQ(MatchOne("fooXbar", "$(FileName)x"), Result("foo", -1));
  // A space in the mask skips any white space, none included.
  EXPECT_EQ(MatchOne("a.c:\t  5", "$(FileName): $(Line)"), Result("a.c", 5));
  EXPECT_EQ(MatchOne("a.c:5", "$(FileName): $(Line)"), Result("a.c", 5));
  // White space at the start of the line is skipped, elsewhere it must match.
  EXPECT_EQ(MatchOne("   a.c:5", "$(FileName):$(Line)"), Result("a.c", 5));
  EXPECT_FALSE(MatchOne("a.c :5", "$(FileName):$(Line)"));
  // $(Char) takes exactly one character of any kind, and fails at the end.
  EXPECT_EQ(MatchOne("E a.c", "$(Char)$(Char)$(FileName)"), Result("a.c", -1));
  EXPECT_FALSE(MatchOne("E", "E$(Char)"));
  // A dollar sign without a parenthesis is a literal.
  EXPECT_EQ(MatchOne("$5 a.c", "$5 $(FileName)"), Result("a.c", -1));
  // An unknown token or one never closed fails the mask.
  EXPECT_FALSE(MatchOne("a.c:5", "$(File):$(Line)"));
  EXPECT_FALSE(MatchOne("a.c:5", "$(FileName"));
  // $(String) and $(Number) capture nothing.
  EXPECT_EQ(MatchOne("w 12 x", "$(String) $(Number) $(String)"), Result("", -1));
}

TEST(MaskRulesTest, LineTokensSetTheNumberedFlag) {
  EXPECT_EQ(MatchOne("12 004500 a", "$(Number) $(LineNumber)"), Result("", 4500, false));
  // $(Line) after a numbered token leaves the flag as it is.
  EXPECT_EQ(MatchOne("7 8", "$(LineNumber) $(Line)"), Result("", 8, false));
  EXPECT_EQ(MatchOne("3.200", "$(MpeLine)"), Result("", 3200, false));
  EXPECT_EQ(MatchOne("3.2", "$(MpeLine)"), Result("", 3200, false));
  EXPECT_EQ(MatchOne("003200", "$(MpeLine)"), Result("", 3200, false));
  EXPECT_EQ(MatchOne("12", "$(MpeLine)"), Result("", 12000, false));
  EXPECT_EQ(MatchOne("12345", "$(MpeLine)"), Result("", 12345, false));
  EXPECT_EQ(MatchOne("1234", "$(MpeLine)"), Result("", 1234000, false));
  // Decimal fractions are exact and truncated.
  EXPECT_EQ(MatchOne("4.35", "$(MpeLine)"), Result("", 4350, false));
  EXPECT_EQ(MatchOne("0.29", "$(MpeLine)"), Result("", 290, false));
  EXPECT_EQ(MatchOne("1.2345", "$(MpeLine)"), Result("", 1234, false));
  EXPECT_EQ(MatchOne(".5", "$(MpeLine)"), Result("", 500, false));
  // Values too large for an editor line saturate.
  EXPECT_EQ(MatchOne("99999999999999999999", "$(Line)"), Result("", 2147483647));
}

TEST(MaskRulesTest, HostAndLocalFileNamesAreConverted) {
  const MaskContext context{"/DEV/PUB", 'C'};
  EXPECT_EQ(MatchOne("ERROR IN prog1.src.dev, line 4: x",
                     "$(String) IN $(MpeFile), line $(Line): $(String)", context),
            Result("/DEV/SRC/PROG1", 4));
  EXPECT_EQ(MatchOne("prog1 12", "$(MpeFile) $(Line)", context), Result("/DEV/PUB/PROG1", 12));
  EXPECT_EQ(MatchOne("c:\\src\\a.cob(3)", "$(DosFile)($(Line))", context),
            Result("/c/src/a.cob", 3));
  EXPECT_EQ(MatchOne("\\src\\a.cob(3)", "$(DosFile)($(Line))", context), Result("/C/src/a.cob", 3));
}

TEST(MaskRulesTest, LineBreakContinuesOnTheNextLine) {
  const LineList lines({"Error in main.c", "  at line 12", "Error in last.c"});
  const std::string mask = "Error in $(FileName)$(LineBreak)  at line $(Line)";
  EXPECT_EQ(Match(lines, 0, mask), Result("main.c", 12));
  // The next line is not stripped of its leading white space.
  EXPECT_FALSE(Match(lines, 0, "Error in $(FileName)$(LineBreak)at line $(Line)"));
  EXPECT_FALSE(Match(lines, 1, mask));
  // Without a next line the mask has matched.
  EXPECT_EQ(Match(lines, 2, mask), Result("last.c", -1));
  EXPECT_EQ(Match(lines, 2, "Error in $(FileName)$(LineBreak)"), Result("last.c", -1));
}

TEST(MaskRulesTest, ScanUpFindsWhatIsPrintedAbove) {
  const LineList lines({
      "PAGE 1",                       // 0
      "    10     1.000   begin",     // 1
      "    11     1.100   x := ;",    // 2
      "**** ERROR # 1 syntax (123)",  // 3
      "**** WARNING # 2 unused (7)",  // 4
  });
  const std::string mask = "**** $(String) # $(ScanUp)$(Number) $(MpeLine)";
  EXPECT_EQ(Match(lines, 3, mask), Result("", 1100, false));
  EXPECT_EQ(Match(lines, 4, mask), Result("", 1100, false));
  EXPECT_FALSE(Match(lines, 2, mask));
  // Nothing above completes the mask.
  EXPECT_FALSE(Match(lines, 3, "**** ERROR $(ScanUp)FILE $(FileName)"));
  // The scan starts on the line itself, from its start.
  EXPECT_EQ(Match(LineList({"x.c(5): bad"}), 0, "$(String)$(ScanUp)$(FileName)($(Line))"),
            Result("x.c", 5));
}

TEST(MaskRulesTest, ScanUpKeepsWhatWasCapturedBeforeIt) {
  const LineList lines({
      "FILE one.c",  // 0
      "7 b.c tail",  // 1
      "ERR 42",      // 2
  });
  EXPECT_EQ(Match(lines, 2, "ERR $(Line)$(ScanUp)FILE $(FileName)"), Result("one.c", 42));
  // What the line found captures replaces what was captured before.
  EXPECT_EQ(Match(lines, 2, "ERR $(Line)$(ScanUp)$(LineNumber) $(FileName) tail"),
            Result("b.c", 7, false));
  // Lines that capture a name and then fail are passed over.
  EXPECT_EQ(Match(lines, 2, "ERR $(Line)$(ScanUp)$(String) $(FileName) end"), std::nullopt);
}

TEST(MaskRulesTest, AScanAfterAScanStartsWhereTheFirstStopped) {
  const LineList lines({
      "FILE a.c",  // 0
      "SUB s",     // 1
      "FILE b.c",  // 2
      "ERR",       // 3
  });
  EXPECT_EQ(Match(lines, 3, "ERR$(ScanUp)SUB $(String)$(ScanUp)FILE $(FileName)"),
            Result("a.c", -1));
  EXPECT_FALSE(Match(lines, 3, "ERR$(ScanUp)SUB $(String)$(ScanUp)NONE"));
  // A line break after a scan continues below the line the scan reached.
  EXPECT_EQ(Match(lines, 3, "ERR$(ScanUp)FILE a.c$(LineBreak)SUB $(FileName)"), Result("s", -1));
}

TEST(ResolveMasksTest, TemplateNamesStandForTheirOutputMasks) {
  TemplateCatalogue catalogue;
  auto cobol = std::make_unique<Template>();
  cobol->settings.Name = "HP COBOL II";
  cobol->settings.CompilerOutputMask = "$(Number) $(LineNumber)";
  catalogue.Append(std::move(cobol));
  auto plain = std::make_unique<Template>();
  plain->settings.Name = "Text";
  catalogue.Append(std::move(plain));

  const std::vector<std::string> entries = {"hp cobol ii", "$(FileName):$(Line)", "TEXT", ""};
  EXPECT_EQ(ResolveMasks(entries, &catalogue),
            (std::vector<std::string>{"$(Number) $(LineNumber)", "$(FileName):$(Line)", "", ""}));
  EXPECT_EQ(ResolveMasks(entries, nullptr), entries);
}

TEST(MaskTokenTest, TokensAreListedInTheMaskEditorsOrder) {
  std::string list;
  for (std::string_view name : kMaskTokenNames) {
    list += (list.empty() ? "$(" : ",$(") + std::string(name) + ")";
  }
  EXPECT_EQ(list, StringTableText(kStrMaskTokenList));
  EXPECT_EQ(MaskTokenOf("mpeline"), MaskToken::kMpeLine);
  EXPECT_EQ(MaskTokenOf(" Line"), std::nullopt);
}

// ---- ErrorScanner -------------------------------------------------------------

TEST(ErrorScannerTest, CountsLinesMatchedByAnyMaskOnce) {
  const LineList lines({
      "a.c:1: x",
      "",
      "b.c(2): y",
      "a.c:3: z",
      "nothing here",
  });
  const std::vector<std::string> masks = {
      "$(FileName):$(Line):", "$(FileName)($(Line)):", "$(String)"};
  ErrorScanner scanner(lines, masks);
  // Every non-empty line matches $(String), each counted once.
  EXPECT_EQ(scanner.CountErrors(), 4u);
  // The first mask that matches gives the result.
  EXPECT_EQ(scanner.MatchLine(2), Result("b.c", 2));
  EXPECT_EQ(scanner.MatchLine(4), Result("", -1));
  EXPECT_EQ(scanner.MatchLine(1), std::nullopt);
  EXPECT_EQ(scanner.MatchLine(99), std::nullopt);

  const std::vector<std::string> none;
  EXPECT_EQ(ErrorScanner(lines, none).CountErrors(), 0u);
  EXPECT_EQ(ErrorScanner(LineList(), masks).CountErrors(), 0u);
}

TEST(ErrorScannerTest, LineBreakMasksDoNotHideTheLinesTheyReach) {
  const LineList lines({"E a.c", "E b.c", "E c.c"});
  const std::vector<std::string> masks = {"E $(FileName)$(LineBreak)E $(String)"};
  EXPECT_EQ(ErrorScanner(lines, masks).CountErrors(), 3u);
}

// A listing of lines made of pieces that masks below are made of too, so
// that partial matches, scans and line breaks happen often.
std::string RandomLine(std::mt19937& random) {
  static const std::vector<std::string> pieces = {
      "FILE",   "a.c",  "B.C", "x.c(12):", "****",       "ERROR", "#", "12",
      "3.200",  "0.5",  "7",   "line",     ":",          "(",     ")", "\"q r\"",
      "\"open", "tail", "SUB", "\t",       "c:\\d\\e.f", "p.g.a"};
  std::string line;
  const int count = static_cast<int>(random() % 5);
  if (random() % 4 == 0) line += "  ";
  for (int i = 0; i < count; ++i) {
    if (i > 0 && random() % 3 != 0) line += ' ';
    line += pieces[random() % pieces.size()];
  }
  return line;
}

std::string RandomMask(std::mt19937& random) {
  static const std::vector<std::string> pieces = {
      "$(String)",   "$(Char)",    "$(Number)",  "$(LineBreak)",
      "$(ScanUp)",   "$(ScanUp)",  "$(Line)",    "$(LineNumber)",
      "$(FileName)", "$(MpeFile)", "$(MpeLine)", "$(DosFile)",
      "$(Bogus)",    "$(",         " ",          "(",
      ")",           ":",          "FILE",       "****",
      "#",           "line",       "\"",         "x",
      "ERROR",       "SUB",        "$"};
  std::string mask;
  const int count = 1 + static_cast<int>(random() % 6);
  for (int i = 0; i < count; ++i) mask += pieces[random() % pieces.size()];
  return mask;
}

// What a search finds on a line, each mask tried on that line alone: empty
// lines are never error lines, and the first mask that matches wins.
// `byScan` tells whether the mask that matched holds a $(ScanUp).
std::optional<MaskMatch> Reference(const LineList& lines, std::size_t index,
                                   const std::vector<std::string>& masks,
                                   const MaskContext& context, bool& byScan) {
  if (lines.Line(index).empty()) return std::nullopt;
  for (const std::string& mask : masks) {
    if (auto match = Match(lines, index, mask, context)) {
      byScan = mask.find("$(ScanUp)") != std::string::npos;
      return match;
    }
  }
  return std::nullopt;
}

TEST(ErrorScannerTest, GivesWhatMatchingLineByLineGivesOnRandomListings) {
  std::mt19937 random(20240611);
  const MaskContext context{"/ACC/GRP", 'D'};
  std::size_t matched = 0;
  std::size_t scannedMatches = 0;
  for (int round = 0; round < 3000; ++round) {
    LineList lines;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) lines.lines().push_back(RandomLine(random));
    std::vector<std::string> masks;
    const int maskCount = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < maskCount; ++i) masks.push_back(RandomMask(random));

    // One scanner asked line by line, another in random order: what it
    // remembers must not depend on the order of the questions.
    ErrorScanner inOrder(lines, masks, context);
    ErrorScanner shuffled(lines, masks, context);
    std::vector<std::size_t> order(lines.LineCount());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<std::optional<MaskMatch>> fromShuffled(lines.LineCount());
    for (std::size_t index : order) fromShuffled[index] = shuffled.MatchLine(index);

    std::size_t expectedCount = 0;
    for (std::size_t index = 0; index < lines.LineCount(); ++index) {
      bool byScan = false;
      const auto expected = Reference(lines, index, masks, context, byScan);
      ASSERT_EQ(inOrder.MatchLine(index), expected)
          << "line " << index << " round " << round << " mask " << masks[0];
      ASSERT_EQ(fromShuffled[index], expected) << "line " << index << " round " << round;
      if (expected) ++expectedCount;
      if (expected && byScan) ++scannedMatches;
    }
    ASSERT_EQ(ErrorScanner(lines, masks, context).CountErrors(), expectedCount);
    matched += expectedCount;
  }
  // The listings exercise matches, and matches through scans.
  EXPECT_GT(matched, 1000u);
  EXPECT_GT(scannedMatches, 300u);
}

TEST(ErrorScannerTest, ScansCostLinearWorkOnLongListings) {
  // Every line passes the part before the scan, and only the first line
  // completes it: matched line by line, each line would scan to the top.
  LineList lines;
  lines.lines().push_back("FILE top.c");
  const std::size_t count = 20000;
  for (std::size_t i = 1; i < count; ++i)
    lines.lines().push_back("**** ERROR " + std::to_string(i));
  const std::vector<std::string> masks = {"$(String)$(ScanUp)NOWHERE $(FileName)",
                                          "**** ERROR $(Line)$(ScanUp)FILE $(FileName)"};
  ErrorScanner scanner(lines, masks);
  EXPECT_EQ(scanner.CountErrors(), count - 1);
  EXPECT_EQ(scanner.MatchLine(count - 1), Result("top.c", static_cast<std::int64_t>(count - 1)));
  // A few runs per line and mask, not a scan to the top for each line.
  EXPECT_LT(scanner.segmentRuns(), 8 * count);
}

}  // namespace
}  // namespace vandrel::project
