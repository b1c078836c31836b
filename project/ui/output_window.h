// The output window: the three output panes as tabs below read-only text
// views. The panes are written from the request engine's worker thread; the
// window hears of every change as an observer, queues the news and applies
// it on its own thread in order, a slice at a time, so the interface stays
// responsive under heavy output. Each view mirrors its pane line for line,
// so a view's block number is the pane's line index.
#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "project/output_panes.h"

class QPlainTextEdit;
class QTabWidget;

namespace vandrel {
struct AppSettings;
}

namespace vandrel::ui {

class OutputWindow : public QWidget, public project::OutputPanesObserver {
  Q_OBJECT

 public:
  // Shows what the panes already hold and becomes their observer (replacing
  // any other). Make it before other threads start writing to the panes;
  // `panes` must outlive the window.
  explicit OutputWindow(project::OutputPanes& panes, QWidget* parent = nullptr);
  ~OutputWindow() override;

  // The pane of the selected tab.
  int CurrentPane() const;
  // The text view of a pane (0 to 2).
  QPlainTextEdit* PaneView(int pane) const;
  QTabWidget* tabs() const { return tabs_; }

  // EditorFont and EditorFontSize, TextColor and BackgroundColor, the
  // current-line colours (ErrorColor and ErrorTextColor for "Output",
  // JumpTagColor and JumpTagTextColor for "Find in Files"), and the "Debug"
  // tab, shown only while Debugging is on. Call again when settings change.
  void ApplySettings(const AppSettings& settings);
  bool DebugTabShown() const;

  // The pane commands, on the current pane.
  void Copy();
  void SelectAll();
  void Clear();  // empties the current pane in the model
  // The escape command: the second press of a pair, more than 5 ms and less
  // than 5 s apart, emits hideRequested.
  void EscapePressed();

  // Applies every queued change now (normally done from the event loop).
  void Flush();

  // project::OutputPanesObserver: called with the panes locked, possibly on
  // another thread; only queues.
  void TextAppended(int pane, std::string_view bytes) override;
  void PaneEmptied(int pane) override;
  void FrontDropped(int pane, std::size_t bytes) override;
  void CurrentLineChanged(int pane, std::int64_t oldLine, std::int64_t newLine) override;
  void PaneShown(int pane) override;

 signals:
  // A double click on line `line` of `pane`.
  void lineActivated(int pane, std::int64_t line);
  // The panes asked for `pane`'s tab to be selected and the window shown
  // (-1: the current pane takes the focus); the tab is already selected.
  void paneShown(int pane);
  // Escape was pressed twice.
  void hideRequested();
  // The pane's text changed (appended, emptied or cut at the front): the
  // next and previous error commands depend on the current pane's text.
  void paneTextChanged(int pane);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Event {
    enum Kind { kAppend, kEmpty, kDrop, kCurrentLine, kShown };
    Kind kind = kAppend;
    int pane = 0;
    std::string bytes;      // kAppend
    std::size_t done = 0;   // kAppend: bytes already applied
    std::size_t count = 0;  // kDrop: bytes dropped
    std::int64_t oldLine = -1;
    std::int64_t newLine = -1;
  };

  // A view's mirror of its pane's line structure.
  struct View {
    QPlainTextEdit* edit = nullptr;
    std::size_t lines = 0;             // the pane's line count
    bool lastOpen = false;             // the last line has no line end yet
    bool pendingCr = false;            // a "\n" coming next ends nothing
    std::uint64_t end = 0;             // bytes appended since the pane was emptied
    std::deque<std::uint64_t> starts;  // where each line starts, counted as `end`
    std::int64_t currentLine = -1;
    std::size_t droppedLines = 0;  // by the last drop, for the current-line move after it
    bool caretMoved = false;       // to the current line, in this slice
    bool changed = false;          // the text changed in this slice
    QString pending;               // converted text not yet in the view
    QColor lineBack;
    QColor lineText;
  };

  static Event MakeEvent(Event::Kind kind, int pane);
  void Post(Event event);
  void Drain();
  void Apply(Event& event);
  void AppendBytes(View& view, std::string_view bytes);
  void FlushPending(View& view);
  void EmptyView(View& view);
  void DropFront(View& view, std::size_t bytes);
  void SetCurrentLine(int pane, std::int64_t line, bool moveCaret);
  void Highlight(View& view);
  void ShowPaneTab(int pane);
  int PaneOfTab(int index) const;
  void ShowContextMenu(int pane, const QPoint& position);

  project::OutputPanes& panes_;
  QTabWidget* tabs_;
  std::array<View, project::kPaneCount> views_;
  bool debugTab_ = true;
  project::EscapeToHide escape_;

  std::mutex queueMutex_;
  std::deque<Event> queue_;
  bool drainPosted_ = false;
  bool applyingShown_ = false;  // a tab selected for the panes is not echoed back to them
};

}  // namespace vandrel::ui
