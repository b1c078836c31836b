#include "project/error_navigation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "project/find_results.h"
#include "remote/output_writer.h"
#include "templates/template_catalogue.h"

namespace vandrel::project {
namespace {

using remote::kPaneDebug;
using remote::kPaneFindInFiles;
using remote::kPaneOutput;

// The project's items and the editors, as far as a jump sees them.
class FakeJumpTarget : public ErrorJumpTarget {
 public:
  struct Item {
    std::string name;
    std::string fullPath;
  };
  struct Opened {
    bool throughItem;
    std::string name;
    JumpPlace place;
    bool operator==(const Opened&) const = default;
  };

  // FindItem's rule: a bare name matches an item's name, anything else its
  // full path.
  const Item* Find(std::string_view name) const {
    for (const Item& item : items) {
      if (name.find('/') == std::string_view::npos ? item.name == name : item.fullPath == name) {
        return &item;
      }
    }
    return nullptr;
  }
  std::optional<std::string> FindItemPath(std::string_view name) override {
    const Item* item = Find(name);
    if (item == nullptr) return std::nullopt;
    return item->fullPath;
  }
  bool OpenProjectItem(std::string_view name, const JumpPlace& place) override {
    if (Find(name) == nullptr) return false;
    opened.push_back({true, std::string(name), place});
    return true;
  }
  void OpenFile(std::string_view name, const JumpPlace& place) override {
    opened.push_back({false, std::string(name), place});
  }
  bool RequestsPending() override { return pending; }

  std::vector<Item> items;
  std::vector<Opened> opened;
  bool pending = false;
};

class Beeps : public OutputSounds {
 public:
  void DefaultBeep() override { ++count; }
  void Pause(std::chrono::milliseconds) override {}
  int count = 0;
};

class ErrorNavigationTest : public ::testing::Test {
 protected:
  ErrorNavigationTest() : navigator(panes, target, &beeps) {
    navigator.SetMaskList({"$(FileName)($(Line)): $(String)"});
  }

  std::int64_t Current(int pane = kPaneOutput) const { return panes.CurrentLine(pane); }
  std::size_t NextLine() {
    auto found = navigator.NextError();
    return found ? found->lineIndex : 999;
  }
  std::size_t PreviousLine() {
    auto found = navigator.PreviousError();
    return found ? found->lineIndex : 999;
  }

  OutputPanes panes;
  FakeJumpTarget target;
  Beeps beeps;
  ErrorNavigator navigator;
};

TEST_F(ErrorNavigationTest, ForwardSearchWrapsAndStopsAtTheCurrentLine) {
  panes.AppendRaw(kPaneOutput,
                  "cc a.c b.c\n"     // 0
                  "a.c(3): bad\n"    // 1
                  "\n"               // 2
                  "b.c(7): worse\n"  // 3
                  ">> Command completed\n");
  EXPECT_EQ(NextLine(), 1u);
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(NextLine(), 3u);
  EXPECT_EQ(NextLine(), 1u);  // round to the first
  EXPECT_EQ(PreviousLine(), 3u);
  EXPECT_EQ(PreviousLine(), 1u);
  ASSERT_EQ(target.opened.size(), 5u);
  EXPECT_EQ(target.opened[0], (FakeJumpTarget::Opened{false, "a.c", {3, kMarkError, ""}}));
  EXPECT_EQ(target.opened[1], (FakeJumpTarget::Opened{false, "b.c", {7, kMarkError, ""}}));
}

TEST_F(ErrorNavigationTest, ALoneCurrentErrorIsFoundAgainOnlyBackwards) {
  panes.AppendRaw(kPaneOutput, "x\nonly.c(1): e\ny\n");
  EXPECT_EQ(NextLine(), 1u);
  EXPECT_EQ(NextLine(), 999u);
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(PreviousLine(), 1u);
  // With no current line, backwards starts at the top and wraps to the end.
  panes.SetCurrentLine(kPaneOutput, -1);
  EXPECT_EQ(PreviousLine(), 1u);
}

TEST_F(ErrorNavigationTest, NoMasksNoErrorsAndTheDebugPaneOnlyBeeps) {
  panes.AppendRaw(kPaneOutput, "a.c(3): bad\n");
  panes.AppendRaw(kPaneDebug, "a.c(3): bad\n");
  EXPECT_EQ(navigator.CountErrors(), 1u);
  navigator.SetMaskList({});
  EXPECT_EQ(navigator.NextError(), std::nullopt);
  EXPECT_EQ(navigator.CountErrors(), 0u);
  EXPECT_EQ(Current(), -1);
  EXPECT_EQ(beeps.count, 0);

  navigator.SetMaskList({"$(FileName)($(Line)): $(String)"});
  panes.ShowPane(kPaneDebug);
  EXPECT_EQ(navigator.NextError(), std::nullopt);
  EXPECT_EQ(navigator.PreviousError(), std::nullopt);
  EXPECT_EQ(beeps.count, 2);
  EXPECT_TRUE(target.opened.empty());
}

TEST_F(ErrorNavigationTest, BareFileNamesAreLookedUpInTheProject) {
  target.items = {{"main.c", "/dev/src/main.c"}};
  navigator.SetMaskList({"$(FileName)($(Line)): $(String)", "$(Number) $(LineNumber) $(String)"});
  panes.AppendRaw(kPaneOutput,
                  "main.c(4): x\n"           // 0: an item of the project
                  "/dev/src/main.c(5): x\n"  // 1: its full path
                  "other.c(6): x\n"          // 2: not in the project
                  "12 004500 x\n");          // 3: a numbered line, no file
  auto found = navigator.NextError();
  ASSERT_TRUE(found);
  EXPECT_EQ(found->fileName, "/dev/src/main.c");
  EXPECT_EQ(found->outcome, JumpOutcome::kOpened);
  navigator.NextError();
  navigator.NextError();
  found = navigator.NextError();
  ASSERT_TRUE(found);
  // No file: the line is only highlighted.
  EXPECT_EQ(found->outcome, JumpOutcome::kHighlighted);
  EXPECT_EQ(found->place, (JumpPlace{4500, kMarkErrorLineNumber, ""}));
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(target.opened, (std::vector<FakeJumpTarget::Opened>{
                               {true, "/dev/src/main.c", {4, kMarkError, ""}},
                               {true, "/dev/src/main.c", {5, kMarkError, ""}},
                               {false, "other.c", {6, kMarkError, ""}},
                           }));
}

TEST_F(ErrorNavigationTest, PendingRequestsHoldJumpsBackUnlessAskedOtherwise) {
  panes.AppendRaw(kPaneOutput, "a.c(3): bad\nb.c(4): bad\n");
  target.pending = true;
  auto found = navigator.NextError();
  ASSERT_TRUE(found);
  EXPECT_EQ(found->outcome, JumpOutcome::kBusy);
  EXPECT_EQ(beeps.count, 1);
  EXPECT_EQ(Current(), -1);
  EXPECT_TRUE(target.opened.empty());

  // The first error after a build is shown even while requests run...
  found = navigator.SelectFirstError(true);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->outcome, JumpOutcome::kOpened);
  EXPECT_EQ(target.opened.size(), 1u);
  // ...and only highlighted when no jump is wanted, from the top again.
  panes.SetCurrentLine(kPaneOutput, 1);
  found = navigator.SelectFirstError(false);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->outcome, JumpOutcome::kHighlighted);
  EXPECT_EQ(found->lineIndex, 0u);
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(target.opened.size(), 1u);
}

TEST_F(ErrorNavigationTest, ADoubleClickGoesToTheClickedLineOnly) {
  panes.AppendRaw(kPaneOutput, "a.c(3): bad\nnot an error\nb.c(4): bad\n");
  panes.SetCurrentLine(kPaneOutput, 0);
  auto found = navigator.DoubleClick(kPaneOutput, 2);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->fileName, "b.c");
  // The current line stays where it was.
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(navigator.DoubleClick(kPaneOutput, 1), std::nullopt);
  EXPECT_EQ(navigator.DoubleClick(kPaneOutput, 9), std::nullopt);
  EXPECT_EQ(navigator.DoubleClick(kPaneDebug, 0), std::nullopt);
  EXPECT_EQ(target.opened.size(), 1u);
  EXPECT_EQ(beeps.count, 0);
}

TEST_F(ErrorNavigationTest, FindInFilesResultsOpenWithTheTagMark) {
  target.items = {{"x.c", "/src/x.c"}};
  panes.AppendRaw(kPaneFindInFiles,
                  "Searching /src...\n"
                  "/src/x.c(12): int x = 1;\n"
                  ">>\n"
                  "\n"
                  "/PROG/SRC/MAIN(Main Line 40): x\n");
  panes.ShowPane(kPaneFindInFiles);
  auto found = navigator.NextError();
  ASSERT_TRUE(found);
  EXPECT_EQ(found->lineIndex, 1u);
  EXPECT_EQ(Current(kPaneFindInFiles), 1);
  found = navigator.NextError();
  ASSERT_TRUE(found);
  EXPECT_EQ(found->lineIndex, 4u);
  EXPECT_EQ(target.opened, (std::vector<FakeJumpTarget::Opened>{
                               {true, "/src/x.c", {12, kMarkTag, ""}},
                               {false, "/PROG/SRC/MAIN", {40, kMarkTag, "MAIN"}},
                           }));
  // Masks do not apply to this pane, nor does it need any.
  navigator.SetMaskList({});
  EXPECT_EQ(NextLine(), 1u);
}

TEST_F(ErrorNavigationTest, CountingAndSearchingUseTemplateMasks) {
  TemplateCatalogue catalogue;
  auto fortran = std::make_unique<Template>();
  fortran->settings.Name = "HP FORTRAN 77";
  fortran->settings.CompilerOutputMask = "**** ERROR $(ScanUp)$(MpeLine)";
  catalogue.Append(std::move(fortran));
  navigator.SetCatalogue(&catalogue);
  navigator.SetMaskList({"hp fortran 77"});
  panes.AppendRaw(kPaneOutput,
                  "   1.000   PROGRAM X\n"
                  "   2.000   Y = \n"
                  "**** ERROR 12 EXPRESSION EXPECTED\n"
                  "   3.000   END\n");
  EXPECT_EQ(navigator.CountErrors(), 1u);
  auto found = navigator.NextError();
  ASSERT_TRUE(found);
  EXPECT_EQ(found->lineIndex, 2u);
  EXPECT_EQ(found->place, (JumpPlace{2000, kMarkErrorLineNumber, ""}));
  EXPECT_EQ(found->outcome, JumpOutcome::kHighlighted);  // no file named
}

TEST(ReadFindResultTest, ReadsFileSectionAndLine) {
  EXPECT_EQ(ReadFindResult("/src/x.c(12): int x = 1;"), (FindResult{"/src/x.c", "", 12}));
  // The last "(" before the first "): " ends the file name.
  EXPECT_EQ(ReadFindResult("/a(b)/f(c).c(3): g(x): y"), (FindResult{"/a(b)/f(c).c", "", 3}));
  EXPECT_EQ(ReadFindResult("/P/S/M(MainSec LINE 40): x"), (FindResult{"/P/S/M", "MAINSEC", 40}));
  EXPECT_EQ(ReadFindResult("/P/S/M(  main   line -4): x"), (FindResult{"/P/S/M", "MAIN", -4}));
  // Text that is not "word line number" gives its decimal value.
  EXPECT_EQ(ReadFindResult("f(main line): x"), (FindResult{"f", "", 0}));
  EXPECT_EQ(ReadFindResult("f(7x): x"), (FindResult{"f", "", 7}));
  EXPECT_EQ(ReadFindResult("f(): x"), (FindResult{"f", "", 0}));
  EXPECT_EQ(ReadFindResult(""), std::nullopt);
  EXPECT_EQ(ReadFindResult(">>"), std::nullopt);
  EXPECT_EQ(ReadFindResult("Searching /src..."), std::nullopt);
  EXPECT_EQ(ReadFindResult("no paren): x"), std::nullopt);
  EXPECT_EQ(ReadFindResult("f(1):x"), std::nullopt);
}

}  // namespace
}  // namespace vandrel::project
