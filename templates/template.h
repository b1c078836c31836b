// A template: one language or file kind – how its files are stored on the
// host, how they are edited and coloured, which parser extension and which
// compiler output mask serve it. Stored as section "Template" of a .vdt file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/root_object.h"
#include "core/setting_descriptor.h"
#include "templates/keyword_list.h"

namespace vandrel {

inline constexpr std::string_view kTemplateSection = "Template";
inline constexpr std::size_t kTemplateNameSize = 63;    // at most 62 characters
inline constexpr std::size_t kTemplatePathSize = 260;   // at most 259 characters
inline constexpr std::size_t kKeywordTextSize = 16384;  // at most 16,383 characters
inline constexpr int kTemplateValueCount = 43;
// Row sizes of the other text values (each keeps at most size - 1 characters).
inline constexpr std::size_t kTemplateLongTextSize = 259;  // help file, parser, output mask
inline constexpr std::size_t kTabPositionsSize = 63;
inline constexpr std::size_t kCommentMarkerSize = 14;  // at most 13 characters
inline constexpr std::size_t kDelimitersSize = 255;

// MPEFileSupport values.
inline constexpr std::int32_t kMpeSupportNone = 0;
inline constexpr std::int32_t kMpeSupportQedit = 1;
inline constexpr std::int32_t kMpeSupportStandard = 2;

// The stored settings, in descriptor order (the order they are written).
// Every field defaults to zero or empty.
struct TemplateSettings {
  std::string Name;                // text 63
  std::string ContextHelpFile;     // text 259
  std::string SyntaxParser;        // text 259
  std::string CompilerOutputMask;  // text 259
  std::int32_t TabStops = 0;
  std::int32_t CustomEdit = 0;
  std::int32_t SmartIndenting = 0;
  std::int32_t Ruler = 0;
  std::int32_t SaveTabsAsSpaces = 0;
  std::int32_t AddTabsAsSpaces = 0;
  std::int32_t Cobol85 = 0;
  std::int32_t Trim = 0;
  std::string TabPositions;  // text 63
  std::int32_t MPEFileSupport = 0;
  std::int32_t MPEFileCode = 0;
  std::int32_t MPERecordLen = 0;
  std::int32_t MPEType = 0;
  std::int32_t MPEMode = 0;
  std::int32_t RemoveLineNumbers = 0;
  std::int32_t KeepSequence = 0;
  std::int32_t MPELineNoFormat = 0;
  std::int32_t HideLineNumbers = 0;
  std::int32_t LineNumberPosition = 0;
  std::int32_t LineNumberDigits = 0;
  std::int32_t LineNumberStart = 0;
  std::int32_t LineNumberIncrement = 0;
  std::int32_t IntelliSequence = 0;
  std::int32_t QeditType = 0;
  std::int32_t MaximumLineLength = 0;
  std::string OpenComment;   // text 14
  std::string CloseComment;  // text 14
  std::string LineComment;   // text 14
  std::int32_t LineCommentPos = 0;
  std::string Delimiters;  // text 255
  std::int32_t CaseSensitive = 0;
  std::int32_t SingleQuotes = 0;
  std::int32_t DoubleQuotes = 0;
  std::int32_t PartialMatchLen = 0;
  std::int32_t PartialMatch = 0;
  // KeywordList1 … KeywordList4 (text 16384 each) live in Template::keywords.

  bool operator==(const TemplateSettings&) const = default;
};

class Template : public coObject {
 public:
  explicit Template(std::filesystem::path path = {});

  bool Load();  // Transfer(true)
  bool Save();  // Transfer(false)
  // Empties the lists and zeroes the settings and the user flag; keeps the path.
  void Clear();
  bool Transfer(bool load);
  // Copies lists, path, settings and user flag.
  void CopyFrom(const Template& other);
  // True when a setting, the user flag or a list differs (the path does not count).
  bool Differs(const Template& other) const;

  // The 43 rows in descriptor order; the keyword rows point at `keywordTexts`.
  std::vector<SettingDescriptor> Descriptors(std::array<std::string, 4>& keywordTexts);
  // The name of the first value that cannot be stored whole (a text longer
  // than its row, or holding a zero byte); empty when every value fits. Save
  // fails, leaving the file untouched, while this is not empty.
  std::string UnstorableValue() const;

  std::filesystem::path path;  // at most 259 characters; empty for a scratch template
  std::array<KeywordList, 4> keywords;
  TemplateSettings settings;
  std::int32_t userFlag = 0;  // 1: user template; 0: default template
};

// The names of the four keyword styles.
inline constexpr std::array<std::string_view, 4> kKeywordStyleNames = {
    "1 - Standard Keywords", "2 - Compiler Keywords", "3 - Internal Keywords",
    "4 - Other Keywords"};

}  // namespace vandrel
