// The entry points of fortran.vdx.
#include "extensions/common/extension_sdk.h"
#include "extensions/fortran/fortran_parser.h"

VDX_EXPORT int32_t VDXGetName(int32_t category, char* buffer, int32_t size) {
  switch (category) {
    case kVdxSection:
      return vandrel::vdx::CopyLabel("Program Units", buffer, size);
    case kVdxData:
      return vandrel::vdx::CopyLabel("Common Blocks", buffer, size);
    case kVdxForward:
      return vandrel::vdx::CopyLabel("Interfaces", buffer, size);
    default:
      return 0;
  }
}

VDX_EXPORT std::int32_t VDXParseFile(const char* text, std::uint32_t length, std::int32_t mode,
                                     VdxSymbolCallback symbol, VdxProgressCallback progress,
                                     std::uint32_t user) {
  (void)mode;
  return vandrel::vdx::ParseForCaller(vandrel::vdx::ParseFortran, text, length, symbol, progress,
                                      user);
}
