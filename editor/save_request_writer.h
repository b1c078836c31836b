// How the edit control carries out a save request: the view's text (its
// lines separated by '\n' only) and the per-line data of LineMetadata become
// the document's data, from the request's data offset on.
//
// Each line is written as
//   [number at the start] text [blanks up to the number column, number]
//   [blanks up to column 72, COBOL'85 token]
// where the text is the line's original bytes while an unchanged line keeps
// them (see LineMetadata::Original), tabs become blanks up to the next tab
// stop with 0x400, a line without a number (kept numbering) is written
// without one, and a line without a token without the token part. The whole
// line then goes through the character table (0x4000) and is framed as one
// record (16-bit big-endian length and the bytes) in record form, or followed
// by the requested line end (CR, LF or CR LF; LF when none is given) in text
// form – except the last line of a document whose final line end was missing
// on load. In record form, an empty last line without a final line end is no
// record (a file of no records stays so).
//
// The writer refuses, rather than write a damaged file: a number too wide
// for its digits, a text that reaches into the number column or a record
// that reaches into the token area, a record over 65,535 bytes, and a text
// whose line count differs from the line data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "documents/save_request.h"
#include "editor/line_metadata.h"

namespace vandrel {

// Where the bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all of `bytes`; false on an error.
  virtual bool Write(std::string_view bytes) = 0;
};

// Appends to a string.
class StringSink final : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  bool Write(std::string_view bytes) override;

 private:
  std::string& out_;
};

// Writes to an open file descriptor at its current position (not owned).
class FdSink final : public ByteSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  bool Write(std::string_view bytes) override;

 private:
  int fd_;
};

// Tab stops: the listed 0-based columns, then every `width` columns.
struct TabStops {
  std::int32_t width = 8;
  std::vector<std::int32_t> positions;  // ascending
  // The column after a tab typed at `column`.
  std::int64_t Next(std::int64_t column) const;
  // The width of `text` with its tabs expanded.
  std::int64_t ExpandedWidth(std::string_view text) const;
};

enum class SaveResult {
  kOk,
  kWriteFailed,
  kBadRequest,         // translation asked for without a table
  kLineCountMismatch,  // the text and the line data disagree
  kRecordTooLong,      // a record over 65,535 bytes
  kNumberTooWide,      // a number that does not fit its digits
  kOverlapsNumbers,    // the text reaches into the number column
  kOverlapsToken,      // the record reaches into the COBOL'85 token area
};

struct SaveOutcome {
  SaveResult result = SaveResult::kOk;
  std::int64_t line = -1;  // the 0-based line at fault, when a line is
  explicit operator bool() const { return result == SaveResult::kOk; }
};

struct SaveSettings {
  TabStops tabs;
  std::string_view tokenText;  // the window's COBOL'85 token text
};

// Writes the lines to `sink`; the request's file descriptor is not used.
SaveOutcome WriteLines(std::string_view text, const SaveRequest& request, const LineMetadata& lines,
                       const SaveSettings& settings, ByteSink& sink);

// Writes the lines to the request's file descriptor, at its current position.
SaveOutcome WriteSaveRequest(std::string_view text, const SaveRequest& request,
                             const LineMetadata& lines, const SaveSettings& settings);

// The widest line of the text (tabs expanded when `tabsAsSpaces`), numbers
// and tokens not counted, and its 0-based index; the first of equals.
LongestLine MeasureLongestLine(std::string_view text, bool tabsAsSpaces, const TabStops& tabs);

// The plain text copy: the text as it stands, every line followed by LF.
bool WritePlainText(std::string_view text, ByteSink& sink);

}  // namespace vandrel
