#include "templates/navigator/navigator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vandrel {
namespace {

constexpr int kFunctions = 1;
constexpr int kData = 3;
constexpr int kExternal = 5;
constexpr int kSections = 6;

void Add(Navigator& navigator, int category, std::string name, int line, int level = 0,
         std::vector<std::string> parameters = {}) {
  NavigatorItem symbol;
  symbol.category = category;
  symbol.name = std::move(name);
  symbol.line = line;
  symbol.level = level;
  symbol.parameters = std::move(parameters);
  navigator.root().AddSymbol(std::move(symbol));
}

std::vector<std::string> Texts(const std::vector<NavigatorTreeNode>& nodes) {
  std::vector<std::string> texts;
  for (const NavigatorTreeNode& node : nodes) texts.push_back(node.text);
  return texts;
}

TEST(NavigatorTest, LabelsNestingAndNumericOrder) {
  Navigator navigator;
  Add(navigator, kSections, "10", 1);
  Add(navigator, kSections, "9", 2);
  Add(navigator, kSections, "A", 3);
  // The first of its category goes straight under the category item, even
  // at level 2; a later level 2 goes below the last level-1 child.
  Add(navigator, kData, "FIRST", 4, 2);
  Add(navigator, kData, "TOP", 5, 0);
  Add(navigator, kData, "MIDDLE", 6, 1);
  Add(navigator, kData, "BOTTOM", 7, 2);
  navigator.root().Sort(true);
  navigator.SetLabels({"", "Storage", "", "", "", ""});

  const std::vector<NavigatorTreeNode> tree = navigator.Tree(false);
  ASSERT_EQ(Texts(tree), (std::vector<std::string>{"Sections", "Storage"}));
  EXPECT_EQ(Texts(tree[0].children), (std::vector<std::string>{"9", "10", "A"}));
  const NavigatorTreeNode& data = tree[1];
  ASSERT_EQ(Texts(data.children), (std::vector<std::string>{"FIRST", "TOP"}));
  const NavigatorTreeNode& top = data.children[1];
  ASSERT_EQ(Texts(top.children), (std::vector<std::string>{"MIDDLE"}));
  EXPECT_EQ(Texts(top.children[0].children), (std::vector<std::string>{"BOTTOM"}));
  EXPECT_EQ(top.children[0].children[0].line, 7);
}

TEST(NavigatorTest, ParametersDefinitionsAndParameterInfo) {
  Navigator navigator;
  Add(navigator, kFunctions, "CALC", 10, 0, {"a", "b"});
  Add(navigator, kFunctions, "PLAIN", 20);
  Add(navigator, kFunctions, "OPEN", 30);
  Add(navigator, kExternal, "CALC", 2);
  Add(navigator, kExternal, "OPEN", 3, 0, {"name", "mode"});

  const auto shown = navigator.Tree(true)[0].children;
  EXPECT_EQ(Texts(shown), (std::vector<std::string>{"CALC(a, b)", "PLAIN", "OPEN"}));
  EXPECT_EQ(Texts(navigator.Tree(false)[0].children)[0], "CALC");

  EXPECT_EQ(navigator.FindDefinition("calc").line, 10);  // the function over the external
  EXPECT_EQ(navigator.FindDefinition("calc").category, kFunctions);
  EXPECT_EQ(navigator.FindDefinition("none").line, -1);
  EXPECT_EQ(navigator.FindDefinition("none").category, 0);

  // The external with parameters wins; one without gives way to the function.
  ASSERT_NE(navigator.ParameterInfo("open"), nullptr);
  EXPECT_EQ(navigator.ParameterInfo("open")->line, 3);
  ASSERT_NE(navigator.ParameterInfo("CALC"), nullptr);
  EXPECT_EQ(navigator.ParameterInfo("CALC")->ParameterText(), "CALC(a, b)");
  EXPECT_EQ(navigator.ParameterInfo("CALC")->line, 10);
  EXPECT_EQ(navigator.ParameterInfo("missing"), nullptr);
}

}  // namespace
}  // namespace vandrel
