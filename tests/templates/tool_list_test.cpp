#include "templates/tools/tool_list.h"

#include <gtest/gtest.h>

#include "core/settings_store.h"
#include "support/temp_dir.h"

namespace vandrel {
namespace {

ToolRecord Tool(std::string caption, bool remote = false) {
  ToolRecord tool;
  tool.caption = std::move(caption);
  tool.command = "cmd-" + tool.caption;
  tool.remote = remote ? 1 : 0;
  return tool;
}

// "caption:command" for commands, "-" for separators, "name[...]" for submenus.
std::string Shape(const std::vector<ToolMenuEntry>& entries) {
  std::string text;
  for (const ToolMenuEntry& entry : entries) {
    if (!text.empty()) text += ' ';
    switch (entry.kind) {
      case ToolMenuEntry::Kind::kSeparator:
        text += '-';
        break;
      case ToolMenuEntry::Kind::kSubmenu:
        text += entry.caption + "[" + Shape(entry.children) + "]";
        break;
      case ToolMenuEntry::Kind::kCommand:
        text +=
            entry.caption + ":" + std::to_string(entry.command) + (entry.greyed ? "(grey)" : "");
        break;
    }
  }
  return text;
}

TEST(ToolsMenu, SeparatorsAndNestedSubmenus) {
  const std::vector<ToolRecord> tools{Tool("Build"), Tool(">Host"), Tool("Compile", true),
                                      Tool("<"),     Tool("-"),     Tool("Edit")};
  EXPECT_EQ(Shape(BuildToolsMenu(tools, true)), "Build:10800 Host[Compile:10802] - Edit:10805 -");
  // A remote tool is greyed while there is no connection.
  EXPECT_EQ(Shape(BuildToolsMenu(tools, false)),
            "Build:10800 Host[Compile:10802(grey)] - Edit:10805 -");
  // "<" at the top does nothing; ">" without "<" keeps the rest inside.
  const std::vector<ToolRecord> loose{Tool("<"), Tool("A"), Tool(">Sub"), Tool(">Deeper"),
                                      Tool("B"), Tool("<"), Tool("C")};
  EXPECT_EQ(Shape(BuildToolsMenu(loose, true)), "A:10801 Sub[Deeper[B:10804] C:10806] -");
  EXPECT_TRUE(BuildToolsMenu({}, true).empty());
}

TEST(ToolsMenu, StoredInMenuOrderAndReadUpToTheFirstGap) {
  testing::TempDir dir;
  SettingsStore store(dir / "settings.reg");
  std::vector<ToolRecord> tools{Tool("Build"), Tool("Edit", true), Tool("Print")};
  tools[1].arguments = "-l $(CurLine) $(FileName)";
  tools[1].directory = "$(FileDir)";
  tools[1].prompt = 1;
  tools[1].output = 1;
  EXPECT_EQ(SaveToolList(store, tools), 3);
  std::vector<ToolRecord> read = LoadToolList(store);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[1].caption, "Edit");
  EXPECT_EQ(read[1].command, "cmd-Edit");
  EXPECT_EQ(read[1].arguments, "-l $(CurLine) $(FileName)");
  EXPECT_EQ(read[1].directory, "$(FileDir)");
  EXPECT_EQ(read[1].prompt, 1);
  EXPECT_EQ(read[1].remote, 1);
  EXPECT_EQ(read[1].output, 1);
  EXPECT_EQ(store.ReadRaw(".\\Tools\\2", "Remote")->second,
            (std::vector<std::uint8_t>{1, 0, 0, 0}));

  // Deleting the last of three removes the key of tool 3.
  tools.pop_back();
  EXPECT_EQ(SaveToolList(store, tools), 2);
  EXPECT_FALSE(store.KeyExists(".\\Tools\\3"));
  EXPECT_EQ(LoadToolList(store).size(), 2u);

  // A tool without a caption is left out without leaving a gap that would
  // hide the tools after it.
  tools.insert(tools.begin(), Tool(""));
  EXPECT_EQ(SaveToolList(store, tools), 2);
  read = LoadToolList(store);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].caption, "Build");
  EXPECT_EQ(read[1].caption, "Edit");
}

}  // namespace
}  // namespace vandrel
