// The entry points of c.vdx.
#include "extensions/c/c_parser.h"
#include "extensions/common/extension_sdk.h"

VDX_EXPORT int32_t VDXGetName(int32_t category, char* buffer, int32_t size) {
  (void)category;
  (void)buffer;
  (void)size;
  return 0;  // the default labels fit C
}

VDX_EXPORT std::int32_t VDXParseFile(const char* text, std::uint32_t length, std::int32_t mode,
                                     VdxSymbolCallback symbol, VdxProgressCallback progress,
                                     std::uint32_t user) {
  (void)mode;
  return vandrel::vdx::ParseForCaller(vandrel::vdx::ParseC, text, length, symbol, progress, user);
}
