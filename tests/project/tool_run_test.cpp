#include "project/tool_run.h"

#include <gtest/gtest.h>

namespace vandrel::project {
namespace {

TEST(ToolRun, MacrosFromTheDocumentAndTheRemoteCommandText) {
  ToolRecord tool;
  tool.command = "cc";
  tool.arguments = "-l $(CurLine) $(FileName)";
  tool.directory = "$(FileDir)";
  tool.remote = 1;
  ToolMacroValues document;
  document.filePath = "/SRC/PROG.C";
  document.caretLine = 12;
  const ToolRun run = PrepareToolRun(tool, &document);
  EXPECT_TRUE(run.remote);
  EXPECT_EQ(run.arguments, "-l 12 PROG.C");
  EXPECT_EQ(run.directory, "/SRC");
  EXPECT_EQ(RemoteToolDirectoryCommand(run), "cd /SRC");
  EXPECT_EQ(RemoteToolCommand(run), "cc -l 12 PROG.C");

  // Without a document every document macro is empty; arguments given at
  // the prompt stand for this run instead of the tool's own.
  const ToolRun bare = PrepareToolRun(tool, nullptr, std::string("$(FilePath)x"));
  EXPECT_EQ(bare.arguments, "x");
  EXPECT_EQ(bare.directory, "");
  EXPECT_EQ(RemoteToolDirectoryCommand(bare), "");
  EXPECT_EQ(RemoteToolCommand(PrepareToolRun(tool, nullptr, std::string())), "cc");
  EXPECT_EQ(tool.arguments, "-l $(CurLine) $(FileName)");
}

// A local tool's parameters reach the program without a shell: blanks
// separate, quotes group and go, nothing else is special.
TEST(ToolRun, LocalParametersSplitWithoutAShell) {
  using List = std::vector<std::string>;
  EXPECT_EQ(SplitToolArguments("-l 12 PROG.C"), (List{"-l", "12", "PROG.C"}));
  EXPECT_EQ(SplitToolArguments("  a\t\tb  "), (List{"a", "b"}));
  EXPECT_EQ(SplitToolArguments(R"("My Documents/x y.c" -o "")"),
            (List{"My Documents/x y.c", "-o", ""}));
  EXPECT_EQ(SplitToolArguments(R"(say "a ""quoted"" word")"), (List{"say", R"(a "quoted" word)"}));
  EXPECT_EQ(SplitToolArguments(R"(C:\dir\file *.c $HOME `x` ;|&)"),
            (List{R"(C:\dir\file)", "*.c", "$HOME", "`x`", ";|&"}));
  EXPECT_EQ(SplitToolArguments(R"(open "unterminated rest)"), (List{"open", "unterminated rest"}));
  EXPECT_TRUE(SplitToolArguments("").empty());

  ToolRun run;
  run.command = "cc";
  EXPECT_EQ(RemoteToolCommands(run), List{"cc"});
  run.directory = "/SRC";
  EXPECT_EQ(RemoteToolCommands(run), (List{"cd /SRC", "cc"}));
}

}  // namespace
}  // namespace vandrel::project
