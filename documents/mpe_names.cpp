#include "documents/mpe_names.h"

#include "documents/host_file_info.h"
#include "platform/ascii_text.h"

namespace vandrel {

std::string SlashPath(std::string_view path, char currentDrive) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  const std::size_t n = out.size();
  if (n >= 1 && out[0] == '/') {
    if (n == 1 || (n == 2 && platform::IsAsciiLetter(out[1])) ||
        (n >= 3 && platform::IsAsciiLetter(out[1]) && out[2] == '/')) {
      return out;
    }
    if (n >= 3 && platform::IsAsciiLetter(out[1]) && out[2] == ':') {
      out.erase(2, 1);  // "/c:/x" -> "/c/x"
      if (out.size() > 2 && out[2] != '/') out.insert(2, "/");
      return out;
    }
    if (currentDrive == 0) return out;
    return std::string("/") + currentDrive + out;
  }
  if (n >= 2 && platform::IsAsciiLetter(out[0]) && out[1] == ':') {
    std::string result = std::string("/") + out[0];
    const std::string_view rest = std::string_view(out).substr(2);
    if (!rest.empty() && !rest.starts_with('/')) result.push_back('/');
    result.append(rest);
    return result;
  }
  return out;
}

std::string HostFileName(std::string_view hostPath) {
  std::string name;
  const std::size_t slash = hostPath.rfind('/');
  if (slash == std::string_view::npos) {
    name = hostPath;
  } else if (slash + 1 == hostPath.size()) {
    name = "/";
  } else {
    name = hostPath.substr(slash + 1);
  }
  if (name.size() > kMaxFileInfoName) name.resize(kMaxFileInfoName);
  return name;
}

}  // namespace vandrel
