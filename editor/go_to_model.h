// The rules of the Go To dialog without its widgets: the five choices, what
// each shows and enables, how a line number typed in is read, and the
// identifier text a Reference search uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

enum class GoToChoice { kBookmark, kDefinition, kErrorTag, kLine, kReference };

struct GoToChoiceFacts {
  std::string prompt;        // "&Enter line number:"...
  std::string button;        // "&Next" or "&Go To"
  bool previous = false;     // "&Previous" is enabled
  bool identifiers = false;  // the input is the list of the navigator's identifiers
  bool number = false;       // the input is a number
  std::string help;          // empty for Line, which shows "Use physical line numbers"
};

// The choices in list order, from the string table ("Bookmark,Definition,...").
std::vector<std::string> GoToChoiceNames();
// What `choice` shows; `navigatorEntries` decides the help of Definition
// and Reference.
GoToChoiceFacts FactsOf(GoToChoice choice, std::size_t navigatorEntries);

// A line request: the value and the go-to flags to send.
struct GoToLineRequest {
  std::int64_t value = 0;
  std::uint32_t flags = 0;
};
// The Line choice's input: with `physical`, a whole number or a decimal
// number read in thousandths (3.2 is 3200; 0.0 names nothing) in the file's
// own numbering; otherwise a whole line number. None for anything else.
std::optional<GoToLineRequest> ReadLineInput(std::string_view text, bool physical);

// An identifier as a Reference search takes it: without leading "<I=...>"
// markers and leading "<T>" markers.
std::string_view ReferenceText(std::string_view entry);

}  // namespace vandrel
