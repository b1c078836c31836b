#include "documents/document_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

#include "documents/header_records.h"
#include "documents/line_number_detection.h"
#include "platform/file_lock.h"

namespace vandrel {

// ---- loading ------------------------------------------------------------------

namespace {

LoadError RecordError(RecordRead status) {
  return status == RecordRead::kTooLong ? LoadError::kHeaderTooLong : LoadError::kHeaderRead;
}

std::string_view AsText(const std::vector<std::uint8_t>& record) {
  return {reinterpret_cast<const char*>(record.data()), record.size()};
}

// The Qedit header's numbering: LNL digits, counted in thousandths from 1.000
// in steps of 0.100, at the left when LNJ is not 0, otherwise at the end of
// the Qedit record. A length that leaves no column for numbers at the end
// (the column would read as "none" or "at the start") sets nothing.
void SetQeditNumbering(const QeditHeader& qedit, DocumentNumbering& numbering) {
  if (qedit.lnl <= 0) return;
  const std::int64_t position =
      qedit.lnj != 0 ? 1 : std::int64_t{qedit.reclen} - std::int64_t{qedit.lnl};
  if (position < 2 && qedit.lnj == 0) return;
  numbering.position = static_cast<std::int32_t>(position);
  numbering.digits = qedit.lnl;
  numbering.start = 1000;
  numbering.increment = 100;
}

// Reads the #L label records that follow the MPE header into its label block,
// lengths included, and leaves the source after them.
LoadError ReadLabels(ByteSource& source, MpeHeader& mpe) {
  if (mpe.labels < 0) return LoadError::kLabels;
  const std::int64_t start = source.Position();
  if (start < 0) return LoadError::kLabels;
  std::int64_t total = 0;
  for (std::int32_t i = 0; i < mpe.labels; ++i) {
    std::size_t length = 0;
    if (ReadRecordLength(source, length) != RecordRead::kOk) return LoadError::kLabels;
    total += 2 + static_cast<std::int64_t>(length);
    if (!source.Seek(start + total)) return LoadError::kLabels;
  }
  if (!source.Seek(start)) return LoadError::kLabels;
  mpe.labelBlock.resize(static_cast<std::size_t>(total));
  if (source.Read(mpe.labelBlock) != total) return LoadError::kLabels;
  return LoadError::kNone;
}

// Reads the Qedit and MPE header records and the labels into `format`.
LoadError ReadHeaders(ByteSource& source, DocumentFormat& format, int& parseError) {
  std::vector<std::uint8_t> record;
  RecordRead status = ReadRecord(source, record, kMaxHeaderRecordLength);
  if (status != RecordRead::kOk) return RecordError(status);
  const bool qedit = !record.empty() && (record[0] == 'Q' || record[0] == 'q');
  if (qedit) {
    parseError = ParseQeditHeader(AsText(record), format.qedit);
    if (parseError != 0) return LoadError::kHeaderParse;
    SetQeditNumbering(format.qedit, format.numbering);
    status = ReadRecord(source, record, kMaxHeaderRecordLength);
    if (status != RecordRead::kOk) return RecordError(status);
  }
  if (record.empty() || (record[0] != 'M' && record[0] != 'm')) {
    return qedit ? LoadError::kNoMpeHeader : LoadError::kNotAHeader;
  }
  parseError = ParseMpeHeader(AsText(record), format.mpe);
  if (parseError != 0) return LoadError::kHeaderParse;
  // The flags describe what the file holds: header records mean record form,
  // and a file without a Qedit header is not a Qedit file whatever the caller
  // expected (its Qedit values would all be 0 on the way back).
  format.formatFlags |= kFormatRecordForm;
  if (qedit) {
    format.formatFlags |= kFormatQedit;
  } else {
    format.formatFlags &= ~kFormatQedit;
  }
  if (format.mpe.labels != 0) return ReadLabels(source, format.mpe);
  return LoadError::kNone;
}

// The line ends of a plain text file from its first line: LF, CR LF, or a
// lone CR when no LF comes within the first line's bytes.
std::uint32_t DetectLineEnds(ByteSource& source) {
  constexpr std::size_t kFirstLine = 2047;
  std::uint8_t bytes[kFirstLine + 1];
  const std::int64_t got = source.Read(bytes);
  if (got <= 0) return 0;
  const std::size_t size = static_cast<std::size_t>(got);
  const std::size_t window = std::min(size, kFirstLine);
  const std::uint8_t* end = bytes + window;
  if (const std::uint8_t* lf = std::find(static_cast<const std::uint8_t*>(bytes), end, '\n');
      lf != end) {
    return kLineEndLf | (lf > bytes && lf[-1] == '\r' ? kLineEndCr : 0);
  }
  if (const std::uint8_t* cr = std::find(static_cast<const std::uint8_t*>(bytes), end, '\r');
      cr != end) {
    const bool lfFollows = static_cast<std::size_t>(cr - bytes) + 1 < size && cr[1] == '\n';
    return kLineEndCr | (lfFollows ? kLineEndLf : 0);
  }
  return 0;
}

LoadError LoadFrom(ByteSource& source, DocumentFormat& format, const LoadOptions& options,
                   std::int64_t& dataStart, int& parseError) {
  if (!source.Seek(0)) return LoadError::kHeaderRead;
  if (format.formatFlags & (kFormatRecordForm | kFormatQedit)) {
    const LoadError error = ReadHeaders(source, format, parseError);
    if (error != LoadError::kNone) return error;
  }
  dataStart = source.Position();
  if (dataStart < 0) return LoadError::kHeaderRead;
  if (!format.IsRecordForm()) {
    format.lineEnds = DetectLineEnds(source);
    if (!source.Seek(dataStart)) return LoadError::kHeaderRead;
  }
  if (options.detectLineNumbers) {
    DetectLineNumbers(source, format.IsRecordForm(), format.numbering);
  }
  if (!source.Seek(dataStart)) return LoadError::kHeaderRead;
  return LoadError::kNone;
}

}  // namespace

LoadedDocument LoadDocument(std::unique_ptr<ByteSource> source, DocumentFormat& format,
                            const LoadOptions& options) {
  LoadedDocument result;
  ReleaseHeaderData(format);
  if (!source) {
    result.error = LoadError::kOpen;
    return result;
  }
  format.mpe = MpeHeader{};
  format.qedit = QeditHeader{};
  format.numbering = DocumentNumbering{};
  format.lineEnds = 0;
  LoadError error;
  try {
    error = LoadFrom(*source, format, options, result.dataOffset, result.parseError);
  } catch (const std::bad_alloc&) {
    error = LoadError::kNoMemory;
  }
  if (error != LoadError::kNone) {
    ReleaseHeaderData(format);
    result.error = error;
    result.dataOffset = 0;
    return result;  // the source is closed here
  }
  result.file = std::move(source);
  return result;
}

LoadedDocument LoadDocument(const std::filesystem::path& path, DocumentFormat& format,
                            const LoadOptions& options) {
  return LoadDocument(std::unique_ptr<ByteSource>(FileSource::Open(path)), format, options);
}

void ReleaseHeaderData(DocumentFormat& format) {
  std::vector<std::uint8_t>().swap(format.mpe.labelBlock);
  std::string().swap(format.mpe.acd);
}

}  // namespace vandrel
