#include "project/ui/output_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/app_settings.h"
#include "support/event_wait.h"

namespace vandrel::ui {
namespace {

using project::OutputPanes;
using vandrel::testing::WaitFor;

// The view holds exactly the pane's lines, one block each.
void ExpectMirrors(const OutputWindow& window, const OutputPanes& panes, int pane) {
  const QTextDocument* document = window.PaneView(pane)->document();
  const std::size_t lines = panes.LineCount(pane);
  if (lines == 0) {
    EXPECT_TRUE(document->isEmpty()) << "pane " << pane;
    return;
  }
  ASSERT_EQ(static_cast<std::size_t>(document->blockCount()), lines) << "pane " << pane;
  for (std::size_t i = 0; i < lines; ++i) {
    EXPECT_EQ(document->findBlockByNumber(static_cast<int>(i)).text().toLatin1().toStdString(),
              panes.Line(pane, i))
        << "pane " << pane << " line " << i;
  }
}

// The highlighted line of a pane's view, -1 for none.
int HighlightedLine(const OutputWindow& window, int pane, QColor* background = nullptr) {
  const QList<QTextEdit::ExtraSelection> selections = window.PaneView(pane)->extraSelections();
  if (selections.isEmpty()) return -1;
  if (background) *background = selections.first().format.background().color();
  return selections.first().cursor.blockNumber();
}

TEST(OutputWindow, ShowsWhatThePanesHeldAndTheTabTitles) {
  OutputPanes panes;
  panes.Print(0, "first");
  panes.AppendRaw(0, "open");
  panes.ShowPane(1);
  OutputWindow window(panes);
  ExpectMirrors(window, panes, 0);
  EXPECT_EQ(window.CurrentPane(), 1);
  QTabWidget* tabs = window.tabs();
  ASSERT_EQ(tabs->count(), 2);  // "Debug" only while debugging
  EXPECT_EQ(tabs->tabText(0), "Output");
  EXPECT_EQ(tabs->tabText(1), "Find in Files");
  EXPECT_TRUE(window.PaneView(0)->isReadOnly());
  EXPECT_TRUE(window.PaneView(0)->font().fixedPitch());

  // The open line goes on where it stopped.
  panes.AppendRaw(0, "ed\r\nnext");
  window.Flush();
  ExpectMirrors(window, panes, 0);
  EXPECT_EQ(panes.Line(0, 1), "opened");
}

TEST(OutputWindow, OutputFromAnotherThreadArrivesInOrder) {
  OutputPanes panes;
  OutputWindow window(panes);
  constexpr int kLines = 3000;
  std::thread writer([&] {
    for (int i = 0; i < kLines; ++i) {
      if (i % 3 == 0) {
        panes.Printf(0, "line %d", i);
      } else {
        // Raw blocks that split lines and "\r\n" pairs anywhere.
        const std::string text = "line " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
        const std::size_t half = text.size() - 1;
        panes.AppendRaw(0, text.substr(0, half));
        panes.AppendRaw(0, text.substr(half));
      }
    }
  });
  ASSERT_TRUE(WaitFor([&] { return window.PaneView(0)->document()->blockCount() >= kLines; }));
  writer.join();
  window.Flush();
  ASSERT_EQ(panes.LineCount(0), static_cast<std::size_t>(kLines));
  ExpectMirrors(window, panes, 0);
  EXPECT_EQ(window.PaneView(0)->document()->findBlockByNumber(kLines - 1).text(),
            QString("line %1").arg(kLines - 1));
}

TEST(OutputWindow, LineEndsSplitLikeThePanes) {
  OutputPanes panes;
  OutputWindow window(panes);
  const char* blocks[] = {"a\r", "\nb\rc\n", "\n", "\r", "\r\n", "d", "e\r", "f", "\n\n"};
  for (const char* block : blocks) {
    panes.AppendRaw(1, block);
    window.Flush();
    ExpectMirrors(window, panes, 1);
  }
  panes.Empty(1);
  window.Flush();
  ExpectMirrors(window, panes, 1);
  panes.AppendRaw(1, std::string_view("x\0y", 3));
  window.Flush();
  ExpectMirrors(window, panes, 1);
}

TEST(OutputWindow, PaneSwitching) {
  OutputPanes panes;
  OutputWindow window(panes);
  std::vector<int> shown;
  QObject::connect(&window, &OutputWindow::paneShown, [&](int pane) { shown.push_back(pane); });

  panes.ShowPane(1);
  window.Flush();
  EXPECT_EQ(window.CurrentPane(), 1);
  EXPECT_EQ(shown, std::vector<int>{1});

  // The user's choice of tab becomes the panes' current pane.
  window.tabs()->setCurrentIndex(0);
  EXPECT_EQ(panes.CurrentPane(), 0);
  window.Flush();
  EXPECT_EQ(window.CurrentPane(), 0);

  // Quick changes settle on the last one without echoing back and forth.
  window.tabs()->setCurrentIndex(1);
  window.tabs()->setCurrentIndex(0);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  const std::size_t settled = shown.size();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(shown.size(), settled);
  EXPECT_EQ(window.CurrentPane(), 0);
  EXPECT_EQ(panes.CurrentPane(), 0);

  // "Debug" has no tab until debugging is on.
  panes.ShowPane(2);
  window.Flush();
  EXPECT_EQ(window.CurrentPane(), 0);
  AppSettings settings;
  settings.Debugging = 1;
  window.ApplySettings(settings);
  ASSERT_EQ(window.tabs()->count(), 3);
  EXPECT_EQ(window.tabs()->tabText(2), "Debug");
  panes.ShowPane(2);
  window.Flush();
  EXPECT_EQ(window.CurrentPane(), 2);
  settings.Debugging = 0;
  window.ApplySettings(settings);
  EXPECT_EQ(window.tabs()->count(), 2);
  EXPECT_EQ(window.CurrentPane(), 0);
  EXPECT_EQ(panes.CurrentPane(), 0);
}

TEST(OutputWindow, CurrentLineIsHighlightedInThePaneColours) {
  OutputPanes panes;
  AppSettings settings;
  settings.ErrorColor = Rgb(200, 0, 0);
  settings.JumpTagColor = Rgb(0, 0, 200);
  OutputWindow window(panes);
  window.ApplySettings(settings);
  for (int i = 0; i < 5; ++i) {
    panes.Printf(0, "error %d", i);
    panes.Printf(1, "/x/f.c(%d): hit", i);
  }
  panes.SetCurrentLine(0, 3);
  panes.SetCurrentLine(1, 1);
  window.Flush();
  QColor colour;
  EXPECT_EQ(HighlightedLine(window, 0, &colour), 3);
  EXPECT_EQ(colour, QColor(200, 0, 0));
  EXPECT_EQ(window.PaneView(0)->textCursor().blockNumber(), 3);
  EXPECT_EQ(HighlightedLine(window, 1, &colour), 1);
  EXPECT_EQ(colour, QColor(0, 0, 200));

  // More output keeps the highlight on its line.
  panes.Print(0, "more");
  window.Flush();
  EXPECT_EQ(HighlightedLine(window, 0), 3);

  panes.SetCurrentLine(0, -1);
  window.Flush();
  EXPECT_EQ(HighlightedLine(window, 0), -1);
  panes.SetCurrentLine(1, 4);
  panes.Empty(1);
  window.Flush();
  EXPECT_EQ(HighlightedLine(window, 1), -1);
  ExpectMirrors(window, panes, 1);
}

TEST(OutputWindow, DoubleClickGivesTheLine) {
  OutputPanes panes;
  OutputWindow window(panes);
  window.resize(400, 300);
  window.show();
  for (int i = 0; i < 6; ++i) panes.Printf(0, "main.c(%d): bad", i);
  window.Flush();
  std::vector<std::pair<int, std::int64_t>> activated;
  QObject::connect(&window, &OutputWindow::lineActivated,
                   [&](int pane, std::int64_t line) { activated.emplace_back(pane, line); });

  QPlainTextEdit* view = window.PaneView(0);
  const QTextBlock block = view->document()->findBlockByNumber(4);
  const QPoint at = view->cursorRect(QTextCursor(block)).center() + QPoint(4, 0);
  QMouseEvent click(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &click);
  ASSERT_EQ(activated.size(), 1u);
  EXPECT_EQ(activated[0], std::make_pair(0, std::int64_t{4}));
  EXPECT_EQ(panes.CurrentLine(0), -1);  // the click itself highlights nothing
}

TEST(OutputWindow, DroppingTheFrontKeepsTheViewInStep) {
  OutputPanes panes(120);
  OutputWindow window(panes);
  for (int i = 0; i < 40; ++i) {
    panes.Printf(0, "line %02d", i);
    if (i == 8) panes.SetCurrentLine(0, 7);
    if (i % 5 == 0) window.Flush();  // drops both while queued and after
  }
  window.Flush();
  ExpectMirrors(window, panes, 0);
  EXPECT_LE(panes.Text(0).size(), 120u);
  EXPECT_EQ(panes.Line(0, panes.LineCount(0) - 1), "line 39");
  EXPECT_EQ(HighlightedLine(window, 0), -1);  // "line 07" is gone

  panes.SetCurrentLine(0, 2);
  const std::string highlighted = panes.Line(0, 2);
  panes.Print(0, "x");
  panes.Print(0, "y");
  window.Flush();
  ExpectMirrors(window, panes, 0);
  const std::int64_t current = panes.CurrentLine(0);
  EXPECT_EQ(HighlightedLine(window, 0), current);
  if (current >= 0) {
    EXPECT_EQ(panes.Line(0, static_cast<std::size_t>(current)), highlighted);
  }

  // One line longer than the limit keeps only its end.
  panes.AppendRaw(0, std::string(150, 'z'));
  panes.AppendRaw(0, std::string(100, 'w'));
  window.Flush();
  ExpectMirrors(window, panes, 0);
  panes.AppendRaw(0, "\r\nafter\r");
  panes.AppendRaw(0, "\n");
  window.Flush();
  ExpectMirrors(window, panes, 0);
}

TEST(OutputWindow, LargeOutputIsAppliedInSlices) {
  OutputPanes panes;
  OutputWindow window(panes);
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "some compiler output line " + std::to_string(i) + "\n";
  panes.AppendRaw(0, big);
  // One turn of the event loop applies a part only.
  QCoreApplication::processEvents();
  EXPECT_LT(window.PaneView(0)->document()->blockCount(), 100000);
  ASSERT_TRUE(WaitFor([&] { return window.PaneView(0)->document()->blockCount() == 100000; }));
  EXPECT_EQ(window.PaneView(0)->document()->lastBlock().text(), "some compiler output line 99999");
}

TEST(OutputWindow, ClearEmptiesTheCurrentPaneAndEscapeTwiceAsksToHide) {
  OutputPanes panes;
  OutputWindow window(panes);
  std::vector<int> changed;
  QObject::connect(&window, &OutputWindow::paneTextChanged,
                   [&](int pane) { changed.push_back(pane); });
  panes.Print(0, "a");
  panes.Print(1, "b");
  window.Flush();
  EXPECT_EQ(changed, (std::vector<int>{0, 1}));
  changed.clear();
  window.Clear();
  window.Flush();
  EXPECT_EQ(changed, std::vector<int>{0});
  EXPECT_TRUE(panes.IsEmpty(0));
  EXPECT_FALSE(panes.IsEmpty(1));
  ExpectMirrors(window, panes, 0);

  int hides = 0;
  QObject::connect(&window, &OutputWindow::hideRequested, [&] { ++hides; });
  window.EscapePressed();
  EXPECT_EQ(hides, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  window.EscapePressed();
  EXPECT_EQ(hides, 1);
}

}  // namespace
}  // namespace vandrel::ui
