// The document loader: opens a local file (a plain text file or a record-form
// file as the host transfer writes it), reads the Qedit and MPE header records
// and the user labels into the document's format record, finds the line ends
// of a plain text file, optionally detects line numbers, and hands back the
// open file positioned at the first data byte.
//
// The loader reads through ByteSource, so the same code serves a file on disk
// and a buffer in memory (the command-line tool, the fuzz targets).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "documents/document_format.h"

namespace vandrel {

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

struct LoadOptions {
  bool detectLineNumbers = true;  // the DetectLineNoPrompt setting
};

// Why a load failed; every failure is reported to the user with the same
// message, the reason serves diagnostics and tests.
enum class LoadError {
  kNone,
  kOpen,           // the file cannot be opened, or is held by someone else
  kHeaderRead,     // a header record is missing or shorter than its length
  kHeaderTooLong,  // a header record over the record limit
  kNotAHeader,     // the first header record begins with neither Q nor M
  kNoMpeHeader,    // a Qedit header not followed by a record beginning with M
  kHeaderParse,    // a header record's items are not valid
  kLabels,         // the user labels cannot be read, or #L is below 0
  kNoMemory,       // an allocation failed
};

struct LoadedDocument {
  std::unique_ptr<ByteSource> file;  // positioned at the data start; null on failure
  std::int64_t dataOffset = 0;       // the data start
  LoadError error = LoadError::kNone;
  int parseError = 0;  // with kHeaderParse: the parser's error code (1-5)
  explicit operator bool() const { return file != nullptr; }
};

// Loads the document at `path`. On entry `format` holds the caller's format
// flags (kFormatLocal for a local open; kFormatRecordForm, plus kFormatQedit
// for file code 111, for a download from an MPE/iX host; 0 otherwise), lock id
// and host file information. On success the header values, label block, line
// ends and numbering are filled in. On failure the label block and ACD are
// released and the file is closed.
LoadedDocument LoadDocument(const std::filesystem::path& path, DocumentFormat& format,
                            const LoadOptions& options);

// The same over an already open source (read from its start).
LoadedDocument LoadDocument(std::unique_ptr<ByteSource> source, DocumentFormat& format,
                            const LoadOptions& options);

// Frees the label block and the ACD text.
void ReleaseHeaderData(DocumentFormat& format);

}  // namespace vandrel
