#include "project/macros.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/string_ids.h"
#include "documents/mpe_names.h"

namespace vandrel::project {
namespace {

constexpr unsigned kItemOptions = kReplaceIgnoreCase | kReplaceRemeasure;

ItemMacroValues Item(std::string fullPath, std::string type = "C",
                     std::string projectPath = "/home/me/work/Build.vpj") {
  return {std::move(fullPath), std::move(type), std::move(projectPath)};
}

TEST(ReplaceTokenTest, ReplacesEveryOccurrenceAndNeverRescansValues) {
  EXPECT_EQ(ReplaceToken("a %p b %p", "%p", "x", 0), "a x b x");
  // A value holding the token is not replaced again, growing or shrinking.
  EXPECT_EQ(ReplaceToken("%p-%p", "%p", "[%p]", 0), "[%p]-[%p]");
  EXPECT_EQ(ReplaceToken("%p%p", "%p", "%", 0), "%%");
  EXPECT_EQ(ReplaceToken("%p%pp", "%p", "", 0), "p");
  // Values longer than what they replace do not hide later occurrences.
  EXPECT_EQ(ReplaceToken("%f,%f,%f", "%f", std::string(300, 'v'), kReplaceRemeasure),
            std::string(300, 'v') + "," + std::string(300, 'v') + "," + std::string(300, 'v'));
}

TEST(ReplaceTokenTest, CaseIsIgnoredOnlyWhenAsked) {
  EXPECT_EQ(ReplaceToken("$(filename) $(FILENAME)", "$(FileName)", "f", 0),
            "$(filename) $(FILENAME)");
  EXPECT_EQ(ReplaceToken("$(filename) $(FILENAME)", "$(FileName)", "f", kReplaceIgnoreCase), "f f");
}

TEST(ReplaceTokenTest, WholeWordSkipsMatchesFollowedByLetterOrDigit) {
  EXPECT_EQ(ReplaceToken("%p %pa %p1 %p. %p_ %p", "%p", "X", kReplaceWholeWord),
            "X %pa %p1 X. X_ X");
  // Only the character after the match counts.
  EXPECT_EQ(ReplaceToken("a%p", "%p", "X", kReplaceWholeWord), "aX");
  // A skipped match does not hide one that starts inside it.
  EXPECT_EQ(ReplaceToken("aaa ", "aa", "X", kReplaceWholeWord), "aX ");
}

TEST(ReplaceTokenTest, EmptyTokenOrTextLeavesTextUnchanged) {
  EXPECT_EQ(ReplaceToken("abc", "", "X", kReplaceIgnoreCase), "abc");
  EXPECT_EQ(ReplaceToken("", "%p", "X", 0), "");
  EXPECT_EQ(ReplaceToken("%", "%p", "X", 0), "%");
}

TEST(ReplaceTokensTest, OneScanForSeveralTokens) {
  const TokenValue tokens[] = {{"$(A)", "$(B)"}, {"$(B)", "b"}};
  EXPECT_EQ(ReplaceTokens("$(A) $(B) $(a)", tokens, kItemOptions), "$(B) b $(B)");
}

TEST(ExpandItemMacrosTest, FileMacros) {
  const ItemMacroValues foo = Item("/dev/src/foo.c");
  EXPECT_EQ(ExpandItemMacros("cc $(FileName) -o $(FileDir)/x", foo), "cc foo.c -o /dev/src/x");
  EXPECT_EQ(ExpandItemMacros("$(fileext)|$(FILEPATH)|$(Template)", foo), "c|/dev/src/foo.c|C");
  EXPECT_EQ(ExpandItemMacros("$(FileName) $(FileName)", foo), "foo.c foo.c");
  EXPECT_EQ(ExpandItemMacros("cp $(FileExt) $(FileExt)x", Item("/a/b/archive.tar.gz")),
            "cp gz gzx");
  // The item's own type is used, even when it is the auto-detect pseudo-name.
  EXPECT_EQ(ExpandItemMacros("$(Template)", Item("/a/b.c", "(auto-detect)")), "(auto-detect)");
  EXPECT_EQ(ExpandItemMacros("no macros here", foo), "no macros here");
}

TEST(ExpandItemMacrosTest, PathsWithoutSlashOrExtension) {
  EXPECT_EQ(ExpandItemMacros("$(FileName)|$(FileDir)|$(FilePath)", Item("foo.c")),
            "foo.c|foo.c|foo.c");
  EXPECT_EQ(ExpandItemMacros("cc $(FileName).$(FileExt)", Item("/DEV/SRC/PROG1")),
            "cc PROG1.$(FileExt)");
  // The extension is the file name's: a "." in the directory does not count.
  EXPECT_EQ(ExpandItemMacros("$(FileExt)", Item("/home/me.old/Makefile")), "$(FileExt)");
  // An item without a name has an empty path.
  EXPECT_EQ(ExpandItemMacros("[$(FilePath)][$(FileName)][$(FileDir)][$(FileExt)]", Item("")),
            "[][][][$(FileExt)]");
}

TEST(ExpandItemMacrosTest, ValuesAreNotExpandedAgain) {
  EXPECT_EQ(ExpandItemMacros("$(FilePath)", Item("/a/$(FileName)/x.c")), "/a/$(FileName)/x.c");
  EXPECT_EQ(ExpandItemMacros("$(Template) $(FileExt)", Item("/a/b.c", "$(FilePath)")),
            "$(FilePath) c");
  EXPECT_EQ(ExpandItemMacros("$(FileName)", Item("/a/$(FileExt).c")), "$(FileExt).c");
}

TEST(ExpandItemMacrosTest, ProjectName) {
  const auto name = [](std::string projectPath) {
    return ExpandItemMacros("$(ProjectName)", Item("/a/b.c", "C", std::move(projectPath)));
  };
  EXPECT_EQ(name("/home/me/work/Build.vpj"), "Build");
  EXPECT_EQ(name("C:\\work\\Old Build.vpj"), "Old Build");
  EXPECT_EQ(name("/home/me/work/build.2.vpj"), "build.2");
  EXPECT_EQ(name("/home/my.projects/build"), "build");
  EXPECT_EQ(name("/home/me/.build"), ".build");
  // No project file yet: the token stays.
  EXPECT_EQ(name(""), "$(ProjectName)");
  EXPECT_EQ(name("Build.vpj"), "$(ProjectName)");
}

TEST(ExpandItemMacrosTest, MpeMacrosForMpeShapedPaths) {
  const ItemMacroValues prog = Item("/DEV/SRC/PROG1");
  EXPECT_EQ(ExpandItemMacros("COBOL $(MpeFilePath),$(MpeFileDir)", prog),
            "COBOL PROG1.SRC.DEV,SRC.DEV");
  EXPECT_EQ(ExpandItemMacros("$(mpefilepath) $(MPEFILEDIR)", Item("/dev/src/foo.c")),
            "foo.src.dev src.dev");
  // Paths without an MPE form leave both tokens as written.
  for (const char* path : {"/home/me/src/foo.c", "/DEV/SRC", "src/a/foo.c", "/DEV/SRC/.profile",
                           "/DEV/S.RC/FOO", "/DEV//FOO", "/DEV/SRC/"}) {
    EXPECT_EQ(ExpandItemMacros("$(MpeFilePath) $(MpeFileDir)", Item(path)),
              "$(MpeFilePath) $(MpeFileDir)")
        << path;
  }
}

TEST(MpeNameOfPathTest, IsTheInverseOfTheHostPathOfAName) {
  for (const char* path : {"/DEV/SRC/PROG1", "/SYS/PUB/CI", "/ACCT/GRP/NAME"}) {
    const auto name = MpeNameOfPath(path);
    ASSERT_TRUE(name) << path;
    EXPECT_EQ(HostPathOfName("/OTHER/PUB", *name), path);
  }
  EXPECT_EQ(MpeNameOfPath("/DEV/SRC/PROG1"), "PROG1.SRC.DEV");
  EXPECT_EQ(MpeNameOfPath("/dev/src/foo.c"), "foo.src.dev");
  EXPECT_FALSE(MpeNameOfPath("/a/b/c/d"));
}

TEST(PreviewMacrosTest, SampleValues) {
  EXPECT_EQ(PreviewMacros("cc $(FilePath)"), "cc /dev/src/foo.c");
  EXPECT_EQ(PreviewMacros("$(FileName) $(FileDir) $(FileExt) $(Template) $(ProjectName) "
                          "$(MpeFilePath) $(MpeFileDir) $(CurLine)"),
            "foo.c /dev/src c template Sample foo.src.dev src.dev $(CurLine)");
  EXPECT_EQ(PreviewMacros("make all"), "make all");
}

TEST(PreviewMacrosTest, AgreesWithTheExpansionOfTheSampleItem) {
  const std::string every =
      "$(FilePath) $(FileName) $(FileDir) $(FileExt) $(Template) $(ProjectName) "
      "$(MpeFilePath) $(MpeFileDir)";
  EXPECT_EQ(PreviewMacros(every),
            ExpandItemMacros(every, Item("/dev/src/foo.c", "template", "/projects/Sample.vpj")));
}

TEST(ExpandToolMacrosTest, DocumentAndCaretValues) {
  ToolMacroValues values;
  values.filePath = "/SRC/PROG.C";
  values.templateName = "C";
  values.caretLine = 12;
  values.caretColumn = 7;
  values.caretText = "main";
  EXPECT_EQ(ExpandToolMacros("-l $(CurLine) $(FileName)", values), "-l 12 PROG.C");
  EXPECT_EQ(ExpandToolMacros("$(FileDir)|$(FileExt)|$(Template)|$(curcol)|$(CurText)", values),
            "/SRC|C|C|7|main");
  // No MPE form and no project for tools here.
  EXPECT_EQ(ExpandToolMacros("[$(MpeFilePath)][$(MpeFileDir)] $(ProjectName)", values),
            "[][] $(ProjectName)");
  values.projectPath = "/home/me/Build.vpj";
  EXPECT_EQ(ExpandToolMacros("/tmp/$(ProjectName)", values), "/tmp/Build");

  values.caretText = std::string(200, 'w');
  EXPECT_EQ(ExpandToolMacros("$(CurText)", values), std::string(kMaxCaretText, 'w'));
}

TEST(ExpandToolMacrosTest, UnknownValuesBecomeEmpty) {
  EXPECT_EQ(ExpandToolMacros("x$(FilePath)$(FileName)$(FileDir)$(FileExt)$(Template)"
                             "$(CurLine)$(CurCol)$(CurText)y",
                             ToolMacroValues{}),
            "xy");
  ToolMacroValues noSlash;
  noSlash.filePath = "PROG.C";
  EXPECT_EQ(ExpandToolMacros("[$(FileDir)][$(FileName)][$(FileExt)]", noSlash), "[PROG.C][][]");
}

TEST(MacroMenuTest, EntriesInsertTheirTokens) {
  std::vector<std::string> inserted;
  for (const MacroMenuEntry& entry : ItemMacroMenu()) {
    inserted.push_back(entry.IsSeparator() ? "-" : MacroToken(entry.tokenId));
  }
  EXPECT_EQ(inserted,
            (std::vector<std::string>{"$(FilePath)", "$(FileDir)", "$(FileName)", "$(FileExt)",
                                      "$(Template)", "-", "$(ProjectName)"}));
  EXPECT_EQ(ItemMacroMenu()[3].label, "File Extension");

  const auto arguments = ToolArgumentsMacroMenu();
  ASSERT_EQ(arguments.size(), 8u);
  EXPECT_EQ(arguments[5].label, "Current Line");
  EXPECT_EQ(MacroToken(arguments[7].tokenId), "$(CurText)");
  const auto directory = ToolDirectoryMacroMenu();
  ASSERT_EQ(directory.size(), 6u);
  EXPECT_EQ(MacroToken(directory.back().tokenId), "$(ProjectName)");
}

TEST(InsertAtSelectionTest, ReplacesTheSelectionAndMovesTheCaret) {
  const FieldEdit edit = InsertAtSelection("cc X.c", 3, 4, "$(FileName)");
  EXPECT_EQ(edit.text, "cc $(FileName).c");
  EXPECT_EQ(edit.caret, 14u);
  EXPECT_EQ(InsertAtSelection("cc ", 99, 99, "$(FilePath)").text, "cc $(FilePath)");
  EXPECT_EQ(InsertAtSelection("abcdef", 4, 1, "-").text, "a-ef");
}

TEST(MacroBufferTest, LongExpansionsAreKeptWhole) {
  const std::string path = "/" + std::string(600, 'd') + "/f.c";
  const std::string expanded = ExpandItemMacros("$(FilePath) $(FilePath)", Item(path));
  EXPECT_EQ(expanded, path + " " + path);
  EXPECT_FALSE(FitsMacroBuffer(expanded));
  EXPECT_TRUE(FitsMacroBuffer(std::string(kMacroBufferSize - 1, 'x')));
}

}  // namespace
}  // namespace vandrel::project
