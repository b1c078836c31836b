#include "agent/mpe_attributes.h"

#include <charconv>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"

namespace vandrel::agent {

std::filesystem::path MpeAttributesPath(const std::filesystem::path& file) {
  return file.parent_path() / kMpeAttributesFolder / file.filename();
}

MpeAttributes ReadMpeAttributes(const std::filesystem::path& file) {
  MpeAttributes attributes;
  std::string text;
  if (platform::ReadWholeFile(MpeAttributesPath(file), &text) != platform::ReadStatus::kOk ||
      text.size() > 65536) {
    return attributes;
  }
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (key == "FCODE") {
      std::int32_t code = 0;
      auto [end2, ec] = std::from_chars(value.data(), value.data() + value.size(), code);
      if (ec == std::errc() && end2 == value.data() + value.size()) attributes.fileCode = code;
    }
  }
  return attributes;
}

}  // namespace vandrel::agent
