#include "documents/document_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/header_records.h"
#include "platform/file_io.h"

namespace vandrel {

namespace {

// The LIMIT value of a header is written as exactly eight digits.
constexpr std::int64_t kMaxLimitValue = 99'999'999;

}  // namespace

WriteFileError WriteDocumentFile(int fd, SaveEditor& editor, const DocumentFormat& format,
                                 const CharacterTable* table, ProgressReporter& progress) {
  std::size_t limitDigits = 0;
  std::int64_t dataOffset = 0;
  if (format.IsRecordForm()) {
    const std::optional<HeaderBlock> headers = BuildHeaderBlock(format);
    if (!headers) return WriteFileError::kHeaders;
    if (!platform::WriteAll(fd, std::span<const std::uint8_t>(headers->bytes))) {
      return WriteFileError::kHeaders;
    }
    limitDigits = headers->limitDigits;
    dataOffset = static_cast<std::int64_t>(headers->bytes.size());
  }

  progress.ShowStatus(LoadText(kStrSavingFile));
  const SaveRequest request = BuildSaveRequest(format, fd, dataOffset, table);
  const bool written = editor.WriteSaveRequest(request);
  progress.ClearProgress();
  if (!written) return WriteFileError::kControl;

  if (format.IsRecordForm() && !format.IsQedit() && format.mpe.type == 9) {
    // A byte-stream file's LIMIT is its number of data bytes, known only now.
    struct stat info {};
    if (::fstat(fd, &info) != 0) return WriteFileError::kLimit;
    const std::int64_t dataBytes = static_cast<std::int64_t>(info.st_size) - dataOffset;
    if (dataBytes < 0 || dataBytes > kMaxLimitValue) return WriteFileError::kLimit;
    const std::string digits = FormatText("%08d", static_cast<int>(dataBytes));
    if (!platform::WriteAllAt(fd, std::string_view(digits),
                              static_cast<std::uint64_t>(limitDigits))) {
      return WriteFileError::kLimit;
    }
  }
  return WriteFileError::kNone;
}

WrittenFile WriteTemporaryFile(SaveEditor& editor, const DocumentFormat& format,
                               const CharacterTable* table, ProgressReporter& progress,
                               const std::filesystem::path& folder) {
  WrittenFile result;
  std::optional<TemporaryFile> file = TemporaryFile::Create(folder);
  if (!file) {
    result.error = WriteFileError::kCreate;
    return result;
  }
  result.error = WriteDocumentFile(file->fd(), editor, format, table, progress);
  if (result.error == WriteFileError::kNone && !file->Close()) {
    result.error = WriteFileError::kClose;
  }
  // On failure `file` goes out of scope here and takes the file with it.
  if (result.error == WriteFileError::kNone) result.file = std::move(file);
  return result;
}

std::optional<TemporaryFile> TemporaryTextCopy(SaveEditor& editor, ProgressReporter& progress,
                                               bool keepOpen, const std::filesystem::path& folder) {
  std::optional<TemporaryFile> file = TemporaryFile::Create(folder);
  if (!file) return std::nullopt;
  progress.ShowStatus(LoadText(kStrSavingTemporaryFile));
  if (!editor.WriteText(file->fd())) return std::nullopt;
  if (keepOpen) {
    if (::lseek(file->fd(), 0, SEEK_SET) != 0) return std::nullopt;
  } else if (!file->Close()) {
    return std::nullopt;
  }
  return file;
}

}  // namespace vandrel
