// The entry points of pascal.vdx.
#include <cstdint>
#include <string_view>

#include "extensions/common/extension_sdk.h"
#include "extensions/pascal/pascal_parser.h"

using namespace vandrel::vdx;

VDX_EXPORT std::int32_t VDXGetName(std::int32_t category, char* buffer, std::int32_t size) {
  switch (category) {
    case kVdxFunction:
      return CopyLabel("Routines", buffer, size);
    case kVdxSection:
      return CopyLabel("Program and modules", buffer, size);
    default:
      return 0;
  }
}

VDX_EXPORT std::int32_t VDXParseFile(const char* text, std::uint32_t length, std::int32_t mode,
                                     VdxSymbolCallback symbol, VdxProgressCallback progress,
                                     std::uint32_t user) {
  (void)mode;
  return ParseForCaller(ParsePascal, text, length, symbol, progress, user);
}
