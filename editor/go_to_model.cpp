#include "editor/go_to_model.h"

#include <charconv>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "editor/control_messages.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

// The largest number a line request carries: past the longest file anyway.
constexpr std::int64_t kLargestNumber = 999999999;

std::optional<std::int64_t> WholeNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 12) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  for (const char c : digits) {
    if (!platform::IsAsciiDigit(c)) return std::nullopt;
  }
  return value;
}

}  // namespace

std::vector<std::string> GoToChoiceNames() {
  std::vector<std::string> names;
  const std::string list = LoadText(kStrGoToChoiceList);
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    if (comma > start) names.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return names;
}

GoToChoiceFacts FactsOf(GoToChoice choice, std::size_t navigatorEntries) {
  GoToChoiceFacts facts;
  const std::string empty = LoadText(kStrGoToNavigatorEmpty);
  switch (choice) {
    case GoToChoice::kBookmark:
      facts = {"&Enter bookmark name:",       "&Next", true, false, false,
               LoadText(kStrGoToHelpBookmark)};
      break;
    case GoToChoice::kDefinition:
      facts = {"&Enter identifier:",
               "&Go To",
               false,
               true,
               false,
               navigatorEntries ? LoadText(kStrGoToHelpDefinition) : empty};
      break;
    case GoToChoice::kErrorTag:
      facts = {"&Enter error/tag:", "&Next", true, false, false, LoadText(kStrGoToHelpErrorTag)};
      break;
    case GoToChoice::kLine:
      facts = {"&Enter line number:", "&Go To", false, false, true, {}};
      break;
    case GoToChoice::kReference:
      facts = {"&Enter identifier:",
               "&Next",
               true,
               true,
               false,
               navigatorEntries ? LoadText(kStrGoToHelpReference) : empty};
      break;
  }
  return facts;
}

std::optional<GoToLineRequest> ReadLineInput(std::string_view text, bool physical) {
  text = platform::TrimBlanks(text);
  const std::size_t point = text.find('.');
  if (point == std::string_view::npos) {
    const std::optional<std::int64_t> value = WholeNumber(text);
    if (!value || *value > kLargestNumber) return std::nullopt;
    return GoToLineRequest{*value, physical ? kGoToFileNumber | kGoToMark : kGoToMark};
  }
  if (!physical) return std::nullopt;
  // Thousandths: the whole part, then up to three decimals.
  const std::string_view whole = text.substr(0, point);
  const std::string_view decimals = text.substr(point + 1);
  if (decimals.size() > 3 || (whole.empty() && decimals.empty())) return std::nullopt;
  const std::optional<std::int64_t> units = whole.empty() ? 0 : WholeNumber(whole);
  std::optional<std::int64_t> fraction = decimals.empty() ? 0 : WholeNumber(decimals);
  if (!units || !fraction) return std::nullopt;
  for (std::size_t i = decimals.size(); i < 3; ++i) *fraction *= 10;
  if (*units > kLargestNumber / 1000) return std::nullopt;
  const std::int64_t value = *units * 1000 + *fraction;
  if (value == 0) return std::nullopt;
  return GoToLineRequest{value, kGoToFileNumber | kGoToMark};
}

std::string_view ReferenceText(std::string_view entry) {
  while (entry.substr(0, 3) == "<I=") {
    const std::size_t close = entry.find('>');
    if (close == std::string_view::npos) break;
    entry.remove_prefix(close + 1);
  }
  while (entry.substr(0, 3) == "<T>") entry.remove_prefix(3);
  return entry;
}

}  // namespace vandrel
