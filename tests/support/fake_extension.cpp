// A well-behaved parser extension for the tests, built as fake.vdx. Its
// "language" states the symbols outright, one per line:
//   KIND LEVEL NAME [PARAMETER...]   KIND: S section, F function, I include,
//                                    D data, W forward, X external
//   ! TEXT                           a diagnostic for this line
// Other lines are passed over. It labels Functions "Paragraphs" and Data
// "Working Storage" and leaves the other labels to the editor.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "extensions/common/extension_sdk.h"

namespace {

using vandrel::vdx::Symbol;

int CategoryOf(char kind) {
  switch (kind) {
    case 'S':
      return kVdxSection;
    case 'F':
      return kVdxFunction;
    case 'I':
      return kVdxInclude;
    case 'D':
      return kVdxData;
    case 'W':
      return kVdxForward;
    case 'X':
      return kVdxExternal;
    default:
      return -1;
  }
}

std::string_view NextWord(std::string_view& text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  const std::size_t end = std::min(text.find(' '), text.size());
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

}  // namespace

VDX_EXPORT std::int32_t VDXGetName(std::int32_t category, char* buffer, std::int32_t size) {
  if (category == kVdxFunction) return vandrel::vdx::CopyLabel("Paragraphs", buffer, size);
  if (category == kVdxData) return vandrel::vdx::CopyLabel("Working Storage", buffer, size);
  return 0;
}

VDX_EXPORT std::int32_t VDXParseFile(const char* text, std::uint32_t length, std::int32_t mode,
                                     VdxSymbolCallback symbol, VdxProgressCallback progress,
                                     std::uint32_t user) {
  (void)mode;
  if (text == nullptr) return 0;
  vandrel::vdx::CallbackSink sink(symbol, progress, user);
  const auto lines = vandrel::vdx::SplitLines(std::string_view(text, length));
  for (const vandrel::vdx::SourceLine& line : lines) {
    std::string_view rest = line.text;
    const std::string_view kind = NextWord(rest);
    if (kind == "!") {
      sink.Diagnostic(line.number, rest.substr(rest.empty() ? 0 : 1));
    } else if (kind.size() == 1 && CategoryOf(kind[0]) > 0) {
      Symbol found;
      found.category = CategoryOf(kind[0]);
      found.level = std::stoi(std::string(NextWord(rest)));
      found.name = std::string(NextWord(rest));
      found.line = line.number;
      for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
        found.parameters.emplace_back(word);
      }
      sink.Report(found);
    }
    sink.Progress(static_cast<int>(line.number * 100 / static_cast<int>(lines.size())));
  }
  return 1;
}
