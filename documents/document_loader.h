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
#include "platform/byte_source.h"

namespace vandrel {

// The loader's sources (platform/byte_source.h).
using platform::ByteSource;
using platform::FileSource;
using platform::MemorySource;
using platform::ReadToEnd;

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
