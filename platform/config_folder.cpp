#include "platform/config_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vandrel::platform {

namespace {

std::filesystem::path HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && *found->pw_dir) {
    return found->pw_dir;
  }
  return {};
}

}  // namespace

std::filesystem::path UserConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) {
    return std::filesystem::path(xdg) / "vandrel";
  }
  std::filesystem::path home = HomeFolder();
  if (home.empty()) return {};
  return home / ".config" / "vandrel";
}

std::filesystem::path UserStateFolder() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  // A relative XDG_STATE_HOME is invalid and must be ignored.
  if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) {
    return std::filesystem::path(xdg) / "vandrel";
  }
  std::filesystem::path home = HomeFolder();
  if (home.empty()) return {};
  return home / ".local" / "state" / "vandrel";
}

std::filesystem::path ConfigFolder(const std::string& explicitFolder) {
  if (!explicitFolder.empty()) return explicitFolder;
  return UserConfigFolder();
}

bool EnsureFolder(const std::filesystem::path& folder, std::string* error) {
  if (folder.empty()) {
    if (error) *error = "no configuration folder (no home folder is known)";
    return false;
  }
  struct stat info;
  if (::stat(folder.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    if (error) *error = folder.string() + " exists and is not a folder";
    return false;
  }
  std::filesystem::path parent = folder.parent_path();
  if (!parent.empty() && parent != folder && !EnsureFolder(parent, error)) return false;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    if (error) *error = "cannot create " + folder.string() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace vandrel::platform
