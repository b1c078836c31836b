#include "agent/mpe_attributes.h"

#include <charconv>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"

namespace vandrel::agent {

namespace {

struct Key {
  std::string_view name;
  std::int32_t MpeAttributes::*field;
};
constexpr Key kKeys[] = {
    {"FCODE", &MpeAttributes::fileCode},
    {"RECLEN", &MpeAttributes::recordLength},
    {"BFACT", &MpeAttributes::blockingFactor},
    {"TYPE", &MpeAttributes::recordType},
    {"MODE", &MpeAttributes::mode},
    {"LIMIT", &MpeAttributes::limit},
    {"CCTL", &MpeAttributes::carriageControl},
    {"QLANG", &MpeAttributes::qeditLanguage},
    {"QRECLEN", &MpeAttributes::qeditRecordLength},
    {"QLNL", &MpeAttributes::qeditNumberLength},
    {"QLNJ", &MpeAttributes::qeditNumbersLeft},
};

}  // namespace

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
    for (const Key& known : kKeys) {
      if (key != known.name) continue;
      std::int32_t number = 0;
      auto [end2, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (ec == std::errc() && end2 == value.data() + value.size()) {
        attributes.*known.field = number;
      }
    }
  }
  return attributes;
}

bool WriteMpeAttributes(const std::filesystem::path& file, const MpeAttributes& attributes,
                        std::string* error) {
  const std::filesystem::path path = MpeAttributesPath(file);
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) {
    if (error) *error = ec.message();
    return false;
  }
  std::string text;
  for (const Key& known : kKeys) {
    text += std::string(known.name) + "=" + std::to_string(attributes.*known.field) + "\n";
  }
  return platform::WriteFileAtomically(path, text, 0644, error);
}

}  // namespace vandrel::agent
