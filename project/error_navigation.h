// Going from a line of the output window to the place it names: next and
// previous error (F4, Shift+F4), a double click on a line, the first error
// after a build, and counting the error lines of a build's output.
//
// Pane 0 lines are matched with the open project's output masks; pane 1
// lines are read as search results. What lies outside the output window –
// the project's items, the editors, the request queue – is reached through
// ErrorJumpTarget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/error_mask.h"
#include "project/output_panes.h"

namespace vandrel {
class TemplateCatalogue;
}

namespace vandrel::project {

// The marks an editor puts on the line it is sent to.
inline constexpr int kMarkTag = 2;               // a search result
inline constexpr int kMarkError = 4;             // an error at a physical line
inline constexpr int kMarkErrorLineNumber = 20;  // an error at a numbered line

struct JumpPlace {
  std::int64_t line = -1;
  int mark = kMarkError;
  std::string section;  // search results only; empty when none

  bool operator==(const JumpPlace&) const = default;
};

class ErrorJumpTarget {
 public:
  virtual ~ErrorJumpTarget() = default;
  // The full path of the item the open project's FindItem finds for `name`
  // (a bare name or a full path); nothing when none matches or no project is
  // open.
  virtual std::optional<std::string> FindItemPath(std::string_view name) = 0;
  // Opens the file through the project item that matches `name` (its Open
  // operation) and marks the line; false when no item matches.
  virtual bool OpenProjectItem(std::string_view name, const JumpPlace& place) = 0;
  // Opens the file by name in an editor and marks the line.
  virtual void OpenFile(std::string_view name, const JumpPlace& place) = 0;
  // Requests to the host are queued or running.
  virtual bool RequestsPending() = 0;
};

enum class SearchStart {
  kAfterCurrent,  // after (or before) the pane's current line, wrapping round
  kFromTop,       // every line once, from the first (or the last)
  kClickedLine,   // the double-clicked line only
};
enum class SearchDirection { kForward, kBackward };

struct FindErrorRequest {
  SearchStart start = SearchStart::kAfterCurrent;
  SearchDirection direction = SearchDirection::kForward;
  std::size_t clickedLine = 0;  // with kClickedLine
  bool highlightOnly = false;   // highlight the line, open nothing
  bool jumpWhileBusy = false;   // open the file even while requests are pending
};

enum class JumpOutcome {
  kOpened,       // the file was opened (and the line highlighted)
  kHighlighted,  // only the line was highlighted
  kBusy,         // requests were pending: beeped, nothing changed
};

struct FoundError {
  int pane = 0;
  std::size_t lineIndex = 0;
  std::string fileName;  // as opened: a project item's full path for a bare name
  JumpPlace place;
  JumpOutcome outcome = JumpOutcome::kHighlighted;
};

class ErrorNavigator {
 public:
  ErrorNavigator(OutputPanes& panes, ErrorJumpTarget& target, OutputSounds* sounds = nullptr);

  // The catalogue template names in the mask list are looked up in.
  void SetCatalogue(const TemplateCatalogue* catalogue) { catalogue_ = catalogue; }
  // The open project's output mask list; empty when no project is open.
  void SetMaskList(std::vector<std::string> entries) { maskList_ = std::move(entries); }
  const std::vector<std::string>& maskList() const { return maskList_; }
  void SetMaskContext(MaskContext context) { context_ = std::move(context); }

  // Finds the next error line of pane 0 or result line of pane 1 and goes to
  // it; nothing when there is none (or on pane 0 without masks). On pane 2
  // it only beeps.
  std::optional<FoundError> FindError(int pane, const FindErrorRequest& request);
  // F4 and Shift+F4 on the current pane.
  std::optional<FoundError> NextError();
  std::optional<FoundError> PreviousError();
  // A double click on line `line` of pane 0 or 1: goes to it when it is an
  // error or result line; the current line stays as it is.
  std::optional<FoundError> DoubleClick(int pane, std::size_t line);
  // The first error of pane 0 after a build: with `jump` the file is opened,
  // even while requests are still pending; without it the line is only
  // highlighted.
  std::optional<FoundError> SelectFirstError(bool jump);

  // The error lines of pane 0: 0 without masks.
  std::size_t CountErrors() const;

 private:
  std::optional<FoundError> GoTo(FoundError found, const FindErrorRequest& request);
  void Beep();

  OutputPanes& panes_;
  ErrorJumpTarget& target_;
  OutputSounds* sounds_;
  const TemplateCatalogue* catalogue_ = nullptr;
  std::vector<std::string> maskList_;
  MaskContext context_;
};

}  // namespace vandrel::project
