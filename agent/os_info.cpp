#include "agent/os_info.h"

#include <fmt/format.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace vandrel::agent {

std::string QuoteField(std::string_view field) {
  if (!field.empty() && field.find_first_of(" \t\"") == std::string_view::npos) {
    return std::string(field);
  }
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string SystemInformation(int maxSessions) {
  utsname names{};
  if (::uname(&names) != 0) names = utsname{};
  struct sysinfo system {};
  const bool haveSystem = ::sysinfo(&system) == 0;

  std::string memory = "unknown";
  std::string uptime = "unknown";
  if (haveSystem) {
    const unsigned long long bytes =
        static_cast<unsigned long long>(system.totalram) * (system.mem_unit ? system.mem_unit : 1);
    memory = fmt::format("{} MB", bytes / (1024 * 1024));
    const long minutes = system.uptime / 60;
    uptime = fmt::format("{} days {:02}:{:02}", minutes / 1440, minutes / 60 % 24, minutes % 60);
  }
  const std::string systemId =
      fmt::format("{:08x}", static_cast<unsigned long>(::gethostid()) & 0xffffffffUL);

  const std::string fields[] = {
      names.sysname,        names.nodename, names.release, names.version,
      names.machine,        systemId,       memory,        std::to_string(maxSessions),
      "Uptime:\t" + uptime,
  };
  std::string text;
  for (const std::string& field : fields) {
    if (!text.empty()) text += ' ';
    text += QuoteField(field);
  }
  return text;
}

}  // namespace vandrel::agent
