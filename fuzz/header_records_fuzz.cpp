// Feeds arbitrary text to the header record parsers. Nothing may crash or read
// outside the text, and a header that parses must survive the save path's
// formatting: the formatted text parses again to the same values (MVER and
// QVER are always written as 1), and formatting those values gives the same
// text again.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "documents/header_records.h"

using namespace vandrel;

namespace {

void CheckMpe(std::string_view text) {
  MpeHeader parsed;
  if (ParseMpeHeader(text, parsed) != 0) return;
  const auto formatted = FormatMpeHeader(parsed);
  // A value holding both kinds of quote cannot be written; refusing is right.
  if (!formatted) return;
  if (formatted->text.compare(formatted->limitDigits - 6, 6, "LIMIT=") != 0) std::abort();
  MpeHeader again;
  if (ParseMpeHeader(formatted->text, again) != 0) std::abort();
  MpeHeader expected = parsed;
  expected.mver = 1;
  if (!(again == expected)) std::abort();
  const auto twice = FormatMpeHeader(again);
  if (!twice || twice->text != formatted->text || twice->limitDigits != formatted->limitDigits) {
    std::abort();
  }
}

void CheckQedit(std::string_view text) {
  QeditHeader parsed;
  if (ParseQeditHeader(text, parsed) != 0) return;
  const std::string formatted = FormatQeditHeader(parsed);
  QeditHeader again;
  if (ParseQeditHeader(formatted, again) != 0) std::abort();
  QeditHeader expected = parsed;
  expected.qver = 1;
  if (!(again == expected)) std::abort();
  if (FormatQeditHeader(again) != formatted) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckMpe(text);
  CheckQedit(text);
  // A header number never fails, whatever it is given.
  (void)HeaderNumber(text);
  // The quoting rule: a quoted value reads back as itself.
  if (const auto quoted = QuoteHeaderValue(text)) {
    if (quoted->size() != text.size() + 2 || quoted->substr(1, text.size()) != text) std::abort();
  }
  return 0;
}
