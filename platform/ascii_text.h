// Character classes and letter case in the ASCII range, whatever the locale.
// Stored files, settings, templates, host paths, protocol replies and
// compiler output are read byte by byte with these rules; the C library's
// <cctype> functions depend on the locale (a GUI program runs in the
// user's), so nothing here calls them. Bytes of 0x80 and above belong to no
// class and have no case.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace vandrel::platform {

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool IsAsciiLetter(char c) { return IsAsciiUpper(c) || IsAsciiLower(c); }
constexpr bool IsAsciiLetterOrDigit(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }
// Space and tab: what separates words on one line.
constexpr bool IsAsciiBlank(char c) { return c == ' ' || c == '\t'; }
// Space, tab, line feed, vertical tab, form feed and carriage return.
constexpr bool IsAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A byte that continues a UTF-8 sequence (10xxxxxx).
constexpr bool IsUtf8ContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The value of a hexadecimal digit (either case); -1 for any other byte.
constexpr int AsciiHexValue(char c) {
  if (IsAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr char AsciiLower(char c) { return IsAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string AsciiLowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

inline std::string AsciiUppered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// `text` without the blanks (IsAsciiBlank) at either end.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsAsciiBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsAsciiBlank(text.back())) text.remove_suffix(1);
  return text;
}

// `text` without the white space (IsAsciiSpace) at either end.
constexpr std::string_view TrimAsciiSpace(std::string_view text) {
  while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsAsciiSpace(text.back())) text.remove_suffix(1);
  return text;
}

// A line as someone typed it: `text` without the blanks at its start and
// without the blanks, carriage returns and line feeds at its end.
constexpr std::string_view TrimLine(std::string_view text) {
  while (!text.empty() && IsAsciiBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() &&
         (IsAsciiBlank(text.back()) || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

// `text` without the carriage returns and line feeds at its end.
constexpr std::string_view WithoutLineEnd(std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  return text;
}

// The position of the first byte at or after `pos` that is not white space
// (IsAsciiSpace); the size of `text` when there is none.
constexpr std::size_t SkipAsciiSpace(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
  return pos;
}

// No bytes skipped before a number.
constexpr bool SkipNothing(char) { return false; }

// A decimal number as scanf reads "%d": what `skip` accepts first (white
// space unless told otherwise), then an optional sign and the digits.
struct ScannedDecimal {
  bool negative = false;
  std::uint64_t magnitude = 0;  // saturated at the largest 64-bit value

  // The value, saturated to [low, high] (low <= 0 <= high).
  constexpr std::int64_t Clamped(std::int64_t low, std::int64_t high) const {
    if (negative) {
      const auto lowest = static_cast<std::uint64_t>(-(low + 1)) + 1;
      return magnitude >= lowest ? low : -static_cast<std::int64_t>(magnitude);
    }
    return magnitude >= static_cast<std::uint64_t>(high) ? high
                                                         : static_cast<std::int64_t>(magnitude);
  }
};

// Reads the number at `text[*at]` and moves `*at` past its last digit;
// nothing, with `*at` unchanged, when no digit follows the sign.
constexpr std::optional<ScannedDecimal> ScanDecimal(std::string_view text, std::size_t* at,
                                                    bool (*skip)(char) = IsAsciiSpace) {
  std::size_t i = *at;
  while (i < text.size() && skip(text[i])) ++i;
  ScannedDecimal number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.negative = text[i++] == '-';
  if (i >= text.size() || !IsAsciiDigit(text[i])) return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
    const auto digit = static_cast<std::uint64_t>(text[i] - '0');
    number.magnitude =
        number.magnitude > (kMax - digit) / 10 ? kMax : number.magnitude * 10 + digit;
  }
  *at = i;
  return number;
}

}  // namespace vandrel::platform
