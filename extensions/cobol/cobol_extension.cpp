// The entry points of cobol.vdx.
#include <cstdint>
#include <string_view>

#include "extensions/cobol/cobol_parser.h"
#include "extensions/common/extension_sdk.h"

namespace {

std::string_view LabelOf(std::int32_t category) {
  switch (category) {
    case kVdxSection:
      return "Divisions and Sections";
    case kVdxFunction:
      return "Paragraphs";
    case kVdxExternal:
      return "Called Programs";
    case kVdxInclude:
      return "Copy Books";
    default:
      return {};
  }
}

}  // namespace

VDX_EXPORT std::int32_t VDXGetName(std::int32_t category, char* buffer, std::int32_t size) {
  return vandrel::vdx::CopyLabel(LabelOf(category), buffer, size);
}

VDX_EXPORT std::int32_t VDXParseFile(const char* text, std::uint32_t length, std::int32_t mode,
                                     VdxSymbolCallback symbol, VdxProgressCallback progress,
                                     std::uint32_t user) {
  (void)mode;
  return vandrel::vdx::ParseForCaller(vandrel::vdx::ParseCobol, text, length, symbol, progress,
                                      user);
}
