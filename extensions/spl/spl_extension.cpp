// The entry points of spl.vdx.
#include <cstdint>
#include <string_view>

#include "extensions/common/extension_sdk.h"
#include "extensions/spl/spl_parser.h"

using namespace vandrel::vdx;

VDX_EXPORT std::int32_t VDXGetName(std::int32_t category, char* buffer, std::int32_t size) {
  switch (category) {
    case kVdxFunction:
      return CopyLabel("Procedures", buffer, size);
    case kVdxExternal:
      return CopyLabel("External and intrinsics", buffer, size);
    default:
      return 0;
  }
}

VDX_EXPORT std::int32_t VDXParseFile(const char* text, std::uint32_t length, std::int32_t mode,
                                     VdxSymbolCallback symbol, VdxProgressCallback progress,
                                     std::uint32_t user) {
  (void)mode;
  return ParseForCaller(ParseSpl, text, length, symbol, progress, user);
}
