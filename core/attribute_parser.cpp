#include "core/attribute_parser.h"

#include "platform/ascii_text.h"

namespace vandrel {

bool AttributeNameMatches(std::string_view given, const AttributeRow& row) {
  const std::size_t compared = row.minLength == 0 ? row.name.size() + 1 : row.minLength;
  // Compared as zero-terminated texts over at most `compared` characters: a
  // text that ends early matches only one ending at the same place.
  for (std::size_t i = 0; i < compared; ++i) {
    const char a = i < given.size() ? given[i] : '\0';
    const char b = i < row.name.size() ? row.name[i] : '\0';
    if (platform::AsciiLower(a) != platform::AsciiLower(b)) return false;
    if (a == '\0') return true;
  }
  return true;
}

AttributeList ParseAttributes(std::string_view text, std::span<const AttributeRow> rows) {
  AttributeList result;
  result.values.resize(rows.size());
  auto fail = [&](AttributeError error, std::string_view item) {
    result.error = error;
    result.errorItem = std::string(item);
    return result;
  };

  std::size_t at = 0;
  while (true) {
    while (at < text.size() && platform::IsAsciiSpace(text[at])) ++at;
    if (at >= text.size()) break;
    const std::size_t itemStart = at;
    while (at < text.size() && !platform::IsAsciiSpace(text[at]) && text[at] != '=') ++at;
    const std::string_view name = text.substr(itemStart, at - itemStart);

    std::optional<std::string> value;
    if (at < text.size() && text[at] == '=') {
      ++at;
      if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
        const char quote = text[at++];
        std::size_t end = text.find(quote, at);
        if (end == std::string_view::npos) end = text.size();
        value = std::string(text.substr(at, end - at));
        at = end < text.size() ? end + 1 : end;
      } else {
        const std::size_t start = at;
        while (at < text.size() && !platform::IsAsciiSpace(text[at])) ++at;
        value = std::string(text.substr(start, at - start));
      }
    }
    const std::string_view item = text.substr(itemStart, at - itemStart);

    std::size_t row = 0;
    while (row < rows.size() && !AttributeNameMatches(name, rows[row])) ++row;
    if (row == rows.size()) return fail(AttributeError::kUnknownName, item);
    if (result.values[row].has_value()) return fail(AttributeError::kDuplicate, item);
    if (rows[row].takesValue && !value) return fail(AttributeError::kMissingValue, item);
    if (!rows[row].takesValue && value) return fail(AttributeError::kUnexpectedValue, item);
    result.values[row] = value ? std::move(*value) : std::string();
  }

  for (std::size_t row = 0; row < rows.size(); ++row) {
    if (rows[row].required && !result.values[row]) {
      return fail(AttributeError::kMissingRequired, rows[row].name);
    }
  }
  return result;
}

}  // namespace vandrel
