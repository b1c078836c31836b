#include "editor/control_document.h"

#include <algorithm>

namespace vandrel {

LoadOutcome ControlDocument::Load(const LoadRequest& request) {
  return ReadLoadRequest(request, lines_);
}

LoadOutcome ControlDocument::LoadData(std::span<const std::uint8_t> data,
                                      const LoadRequest& request) {
  return ReadLoadData(data, request, lines_);
}

SaveOutcome ControlDocument::Save(std::string_view text, const SaveRequest& request) const {
  return WriteSaveRequest(text, request, lines_, Settings());
}

SaveOutcome ControlDocument::Save(std::string_view text, const SaveRequest& request,
                                  ByteSink& sink) const {
  return WriteLines(text, request, lines_, Settings(), sink);
}

bool ControlDocument::WriteText(std::string_view text, int fd) const {
  FdSink sink(fd);
  return fd >= 0 && WritePlainText(text, sink);
}

LongestLine ControlDocument::MeasureLongestLine(std::string_view text, bool tabsAsSpaces) const {
  return vandrel::MeasureLongestLine(text, tabsAsSpaces, tabs_);
}

void ControlDocument::SetTokenText(std::string_view text) {
  tokenText_.assign(text.substr(0, kMaxTokenTextLength));
}

void ControlDocument::SetTabPositions(std::int32_t count, const std::int32_t* positions) {
  tabs_.positions.clear();
  for (std::int32_t i = 0; positions != nullptr && i < count; ++i) {
    if (positions[i] > 0) tabs_.positions.push_back(positions[i]);
  }
  std::sort(tabs_.positions.begin(), tabs_.positions.end());
}

bool ControlDocument::SetNumbering(const NumberingDescription* description) {
  LineNumbering numbering;
  if (description != nullptr) {
    numbering.mode =
        description->mode == kNumberingKeep ? NumberingMode::kKept : NumberingMode::kRegenerated;
    // The description carries the document's numbering position - 1; numbers
    // at the end begin at 0-based column position.
    constexpr std::int32_t kWidestColumn = 0xFFFF;
    if (description->position < 0 || description->position > kWidestColumn) {
      numbering.column = -1;
    } else {
      numbering.column = description->position == 0 ? 0 : description->position + 1;
    }
    numbering.digits = description->digits;
    numbering.start = description->start;
    numbering.increment = description->increment;
  }
  if (!lines_.SetNumbering(numbering)) return false;
  if (description != nullptr) lines_.SetTokens(description->cobol == 1);
  return true;
}

}  // namespace vandrel
