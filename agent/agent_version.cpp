#include "agent/agent_version.h"

#include <cstdio>

namespace vandrel::agent {

const char* FormatAgentVersion(int version, char (&buffer)[16]) {
  std::snprintf(buffer, sizeof buffer, "%d.%02d.%02d", version / 10000, version / 100 % 100,
                version % 100);
  return buffer;
}

}  // namespace vandrel::agent
