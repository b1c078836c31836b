// The "Connection Information" dialog's content, read from the connection
// information text kept for the session: the agent's nine system fields
// followed by its version, host kind, byte order and security flags.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel::remote {

// The most fields the text is split into.
inline constexpr std::size_t kMaxConnectionFields = 32;

// Splits at blanks; a field in double quotes may hold blanks, and two double
// quotes inside it stand for one. At most 32 fields.
std::vector<std::string> SplitConnectionFields(std::string_view text);

struct ConnectionInfoItem {
  std::string caption;
  std::string value;
};

struct ConnectionInformation {
  // "System name:" ... "Maximum users:" and the system label, whose caption
  // the agent gives before a tab in the ninth field.
  std::vector<ConnectionInfoItem> system;
  // The agent: "Version:", "O.S. type:", "Byte order:", "Flags:".
  std::vector<ConnectionInfoItem> agent;
};

// The dialog's captions and values; a field that is missing shows "Unknown".
ConnectionInformation DescribeConnection(std::string_view connectionInformation);

}  // namespace vandrel::remote
