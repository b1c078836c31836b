// The save request the save path hands the edit control: which open file to
// write, where the text starts in it, whether the lines go out as records or
// as text with which line ends, whether tabs become spaces and which
// character table translates the bytes on the way out. The record has the
// layout of the load request; its numbering fields are always 0, so the typed
// value leaves them out.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "documents/document_format.h"
#include "documents/load_request.h"

namespace vandrel {

// Request flags.
inline constexpr std::uint32_t kSaveRequestAlways = 0x0001;
inline constexpr std::uint32_t kSaveRequestDataOffset = 0x0002;  // data offset is not 0
inline constexpr std::uint32_t kSaveRequestLf = 0x0004;          // text lines end with LF
inline constexpr std::uint32_t kSaveRequestCr = 0x0008;          // text lines end with CR
inline constexpr std::uint32_t kSaveRequestRecordForm = 0x0010;  // each line is one record
inline constexpr std::uint32_t kSaveRequestTabsAsSpaces = 0x0400;
inline constexpr std::uint32_t kSaveRequestTranslate = 0x4000;  // a character table is supplied

struct SaveRequest {
  std::uint32_t flags = kSaveRequestAlways;
  int fd = -1;                  // the open file, positioned at the data offset; not owned
  std::int64_t dataOffset = 0;  // where the lines start
  // Present exactly when kSaveRequestTranslate is set: each byte written is
  // replaced by table[byte].
  std::optional<CharacterTable> characterTable;
  bool operator==(const SaveRequest&) const = default;
};

// Builds the request for `format` (its format flags, line ends and template
// format flags). With CR and LF both set the lines end with CR LF; a text
// document whose line ends are not known gets LF. `table` is the translation
// table when character translation is on, else null.
SaveRequest BuildSaveRequest(const DocumentFormat& format, int fd, std::int64_t dataOffset,
                             const CharacterTable* table = nullptr);

// The width of a document's longest line and which line it is (0-based).
struct LongestLine {
  std::int32_t width = 0;
  std::int32_t line = 0;
  bool operator==(const LongestLine&) const = default;
};

// The edit control as the save path drives it. Each operation is one control
// message (its number, counted from the first user message, in brackets).
class SaveEditor {
 public:
  virtual ~SaveEditor() = default;
  // [50] The text the control writes into the COBOL'85 token area.
  virtual void SetCobolTokenText(std::string_view text) = 0;
  // [35] The longest line as it would be written, tabs counted as spaces
  // when `saveTabsAsSpaces`; numbers and tokens are not counted.
  virtual LongestLine MeasureLongestLine(bool saveTabsAsSpaces) = 0;
  // [31]
  virtual std::int32_t LineCount() = 0;
  // [18] Writes every line into request.fd from its current position (the
  // data offset): one record (16-bit big-endian length, then the bytes) per
  // line in record form, otherwise text with the requested line ends. True
  // on success.
  virtual bool WriteSaveRequest(const SaveRequest& request) = 0;
  // [21] Writes the plain text of the document into `fd`. True on success.
  virtual bool WriteText(int fd) = 0;
  // [26] The text has been saved: the control's modified state is cleared.
  virtual void TextSaved() = 0;
};

}  // namespace vandrel
