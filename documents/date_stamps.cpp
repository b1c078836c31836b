#include "documents/date_stamps.h"

#include <fmt/format.h>

#include <algorithm>
#include <ctime>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

// Replaces, ignoring case, every "%" + `letters` (lower case) by `value`.
std::string ReplacePlaceholder(const std::string& text, std::string_view letters,
                               std::string_view value) {
  std::string out;
  out.reserve(text.size() + value.size());
  std::size_t i = 0;
  while (i < text.size()) {
    bool matches = text[i] == '%' && text.size() - i > letters.size();
    for (std::size_t k = 0; matches && k < letters.size(); ++k) {
      matches = platform::AsciiLower(text[i + 1 + k]) == letters[k];
    }
    if (matches) {
      out.append(value);
      i += 1 + letters.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

}  // namespace

std::string ExpandDateStamps(std::string_view pattern, std::size_t size, const CalendarDate& date) {
  std::string text;
  text.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '%') {
      text.push_back('\t');
      ++i;
    } else {
      text.push_back(pattern[i]);
    }
  }
  text = ReplacePlaceholder(text, "dd", fmt::format("{:02d}", date.day));
  text = ReplacePlaceholder(text, "mm", fmt::format("{:02d}", date.month));
  text = ReplacePlaceholder(text, "yyyy", fmt::format("{:04d}", date.year));
  text = ReplacePlaceholder(text, "yy", fmt::format("{:02d}", ((date.year % 100) + 100) % 100));
  for (char& c : text) {
    if (c == '\t') c = '%';
  }
  const std::size_t keep = size < 2 ? 0 : size - 2;
  if (text.size() > keep) text.resize(keep);
  return text;
}

std::string ExpandDateStamps(std::string_view pattern, std::size_t size) {
  return ExpandDateStamps(pattern, size, LocalDate());
}

CalendarDate LocalDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return {};
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::vector<std::string> CobolTokenPatterns() {
  std::vector<std::string> patterns;
  const std::string_view list = StringTableText(kStrCobolTagMaskList);
  std::size_t begin = 0;
  while (begin <= list.size() && !list.empty()) {
    const std::size_t comma = std::min(list.find(',', begin), list.size());
    patterns.emplace_back(list.substr(begin, comma - begin));
    begin = comma + 1;
  }
  return patterns;
}

}  // namespace vandrel
