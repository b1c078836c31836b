// The entry points of c.vdx.
#include "extensions/c/c_parser.h"
#include "extensions/common/extension_sdk.h"

VDX_EXPORT int32_t VDXGetName(int32_t category, char* buffer, int32_t size) {
  (void)category;
  (void)buffer;
  (void)size;
  return 0;  // the default labels fit C
}

VDX_EXPORT int32_t VDXParseFile(const char* text, uint32_t length, int32_t mode,
                                VdxSymbolCallback symbol, VdxProgressCallback progress,
                                uint32_t user) {
  (void)mode;
  if (text == nullptr) length = 0;
  vandrel::vdx::CallbackSink sink(symbol, progress, user);
  vandrel::vdx::ParseC(std::string_view(text == nullptr ? "" : text, length), sink);
  return 1;
}
