// Character classes and letter case in the ASCII range, whatever the locale.
// Stored files, settings, templates, host paths, protocol replies and
// compiler output are read byte by byte with these rules; the C library's
// <cctype> functions depend on the locale (a GUI program runs in the
// user's), so nothing here calls them. Bytes of 0x80 and above belong to no
// class and have no case.
#pragma once

#include <algorithm>
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

}  // namespace vandrel::platform
