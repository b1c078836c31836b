#include "core/mpe_names.h"

#include <algorithm>

#include "platform/ascii_text.h"

namespace vandrel {

std::string_view AccountOfDirectory(std::string_view directory) {
  const std::size_t from = directory.starts_with('/') ? 1 : 0;
  const std::size_t end = std::min(directory.find('/', from), directory.size());
  const std::string_view account = directory.substr(0, end);
  return account == "/" ? std::string_view() : account;
}

std::string HostPathOfName(std::string_view currentDirectory, std::string_view name) {
  std::string path;
  if (name.find('/') != std::string_view::npos) {
    path = name;
  } else if (name == "@.@.@") {
    path = "/";
  } else if (name == "@.@") {
    path = AccountOfDirectory(currentDirectory);
    if (path.empty()) path = "/";
  } else if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) {
    const std::string_view file = name.substr(0, dot);
    const std::string_view rest = name.substr(dot + 1);
    if (const std::size_t second = rest.find('.'); second != std::string_view::npos) {
      const std::string_view group = rest.substr(0, second);
      const std::string_view account = rest.substr(second + 1);
      path.append("/").append(account).append("/").append(group).append("/").append(file);
    } else {
      path.append(AccountOfDirectory(currentDirectory)).append("/").append(rest);
      path.append("/").append(file);
    }
  } else {
    path = currentDirectory;
    if (!path.ends_with('/')) path.push_back('/');
    path.append(name);
  }
  return platform::AsciiUppered(path);
}

}  // namespace vandrel
