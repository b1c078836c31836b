// The frame's side of the command line window: where its commands go (a
// run-command request for the window, queued on the connection's worker)
// and how their output comes back.
//
// Output is written by the request worker a block at a time. The worker
// never waits for the window: CommandLineOutput collects the blocks under a
// lock, and the user-interface thread takes them out a slice at a time, one
// slice per turn of the event loop, so the window stays responsive while a
// command prints megabytes. What is collected is bounded as well: beyond
// what the window keeps, the oldest lines are dropped before they are
// shown. A command's end is queued behind its output, so its prompt always
// follows the last of it.
#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "editor/command_line.h"
#include "remote/output_writer.h"

namespace vandrel::project {
class OutputPanes;
}
namespace vandrel::ui {
class CommandLineWindow;
}

namespace vandrel::shell {

class FrameHostConnection;
class FrameHostView;

// A command's output goes into the window in slices of at most this many
// bytes, and slices follow one another in one turn of the event loop only
// for as long as kCommandLineTurn lasts, so the window keeps answering while
// output floods in.
inline constexpr std::size_t kCommandLineSlice = 16 * 1024;
inline constexpr std::chrono::milliseconds kCommandLineTurn{20};

// The frame's output writer: the command line window's output (pane 255)
// to the window, every other pane to the output panes.
class CommandLineOutput final : public QObject, public remote::OutputWriter {
  Q_OBJECT

 public:
  explicit CommandLineOutput(project::OutputPanes& panes, QObject* parent = nullptr);

  // A command of `window` is about to be queued: its output goes there,
  // through `table` (user-interface thread).
  void BeginCommand(ui::CommandLineWindow* window, std::optional<CharacterTable> table);
  // The command has ended (any thread); `agentError` is the agent's error
  // text when it reported one. The window hears of it after its output.
  void CommandCompleted(std::string agentError);
  // Called on the user-interface thread once a command's end has reached
  // its window.
  void SetCompletionHandler(std::function<void()> handler) { completed_ = std::move(handler); }
  // Hands everything collected to the window now (user-interface thread).
  void Flush();

  // remote::OutputWriter (the request worker's thread).
  void WriteOutput(int pane, std::string_view bytes) override;
  void WriteLine(int pane, std::string_view line) override;

 private:
  struct Item {
    std::string text;  // output made ready for display
    bool end = false;  // the command's end, with its error text in `text`
  };
  void Post(Item item);
  void DropCollectedFront();  // with the lock held
  void Drain();
  // Takes one slice of what was collected and hands it to the window; false
  // when nothing was left.
  bool DrainSlice();

  project::OutputPanes& panes_;
  std::mutex mutex_;
  std::deque<Item> queue_;
  std::size_t collected_ = 0;  // bytes of output in the queue
  bool drainPosted_ = false;
  std::optional<CharacterTable> table_;
  QPointer<ui::CommandLineWindow> window_;  // user-interface thread only
  std::function<void()> completed_;
};

// The command line window's commands as run-command requests for the
// window, on the connection's queue; the frame is busy while they run.
class FrameCommandRunner final : public HostCommandRunner {
 public:
  FrameCommandRunner(FrameHostConnection& host, FrameHostView& view, CommandLineOutput& output,
                     std::function<ui::CommandLineWindow*()> window,
                     std::function<std::optional<CharacterTable>()> table)
      : host_(host),
        view_(view),
        output_(output),
        window_(std::move(window)),
        table_(std::move(table)) {}

  bool Run(const std::string& commandLine) override;
  std::optional<CharacterTable> CommandTable() override { return table_(); }

 private:
  FrameHostConnection& host_;
  FrameHostView& view_;
  CommandLineOutput& output_;
  std::function<ui::CommandLineWindow*()> window_;
  std::function<std::optional<CharacterTable>()> table_;
};

}  // namespace vandrel::shell
