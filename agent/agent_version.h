// The version the agent reports in its greeting: 10300 is 1.03.00.
#pragma once

namespace vandrel::agent {

inline constexpr int kDefaultAgentVersion = 10300;

// "1.03.00" for 10300.
const char* FormatAgentVersion(int version, char (&buffer)[16]);

}  // namespace vandrel::agent
