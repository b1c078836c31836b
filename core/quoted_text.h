// Texts in double quotes with C-like escapes, as the readable files of the
// product write them (the settings file, template sources): \\ \" \n \r \t,
// and \xHH for any other byte that would not survive as itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vandrel {

enum class HighBytes {
  kAsIs,           // bytes from 0x80 up stand for themselves
  kEscapeNonUtf8,  // bytes that are not part of a valid UTF-8 sequence become \xHH
};

// `text` in double quotes; control bytes are escaped.
std::string QuoteText(std::string_view text, HighBytes highBytes);

// Reads the quoted text at the start of `s` (which must begin with a double
// quote). On success `rest` receives what follows the closing quote; on
// failure `problem` (when given) says what is wrong.
std::optional<std::string> UnquoteText(std::string_view s, std::string_view* rest,
                                       std::string* problem = nullptr);

// Appends the two-character escape of a backslash, double quote, line feed,
// carriage return or tab, which JSON shares with these texts; false, adding
// nothing, for any other byte.
bool AppendShortEscape(std::string& out, char c);

bool IsControlByte(char c);
// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

}  // namespace vandrel
