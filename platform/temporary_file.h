// A temporary file this program creates under a fresh name (by default in
// the system's temporary folder, named "zvd...") and removes again unless its
// owner keeps it: downloads, the files the save path uploads or copies, the
// project list a search uploads, text copies for other readers.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace vandrel::platform {

inline constexpr std::string_view kTemporaryFilePrefix = "zvd";

// A newly created file, open for reading and writing. Destroying the object
// closes the file and removes it, unless Keep() was called.
class TemporaryFile {
 public:
  // Creates a file named `prefix` followed by six random characters in
  // `folder` (the system's temporary folder when empty). The name is new:
  // creation never opens an existing file. Nullopt on failure, with errno set.
  static std::optional<TemporaryFile> Create(const std::filesystem::path& folder = {},
                                             std::string_view prefix = kTemporaryFilePrefix);

  TemporaryFile(TemporaryFile&& other) noexcept;
  TemporaryFile& operator=(TemporaryFile&& other) noexcept;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  const std::filesystem::path& path() const { return path_; }
  // The open descriptor; -1 once closed.
  int fd() const { return fd_; }
  // Closes the descriptor (the file stays); false when closing reports an
  // error, which may mean that written data was lost.
  bool Close();
  // Hands the file over to the caller: it is no longer removed. Closes the
  // descriptor unless `keepOpen`; the caller then owns it as well.
  std::filesystem::path Keep(bool keepOpen = false);
  // Closes and removes the file now.
  void Remove();

 private:
  TemporaryFile(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
  std::filesystem::path path_;
  int fd_ = -1;
  bool owned_ = true;
};

}  // namespace vandrel::platform
