// Byte sources: a readable, seekable run of bytes, from a local file opened
// with no sharing or from memory. The document loader reads through them, so
// the same code serves a file on disk and a buffer in memory (the
// command-line tool, the fuzz targets); uploads read local files through them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace vandrel::platform {

// A readable, seekable run of bytes.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to buffer.size() bytes at the current position and moves past
  // them. Fewer bytes come back only at the end of the data; -1 on a read
  // error (the position is then unspecified).
  virtual std::int64_t Read(std::span<std::uint8_t> buffer) = 0;
  // Moves to an absolute position at or after 0; false on an error.
  virtual bool Seek(std::int64_t position) = 0;
  // The current position; -1 on an error.
  virtual std::int64_t Position() = 0;
};

// Reads from the current position to the end of the data into `out`
// (replacing its contents); false on a read error.
bool ReadToEnd(ByteSource& source, std::vector<std::uint8_t>& out);

// A local file opened for reading with no sharing: while it is open, another
// no-sharing open of the same file fails, in this process or another.
class FileSource final : public ByteSource {
 public:
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // Null when the file cannot be opened or is held by someone else.
  static std::unique_ptr<FileSource> Open(const std::filesystem::path& path);

  std::int64_t Read(std::span<std::uint8_t> buffer) override;
  bool Seek(std::int64_t position) override;
  std::int64_t Position() override;
  int fd() const { return fd_; }

 private:
  explicit FileSource(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Bytes held in memory (a copy made on construction).
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}

  std::int64_t Read(std::span<std::uint8_t> buffer) override;
  bool Seek(std::int64_t position) override;
  std::int64_t Position() override { return static_cast<std::int64_t>(position_); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace vandrel::platform
