#include "shell/frame_command_line.h"

#include <fmt/printf.h>

#include "editor/ui/command_line_window.h"
#include "project/output_panes.h"
#include "remote/request_block.h"
#include "shell/frame_host_connection.h"
#include "shell/frame_host_view.h"

namespace vandrel::shell {

namespace {

// Output waiting for the window keeps at most what the window would keep.
constexpr std::size_t kCollectedLimit = ui::kCommandLineKeepChars;

// Drops the front of `text` down to three quarters of the limit, at a line
// start when there is one.
void DropCollectedFront(std::string& text) {
  if (text.size() <= kCollectedLimit) return;
  std::size_t cut = text.size() - kCollectedLimit * 3 / 4;
  const std::size_t lineEnd = text.find('\n', cut);
  if (lineEnd != std::string::npos && lineEnd + 1 < text.size()) cut = lineEnd + 1;
  text.erase(0, cut);
}

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
  if (!item.end && !queue_.empty() && !queue_.back().end) {
    queue_.back().text += item.text;
    DropCollectedFront(queue_.back().text);
  } else {
    if (!item.end) DropCollectedFront(item.text);
    queue_.push_back(std::move(item));
  }
  if (!drainPosted_) {
    drainPosted_ = true;
    QMetaObject::invokeMethod(this, &CommandLineOutput::Drain, Qt::QueuedConnection);
  }
}

void CommandLineOutput::Flush() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
    }
    Drain();
  }
}

// One slice: at most kCommandLineSlice bytes of output, and the ends that
// come within it.
void CommandLineOutput::Drain() {
  std::deque<Item> slice;
  {
    std::lock_guard lock(mutex_);
    std::size_t budget = kCommandLineSlice;
    while (!queue_.empty() && budget > 0) {
      Item& front = queue_.front();
      if (!front.end && front.text.size() > budget) {
        // Cut after a line end when there is one in the slice, so lines
        // reach the window whole.
        std::size_t take = budget;
        const std::size_t lineEnd = front.text.rfind('\n', budget - 1);
        if (lineEnd != std::string::npos) take = lineEnd + 1;
        Item part;
        part.text.assign(front.text, 0, take);
        front.text.erase(0, take);
        slice.push_back(std::move(part));
        break;
      }
      budget -= std::min(budget, front.end ? std::size_t{1} : front.text.size());
      slice.push_back(std::move(front));
      queue_.pop_front();
    }
    drainPosted_ = !queue_.empty();
    if (drainPosted_) {
      QMetaObject::invokeMethod(this, &CommandLineOutput::Drain, Qt::QueuedConnection);
    }
  }
  for (Item& item : slice) {
    // A window closed meanwhile takes nothing.
    if (!window_) continue;
    if (item.end) {
      window_->Completed(item.text);
      if (completed_) completed_();
    } else {
      window_->AppendOutput(item.text);
    }
  }
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
