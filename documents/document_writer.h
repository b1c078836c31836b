// Temporary files of the save path: a file this program creates under a
// fresh name (by default in the system's temporary folder, named "zvd...")
// and removes again unless its owner keeps it, and the two writers that fill
// one from an edit control – the record-form or text file the save path
// uploads or copies into place, and the plain text copy other views read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/progress.h"
#include "documents/document_format.h"
#include "documents/save_request.h"

namespace vandrel {

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

// Why writing a document file failed.
enum class WriteFileError {
  kNone,
  kCreate,   // the file could not be created
  kHeaders,  // the header records could not be built or written
  kControl,  // the edit control reported a failure
  kLimit,    // the byte count does not fit the eight LIMIT digits, or cannot be written
  kClose,    // closing reported an error
};

// Writes the document into `file`, which is open and empty: for a
// record-form document its header records (Qedit header, MPE header, label
// block), then the lines through the control's save request built for
// `format` and `table`. For a record-form byte-stream document (TYPE 9, not
// Qedit) the LIMIT digits are then overwritten with the number of data bytes.
// Shows "Saving file..." while the control writes, clears the progress after.
// The file is left open.
WriteFileError WriteDocumentFile(TemporaryFile& file, SaveEditor& editor,
                                 const DocumentFormat& format, const CharacterTable* table,
                                 ProgressReporter& progress);

struct WrittenFile {
  std::optional<TemporaryFile> file;  // closed; absent on failure
  WriteFileError error = WriteFileError::kNone;
};

// Creates a temporary file in `folder` (the system's temporary folder when
// empty), writes the document into it and closes it. On any failure the file
// is removed.
WrittenFile WriteTemporaryFile(SaveEditor& editor, const DocumentFormat& format,
                               const CharacterTable* table, ProgressReporter& progress,
                               const std::filesystem::path& folder = {});

// A temporary file holding the plain text of the control, for readers such
// as the Code Navigator. Shows "Saving temporary file..." while it is
// written. With `keepOpen` the descriptor stays open, positioned at the start.
// Nullopt on failure, with nothing left behind.
std::optional<TemporaryFile> TemporaryTextCopy(SaveEditor& editor, ProgressReporter& progress,
                                               bool keepOpen = false,
                                               const std::filesystem::path& folder = {});

}  // namespace vandrel
