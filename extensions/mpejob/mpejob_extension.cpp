// The entry points of mpejob.vdx.
#include <cstdint>
#include <string_view>

#include "extensions/common/extension_sdk.h"
#include "extensions/mpejob/mpejob_parser.h"

namespace {

std::string_view LabelOf(std::int32_t category) {
  switch (category) {
    case kVdxSection:
      return "Jobs and Steps";
    case kVdxData:
      return "Files and Variables";
    case kVdxFunction:
      return "Parameters";
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
  return vandrel::vdx::ParseForCaller(vandrel::vdx::ParseMpeJob, text, length, symbol, progress,
                                      user);
}
