// Searching a document's text: the search record the edit control's find
// operation takes, the matching rules (whole words, case), forward and
// backward searches with wrapping, and Replace All in one pass. The text is
// one buffer with '\n' between lines, as the edit control holds it; lines
// and columns are 0-based, columns count bytes.
//
// Whole words. A match is a whole word when neither the byte before it nor
// the byte after it continues a word. Word bytes are the ASCII letters and
// digits and '_'. A hyphen continues a word only when a letter or digit
// stands on both sides of it: COBOL names such as WS-COUNT are one word (a
// whole-word search for COUNT does not stop inside WS-COUNT). The price is
// that I-1 written without blanks in a C or Pascal expression is one word
// too; "I - 1" is two. Bytes from 0x80 up are not word bytes.
//
// Case. Without kSearchMatchCase the ASCII letters match either case; every
// other byte matches only itself, so a search never depends on a locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

// Flags of a search record.
inline constexpr std::uint32_t kSearchForward = 1;
inline constexpr std::uint32_t kSearchBackward = 2;
inline constexpr std::uint32_t kSearchWrap = 4;
inline constexpr std::uint32_t kSearchWholeWord = 8;
inline constexpr std::uint32_t kSearchMatchCase = 16;

// The longest search text a record carries (longer texts are cut).
inline constexpr std::size_t kMaxSearchText = 255;

// What the find operation is given, and what it answers.
struct SearchRecord {
  // Where the search begins: a forward search finds matches that begin
  // there or later, a backward one matches that begin before it.
  std::int64_t startLine = 0;
  std::int64_t startColumn = 0;
  // A forward search takes only matches that end at or before this place;
  // -1, -1 is the end of the text. Columns past a line's end mean its end.
  std::int64_t endLine = -1;
  std::int64_t endColumn = -1;
  std::uint32_t flags = kSearchForward;
  std::string text;
  // On success: the found range (the end just after its last byte).
  std::int64_t foundLine = -1;
  std::int64_t foundColumn = -1;
  std::int64_t foundEndLine = -1;
  std::int64_t foundEndColumn = -1;
};

inline constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

// Whether `c` is a letter, digit or underscore (ASCII).
bool IsWordByte(char c);
// Whether the match [at, at + length) of `text` stands as a whole word.
bool IsWholeWordAt(std::string_view text, std::size_t at, std::size_t length);

// A compiled search text with its options; cheap to use many times.
class TextMatcher {
 public:
  TextMatcher(std::string_view needle, std::uint32_t flags);
  std::string_view needle() const { return needle_; }

  // The first match that begins at or after `from` and ends at or before
  // `limit`; kNoMatch when none (or for an empty search text).
  std::size_t Forward(std::string_view text, std::size_t from, std::size_t limit) const;
  // The last match that begins before `before` (anywhere it ends); kNoMatch
  // when none.
  std::size_t Backward(std::string_view text, std::size_t before) const;
  // Forward or backward by the flags; with kSearchWrap a search that finds
  // nothing goes on from the other end of the text (a forward one then ends
  // at `limit`, taking no match twice).
  std::size_t Search(std::string_view text, std::size_t from, std::size_t limit) const;

 private:
  bool MatchesAt(std::string_view text, std::size_t at) const;
  bool Accept(std::string_view text, std::size_t at) const;

  std::string needle_;
  std::uint32_t flags_;
};

// Every match in [from, to), searched forward and going on after each match
// (matches never overlap), in text order.
std::vector<std::size_t> FindAll(std::string_view text, std::size_t from, std::size_t to,
                                 const TextMatcher& matcher);

// The byte offset of line `line`, column `column` (clamped to the line's
// end; a line past the last means the end of the text).
std::size_t OffsetOf(std::string_view text, std::int64_t line, std::int64_t column);
// The line and column of `offset`.
void PlaceOf(std::string_view text, std::size_t offset, std::int64_t* line, std::int64_t* column);

// The find operation over a whole text: searches as the record says and, on
// success, fills its found range. The text of the record is cut to
// kMaxSearchText bytes.
bool FindInText(std::string_view text, SearchRecord& record);

// Replace All over [from, to) of `text`: one pass that replaces every match
// lying wholly inside the range and goes on after each (never again over
// replaced text, so a replacement holding the search text cannot loop). The
// whole-word test looks at the text as it was before.
struct ReplaceAllResult {
  std::string text;
  std::int64_t count = 0;
  std::size_t rangeEnd = 0;  // `to`, moved by the change in length before it
};
ReplaceAllResult ReplaceAllInText(std::string_view text, std::size_t from, std::size_t to,
                                  const TextMatcher& matcher, std::string_view replacement);

// Appends to `out` the text from `from` to the end of the last of `found`
// (ascending match offsets, none before `from`, each `length` bytes long)
// with every match replaced by `replacement`. Returns where the text copied
// ends: `from` when there is no match.
std::size_t AppendReplaced(std::string& out, std::string_view text, std::size_t from,
                           std::span<const std::size_t> found, std::size_t length,
                           std::string_view replacement);

// The word around `column` of `line` (a line's text without its end): the
// word bytes and joining hyphens touching the column, or those just before
// it; empty when none.
std::string WordAround(std::string_view line, std::size_t column);

}  // namespace vandrel
