#include "templates/template_source.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "support/temp_dir.h"
#include "templates/file_types.h"
#include "templates/template.h"

namespace vandrel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::filesystem::path kRepoRoot =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();

std::vector<std::filesystem::path> ShippedSources() {
  std::vector<std::filesystem::path> out;
  for (const auto& entry : std::filesystem::directory_iterator(kRepoRoot / "data" / "templates"))
    if (entry.path().extension() == kTemplateSourceExtension) out.push_back(entry.path());
  std::sort(out.begin(), out.end());
  return out;
}

// Parses `text`, expecting success.
Template Parsed(std::string_view text) {
  Template t;
  std::vector<std::string> errors;
  EXPECT_TRUE(ParseTemplateSource(text, "t.vdtsrc", t, &errors))
      << (errors.empty() ? "" : errors.front());
  return t;
}

// The messages for `text`, expecting failure.
std::vector<std::string> Errors(std::string_view text) {
  Template t;
  std::vector<std::string> errors;
  EXPECT_FALSE(ParseTemplateSource(text, "t.vdtsrc", t, &errors));
  return errors;
}

// Saves `t` into a store file and loads it back.
Template ThroughStoreFile(const Template& t, const std::filesystem::path& file) {
  Template saved(t);
  saved.path = file;
  EXPECT_TRUE(saved.Save());
  Template loaded(file);
  EXPECT_TRUE(loaded.Load());
  return loaded;
}

TEST(TemplateSource, EveryShippedSourceBuildsAndReadsBackWhole) {
  testing::TempDir dir;
  const auto sources = ShippedSources();
  ASSERT_GE(sources.size(), 20u);
  std::set<std::string> names;
  for (const auto& source : sources) {
    SCOPED_TRACE(source.filename().string());
    Template t;
    std::vector<std::string> errors;
    ASSERT_TRUE(ReadTemplateSourceFile(source, t, &errors)) << errors.front();
    EXPECT_TRUE(names.insert(t.settings.Name).second) << "two templates named " << t.settings.Name;

    const Template loaded = ThroughStoreFile(t, dir / (source.stem().string() + ".vdt"));
    EXPECT_EQ(loaded.settings, t.settings);
    EXPECT_FALSE(loaded.Differs(t));
    // Printing and parsing again gives the same template.
    Template reparsed = Parsed(FormatTemplateSource(loaded));
    EXPECT_EQ(reparsed.settings, t.settings);
    EXPECT_FALSE(reparsed.Differs(t));

    // What the edit control can take: markers of at most 7 characters.
    EXPECT_LE(t.settings.OpenComment.size(), 7u);
    EXPECT_LE(t.settings.CloseComment.size(), 7u);
    EXPECT_LE(t.settings.LineComment.size(), 7u);
    EXPECT_EQ(t.settings.OpenComment.empty(), t.settings.CloseComment.empty());
    if (t.settings.MPEFileSupport == kMpeSupportQedit) {
      EXPECT_NE(t.settings.QeditType, 0);
    }
    if (t.settings.RemoveLineNumbers) {
      EXPECT_NE(t.settings.LineNumberPosition, 0);
      EXPECT_GT(t.settings.LineNumberDigits, 0);
      EXPECT_GT(t.settings.LineNumberIncrement, 0);
    }
  }
  // Every template the default file types name is shipped.
  for (const auto& type : DefaultFileTypes())
    EXPECT_TRUE(names.count(type.templateName)) << type.templateName;
}

TEST(TemplateSource, HostLanguagesCarryTheirRecordFormats) {
  std::map<std::string, Template> byName;
  for (const auto& source : ShippedSources()) {
    Template t;
    ASSERT_TRUE(ReadTemplateSourceFile(source, t, nullptr));
    byName[t.settings.Name] = t;
  }
  const auto& cobol = byName.at("HP COBOL II").settings;
  EXPECT_EQ(cobol.MPEFileSupport, kMpeSupportStandard);
  EXPECT_EQ(cobol.MPEFileCode, 1052);
  EXPECT_EQ(cobol.MPERecordLen, 80);
  EXPECT_EQ(cobol.LineNumberPosition, 1);
  EXPECT_EQ(cobol.LineNumberDigits, 6);
  EXPECT_EQ(cobol.LineCommentPos, 7);
  EXPECT_EQ(cobol.Cobol85, 0);
  EXPECT_EQ(byName.at("HP COBOL II - COBOL'85 Line Tags").settings.Cobol85, 1);
  const auto& fortran = byName.at("HP FORTRAN 77").settings;
  EXPECT_EQ(fortran.LineNumberPosition, 2);
  EXPECT_EQ(fortran.LineNumberDigits, 8);
  const std::map<std::string, int> qedit = {{"Qedit - COBOL", 3}, {"Qedit - Pascal", 7},
                                            {"Qedit - SPL", 1},   {"Qedit - FORTRAN", 2},
                                            {"Qedit - Job", 5},   {"Qedit - Text", 6}};
  for (const auto& [name, language] : qedit) {
    EXPECT_EQ(byName.at(name).settings.MPEFileSupport, kMpeSupportQedit) << name;
    EXPECT_EQ(byName.at(name).settings.QeditType, language) << name;
  }
  // The plain COBOL template sorts first, so a 1052/80 file picks it.
  const auto sources = ShippedSources();
  const auto at = [&](const char* file) {
    return std::find(sources.begin(), sources.end(), kRepoRoot / "data/templates" / file);
  };
  EXPECT_LT(at("mpe-cobol.vdtsrc"), at("mpe-cobol85.vdtsrc"));
}

TEST(TemplateSource, TextsKeepBlanksQuotesAndHashMarks) {
  const Template t = Parsed(
      "# a comment line\n"
      "  [Template]   # the settings\n"
      "Name = \"  Odd # name \\\"x\\\" \"   # trailing comment\n"
      "Delimiters = \" \\t#;\\\\\\x01\\xff\"\n"
      "CompilerOutputMask = \"$(FileName)($(Line)): $(String)\"\r\n"
      "MPERecordLen = -80\n"
      "TabStops = +4\n"
      "[KeywordList2]\n"
      "\"#define\"\n"
      "  plain word  \n"
      "\"\"\n"
      "\" padded \"\n"
      "# not a keyword\n"
      "\n"
      "[KeywordList1]\n"
      "\"[bracket\"\n");
  EXPECT_EQ(t.settings.Name, "  Odd # name \"x\" ");
  EXPECT_EQ(t.settings.Delimiters, " \t#;\\\x01\xff");
  EXPECT_EQ(t.settings.CompilerOutputMask, "$(FileName)($(Line)): $(String)");
  EXPECT_EQ(t.settings.MPERecordLen, -80);
  EXPECT_EQ(t.settings.TabStops, 4);
  EXPECT_THAT(t.keywords[0].Keywords(), ElementsAre("[bracket"));
  // The empty keyword makes a pair of separators, which acts as one, as it
  // would when the file is loaded.
  EXPECT_THAT(t.keywords[1].Keywords(), ElementsAre("#define", "plain word", " padded "));

  testing::TempDir dir;
  const Template loaded = ThroughStoreFile(t, dir / "odd.vdt");
  const std::string printed = FormatTemplateSource(loaded);
  EXPECT_THAT(printed, HasSubstr("Name = \"  Odd # name \\\"x\\\" \"\n"));
  EXPECT_THAT(printed, HasSubstr("Delimiters = \" \\t#;\\\\\\x01\xff\"\n"));
  EXPECT_THAT(printed, HasSubstr("[KeywordList2]\n\"#define\"\nplain word\n"));
  const Template again = Parsed(printed);
  EXPECT_FALSE(again.Differs(loaded));
  EXPECT_EQ(again.settings, loaded.settings);
}

TEST(TemplateSource, FieldLimitsAreRefusedNeverCut) {
  const std::string name62(62, 'n');
  EXPECT_EQ(Parsed("Name = \"" + name62 + "\"\n").settings.Name, name62);
  EXPECT_THAT(Errors("Name = \"" + name62 + "n\"\n"),
              ElementsAre("t.vdtsrc:1: Name is 63 characters long; at most 62 fit"));
  EXPECT_THAT(Errors("Name = \"x\"\nOpenComment = \"12345678901234\"\n"),
              ElementsAre("t.vdtsrc:2: OpenComment is 14 characters long; at most 13 fit"));
  EXPECT_THAT(Errors("Name = \"x\"\nTabPositions = \"" + std::string(63, '1') + "\"\n"),
              ElementsAre(HasSubstr(":2: TabPositions is 63 characters long; at most 62 fit")));

  // A keyword list of exactly 16,383 characters fits; one more does not.
  std::string list;
  for (int i = 0; i < 4095; ++i) list += "abc\n";  // 16,380 characters
  const Template full = Parsed("Name = \"x\"\n[KeywordList3]\n" + list + "xyz\n");
  EXPECT_EQ(full.keywords[2].Count(), 4096u);
  EXPECT_THAT(Errors("Name = \"x\"\n[KeywordList3]\n" + list + "wxyz\n"),
              ElementsAre("t.vdtsrc:3: KeywordList3 joins to 16384 characters; at most 16383 fit"));
}

TEST(TemplateSource, BadLinesAreAllReportedWithTheirLineNumbers) {
  const auto errors = Errors(
      "Name = \"x\"\n"              // 1
      "Tabstops = 4\n"              // 2
      "Colour = 3\n"                // 3
      "TabStops = 4x\n"             // 4
      "CustomEdit = 2\n"            // 5
      "MPEType = 5\n"               // 6
      "MPEFileCode = 4294967296\n"  // 7
      "LineCommentPos = -1\n"       // 8
      "Name = \"y\"\n"              // 9
      "LineComment = *\n"           // 10
      "OpenComment = \"(*\n"        // 11
      "CloseComment = \"\\q\"\n"    // 12
      "Delimiters = \"a\\x00\"\n"   // 13
      "SmartIndenting = \"1\"\n"    // 14
      "KeywordList1 = \"a\"\n"      // 15
      "Trim 1\n"                    // 16
      "Ruler = 1 0\n"               // 17
      "[Keywords]\n"                // 18
      "ignored\n"                   // 19
      "[KeywordList4]\n"            // 20
      "\"a\\nb\"\n"                 // 21
      "[KeywordList4]\n");          // 22
  EXPECT_THAT(
      errors,
      ElementsAre(
          "t.vdtsrc:2: unknown key 'Tabstops' (did you mean 'TabStops'?)",
          "t.vdtsrc:3: unknown key 'Colour'",
          "t.vdtsrc:4: TabStops: '4x' is not a decimal number from -2147483648 to 2147483647",
          "t.vdtsrc:5: CustomEdit is a flag: 0 or 1, not 2",
          "t.vdtsrc:6: MPEType must be 0, 1, 2, 3 or 9, not 5",
          "t.vdtsrc:7: MPEFileCode: '4294967296' is not a decimal number from -2147483648 to "
          "2147483647",
          "t.vdtsrc:8: LineCommentPos cannot be negative",
          "t.vdtsrc:9: Name is given twice (first on line 1)",
          "t.vdtsrc:10: the value of LineComment is a text and must be written in double quotes",
          "t.vdtsrc:11: OpenComment: the closing double quote is missing",
          "t.vdtsrc:12: CloseComment: unknown escape \\q (use \\\" \\\\ \\t \\n \\r or \\xHH)",
          "t.vdtsrc:13: Delimiters: a text cannot hold a zero byte (\\x00)",
          "t.vdtsrc:14: SmartIndenting is a number; write it without quotes",
          "t.vdtsrc:15: KeywordList1 is written as a section: [KeywordList1] followed by one "
          "keyword per line",
          "t.vdtsrc:16: expected Key = value",
          "t.vdtsrc:17: unexpected text after the value of Ruler",
          "t.vdtsrc:18: unknown section [Keywords] (the sections are [Template] and "
          "[KeywordList1] to [KeywordList4])",
          "t.vdtsrc:21: a keyword cannot hold a line feed",
          "t.vdtsrc:22: section [KeywordList4] is given twice (first on line 20)"));
}

TEST(TemplateSource, AFailedParseLeavesTheTemplateAlone) {
  Template t("/somewhere/keep.vdt");
  t.settings.Name = "Before";
  t.settings.TabStops = 8;
  t.userFlag = 1;
  std::vector<std::string> errors;
  EXPECT_FALSE(ParseTemplateSource("Name = \"After\"\nTabStops = x\n", "s", t, &errors));
  EXPECT_EQ(t.settings.Name, "Before");
  EXPECT_EQ(t.settings.TabStops, 8);

  EXPECT_THAT(Errors("Name = \"\"\n"),
              ElementsAre("t.vdtsrc:1: Name cannot be empty: it is how the template is found"));
  EXPECT_THAT(Errors("TabStops = 4\n"),
              ElementsAre("t.vdtsrc: the template has no Name (Name = \"...\" is required)"));

  // Success replaces settings and lists but keeps the path and the user flag.
  ASSERT_TRUE(ParseTemplateSource("Name = \"After\"\n", "s", t, &errors));
  EXPECT_EQ(t.settings.Name, "After");
  EXPECT_EQ(t.settings.TabStops, 0);
  EXPECT_EQ(t.path, "/somewhere/keep.vdt");
  EXPECT_EQ(t.userFlag, 1);

  Template missing;
  errors.clear();
  EXPECT_FALSE(ReadTemplateSourceFile("/nonexistent/x.vdtsrc", missing, &errors));
  EXPECT_THAT(errors, ElementsAre("/nonexistent/x.vdtsrc: cannot open the file"));
}

TEST(TemplateSource, PrintsEveryValueInStoredOrder) {
  Template t;
  t.settings.Name = "N";
  const std::string printed = FormatTemplateSource(t);
  std::array<std::string, 4> texts;
  std::size_t at = 0;
  int rows = 0;
  for (const auto& row : t.Descriptors(texts)) {
    const std::string needle =
        row.name.rfind("KeywordList", 0) == 0 ? "[" + row.name + "]\n" : "\n" + row.name + " = ";
    const std::size_t found = printed.find(needle, at);
    ASSERT_NE(found, std::string::npos) << row.name;
    at = found;
    ++rows;
  }
  EXPECT_EQ(rows, kTemplateValueCount);
}

}  // namespace
}  // namespace vandrel
