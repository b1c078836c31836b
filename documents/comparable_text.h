// A file's text as the compare view shows it: the lines of a file in
// transfer form (length-prefixed records after the Qedit and MPE header
// records and the labels, read by the document loader) or of a plain text
// file, with the sequence-number field taken out of every line that has it
// and trailing blanks dropped, so two versions compare by what the user
// edits and not by their numbers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "documents/document_format.h"
#include "documents/document_loader.h"

namespace vandrel {

struct ComparableText {
  std::vector<std::string> lines;
  DocumentNumbering numbering;  // the field that was taken out (position 0: none)
  LoadError error = LoadError::kNone;
  bool damaged = false;  // the records ended inside a record; `lines` has those before it
  bool ok() const { return error == LoadError::kNone && !damaged; }
};

// `line` without its number field and its trailing blanks and tabs. The field
// is `numbering.digits` decimal digits at the start (position 1) or at 0-based
// column `position` (position 2 and above); a line whose field is missing or
// not all digits keeps its text. Without digits nothing is taken out.
std::string ComparableLine(std::string_view line, const DocumentNumbering& numbering);

// The lines of `bytes`: records in transfer form when `recordForm` (a Qedit
// header is recognised by itself), otherwise plain text whose lines end at
// LF, CR LF or a lone CR (a final line end makes no empty line). The numbers
// taken out are those of `numbering` when given, otherwise those the loader
// finds: the Qedit header's, or the ones it detects in the first lines.
ComparableText MakeComparableText(std::span<const std::uint8_t> bytes, bool recordForm,
                                  const std::optional<DocumentNumbering>& numbering = {});
ComparableText MakeComparableText(std::string_view bytes, bool recordForm,
                                  const std::optional<DocumentNumbering>& numbering = {});
// The same for a local file; kOpen when it cannot be read.
ComparableText ReadComparableText(const std::filesystem::path& path, bool recordForm,
                                  const std::optional<DocumentNumbering>& numbering = {});

}  // namespace vandrel
