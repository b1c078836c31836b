// What the edit control keeps for each line of its document besides the
// text: the line's sequence number (when the numbers are taken out of the
// text), its COBOL'85 token (columns 73-80, kept apart from the editable
// text), its marks (bookmark, go-to, error or tag), its navigator link,
// whether it changed since it was loaded or last saved, and, for the rare
// line whose bytes cannot be shown as one line of text, its original bytes.
//
// The text itself lives in the view. The view reports every change of its
// line structure here (lines inserted, lines deleted, lines changed), so
// that each line's data moves with the line. Everything is stored in flat
// per-line arrays: a million lines cost a few allocations, not a million.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "documents/document_format.h"

namespace vandrel {

// How the sequence numbers of a document are held while it is edited.
enum class NumberingMode : std::uint8_t {
  kNone,         // the document has no numbers apart from its text
  kKept,         // each line keeps its own number, written back on save
  kRegenerated,  // line i is numbered start + i * increment, written on save
};

// The widest number field handled (10^18 still fits a signed 64-bit value).
inline constexpr std::int32_t kMaxNumberDigits = 18;
// The number of a line that carries none.
inline constexpr std::int64_t kNoLineNumber = -1;

struct LineNumbering {
  NumberingMode mode = NumberingMode::kNone;
  std::int32_t column = 0;  // 0: numbers at the start of each line; otherwise the
                            // 0-based column where they stand at the end
  std::int32_t digits = 0;  // 1 to kMaxNumberDigits
  std::int64_t start = 0;
  std::int64_t increment = 0;

  bool AtStart() const { return column == 0; }
  // The first number too wide for the digits (10 to the power of digits).
  std::int64_t Limit() const;
  bool operator==(const LineNumbering&) const = default;
};

// The COBOL'85 token area: kTokenColumn, kTokenWidth and kMaxTokenTextLength
// (documents/document_format.h).

struct LineToken {
  std::array<char, kTokenWidth> bytes{};
  std::uint8_t length = 0;
  std::string_view View() const { return {bytes.data(), length}; }
  static LineToken From(std::string_view text);  // cut to kTokenWidth
  bool operator==(const LineToken& other) const { return View() == other.View(); }
};

enum class InsertResult {
  kOk,
  kNoFreeNumber,  // no number is left between the neighbours (notification 105)
  kOutOfRange,    // the position or count is not valid
};

class LineMetadata {
 public:
  // A new document: one empty line, no numbering, no tokens.
  LineMetadata();

  // ---- Filling from a load ----------------------------------------------------
  // Forgets every line and starts an empty document (zero lines) with
  // `numbering` and token handling; the loader then appends the lines.
  void Reset(const LineNumbering& numbering, bool tokens, std::size_t expectedLines = 0);
  // Appends one line with its number (kNoLineNumber for none; ignored unless
  // numbers are kept) and its token (ignored without tokens).
  void AppendLine(std::int64_t number, const LineToken& token);
  // Keeps the original bytes of `line` (the last line appended), written
  // back instead of the view's text as long as the line does not change.
  void KeepOriginal(std::int64_t line, std::string bytes);

  // ---- Settings ------------------------------------------------------------------
  std::int64_t LineCount() const { return lineCount_; }
  const LineNumbering& numbering() const { return numbering_; }
  // Changes how numbers are held. Switching to kept numbers gives every line
  // without a number start + index * increment; switching away drops them.
  // False (and no change) for digits outside 1..kMaxNumberDigits or a
  // negative column, start or increment.
  bool SetNumbering(const LineNumbering& numbering);
  bool tokens() const { return tokens_; }
  void SetTokens(bool tokens);
  // Whether the last line is followed by a line end when written (plain
  // text); in record form, false means an empty last line is no record.
  bool finalLineEnd() const { return finalLineEnd_; }
  void SetFinalLineEnd(bool value) { finalLineEnd_ = value; }

  // ---- Following the view's edits ---------------------------------------------------
  // Whether `count` lines inserted before `line` (== LineCount() appends)
  // can be numbered.
  bool CanInsertLines(std::int64_t line, std::int64_t count) const;
  // Lines inserted before `line`: they carry no marks, links or token, are
  // changed, and with kept numbers get numbers between their neighbours'. On
  // kNoFreeNumber nothing changes and the view must refuse the insertion.
  InsertResult InsertLines(std::int64_t line, std::int64_t count);
  // Lines [line, line + count) removed with everything they carried.
  bool DeleteLines(std::int64_t line, std::int64_t count);
  // The text of lines [line, line + count) changed.
  bool MarkChanged(std::int64_t line, std::int64_t count = 1);
  bool IsChanged(std::int64_t line) const;
  // The document was saved with `tokenText`: changed lines now carry the
  // token they were written with and are no longer changed.
  void TextSaved(std::string_view tokenText);

  // ---- Numbers ---------------------------------------------------------------------
  // The number of `line`; kNoLineNumber without numbering, for a line that
  // carries none, or for a line that does not exist.
  std::int64_t NumberOfLine(std::int64_t line) const;
  // The first line that carries `number`, or -1.
  std::int64_t LineWithNumber(std::int64_t number) const;
  // Numbers lines first..last (0-based, inclusive) start, start + increment,
  // ...; with `mark` they also get the error or tag mark. Refused (false,
  // nothing changed) without numbering, for a range outside the document, a
  // negative start, an increment below 1 over more than one line, or a last
  // number too wide for the digits. Regenerated numbering is one sequence
  // over the whole document: `first` must be 0, and start and increment
  // become the document's (the last line given is not a limit).
  bool Renumber(std::int64_t first, std::int64_t last, std::int64_t start, std::int64_t increment,
                bool mark);

  // ---- Marks and links ---------------------------------------------------------------
  std::uint32_t Marks(std::int64_t line) const;  // kLineMark* bits; 0 for no line
  bool SetMarks(std::int64_t line, std::uint32_t marks);
  // From `from` (inclusive) towards the end (or the start), wrapping round
  // once: the first line with any of `mask`; -1 when none. `from` outside the
  // document starts at the first (or last) line.
  std::int64_t NextLineWithMark(std::int64_t from, std::uint32_t mask, bool forward) const;
  // Removes the marks of `mask` from every line.
  void ClearMarks(std::uint32_t mask);

  // Navigator links: a non-zero value per line (0: none).
  std::int32_t Link(std::int64_t line) const;
  bool SetLink(std::int64_t line, std::int32_t value);
  void ClearLinks();
  // From `from` (inclusive) towards the end (or the start), no wrapping: the
  // first line with a link; -1 when none.
  std::int64_t NextLinkedLine(std::int64_t from, bool forward) const;

  // ---- Tokens and original bytes -----------------------------------------------------
  std::string_view Token(std::int64_t line) const;
  // The token `line` is written with when the window's token text is
  // `tokenText`: a changed line takes the token text (cut to the token area)
  // unless it is empty; otherwise the line keeps its own.
  std::string_view TokenForSave(std::int64_t line, std::string_view tokenText) const;
  // The original bytes of an unchanged line that holds some; null otherwise.
  const std::string* Original(std::int64_t line) const;

  // ---- Keeping the state in a file -------------------------------------------------------
  // Appends everything above – numbering, tokens on or off, final line end,
  // and per line its number, marks and changed flag, link, token and
  // original bytes – to `out`, little-endian:
  //   u8 version (1), u8 numbering mode, u8 tokens, u8 final line end,
  //   i32 column, i32 digits, i64 start, i64 increment, i64 line count,
  //   [kept numbers: i64 per line], u8 flags per line,
  //   u64 link count, (i64 line, i32 value) per non-zero link,
  //   [tokens: u8 length and the token's bytes per line],
  //   u64 original count, (i64 line, u64 length, bytes) per original.
  void AppendTo(std::string& out) const;
  // Reads what AppendTo wrote from the front of `in` and advances `in` past
  // it. Nullopt (and `in` unchanged) for anything AppendTo cannot have
  // written: another version, an unknown mode or flag, numbering the
  // document could not hold, a count larger than the bytes left could carry,
  // links or originals out of order or outside the document, a token wider
  // than the token area, a number below kNoLineNumber. Nothing is allocated
  // beyond what the bytes present can fill.
  static std::optional<LineMetadata> ReadFrom(std::string_view& in);

  // Same lines with the same data and settings.
  bool operator==(const LineMetadata&) const = default;

 private:
  static constexpr std::uint8_t kChanged = 0x10;

  bool ValidLine(std::int64_t line) const { return line >= 0 && line < lineCount_; }
  bool KeepsNumbers() const { return numbering_.mode == NumberingMode::kKept; }
  // The numbers for `count` lines inserted before `line`, in order; empty
  // when none fit.
  std::vector<std::int64_t> NumbersForInsert(std::int64_t line, std::int64_t count) const;
  void FillNumbersFrom(std::int64_t first);

  std::int64_t lineCount_ = 0;
  LineNumbering numbering_;
  bool tokens_ = false;
  bool finalLineEnd_ = true;
  std::vector<std::int64_t> numbers_;  // kept numbers only: one per line
  std::vector<std::uint8_t> flags_;    // marks in the low bits, kChanged
  std::vector<std::int32_t> links_;
  std::vector<LineToken> lineTokens_;                            // with tokens only: one per line
  std::vector<std::pair<std::int64_t, std::string>> originals_;  // sorted by line
};

}  // namespace vandrel
