// The compiler output masks of the shipped templates against what the
// compilers print. The listings under listings/ were captured from gcc, cobc,
// gfortran and fpc in their default forms; the Pascal/iX listing is composed
// from the description of that compiler's listing layout. The last test runs
// the installed compilers themselves.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "project/error_mask.h"
#include "support/temp_dir.h"
#include "templates/template.h"
#include "templates/template_source.h"

namespace vandrel::project {
namespace {

const std::filesystem::path kRepoRoot =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
const std::filesystem::path kListings = std::filesystem::path(__FILE__).parent_path() / "listings";

// The second entry the Pascal template asks projects to add to their mask
// list, for fpc's messages without a column.
constexpr std::string_view kFpcNoColumnMask =
    "$(FileName)($(Line)) $(Char)$(Char)$(Char)$(Char)$(String):";

Template ShippedTemplate(const std::string& file) {
  Template t;
  std::vector<std::string> errors;
  EXPECT_TRUE(ReadTemplateSourceFile(kRepoRoot / "data" / "templates" / file, t, &errors))
      << (errors.empty() ? file : errors.front());
  return t;
}

std::string ShippedMask(const std::string& file) {
  return ShippedTemplate(file).settings.CompilerOutputMask;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

LineList SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return LineList(std::move(lines));
}

struct ErrorLine {
  std::size_t index;
  std::string file;
  std::int64_t line;
  bool physical;
  bool operator==(const ErrorLine&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ErrorLine& e) {
  return out << "{" << e.index << ", " << e.file << ":" << e.line << (e.physical ? "" : " numbered")
             << "}";
}

std::vector<ErrorLine> ErrorLines(const LineList& lines, std::vector<std::string> masks) {
  ErrorScanner scanner(lines, masks);
  std::vector<ErrorLine> found;
  for (std::size_t index = 0; index < lines.LineCount(); ++index) {
    if (auto match = scanner.MatchLine(index)) {
      found.push_back({index, match->fileName, match->line, match->physicalLine});
    }
  }
  EXPECT_EQ(scanner.CountErrors(), found.size());
  return found;
}

std::vector<ErrorLine> ListingErrors(const std::string& listing, std::vector<std::string> masks) {
  return ErrorLines(SplitLines(ReadText(kListings / listing)), std::move(masks));
}

TEST(CompilerMasksTest, GccErrorsWarningsFatalAndColumnlessMessages) {
  const std::vector<ErrorLine> expected = {
      {2, "bad.h", 3, true},     // error, in an included header
      {5, "bad.h", 3, true},     // its note
      {7, "bad.c", 10, true},    // warning
      {10, "bad.c", 11, true},   // error
      {16, "bad.c", 4, true},    // error inside a macro's definition
      {19, "bad.c", 13, true},   // note: where the macro was used
      {23, "bad.c", 17, true},   // error
      {26, "bad.c", 16, true},   // note: the earlier declaration
      {29, "bad.c", 18, true},   // "bad.c:18: error: unterminated #if", no column
      {32, "fatal.c", 1, true},  // fatal error: missing header
  };
  EXPECT_EQ(ListingErrors("gcc.txt", {ShippedMask("ansi-c.vdtsrc")}), expected);
}

TEST(CompilerMasksTest, CobcFixedAndFreeFormatWithCopybooksAndNotes) {
  const std::string mask = ShippedMask("ansi-cobol.vdtsrc");
  const std::vector<ErrorLine> fixed = {
      {0, "fixed.cob", 6, true},    {1, "fixed.cob", 8, true},    {2, "fixed.cob", 9, true},
      {3, "fixed.cob", 12, true},   {4, "badcopy2.cpy", 2, true}, {5, "badcopy2.cpy", 2, true},
      {6, "badcopy2.cpy", 1, true}, {8, "para.cob", 8, true},     {10, "para.cob", 12, true},
      {12, "para.cob", 9, true},    {13, "note.cob", 10, true},   {14, "note.cob", 6, true},
      {15, "note.cob", 7, true},
  };
  // Lines 7, 9 and 11 are "para.cob: in paragraph ..." and name no line.
  EXPECT_EQ(ListingErrors("cobc-fixed.txt", {mask}), fixed);
  const std::vector<ErrorLine> free = {{0, "free.cob", 7, true}, {1, "free.cob", 9, true}};
  EXPECT_EQ(ListingErrors("cobc-free.txt", {mask}), free);
}

TEST(CompilerMasksTest, GfortranLocationLinesOncePerMessage) {
  const std::string mask = ShippedMask("ansi-fortran.vdtsrc");
  const std::vector<ErrorLine> fixed = {
      {0, "fixed.f", 5, true},   {5, "fixed.f", 6, true},
      {10, "fixed.f", 8, true},  {15, "warnf.f", 4, true},
      {20, "warnf.f", 6, true},  {25, "warnf.f", 7, true},
      {30, "inc.inc", 2, true},  {35, "withinc.f", 8, true},
      {41, "fatinc.f", 2, true},  // "fatinc.f:2:0:", then "Fatal Error:"
  };
  EXPECT_EQ(ListingErrors("gfortran-fixed.txt", {mask}), fixed);
  // A message about two places quotes three source lines; it is found once,
  // at the place its location line names.
  const std::vector<ErrorLine> free = {
      {0, "free.f90", 8, true},    {5, "free.f90", 6, true},   {10, "multi.f90", 8, true},
      {15, "multi.f90", 12, true}, {20, "multi.f90", 5, true}, {25, "two.f90", 7, true},
      {33, "intent.f90", 5, true},
  };
  EXPECT_EQ(ListingErrors("gfortran-free.txt", {mask}), free);
}

TEST(CompilerMasksTest, FpcTakesErrorsFatalsAndWarningsButNotNotes) {
  const Template pascal = ShippedTemplate("ansi-pascal.vdtsrc");
  const std::vector<ErrorLine> withColumn = {
      {5, "badunit.pas", 13, true}, {20, "nounit.pas", 2, true}, {27, "w.pas", 3, true},
      {28, "w.pas", 7, true},       {29, "w.pas", 9, true},      {41, "bad.pas", 10, true},
      {42, "bad.pas", 11, true},    {43, "bad.pas", 12, true},   {44, "bad.pas", 14, true},
  };
  EXPECT_EQ(ListingErrors("fpc.txt", {pascal.settings.CompilerOutputMask}), withColumn);

  // The template's documentation names the second mask of the list, which
  // takes the messages without a column; notes (lines 30 and 40) stay out.
  std::vector<ErrorLine> all = withColumn;
  all.insert(all.begin() + 1, {{6, "badunit.pas", 17, true}, {13, "eof.pas", 5, true}});
  EXPECT_EQ(
      ListingErrors("fpc.txt", {pascal.settings.CompilerOutputMask, std::string(kFpcNoColumnMask)}),
      all);
  const std::string source = ReadText(kRepoRoot / "data" / "templates" / "ansi-pascal.vdtsrc");
  EXPECT_NE(source.find("#   " + std::string(kFpcNoColumnMask) + "\n"), std::string::npos);
}

TEST(CompilerMasksTest, PascalIxErrorsAndWarningsScanUpToTheirSourceLine) {
  // Notes (line 16) are left out; the two messages beneath one source line
  // both find it; uncompiled "**" lines are passed over; both forms of the
  // line number read as thousandths.
  const std::vector<ErrorLine> expected = {
      {9, "", 6000, false},   {12, "", 7000, false},  {13, "", 7000, false},
      {18, "", 10100, false}, {23, "", 12000, false},
  };
  EXPECT_EQ(ListingErrors("hp-pascal-ix.txt", {ShippedMask("mpe-pascal.vdtsrc")}), expected);
  EXPECT_EQ(ShippedMask("qedit-pascal.vdtsrc"), ShippedMask("mpe-pascal.vdtsrc"));
}

// ---- The installed compilers ------------------------------------------------

struct Compiled {
  bool available = false;
  std::string output;
};

// Runs `command` in `folder` when `program` is installed; standard output
// and standard error together, as a host command's output reaches the pane.
Compiled Compile(const std::filesystem::path& folder, const std::string& program,
                 const std::string& command) {
  Compiled result;
  if (std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) != 0) return result;
  result.available = true;
  FILE* pipe = ::popen(("cd '" + folder.string() + "' && { " + command + "; } 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    result.output.append(buffer.data(), n);
  }
  ::pclose(pipe);
  return result;
}

void WriteText(const std::filesystem::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

using Place = std::pair<std::string, std::int64_t>;

// The places the masks find in `output`, which must be exactly `expected`
// (several lines may name one place: a message and its note).
void ExpectPlaces(const std::string& compiler, const std::string& output,
                  std::vector<std::string> masks, const std::set<Place>& expected) {
  std::set<Place> found;
  for (const ErrorLine& error : ErrorLines(SplitLines(output), std::move(masks))) {
    found.insert({error.file, error.line});
  }
  EXPECT_EQ(found, expected) << compiler << " printed:\n" << output;
}

TEST(CompilerMasksTest, InstalledCompilersErrorsAreFound) {
  testing::TempDir dir;
  std::vector<std::string> missing;

  WriteText(dir / "t.c",
            "int main(void)\n"
            "{\n"
            "  int x = ;\n"
            "  return y;\n"
            "}\n"
            "#if 1\n");
  const Compiled gcc = Compile(dir.path(), "gcc", "gcc -c t.c");
  if (gcc.available) {
    ExpectPlaces("gcc", gcc.output, {ShippedMask("ansi-c.vdtsrc")},
                 {{"t.c", 3}, {"t.c", 4}, {"t.c", 6}});
  } else {
    missing.push_back("gcc");
  }

  WriteText(dir / "t.cob",
            "       IDENTIFICATION DIVISION.\n"
            "       PROGRAM-ID. T.\n"
            "       DATA DIVISION.\n"
            "       WORKING-STORAGE SECTION.\n"
            "       01  WS-A   PIC 9(4).\n"
            "       PROCEDURE DIVISION.\n"
            "           MOVE WS-NONE TO WS-A.\n"
            "           GO TO NO-SUCH-PARA.\n"
            "           STOP RUN.\n");
  const Compiled cobc = Compile(dir.path(), "cobc", "cobc -x t.cob");
  if (cobc.available) {
    ExpectPlaces("cobc", cobc.output, {ShippedMask("ansi-cobol.vdtsrc")},
                 {{"t.cob", 7}, {"t.cob", 8}});
  } else {
    missing.push_back("cobc");
  }

  WriteText(dir / "t.f90",
            "program t\n"
            "  implicit none\n"
            "  integer :: i\n"
            "  i = 1 +\n"
            "  x = 2.0\n"
            "end program t\n");
  WriteText(dir / "t.f",
            "      PROGRAM T\n"
            "      I = 1\n"
            "      GOTO 99\n"
            "      END\n");
  const Compiled gfortran = Compile(dir.path(), "gfortran", "gfortran -c t.f90; gfortran -c t.f");
  if (gfortran.available) {
    ExpectPlaces("gfortran", gfortran.output, {ShippedMask("ansi-fortran.vdtsrc")},
                 {{"t.f90", 4}, {"t.f90", 5}, {"t.f", 3}});
  } else {
    missing.push_back("gfortran");
  }

  WriteText(dir / "t.pas",
            "program t;\n"
            "var i: integer;\n"
            "begin\n"
            "  i := 'x';\n"
            "  j := 1;\n"
            "end.\n");
  WriteText(dir / "u.pas",
            "program u;\n"
            "begin\n"
            "  { never closed\n"
            "end.\n");
  const Compiled fpc = Compile(dir.path(), "fpc", "fpc t.pas; fpc u.pas");
  if (fpc.available) {
    ExpectPlaces("fpc", fpc.output,
                 {ShippedMask("ansi-pascal.vdtsrc"), std::string(kFpcNoColumnMask)},
                 // t.pas(7): the count line that closes a unit with errors.
                 {{"t.pas", 4}, {"t.pas", 5}, {"t.pas", 7}, {"u.pas", 5}});
  } else {
    missing.push_back("fpc");
  }

  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    GTEST_SKIP() << "not installed: " << names;
  }
}

}  // namespace
}  // namespace vandrel::project
