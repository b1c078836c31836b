#include "core/quoted_text.h"

#include <fmt/format.h>

#include "platform/ascii_text.h"

namespace vandrel {

bool IsControlByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  auto at = [&](std::size_t k) -> unsigned {
    return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u;
  };
  auto cont = [&](std::size_t k) { return (at(k) & 0xC0) == 0x80; };
  unsigned c = at(i);
  if (c >= 0xC2 && c <= 0xDF) return cont(i + 1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    return at(i + 1) >= lo && at(i + 1) <= hi && cont(i + 2) ? 3 : 0;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    return at(i + 1) >= lo && at(i + 1) <= hi && cont(i + 2) && cont(i + 3) ? 4 : 0;
  }
  return 0;
}

bool AppendShortEscape(std::string& out, char c) {
  switch (c) {
    case '\\':
      out += "\\\\";
      return true;
    case '"':
      out += "\\\"";
      return true;
    case '\n':
      out += "\\n";
      return true;
    case '\r':
      out += "\\r";
      return true;
    case '\t':
      out += "\\t";
      return true;
    default:
      return false;
  }
}

std::string QuoteText(std::string_view text, HighBytes highBytes) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && highBytes == HighBytes::kEscapeNonUtf8) {
      if (std::size_t n = Utf8SequenceLength(text, i)) {
        out.append(text.substr(i, n));
        i += n;
      } else {
        out += fmt::format("\\x{:02x}", byte);
        ++i;
      }
      continue;
    }
    if (!AppendShortEscape(out, c)) {
      if (IsControlByte(c)) {
        out += fmt::format("\\x{:02x}", byte);
      } else {
        out += c;
      }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::optional<std::string> UnquoteText(std::string_view s, std::string_view* rest,
                                       std::string* problem) {
  auto fail = [&](std::string why) -> std::optional<std::string> {
    if (problem) *problem = std::move(why);
    return std::nullopt;
  };
  if (s.empty() || s.front() != '"') return fail("a text must begin with a double quote");
  std::string out;
  std::size_t i = 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '"') {
      if (rest) *rest = s.substr(i + 1);
      return out;
    }
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) break;
    const char e = s[i + 1];
    switch (e) {
      case '"':
      case '\\':
        out += e;
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 'x': {
        const int high = i + 2 < s.size() ? platform::AsciiHexValue(s[i + 2]) : -1;
        const int low = i + 3 < s.size() ? platform::AsciiHexValue(s[i + 3]) : -1;
        if (high < 0 || low < 0) return fail("\\x must be followed by two hex digits");
        out += static_cast<char>(high * 16 + low);
        i += 4;
        continue;
      }
      default:
        return fail(fmt::format("unknown escape \\{} (use \\\" \\\\ \\t \\n \\r or \\xHH)", e));
    }
    i += 2;
  }
  return fail("the closing double quote is missing");
}

}  // namespace vandrel
