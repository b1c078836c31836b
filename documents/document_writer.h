// Writing a document into a file from an edit control: the record-form or
// text file the save path uploads or puts in place of a local file, and the
// plain text copy other views read, each in a temporary file of its own.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/progress.h"
#include "documents/document_format.h"
#include "documents/save_request.h"
#include "platform/temporary_file.h"

namespace vandrel {

// The temporary files the save path writes (platform/temporary_file.h).
using platform::TemporaryFile;

// Why writing a document file failed.
enum class WriteFileError {
  kNone,
  kCreate,   // the file could not be created
  kHeaders,  // the header records could not be built or written
  kControl,  // the edit control reported a failure
  kLimit,    // the byte count does not fit the eight LIMIT digits, or cannot be written
  kClose,    // closing reported an error
};

// Writes the document into the open, empty file `fd`: for a
// record-form document its header records (Qedit header, MPE header, label
// block), then the lines through the control's save request built for
// `format` and `table`. For a record-form byte-stream document (TYPE 9, not
// Qedit) the LIMIT digits are then overwritten with the number of data bytes.
// Shows "Saving file..." while the control writes, clears the progress after.
// The file is left open.
WriteFileError WriteDocumentFile(int fd, SaveEditor& editor, const DocumentFormat& format,
                                 const CharacterTable* table, ProgressReporter& progress);

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
