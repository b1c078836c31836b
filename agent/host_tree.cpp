#include "agent/host_tree.h"

#include <limits.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/ascii_text.h"

namespace vandrel::agent {

namespace {

// realpath(3) into a path; errno set on failure.
std::optional<std::filesystem::path> RealPath(const std::filesystem::path& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::filesystem::path result(resolved);
  std::free(resolved);
  return result;
}

AgentError Outside(std::string_view hostPath) {
  return {kErrorOutsideRoot, "Path leads outside the served tree: " + std::string(hostPath)};
}

}  // namespace

bool HostTree::Open(const std::filesystem::path& root, Personality personality,
                    std::string* error) {
  personality_ = personality;
  auto canonical = RealPath(root);
  struct stat info {};
  if (!canonical || ::stat(canonical->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    if (error) *error = "the root " + root.string() + " is not an existing directory";
    return false;
  }
  root_ = *canonical;
  return true;
}

bool HostTree::Inside(const std::filesystem::path& canonical) const {
  const std::string& root = root_.native();
  const std::string& path = canonical.native();
  if (root == "/") return !path.empty() && path.front() == '/';
  if (path.size() < root.size() || path.compare(0, root.size(), root) != 0) return false;
  return path.size() == root.size() || path[root.size()] == '/';
}

std::optional<std::string> HostTree::Normalise(std::string_view currentDirectory,
                                               std::string_view path, AgentError* error) const {
  std::string joined;
  if (path.empty() || path.front() != '/') {
    joined = currentDirectory;
    joined += '/';
  }
  joined += path;
  if (joined.find('\0') != std::string::npos) {
    *error = {kErrorBadArguments, "A path may not hold zero bytes"};
    return std::nullopt;
  }

  std::vector<std::string_view> parts;
  std::string_view rest = joined;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) {
        *error = Outside(path);
        return std::nullopt;
      }
      parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string normal;
  for (std::string_view part : parts) {
    normal += '/';
    normal += part;
  }
  if (normal.empty()) normal = "/";
  if (normal.size() > kMaxHostPath) {
    *error = {kErrorNameTooLong, "Path too long"};
    return std::nullopt;
  }
  if (personality_ == Personality::kMpe) normal = platform::AsciiUppered(normal);
  return normal;
}

std::optional<ResolvedPath> HostTree::Resolve(std::string_view currentDirectory,
                                              std::string_view path, AgentError* error) const {
  auto hostPath = Normalise(currentDirectory, path, error);
  if (!hostPath) return std::nullopt;

  ResolvedPath result;
  result.hostPath = *hostPath;
  // The components of the host path, to be taken off the end until the
  // remaining prefix exists on disk.
  std::vector<std::string> missing;
  std::filesystem::path probe = root_;
  if (*hostPath != "/") probe += *hostPath;
  for (;;) {
    if (auto canonical = RealPath(probe)) {
      if (!Inside(*canonical)) {
        *error = Outside(*hostPath);
        return std::nullopt;
      }
      result.diskPath = *canonical;
      break;
    }
    const int failure = errno;
    if (failure != ENOENT) {
      *error = SystemError(failure, *hostPath);
      return std::nullopt;
    }
    // A component that is there but does not resolve is a dangling link:
    // whatever it points at is not part of the tree as far as we can tell.
    struct stat linkInfo {};
    if (::lstat(probe.c_str(), &linkInfo) == 0) {
      *error = S_ISLNK(linkInfo.st_mode) ? Outside(*hostPath) : SystemError(failure, *hostPath);
      return std::nullopt;
    }
    missing.push_back(probe.filename().string());
    probe = probe.parent_path();
    // The root itself exists (it was resolved when the tree was opened); if
    // it vanished, give up rather than walk above it.
    if (probe.native().size() < root_.native().size()) {
      *error = SystemError(ENOENT, *hostPath);
      return std::nullopt;
    }
  }
  result.exists = missing.empty();
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) result.diskPath /= *it;
  return result;
}

std::optional<ResolvedPath> HostTree::ResolveDirectory(std::string_view currentDirectory,
                                                       std::string_view path,
                                                       AgentError* error) const {
  auto resolved = Resolve(currentDirectory, path, error);
  if (!resolved) return std::nullopt;
  struct stat info {};
  if (!resolved->exists || ::stat(resolved->diskPath.c_str(), &info) != 0) {
    *error = SystemError(ENOENT, resolved->hostPath);
    return std::nullopt;
  }
  if (!S_ISDIR(info.st_mode)) {
    *error = SystemError(ENOTDIR, resolved->hostPath);
    return std::nullopt;
  }
  return resolved;
}

}  // namespace vandrel::agent
