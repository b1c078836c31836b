#include "shell/frame_command_line.h"

#include <fmt/printf.h>

#include <vector>

#include "editor/ui/command_line_window.h"
#include "project/output_panes.h"
#include "remote/request_block.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_host_view.h"

namespace vandrel::shell {

namespace {

// Output waiting for the window keeps at most what the window would keep.
constexpr std::size_t kCollectedLimit = ui::kCommandLineKeepChars;

}  // namespace

CommandLineOutput::CommandLineOutput(project::OutputPanes& panes, QObject* parent)
    : QObject(parent), panes_(panes) {}

void CommandLineOutput::BeginCommand(ui::CommandLineWindow* window,
                                     std::optional<CharacterTable> table) {
  window_ = window;
  std::lock_guard lock(mutex_);
  table_ = std::move(table);
}

void CommandLineOutput::WriteOutput(int pane, std::string_view bytes) {
  if (pane != remote::kPaneCommandLine) {
    panes_.WriteOutput(pane, bytes);
    return;
  }
  if (bytes.empty()) return;
  std::optional<CharacterTable> table;
  {
    std::lock_guard lock(mutex_);
    table = table_;
  }
  Item item;
  item.text = project::PrepareRawOutput(bytes, table ? &*table : nullptr);
  Post(std::move(item));
}

// The window writes what it is given itself; echo lines are the panes'.
void CommandLineOutput::WriteLine(int pane, std::string_view line) {
  if (pane != remote::kPaneCommandLine) panes_.WriteLine(pane, line);
}

void CommandLineOutput::CommandCompleted(std::string agentError) {
  Item item;
  item.text = std::move(agentError);
  item.end = true;
  Post(std::move(item));
}

void CommandLineOutput::Post(Item item) {
  std::lock_guard lock(mutex_);
  if (!item.end) collected_ += item.text.size();
  queue_.push_back(std::move(item));
  DropCollectedFront();
  if (!drainPosted_) {
    drainPosted_ = true;
    QMetaObject::invokeMethod(this, &CommandLineOutput::Drain, Qt::QueuedConnection);
  }
}

// Output the window has not taken yet and would not keep anyway goes from
// the front, whole blocks at a time down to three quarters of the limit,
// then up to the next line start; the ends of commands stay.
void CommandLineOutput::DropCollectedFront() {
  if (collected_ <= kCollectedLimit) return;
  const std::size_t target = kCollectedLimit * 3 / 4;
  auto it = queue_.begin();
  while (it != queue_.end() && collected_ > target) {
    if (it->end) {
      ++it;
      continue;
    }
    collected_ -= it->text.size();
    it = queue_.erase(it);
  }
  for (; it != queue_.end(); ++it) {
    if (it->end) continue;
    const std::size_t lineEnd = it->text.find('\n');
    if (lineEnd != std::string::npos) {
      collected_ -= lineEnd + 1;
      it->text.erase(0, lineEnd + 1);
    }
    break;
  }
}

void CommandLineOutput::Flush() {
  while (DrainSlice()) {
  }
}

// Slices for one turn of the event loop, then the rest in a later turn.
void CommandLineOutput::Drain() {
  const auto until = std::chrono::steady_clock::now() + kCommandLineTurn;
  bool more = true;
  while (more && std::chrono::steady_clock::now() < until) more = DrainSlice();
  std::lock_guard lock(mutex_);
  drainPosted_ = !queue_.empty();
  if (drainPosted_) {
    QMetaObject::invokeMethod(this, &CommandLineOutput::Drain, Qt::QueuedConnection);
  }
}

// One slice: blocks of output up to kCommandLineSlice bytes (at least one
// block), and the ends that come within them.
bool CommandLineOutput::DrainSlice() {
  std::vector<Item> slice;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    std::size_t taken = 0;
    while (!queue_.empty() &&
           (slice.empty() || taken + queue_.front().text.size() <= kCommandLineSlice)) {
      Item& front = queue_.front();
      if (!front.end) {
        taken += front.text.size();
        collected_ -= front.text.size();
      }
      slice.push_back(std::move(front));
      queue_.pop_front();
    }
  }
  // Blocks of output that follow one another reach the window at once.
  std::string text;
  for (Item& item : slice) {
    if (!item.end) {
      text += item.text;
      continue;
    }
    if (window_ && !text.empty()) window_->AppendOutput(text);
    text.clear();
    // A window closed meanwhile takes nothing.
    if (!window_) continue;
    window_->Completed(item.text);
    if (completed_) completed_();
  }
  if (window_ && !text.empty()) window_->AppendOutput(text);
  return true;
}

bool FrameCommandRunner::Run(const std::string& commandLine) {
  if (!host_.connected()) return false;
  output_.BeginCommand(window_(), table_());
  remote::RequestBlock request;
  request.kind = remote::kRequestRunCommand;
  request.pane = remote::kPaneCommandLine;
  request.commandLine = commandLine;
  // On the worker, or on the thread that cancelled the request.
  request.completion = [host = &host_, output = &output_](remote::RequestBlock& done) {
    std::string agentError;
    if (done.status == remote::kStatusAgentError) {
      agentError = !done.errorText.empty()
                       ? done.errorText
                       : fmt::sprintf("Error %ld", static_cast<long>(done.errorNumber));
    } else if (done.status != remote::kStatusSuccess) {
      // Stop is no failure: the error report leaves it out.
      host->ReportFailure(done, __FILE__, __LINE__);
    }
    output->CommandCompleted(std::move(agentError));
  };
  view_.SetBusy(true);
  host_.worker().Post(request);
  return true;
}

}  // namespace vandrel::shell
