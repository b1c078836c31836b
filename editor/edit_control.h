// The edit control as the rest of the system drives it: the syntax-colouring
// text surface of editor windows. Each operation is one control message; the
// constants beside them are the message numbers, counted from the first user
// message (kUserMessageBase), and the records carry exactly the fields, flags
// and limits the control honours. The widget implements this interface; tests
// record the calls.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

// The window system's first user message; control message numbers are offsets
// from it.
inline constexpr std::uint32_t kUserMessageBase = 1024;

// Control message offsets used to configure a control from a template.
inline constexpr std::uint32_t kEditMessageAddKeywordList = 2;
inline constexpr std::uint32_t kEditMessageSyntax = 16;
inline constexpr std::uint32_t kEditMessageTabWidth = 22;
inline constexpr std::uint32_t kEditMessageOptionBits = 32;
inline constexpr std::uint32_t kEditMessageLineLimit = 37;
inline constexpr std::uint32_t kEditMessageNumbering = 39;
inline constexpr std::uint32_t kEditMessageClearKeywordLists = 40;
inline constexpr std::uint32_t kEditMessageCobolTokens = 46;
inline constexpr std::uint32_t kEditMessageMarginMode = 49;
inline constexpr std::uint32_t kEditMessageTabPositions = 53;

// ---- Syntax description (message 16) ---------------------------------------

inline constexpr std::uint32_t kSyntaxBlockComment = 0x1;       // both block markers present
inline constexpr std::uint32_t kSyntaxLineComment = 0x2;        // line comment marker present
inline constexpr std::uint32_t kSyntaxLineCommentColumn = 0x4;  // line comment column present
inline constexpr std::uint32_t kSyntaxSingleQuotes = 0x8;       // strings in single quotes
inline constexpr std::uint32_t kSyntaxCaseSensitive = 0x10;     // keywords case sensitive

// A comment marker field holds 8 bytes: at most 7 characters and a zero.
inline constexpr std::size_t kCommentMarkerFieldSize = 8;
inline constexpr std::size_t kMaxCommentMarkerLength = kCommentMarkerFieldSize - 1;
// The delimiter field holds 256 bytes, of which at most 254 characters are used.
inline constexpr std::size_t kDelimiterFieldSize = 256;
inline constexpr std::size_t kMaxDelimiterLength = 254;

// The 288-byte syntax record. Text fields are zero-terminated and zero-padded.
struct SyntaxDescription {
  std::uint32_t flags = 0;  // kSyntax*
  std::array<char, kCommentMarkerFieldSize> blockCommentStart{};
  std::array<char, kCommentMarkerFieldSize> blockCommentEnd{};
  std::array<char, kCommentMarkerFieldSize> lineComment{};
  std::int32_t lineCommentColumn = 0;  // column from 1 in the editable text
  std::array<char, kDelimiterFieldSize> delimiters{};

  // The text of a field, up to its first zero byte.
  template <std::size_t N>
  static std::string_view FieldText(const std::array<char, N>& field) {
    std::size_t length = 0;
    while (length < N && field[length] != 0) ++length;
    return {field.data(), length};
  }
};
static_assert(sizeof(SyntaxDescription) == 288, "the syntax record is 288 bytes");

// ---- Keyword lists (messages 40 and 2) ---------------------------------------

inline constexpr std::uint32_t kKeywordsCaseSensitive = 0x2;
inline constexpr std::uint32_t kKeywordsPartialMatch = 0x4;

// One keyword list for the control: `count` keywords back to back, each
// followed by a zero byte. The keywords stay the caller's; the control copies
// what it keeps.
struct KeywordListRecord {
  const char* keywords = nullptr;
  std::int32_t count = 0;
  std::uint32_t colour = 0;        // red in the lowest byte, then green, then blue
  std::uint32_t flags = 0;         // kKeywords*
  std::int32_t partialLength = 0;  // with kKeywordsPartialMatch: characters from which it applies

  // The `count` keywords of the block.
  std::vector<std::string_view> Keywords() const {
    std::vector<std::string_view> out;
    const char* p = keywords;
    for (std::int32_t i = 0; p != nullptr && i < count; ++i) {
      std::string_view word(p);
      out.push_back(word);
      p += word.size() + 1;
    }
    return out;
  }
};

// ---- Numbering description (message 39) ---------------------------------------

inline constexpr std::int32_t kNumberingRenumber = 1;  // numbers are regenerated
inline constexpr std::int32_t kNumberingKeep = 2;      // existing numbers are kept

// Six 32-bit values. Position is 0 for numbers at the start of each record,
// 1 for numbers at its end. "No description" (a null record) means the text
// carries no numbers.
struct NumberingDescription {
  std::int32_t mode = 0;   // kNumberingRenumber or kNumberingKeep
  std::int32_t cobol = 0;  // 1: COBOL line tokens
  std::int32_t digits = 0;
  std::int32_t position = 0;  // document numbering position - 1
  std::int32_t start = 0;
  std::int32_t increment = 0;
  bool operator==(const NumberingDescription&) const = default;
};

// ---- Option bits (message 32) ------------------------------------------------

inline constexpr std::uint32_t kEditOptionTabsAsSpaces = 0x4;
inline constexpr std::uint32_t kEditOptionSmartIndent = 0x8;
inline constexpr std::uint32_t kEditOptionRuler = 0xC0;
inline constexpr std::uint32_t kEditOptionMpeLineNumbers = 0x200;

// ---- Line limit (message 37) -------------------------------------------------

// The line limit travels in the high 16 bits of the message's first
// parameter; the low 16 bits are zero. A length below 0 packs as 0 (no limit),
// one above 65,535 as 65,535, so a bad length never wraps into a small limit.
constexpr std::uint32_t PackLineLimit(std::int32_t length) {
  if (length < 0) length = 0;
  if (length > 0xFFFF) length = 0xFFFF;
  return static_cast<std::uint32_t>(length) << 16;
}
constexpr std::int32_t LineLimitOf(std::uint32_t param) {
  return static_cast<std::int32_t>(param >> 16);
}

// ---- Margin and COBOL token modes (messages 49 and 46) -----------------------

inline constexpr std::int32_t kMarginNone = 0;
inline constexpr std::int32_t kMarginLineNumbers = 2;
inline constexpr std::int32_t kCobolTokenMode = 8;

// At most this many tab positions are sent; the list is followed by a 0.
inline constexpr std::size_t kMaxTabPositions = 30;

class EditControl {
 public:
  virtual ~EditControl() = default;

  // 16: comment markers, delimiters, quote and case rules.
  virtual void SetSyntax(const SyntaxDescription& syntax) = 0;
  // 40: forget every keyword list.
  virtual void ClearKeywordLists() = 0;
  // 2: add one keyword list with its colour and matching rules.
  virtual void AddKeywordList(const KeywordListRecord& list) = 0;
  // 39: how the text's sequence numbers are handled; null: the text has none.
  virtual void SetNumbering(const NumberingDescription* numbering) = 0;
  // 22: tab width in columns.
  virtual void SetTabWidth(std::int32_t width) = 0;
  // 37: the packed parameter of PackLineLimit; 0 means no limit.
  virtual void SetLineLimit(std::uint32_t packedParam) = 0;
  // 32: the bits of `mask` take their values from `value`.
  virtual void SetOptionBits(std::uint32_t mask, std::uint32_t value) = 0;
  // 53: `count` tab stops as 0-based columns; positions[count] is 0.
  virtual void SetTabPositions(std::int32_t count, const std::int32_t* positions) = 0;
  // 49: kMarginNone or kMarginLineNumbers.
  virtual void SetMarginMode(std::int32_t mode) = 0;
  // 46: kCobolTokenMode switches on COBOL line tokens.
  virtual void SetCobolTokenMode(std::int32_t mode) = 0;
};

}  // namespace vandrel
