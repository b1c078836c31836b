#include "agent/mpe_attributes.h"

#include <charconv>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ascii_text.h"
#include "platform/atomic_file.h"

namespace vandrel::agent {

namespace {

struct Key {
  std::string_view name;
  std::int32_t MpeAttributes::*field;
};
constexpr Key kNumberKeys[] = {
    {"FCODE", &MpeAttributes::fileCode},
    {"RECLEN", &MpeAttributes::recordLength},
    {"BFACT", &MpeAttributes::blockingFactor},
    {"TYPE", &MpeAttributes::recordType},
    {"MODE", &MpeAttributes::mode},
    {"LIMIT", &MpeAttributes::limit},
    {"CCTL", &MpeAttributes::carriageControl},
    {"M#L", &MpeAttributes::maxLabels},
    {"QLANG", &MpeAttributes::qeditLanguage},
    {"QRECLEN", &MpeAttributes::qeditRecordLength},
    {"QLNL", &MpeAttributes::qeditNumberLength},
    {"QLNJ", &MpeAttributes::qeditNumbersLeft},
};

struct TextKey {
  std::string_view name;
  std::string MpeAttributes::*field;
  std::size_t maxLength;
};
constexpr TextKey kTextKeys[] = {
    {"LW", &MpeAttributes::lockword, kMaxLockwordLength},
    {"ACD", &MpeAttributes::acd, kMaxAcdLength},
};

constexpr std::string_view kLabelKey = "LABEL";

// Every label written as hex, with the text keys escaped three to a byte at
// worst, stays well below this; a larger entry was not written by the agent.
constexpr std::size_t kMaxEntrySize = 1024 * 1024;

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Hex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
  }
  return out;
}

std::optional<std::string> FromHex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 2);
  for (std::size_t at = 0; at < text.size(); at += 2) {
    const int high = platform::AsciiHexValue(text[at]);
    const int low = platform::AsciiHexValue(text[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>((high << 4) | low);
  }
  return out;
}

// Printable ASCII stays readable in the entry; everything else (line ends
// above all) and "%" become %XX.
std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '%') {
      out += c;
    } else {
      out += '%';
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    }
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '%') {
      out += text[at];
      continue;
    }
    if (text.size() - at < 3) return std::nullopt;
    auto byte = FromHex(text.substr(at + 1, 2));
    if (!byte) return std::nullopt;
    out += *byte;
    at += 2;
  }
  return out;
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number number = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

}  // namespace

std::filesystem::path MpeAttributesPath(const std::filesystem::path& file) {
  return file.parent_path() / kMpeAttributesFolder / file.filename();
}

std::string MpeAttributesProblem(const MpeAttributes& attributes) {
  if (attributes.labels.size() > kMaxUserLabels) {
    return std::to_string(attributes.labels.size()) + " user labels; a file has at most " +
           std::to_string(kMaxUserLabels);
  }
  for (std::size_t i = 0; i < attributes.labels.size(); ++i) {
    if (attributes.labels[i].size() > kMaxUserLabelLength) {
      return "user label " + std::to_string(i + 1) + " holds " +
             std::to_string(attributes.labels[i].size()) + " bytes; a label holds at most " +
             std::to_string(kMaxUserLabelLength);
    }
  }
  for (const TextKey& known : kTextKeys) {
    if ((attributes.*known.field).size() > known.maxLength) {
      return std::string(known.name) + " is longer than " + std::to_string(known.maxLength) +
             " characters";
    }
  }
  return {};
}

MpeAttributes ReadMpeAttributes(const std::filesystem::path& file) {
  MpeAttributes attributes;
  std::string text;
  if (platform::ReadWholeFile(MpeAttributesPath(file), &text) != platform::ReadStatus::kOk ||
      text.size() > kMaxEntrySize) {
    return attributes;
  }
  std::map<std::size_t, std::string> labels;
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
    for (const Key& known : kNumberKeys) {
      if (key != known.name) continue;
      if (auto number = ParseNumber<std::int32_t>(value)) attributes.*known.field = *number;
    }
    for (const TextKey& known : kTextKeys) {
      if (key != known.name) continue;
      auto unescaped = Unescape(value);
      if (unescaped && unescaped->size() <= known.maxLength) {
        attributes.*known.field = std::move(*unescaped);
      }
    }
    if (key.starts_with(kLabelKey)) {
      const auto index = ParseNumber<std::size_t>(key.substr(kLabelKey.size()));
      auto bytes = FromHex(value);
      if (index && *index >= 1 && *index <= kMaxUserLabels && bytes &&
          bytes->size() <= kMaxUserLabelLength) {
        labels[*index] = std::move(*bytes);
      }
    }
  }
  // Labels keep their order; a gap ends them, so a damaged line never moves
  // a later label into its place.
  for (std::size_t index = 1; labels.contains(index); ++index) {
    attributes.labels.push_back(std::move(labels[index]));
  }
  return attributes;
}

bool WriteMpeAttributes(const std::filesystem::path& file, const MpeAttributes& attributes,
                        std::string* error) {
  if (std::string problem = MpeAttributesProblem(attributes); !problem.empty()) {
    if (error) *error = std::move(problem);
    return false;
  }
  const std::filesystem::path path = MpeAttributesPath(file);
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) {
    if (error) *error = ec.message();
    return false;
  }
  std::string text;
  for (const Key& known : kNumberKeys) {
    text += std::string(known.name) + "=" + std::to_string(attributes.*known.field) + "\n";
  }
  for (const TextKey& known : kTextKeys) {
    text += std::string(known.name) + "=" + Escape(attributes.*known.field) + "\n";
  }
  for (std::size_t i = 0; i < attributes.labels.size(); ++i) {
    text += std::string(kLabelKey) + std::to_string(i + 1) + "=" + Hex(attributes.labels[i]) + "\n";
  }
  return platform::WriteFileAtomically(path, text, 0644, error);
}

}  // namespace vandrel::agent
