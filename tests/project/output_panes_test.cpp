#include "project/output_panes.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "remote/output_writer.h"

namespace vandrel::project {
namespace {

using remote::kPaneDebug;
using remote::kPaneFindInFiles;
using remote::kPaneOutput;

std::vector<std::string> LinesOf(const OutputPanes& panes, int pane) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < panes.LineCount(pane); ++i) lines.push_back(panes.Line(pane, i));
  return lines;
}

class RecordingSounds : public OutputSounds {
 public:
  void DefaultBeep() override { events.push_back("beep"); }
  void Pause(std::chrono::milliseconds duration) override {
    events.push_back("pause " + std::to_string(duration.count()));
  }
  std::vector<std::string> events;
};

class RecordingObserver : public OutputPanesObserver {
 public:
  void TextAppended(int pane, std::string_view bytes) override {
    events.push_back("append " + std::to_string(pane) + " " + std::string(bytes));
  }
  void PaneEmptied(int pane) override { events.push_back("empty " + std::to_string(pane)); }
  void FrontDropped(int pane, std::size_t bytes) override {
    events.push_back("drop " + std::to_string(pane) + " " + std::to_string(bytes));
  }
  void CurrentLineChanged(int pane, std::int64_t oldLine, std::int64_t newLine) override {
    events.push_back("line " + std::to_string(pane) + " " + std::to_string(oldLine) + "->" +
                     std::to_string(newLine));
  }
  void PaneShown(int pane) override { events.push_back("show " + std::to_string(pane)); }
  std::vector<std::string> events;
};

TEST(OutputPanesTest, PrintAddsALineEndUnlessTheTextHasOne) {
  OutputPanes panes;
  panes.Print(kPaneOutput, ">> Command 'make'");
  panes.Printf(kPaneOutput, ">> %ld error(s)", 3L);
  panes.Print(kPaneOutput, "ends with a feed\n");
  panes.Print(kPaneOutput, "");
  EXPECT_EQ(panes.Text(kPaneOutput),
            ">> Command 'make'\r\n>> 3 error(s)\r\nends with a feed\n\r\n");
  // Pane numbers outside 0 to 2 are ignored.
  panes.Print(3, "x");
  panes.Print(-1, "x");
  panes.Print(remote::kPaneCommandLine, "x");
  EXPECT_EQ(panes.Text(3), "");
  EXPECT_TRUE(panes.IsEmpty(kPaneFindInFiles));
  EXPECT_TRUE(panes.IsEmpty(kPaneDebug));
}

TEST(OutputPanesTest, PrintStartsANewLineAfterUnfinishedOutput) {
  OutputPanes panes;
  panes.AppendRaw(kPaneOutput, "last line without an end");
  panes.Print(kPaneOutput, ">> Command completed");
  EXPECT_EQ(LinesOf(panes, kPaneOutput),
            (std::vector<std::string>{"last line without an end", ">> Command completed"}));
}

TEST(OutputPanesTest, RawOutputHasZeroBytesReplacedAndTheCharacterMapApplied) {
  OutputPanes panes;
  panes.AppendRaw(kPaneOutput, std::string("a\0b\n", 4));
  EXPECT_EQ(panes.Text(kPaneOutput), "a\1b\n");

  CharacterTable table{};
  table['{'] = 0xE4;
  table[0xE4] = '{';
  table[1] = '?';  // zero bytes become 1 first, then go through the map
  panes.SetCharacterTable(table);
  panes.AppendRaw(kPaneDebug, std::string("x{\xE4\0y", 5));
  EXPECT_EQ(panes.Text(kPaneDebug), "x\xE4{?y");

  panes.SetCharacterTable(std::nullopt);
  panes.AppendRaw(kPaneFindInFiles, "{");
  EXPECT_EQ(panes.Text(kPaneFindInFiles), "{");
  EXPECT_EQ(PrepareRawOutput(std::string("\0\0", 2), nullptr), "\1\1");
}

TEST(OutputPanesTest, EachBellSoundsWhenTheOutputBellIsOn) {
  OutputPanes panes;
  RecordingSounds sounds;
  panes.SetSounds(&sounds);
  panes.AppendRaw(kPaneOutput, "ding\a dong\a\n");
  EXPECT_EQ(sounds.events, (std::vector<std::string>{"beep", "pause 25", "beep", "pause 25"}));
  // The bell stays in the text.
  EXPECT_EQ(panes.Text(kPaneOutput), "ding\a dong\a\n");
  // A character map that yields a bell makes one sound too.
  CharacterTable table{};
  table['!'] = '\a';
  panes.SetCharacterTable(table);
  sounds.events.clear();
  panes.AppendRaw(kPaneOutput, "!");
  EXPECT_EQ(sounds.events.size(), 2u);

  sounds.events.clear();
  panes.SetOutputBell(false);
  panes.AppendRaw(kPaneOutput, "\a\a");
  panes.Print(kPaneOutput, "\a");
  EXPECT_TRUE(sounds.events.empty());
}

TEST(OutputPanesTest, TextIsSplitIntoLinesAtEveryKindOfLineEnd) {
  OutputPanes panes;
  panes.AppendRaw(kPaneOutput, "one\r\ntwo\nthree\rfour");
  EXPECT_EQ(LinesOf(panes, kPaneOutput), (std::vector<std::string>{"one", "two", "three", "four"}));
  // The unfinished last line goes on with the next block; a "\r\n" split
  // between two blocks is one line end.
  panes.AppendRaw(kPaneOutput, " and more\r");
  panes.AppendRaw(kPaneOutput, "\nfive\r\n");
  panes.AppendRaw(kPaneOutput, "\r\n");
  EXPECT_EQ(LinesOf(panes, kPaneOutput),
            (std::vector<std::string>{"one", "two", "three", "four and more", "five", ""}));
  // A line end at the very end starts no further line.
  EXPECT_EQ(panes.LineCount(kPaneOutput), 6u);
  EXPECT_EQ(panes.Line(kPaneOutput, 3, 4), "four");
  EXPECT_EQ(panes.Line(kPaneOutput, 99), "");
}

TEST(OutputPanesTest, EmptyingClearsTextAndCurrentLine) {
  OutputPanes panes;
  RecordingObserver observer;
  panes.SetObserver(&observer);
  EXPECT_FALSE(panes.ErrorCommandsEnabled());
  panes.Print(kPaneOutput, "a");
  panes.Print(kPaneOutput, "b");
  EXPECT_TRUE(panes.ErrorCommandsEnabled());
  panes.SetCurrentLine(kPaneOutput, 1);
  panes.Empty(kPaneOutput);
  EXPECT_TRUE(panes.IsEmpty(kPaneOutput));
  EXPECT_EQ(panes.LineCount(kPaneOutput), 0u);
  EXPECT_EQ(panes.CurrentLine(kPaneOutput), -1);
  EXPECT_FALSE(panes.ErrorCommandsEnabled());
  EXPECT_EQ(observer.events, (std::vector<std::string>{"append 0 a\r\n", "append 0 b\r\n",
                                                       "line 0 -1->1", "empty 0", "line 0 1->-1"}));

  // The commands follow the pane that is shown.
  panes.Print(kPaneDebug, "diagnostics");
  EXPECT_FALSE(panes.ErrorCommandsEnabled());
  panes.ShowPane(kPaneDebug);
  EXPECT_EQ(panes.CurrentPane(), kPaneDebug);
  EXPECT_TRUE(panes.ErrorCommandsEnabled());
  panes.Clear();
  EXPECT_TRUE(panes.IsEmpty(kPaneDebug));
  EXPECT_FALSE(panes.ErrorCommandsEnabled());
  panes.ShowPane(-1);
  panes.ShowPane(7);
  EXPECT_EQ(panes.CurrentPane(), kPaneDebug);
  EXPECT_EQ(observer.events.back(), "show -1");
}

TEST(OutputPanesTest, OnlyTheFirstTwoPanesHaveACurrentLine) {
  OutputPanes panes;
  for (int pane = 0; pane < kPaneCount; ++pane) panes.AppendRaw(pane, "a\nb\nc\n");
  panes.SetCurrentLine(kPaneFindInFiles, 2);
  EXPECT_EQ(panes.CurrentLine(kPaneFindInFiles), 2);
  panes.SetCurrentLine(kPaneFindInFiles, 3);  // past the end: none
  EXPECT_EQ(panes.CurrentLine(kPaneFindInFiles), -1);
  panes.SetCurrentLine(kPaneDebug, 1);
  EXPECT_EQ(panes.CurrentLine(kPaneDebug), -1);
}

TEST(OutputPanesTest, AFullPaneDropsItsOldestLines) {
  OutputPanes panes(200);
  RecordingObserver observer;
  panes.SetObserver(&observer);
  for (int i = 0; i < 10; ++i) panes.Printf(kPaneOutput, "line %02d .......", i);  // 17 bytes
  panes.SetCurrentLine(kPaneOutput, 5);
  observer.events.clear();
  for (int i = 10; i < 13; ++i) panes.Printf(kPaneOutput, "line %02d .......", i);
  // The twelfth line makes 204 bytes: whole lines go until at most 150 are
  // left (four lines), and the current line moves with its text.
  const std::vector<std::string> lines = LinesOf(panes, kPaneOutput);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines.front(), "line 04 .......");
  EXPECT_EQ(lines.back(), "line 12 .......");
  EXPECT_EQ(panes.CurrentLine(kPaneOutput), 1);
  EXPECT_EQ(observer.events[2], "drop 0 68");
  EXPECT_EQ(observer.events[3], "line 0 5->1");
  // A current line that is dropped becomes none.
  panes.SetCurrentLine(kPaneOutput, 0);
  for (int i = 13; i < 17; ++i) panes.Printf(kPaneOutput, "line %02d .......", i);
  EXPECT_EQ(panes.CurrentLine(kPaneOutput), -1);

  // One line longer than the limit keeps its end.
  panes.AppendRaw(kPaneFindInFiles, std::string(150, 'a') + std::string(100, 'b'));
  EXPECT_EQ(panes.Text(kPaneFindInFiles), std::string(50, 'a') + std::string(100, 'b'));
  EXPECT_EQ(panes.LineCount(kPaneFindInFiles), 1u);
  panes.AppendRaw(kPaneFindInFiles, "\nnext");
  EXPECT_EQ(panes.Line(kPaneFindInFiles, 1), "next");
}

TEST(OutputPanesTest, TheRequestEnginesOutputLandsInThePanes) {
  OutputPanes panes;
  remote::OutputWriter& writer = panes;
  writer.WriteLine(kPaneOutput, ">> Command 'cc x.c'");
  writer.WriteOutput(kPaneOutput, std::string("x.c:1: bad\0\n", 12));
  writer.WriteOutput(kPaneFindInFiles, "/src/x.c(1): bad\n");
  writer.WriteOutput(remote::kPaneCommandLine, "not ours\n");
  EXPECT_EQ(panes.Text(kPaneOutput), ">> Command 'cc x.c'\r\nx.c:1: bad\1\n");
  EXPECT_EQ(panes.Text(kPaneFindInFiles), "/src/x.c(1): bad\n");
}

TEST(OutputPanesTest, WritersOnOtherThreadsLoseNothing) {
  OutputPanes panes;
  constexpr int kWriters = 4;
  constexpr int kLines = 500;
  std::atomic<int> finished{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < kWriters; ++t) {
    writers.emplace_back([&panes, &finished, t] {
      for (int i = 0; i < kLines; ++i) panes.Printf(kPaneOutput, "writer %d line %d", t, i);
      ++finished;
    });
  }
  // Readers see whole lines only, never one half written nor two run
  // together: each line is exactly one a writer printed, and each writer's
  // lines come in the order it printed them, none missing.
  std::string broken;
  const auto check = [&broken](const LineSource& lines) {
    std::array<int, kWriters> next{};
    for (std::size_t i = 0; i < lines.LineCount() && broken.empty(); ++i) {
      const std::string line(lines.Line(i));
      int writer = -1;
      int number = -1;
      if (std::sscanf(line.c_str(), "writer %d line %d", &writer, &number) != 2 || writer < 0 ||
          writer >= kWriters || number != next[static_cast<std::size_t>(writer)]++ ||
          line != fmt::format("writer {} line {}", writer, number)) {
        broken = "line " + std::to_string(i) + ": '" + line + "'";
      }
    }
    return lines.LineCount();
  };
  std::size_t seen = 0;
  while (broken.empty() && seen < kWriters * kLines && finished < kWriters) {
    seen = panes.ReadLines(kPaneOutput, check);
  }
  for (auto& writer : writers) writer.join();
  panes.ReadLines(kPaneOutput, check);
  EXPECT_EQ(broken, "");
  EXPECT_EQ(panes.LineCount(kPaneOutput), 2000u);
  // Each with its own line end.
  std::string joined;
  for (std::size_t i = 0; i < panes.LineCount(kPaneOutput); ++i)
    joined += panes.Line(kPaneOutput, i) + "\r\n";
  EXPECT_EQ(panes.Text(kPaneOutput), joined);
}

TEST(EscapeToHideTest, TwoPressesFarEnoughApartButNotTooFarHide) {
  using namespace std::chrono_literals;
  EscapeToHide escape;
  const auto t0 = EscapeToHide::Clock::time_point{} + 1h;
  EXPECT_FALSE(escape.Press(t0));
  EXPECT_TRUE(escape.Press(t0 + 200ms));
  // The pair is used up: a third press starts a new one.
  EXPECT_FALSE(escape.Press(t0 + 400ms));
  // Too close together (a bounce) or too far apart do not hide.
  EXPECT_FALSE(escape.Press(t0 + 403ms));
  EXPECT_FALSE(escape.Press(t0 + 6s));
  EXPECT_TRUE(escape.Press(t0 + 6s + 4999ms));
}

}  // namespace
}  // namespace vandrel::project
