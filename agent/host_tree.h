// The served tree: host paths as the client names them ("/" is the root,
// "/DEV/PUB/FILE", "src/main.c" relative to the session's current
// directory) and the files on disk they stand for. Every path a command
// names goes through Resolve, which keeps it inside the root: ".." cannot
// climb above the root, absolute paths start at the root, and the part of
// the path that exists is checked again after the file system has resolved
// its symbolic links, so a link cannot lead out either.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "agent/agent_errors.h"
#include "agent/server_options.h"

namespace vandrel::agent {

// The longest host path the agent accepts: any of them fits in a reply
// ("0 " and the path within the editor's 1,023 reply bytes).
inline constexpr std::size_t kMaxHostPath = 1021;

struct ResolvedPath {
  std::string hostPath;            // normalised: "/" or "/A/B", no trailing slash
  std::filesystem::path diskPath;  // the file on disk, symbolic links resolved
  bool exists = false;
};

class HostTree {
 public:
  // The tree under `root`, which must be an existing directory. False with a
  // message otherwise.
  bool Open(const std::filesystem::path& root, Personality personality, std::string* error);

  Personality personality() const { return personality_; }
  const std::filesystem::path& root() const { return root_; }

  // `path` joined onto `currentDirectory` when it is relative, with "." and
  // empty components dropped and ".." applied; upper-cased in the MPE
  // personality. Fails when ".." would climb above the root or the result is
  // too long.
  std::optional<std::string> Normalise(std::string_view currentDirectory, std::string_view path,
                                       AgentError* error) const;

  // Normalises `path` and finds it on disk, refusing anything that leads
  // outside the root. A path whose last components do not exist resolves
  // too (`exists` false), as long as its existing part is inside the root.
  std::optional<ResolvedPath> Resolve(std::string_view currentDirectory, std::string_view path,
                                      AgentError* error) const;

  // As Resolve, and the result must exist and be a directory.
  std::optional<ResolvedPath> ResolveDirectory(std::string_view currentDirectory,
                                               std::string_view path, AgentError* error) const;

 private:
  bool Inside(const std::filesystem::path& canonical) const;

  std::filesystem::path root_;  // canonical
  Personality personality_ = Personality::kPosix;
};

// An upload in progress writes its content to ".NAME.tandrill-XXXXXX" beside
// NAME; listings and searches pass such files by.
inline constexpr std::string_view kUploadMarker = ".tandrill-";
inline bool IsUploadTemporary(std::string_view name) {
  return name.starts_with('.') && name.find(kUploadMarker) != std::string_view::npos;
}

}  // namespace vandrel::agent
