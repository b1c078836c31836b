// Files a client uploads without naming a host path: the list of files a
// search in project files goes through. They are kept outside the tree, in
// a folder of the session's own under the system's temporary folder, and
// the client knows them by the name the upload's reply gives
// ("/.tandrill/upload-N"), which only this session can use. They go when
// the session ends; a session keeps at most a few, dropping the oldest.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "agent/agent_errors.h"

namespace vandrel::agent {

class TemporaryUploads {
 public:
  TemporaryUploads() = default;
  TemporaryUploads(const TemporaryUploads&) = delete;
  TemporaryUploads& operator=(const TemporaryUploads&) = delete;
  ~TemporaryUploads();

  struct Entry {
    std::string hostName;
    std::filesystem::path diskPath;
  };
  // A fresh name and the file to write it to (not yet created).
  std::optional<Entry> Reserve(AgentError* error);
  // The file the client knows by `hostName`, once written.
  std::optional<std::filesystem::path> Find(std::string_view hostName) const;

 private:
  std::filesystem::path folder_;  // made on first use
  std::map<int, Entry> entries_;
  int next_ = 1;
};

}  // namespace vandrel::agent
