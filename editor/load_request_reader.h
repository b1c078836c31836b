// How the edit control carries out a load request: the document's data
// (length-prefixed records, or plain text with CR, LF or CR LF line ends)
// becomes one text buffer for the view, its lines joined by '\n', and the
// per-line data of LineMetadata.
//
// Each line goes through these steps, in this order:
//  1. translation through the request's character table (0x4000);
//  2. with COBOL'85 tokens (0x80), a line of 73 to 80 bytes gives up its
//     columns 73-80 as its token (a longer line is left whole, so nothing is
//     lost and the save path's width check names it);
//  3. with numbers removed (0x20), a field of `digits` decimal digits at the
//     start, or at the number column, is taken out as the line's number; a
//     line whose field is missing or not all digits keeps its text whole and
//     has no number;
//  4. with trimming (0x40), trailing blanks and tabs are dropped;
//  5. CR and LF bytes inside a line (possible only in records, or through
//     translation) cannot be shown within one line of text: they are shown
//     as kSubstituteByte, the line's original bytes are kept and written
//     back while the line is unchanged, and the data counts as binary.
//
// Binary data: the data is reported as binary when a line holds a zero byte
// or a CR or LF byte, or when more than one byte in ten of the first
// kBinarySampleBytes of line text is a control character other than tab and
// form feed.
//
// Plain text: the final line end is remembered (LineMetadata::finalLineEnd),
// so a file whose last line has no line end is written back the same way.
// An empty file is one empty line without a line end; in record form, a file
// of no records is one empty line that is no record until it is filled.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "documents/load_request.h"
#include "editor/line_metadata.h"

namespace vandrel {

// Result codes beside those of documents/load_request.h.
inline constexpr int kLoadResultReadFailed = 1;  // no file, or the data cannot be read

inline constexpr std::uint8_t kSubstituteByte = 0x1A;
inline constexpr std::size_t kBinarySampleBytes = 64 * 1024;

struct LoadOutcome {
  int code = kLoadResultOk;  // kLoadResult*
  std::string text;          // the lines joined by '\n'
  bool binary = false;       // the data looks like binary data
};

// The numbering a load request asks for (the request's number column is the
// document's numbering position - 1, so a field at the end starts at 0-based
// column numberColumn + 1). kNone without 0x20.
LineNumbering NumberingOfLoadRequest(const LoadRequest& request);

// Reads the data the request names (its file, from the data offset) into
// `lines` and the returned text. Result codes: kLoadResultReadFailed without a
// file or on a read error; kLoadResultFormat for a request that cannot be
// honoured (number digits outside 1..18, a negative column, start or
// increment, a translation flag without a table); kLoadResultCorrupted when
// the data offset cannot be reached; kLoadResultCorruptedRecord when a record
// runs past the end of the data (or only one byte of a length is left);
// kLoadResultOutOfMemory when memory runs out. On failure `lines` is left as
// it was.
LoadOutcome ReadLoadRequest(const LoadRequest& request, LineMetadata& lines);

// The same over the data bytes themselves (from the data start).
LoadOutcome ReadLoadData(std::span<const std::uint8_t> data, const LoadRequest& request,
                         LineMetadata& lines);

}  // namespace vandrel
