#include "remote/connection_info.h"

#include "core/message_box.h"
#include "core/string_ids.h"

namespace vandrel::remote {
namespace {

constexpr const char* kSystemCaptions[] = {
    "System name:", "Node name:",   "O.S. release:",  "O.S. version:", "Machine name:",
    "System ID:",   "Memory size:", "Maximum users:", "System label:",
};
constexpr const char* kAgentCaptions[] = {"Version:", "O.S. type:", "Byte order:", "Flags:"};

constexpr std::size_t kSystemFields = std::size(kSystemCaptions);
constexpr std::size_t kVersionDigits = 5;

}  // namespace

std::vector<std::string> SplitConnectionFields(std::string_view text) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (fields.size() < kMaxConnectionFields) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (at >= text.size()) break;
    std::string field;
    if (text[at] == '"') {
      ++at;
      while (at < text.size()) {
        if (text[at] == '"') {
          if (at + 1 < text.size() && text[at + 1] == '"') {
            field += '"';
            at += 2;
            continue;
          }
          ++at;
          break;
        }
        field += text[at++];
      }
    } else {
      while (at < text.size() && text[at] != ' ') field += text[at++];
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

ConnectionInformation DescribeConnection(std::string_view connectionInformation) {
  const std::vector<std::string> fields = SplitConnectionFields(connectionInformation);
  const std::string unknown = LoadText(kStrUnknown);
  auto field = [&](std::size_t index) -> const std::string* {
    return index < fields.size() ? &fields[index] : nullptr;
  };

  ConnectionInformation information;
  for (std::size_t i = 0; i < kSystemFields; ++i) {
    ConnectionInfoItem item{kSystemCaptions[i], unknown};
    if (const std::string* value = field(i)) {
      item.value = *value;
      const std::size_t tab = value->find('\t');
      if (i == kSystemFields - 1 && tab != std::string::npos) {
        item.caption = value->substr(0, tab);
        item.value = value->substr(tab + 1);
      }
    }
    information.system.push_back(std::move(item));
  }

  for (std::size_t i = 0; i < std::size(kAgentCaptions); ++i) {
    ConnectionInfoItem item{kAgentCaptions[i], unknown};
    if (const std::string* value = field(kSystemFields + i)) {
      item.value = *value;
      // The version reads d.dd.dd from its first five digits; a shorter
      // field is shown as it is rather than read past its end.
      if (i == 0 && value->size() >= kVersionDigits) {
        const std::string& v = *value;
        item.value = FormatText(LoadText(kStrAgentVersionFormat), v[0], v[1], v[2], v[3], v[4]);
      }
    }
    information.agent.push_back(std::move(item));
  }
  return information;
}

}  // namespace vandrel::remote
