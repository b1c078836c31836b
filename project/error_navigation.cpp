#include "project/error_navigation.h"

#include <algorithm>
#include <utility>

#include "project/find_results.h"
#include "remote/output_writer.h"

namespace vandrel::project {

namespace {

// Calls `test` on the lines of a search in their order until it returns
// true; that line, or nothing.
template <typename Test>
std::optional<std::size_t> Search(std::size_t count, std::int64_t current,
                                  const FindErrorRequest& request, Test&& test) {
  if (count == 0) return std::nullopt;
  const auto last = static_cast<std::int64_t>(count) - 1;
  if (current > last) current = -1;
  auto tryRange = [&](std::int64_t from, std::int64_t to, int step) -> std::optional<std::size_t> {
    for (std::int64_t line = from; step > 0 ? line <= to : line >= to; line += step) {
      if (test(static_cast<std::size_t>(line))) return static_cast<std::size_t>(line);
    }
    return std::nullopt;
  };
  const bool forward = request.direction == SearchDirection::kForward;
  switch (request.start) {
    case SearchStart::kClickedLine:
      if (request.clickedLine >= count) return std::nullopt;
      return test(request.clickedLine) ? std::optional(request.clickedLine) : std::nullopt;
    case SearchStart::kFromTop:
      return forward ? tryRange(0, last, 1) : tryRange(last, 0, -1);
    case SearchStart::kAfterCurrent:
      break;
  }
  if (forward) {
    // From the line after the current one to the end, then from the top up
    // to the line before it: the current line is not tested again.
    const std::int64_t start = current + 1;
    if (auto found = tryRange(start, last, 1)) return found;
    return tryRange(0, current - 1, 1);
  }
  // From the line before the current one up to the top, then from the end
  // down to the current line: a lone error that is current is found again.
  const std::int64_t start = current >= 0 ? current - 1 : 0;
  if (auto found = tryRange(start, 0, -1)) return found;
  return tryRange(last, start + 1, -1);
}

}  // namespace

ErrorNavigator::ErrorNavigator(OutputPanes& panes, ErrorJumpTarget& target, OutputSounds* sounds)
    : panes_(panes), target_(target), sounds_(sounds) {}

void ErrorNavigator::Beep() {
  if (sounds_ != nullptr) sounds_->DefaultBeep();
}

std::optional<FoundError> ErrorNavigator::FindError(int pane, const FindErrorRequest& request) {
  if (pane == remote::kPaneDebug) {
    Beep();
    return std::nullopt;
  }
  if (pane != remote::kPaneOutput && pane != remote::kPaneFindInFiles) return std::nullopt;
  const std::int64_t current = panes_.CurrentLine(pane);

  std::optional<FoundError> found;
  if (pane == remote::kPaneOutput) {
    if (maskList_.empty()) return std::nullopt;
    const std::vector<std::string> masks = ResolveMasks(maskList_, catalogue_);
    found = panes_.ReadLines(pane, [&](const LineSource& lines) -> std::optional<FoundError> {
      ErrorScanner scanner(lines, masks, context_);
      std::optional<MaskMatch> match;
      const auto line = Search(lines.LineCount(), current, request, [&](std::size_t index) {
        match = scanner.MatchLine(index);
        return match.has_value();
      });
      if (!line) return std::nullopt;
      FoundError error;
      error.pane = pane;
      error.lineIndex = *line;
      error.fileName = std::move(match->fileName);
      error.place.line = match->line;
      error.place.mark = match->physicalLine ? kMarkError : kMarkErrorLineNumber;
      return error;
    });
  } else {
    found = panes_.ReadLines(pane, [&](const LineSource& lines) -> std::optional<FoundError> {
      std::optional<FindResult> result;
      const auto line = Search(lines.LineCount(), current, request, [&](std::size_t index) {
        const std::string_view text = lines.Line(index);
        result = ReadFindResult(text.substr(0, std::min(text.size(), kTestedLineLimit)));
        return result.has_value();
      });
      if (!line) return std::nullopt;
      FoundError error;
      error.pane = pane;
      error.lineIndex = *line;
      error.fileName = std::move(result->fileName);
      error.place.line = result->line;
      error.place.mark = kMarkTag;
      error.place.section = std::move(result->section);
      return error;
    });
  }
  if (!found) return std::nullopt;
  return GoTo(std::move(*found), request);
}

std::optional<FoundError> ErrorNavigator::GoTo(FoundError found, const FindErrorRequest& request) {
  const bool clicked = request.start == SearchStart::kClickedLine;
  auto highlight = [&] {
    if (!clicked) panes_.SetCurrentLine(found.pane, static_cast<std::int64_t>(found.lineIndex));
  };
  // An error line that names no file can only be shown.
  if (found.pane == remote::kPaneOutput && found.fileName.empty()) {
    found.outcome = JumpOutcome::kHighlighted;
    highlight();
    return found;
  }
  if (found.pane == remote::kPaneOutput && found.fileName.find('/') == std::string::npos) {
    if (std::optional<std::string> path = target_.FindItemPath(found.fileName)) {
      found.fileName = std::move(*path);
    }
  }
  if (request.highlightOnly) {
    found.outcome = JumpOutcome::kHighlighted;
    highlight();
    return found;
  }
  if (!request.jumpWhileBusy && target_.RequestsPending()) {
    Beep();
    found.outcome = JumpOutcome::kBusy;
    return found;
  }
  if (!target_.OpenProjectItem(found.fileName, found.place)) {
    target_.OpenFile(found.fileName, found.place);
  }
  found.outcome = JumpOutcome::kOpened;
  highlight();
  return found;
}

std::optional<FoundError> ErrorNavigator::NextError() {
  return FindError(panes_.CurrentPane(), {});
}

std::optional<FoundError> ErrorNavigator::PreviousError() {
  FindErrorRequest request;
  request.direction = SearchDirection::kBackward;
  return FindError(panes_.CurrentPane(), request);
}

std::optional<FoundError> ErrorNavigator::DoubleClick(int pane, std::size_t line) {
  if (pane != remote::kPaneOutput && pane != remote::kPaneFindInFiles) return std::nullopt;
  FindErrorRequest request;
  request.start = SearchStart::kClickedLine;
  request.clickedLine = line;
  return FindError(pane, request);
}

std::optional<FoundError> ErrorNavigator::SelectFirstError(bool jump) {
  FindErrorRequest request;
  request.start = SearchStart::kFromTop;
  request.highlightOnly = !jump;
  request.jumpWhileBusy = true;
  return FindError(remote::kPaneOutput, request);
}

std::size_t ErrorNavigator::CountErrors() const {
  if (maskList_.empty()) return 0;
  const std::vector<std::string> masks = ResolveMasks(maskList_, catalogue_);
  return panes_.ReadLines(remote::kPaneOutput, [&](const LineSource& lines) {
    return ErrorScanner(lines, masks, context_).CountErrors();
  });
}

}  // namespace vandrel::project
