#include "documents/mpe_names.h"

#include <algorithm>
#include <cctype>

#include "documents/host_file_info.h"

namespace vandrel {

namespace {

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

}  // namespace

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
  return UpperCase(std::move(path));
}

std::string SlashPath(std::string_view path, char currentDrive) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  const std::size_t n = out.size();
  if (n >= 1 && out[0] == '/') {
    if (n == 1 || (n == 2 && IsLetter(out[1])) || (n >= 3 && IsLetter(out[1]) && out[2] == '/')) {
      return out;
    }
    if (n >= 3 && IsLetter(out[1]) && out[2] == ':') {
      out.erase(2, 1);  // "/c:/x" -> "/c/x"
      if (out.size() > 2 && out[2] != '/') out.insert(2, "/");
      return out;
    }
    if (currentDrive == 0) return out;
    return std::string("/") + currentDrive + out;
  }
  if (n >= 2 && IsLetter(out[0]) && out[1] == ':') {
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
