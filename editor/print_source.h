// What a printout takes from an edit control: each line's text, the number
// the control holds for it formatted as the margin shows it, and its COBOL'85
// token. The editor window and the command-line tool both print from this.
#pragma once

#include <string>
#include <string_view>

#include "documents/document_format.h"
#include "documents/print_layout.h"
#include "editor/line_metadata.h"

namespace vandrel {

// The print source of a document whose lines are `text` (separated by
// '\n') with the control's line data `lines`. Numbers are printed when the
// document's active numbering has a position and the control holds them
// apart from the text; tokens when the control keeps them. `name` is the
// document's name as "&F" prints it.
PrintSource MakePrintSource(std::string_view text, const LineMetadata& lines,
                            const DocumentFormat& format, std::string name);

}  // namespace vandrel
