// The readable text form of a template (".vdtsrc"): what the default templates
// are written in and what `vandrel-cli template show` prints. It holds the 43
// stored values of a template file and nothing else.
//
//   # A comment: a line whose first non-blank character is '#'.
//   Name = "HP COBOL II"          # texts are always in double quotes
//   TabStops = 4                  # numbers are decimal; flags are 0 or 1
//   [KeywordList1]                # then one keyword per line
//   ACCEPT
//   "#define"                     # a keyword in quotes when it needs them
//
// Settings lines have the form `Key = value`, keys spelled exactly as the
// stored value names. Quoted texts may use the escapes \" \\ \t \n \r and
// \xHH; every other byte stands for itself, so leading and trailing blanks
// and '#' inside the quotes survive. A comment may follow a value on its line.
// An optional `[Template]` line starts the settings part. Sections
// `[KeywordList1]` … `[KeywordList4]` list keywords: a bare keyword is the
// whole line without its surrounding blanks; a keyword that is empty, starts
// with '#' or '"', has surrounding blanks or holds control characters is
// written in quotes. Values left out are zero or empty, as in a template file.
//
// Parsing refuses, with "source:line: ..." messages, whatever the template
// file could not keep exactly: unknown or repeated keys, numbers that are not
// 32-bit decimals, flags other than 0 and 1, values outside a field's list of
// meanings, texts longer than their field and keyword lists longer than
// 16,383 characters. Nothing is ever cut short silently.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "templates/template.h"

namespace vandrel {

inline constexpr std::string_view kTemplateSourceExtension = ".vdtsrc";

// Parses `text` into `out` (its stored settings and keyword lists; the path
// and user flag are left alone). `sourceName` prefixes every message. On
// failure returns false, leaves `out` unchanged and puts every problem found
// into `errors`, in line order.
bool ParseTemplateSource(std::string_view text, std::string_view sourceName, Template& out,
                         std::vector<std::string>* errors);

// Reads and parses the file `source`; a file that cannot be read is an error.
bool ReadTemplateSourceFile(const std::filesystem::path& source, Template& out,
                            std::vector<std::string>* errors);

// The source text of `t`: every one of the 43 values in stored order, then
// the four keyword sections. Parsing the result gives the same template.
std::string FormatTemplateSource(const Template& t);

// A text in the quoted form of the source (also used for keywords).
std::string QuoteSourceText(std::string_view text);

}  // namespace vandrel
