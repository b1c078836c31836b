#include "cli/json_text.h"

#include <fmt/format.h>

#include "core/quoted_text.h"

namespace vandrel::cli {

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    if (AppendShortEscape(out, c)) continue;
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      out += fmt::format("\\u{:04x}", byte);
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

}  // namespace vandrel::cli
