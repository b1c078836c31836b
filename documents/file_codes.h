// MPE file attribute domains: the reserved file codes with their mnemonics
// and descriptions, and the choice lists of the file properties pages
// (record type, mode, Qedit language, line ends, tab size) with the mapping
// between a list position and the value it stands for.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

// The file code of a Qedit file.
inline constexpr std::int32_t kFileCodeQedit = 111;

struct FileCodeRow {
  std::int32_t code = 0;
  std::string_view mnemonic;  // empty for code 0
  std::string_view description;
};

// The file code table as its text resource: one row per line, "code,mnemonic,
// description", lines separated by CR LF (no line end after the last).
std::string_view FileCodeTableText();

// The rows of the table, in table order (106 rows, rising codes).
std::span<const FileCodeRow> FileCodeTable();

// The row of `code`, or null when the code is not in the table.
const FileCodeRow* FindFileCode(std::int32_t code);

// A row as a list shows it: "(%s) - %s" with the mnemonic ("0" when it is
// empty) and the description.
std::string FileCodeChoiceText(const FileCodeRow& row);

// The list text of `code`; a code not in the table shows the number alone.
std::string DescribeFileCode(std::int32_t code);

// The items of a comma-separated string-table list, in order.
std::vector<std::string> ChoiceList(int stringId);

// Record types: "Fixed,Variable,Undefined,Spool block,Byte stream" stand for
// 0, 1, 2, 3 and 9.
std::vector<std::string> RecordTypeChoices();
// The record type of list position `index`; none outside the list.
std::optional<std::int32_t> RecordTypeOfChoice(int index);
// The list position of record type `type`; -1 for a type the list lacks.
int ChoiceOfRecordType(std::int32_t type);

// Modes: "Binary,ASCII"; the position is the mode.
std::vector<std::string> FileModeChoices();
int ChoiceOfFileMode(std::int32_t mode);  // -1 outside the list

// Qedit languages "(0) - None" to "(8) - COBOL'85"; the position is the value.
std::vector<std::string> QeditLanguageChoices();
int ChoiceOfQeditLanguage(std::int32_t language);  // -1 outside the list

// Line ends of plain files: "Mac,Unix,DOS" stand for CR (1), LF (2) and
// CR LF (3), the kLineEnd* bits of the format record.
std::vector<std::string> LineEndChoices();
std::optional<std::uint32_t> LineEndsOfChoice(int index);
int ChoiceOfLineEnds(std::uint32_t lineEnds);  // -1 when none is known

// Tab sizes: "(default),2,4,6,8"; "(default)" is 0 and any other number may
// be typed.
std::vector<std::string> TabSizeChoices();
// The tab size of a chosen or typed text (blanks around it ignored); none when
// it is neither the default item nor a whole number from 0 up.
std::optional<std::int32_t> TabSizeOfText(std::string_view text);
// The text a tab size shows: "(default)" for 0, else the number.
std::string TabSizeText(std::int32_t tabSize);

}  // namespace vandrel
