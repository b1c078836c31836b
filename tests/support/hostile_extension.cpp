// A parser extension that misbehaves, built as hostile.vdx for the tests (and
// once more without VDXParseFile as noparse.vdx). The first word of the file
// says what it does; see Behave() below. Every behaviour except "loop",
// "crash" and "exit" ends by reporting one good function named "GOOD" so the
// tests see that the run went on past the bad records.
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "extensions/common/extension_sdk.h"

namespace {

VdxParserSymbol Record(std::uint32_t user, std::uint32_t category, const char* name, int line) {
  VdxParserSymbol record{};
  record.user = user;
  record.category = category;
  std::snprintf(record.name, sizeof record.name, "%s", name);
  record.line = line;
  return record;
}

[[maybe_unused]] void Behave(std::string_view what, VdxSymbolCallback symbol,
                             VdxProgressCallback progress, std::uint32_t user) {
  if (what == "unterminated") {
    // Every text fills its field with no terminator; the parameter area too.
    VdxParserSymbol record = Record(user, kVdxFunction, "", 1);
    std::memset(record.name, 'N', sizeof record.name);
    std::memset(record.alternativeName, 'A', sizeof record.alternativeName);
    std::memset(record.displayText, 'T', sizeof record.displayText);
    std::memset(record.parameters, 'P', sizeof record.parameters);
    symbol(&record);
    // Two parameters, then a third that runs to the end of the area.
    record = Record(user, kVdxFunction, "TWO", 2);
    std::memset(record.parameters, 'C', sizeof record.parameters);
    std::memcpy(record.parameters, "a\0b\0", 4);
    symbol(&record);
    // A diagnostic that fills the area.
    record = Record(user, kVdxDiagnostic, "", 3);
    std::memset(record.parameters, 'M', sizeof record.parameters);
    symbol(&record);
  } else if (what == "levels") {
    VdxParserSymbol record = Record(user, kVdxFunction, "TOP", 1);
    symbol(&record);
    record = Record(user, kVdxFunction, "DEEP", 2);
    record.level = INT_MAX;
    symbol(&record);
    record = Record(user, kVdxFunction, "NEGATIVE", 3);
    record.level = INT_MIN;
    symbol(&record);
  } else if (what == "lines") {
    VdxParserSymbol record = Record(user, kVdxFunction, "MINUS", -7);
    symbol(&record);
    record = Record(user, kVdxFunction, "LOWEST", INT_MIN);
    symbol(&record);
  } else if (what == "user") {
    VdxParserSymbol record = Record(user + 1, kVdxFunction, "STRANGER", 1);
    symbol(&record);
    record = Record(0, kVdxFunction, "NOBODY", 2);
    symbol(&record);
  } else if (what == "category") {
    VdxParserSymbol record = Record(user, 99, "NINETY-NINE", 1);
    symbol(&record);
    record = Record(user, 0xFFFFFFFFu, "MINUS-ONE", 2);
    symbol(&record);
    record = Record(user, 7, "SEVEN", 3);
    symbol(&record);
  } else if (what == "flood") {
    VdxParserSymbol record = Record(user, kVdxData, "ITEM", 1);
    for (int i = 0; i < 100'000; ++i) {
      record.line = i + 1;
      symbol(&record);
    }
  } else if (what == "null") {
    symbol(nullptr);
  } else if (what == "progress") {
    progress(INT_MIN);
    progress(500);
    progress(-3);
  } else if (what == "stdout") {
    // Printed output must not reach the editor's stream.
    std::printf("S\xff\xff\xff\xff garbage on standard output\n");
    std::fflush(stdout);
    (void)::write(STDOUT_FILENO, "E", 1);
  } else if (what == "crash") {
    VdxParserSymbol record = Record(user, kVdxFunction, "BEFORE-CRASH", 1);
    symbol(&record);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  } else if (what == "exit") {
    // Leaves without returning from VDXParseFile: the run is not complete.
    VdxParserSymbol record = Record(user, kVdxFunction, "BEFORE-EXIT", 1);
    symbol(&record);
    std::_Exit(0);
  } else if (what == "loop") {
    volatile int spin = 0;
    while (true) spin = 1 - spin;
  }
  VdxParserSymbol good = Record(user, kVdxFunction, "GOOD", 9);
  symbol(&good);
}

}  // namespace

// Category 6: a label that fills the buffer with no terminator; category 3:
// "yes" with an empty buffer.
VDX_EXPORT std::int32_t VDXGetName(std::int32_t category, char* buffer, std::int32_t size) {
  if (buffer == nullptr || size <= 0) return 0;
  if (category == kVdxSection) {
    std::memset(buffer, 'L', static_cast<std::size_t>(size));
    return 1;
  }
  return category == kVdxData ? 1 : 0;
}

#ifndef VDX_HOSTILE_WITHOUT_PARSE
VDX_EXPORT std::int32_t VDXParseFile(const char* text, std::uint32_t length, std::int32_t mode,
                                     VdxSymbolCallback symbol, VdxProgressCallback progress,
                                     std::uint32_t user) {
  (void)mode;
  std::string_view source(text, length);
  Behave(source.substr(0, source.find_first_of(" \n")), symbol, progress, user);
  return 1;
}
#endif
