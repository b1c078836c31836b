// Applying a template to a document and its edit control: the host format and
// numbering, the editing settings, what the control is told, and the syntax
// colouring (comment rules, delimiters, quotes, keyword lists).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "editor/edit_control.h"

namespace vandrel {

struct AppSettings;
struct DocumentFormat;
class Template;
class TemplateCatalogue;

// The parts of ApplyTemplate, combined as a bit set.
inline constexpr unsigned kApplyHostFormat = 1;  // host format and numbering
inline constexpr unsigned kApplyEditing = 2;     // editing settings of the document
inline constexpr unsigned kApplyPush = 4;        // push the settings to the edit control
inline constexpr unsigned kApplyCheckOnly = 8;   // only compare the numbering

// Results of ApplyTemplate.
inline constexpr int kApplyFailed = 0;
inline constexpr int kApplyDone = 1;
inline constexpr int kApplyNumberingDiffers = 2;

// Applies the named template (looked up ignoring case; an unknown name gives
// the plain defaults: the global tab width, smart indenting and ruler, no
// format, no numbering, no syntax rules) to `doc` and, when `control` is not
// null, to the control. Returns kApplyNumberingDiffers when kApplyCheckOnly
// finds that the document's numbering disagrees with the template (the syntax
// is then not applied), kApplyFailed when no record could be made, otherwise
// kApplyDone after applying the syntax.
int ApplyTemplate(const TemplateCatalogue& catalogue, const AppSettings& settings,
                  std::string_view name, EditControl* control, DocumentFormat& doc, unsigned parts);

// Sends the named template's syntax description (the line comment column
// shifted by `columnOffset`), clears the control's keyword lists and adds
// every non-empty list with the colours Keyword1Color … Keyword4Color.
// Returns 1 when the template exists; otherwise sends an empty description and
// the clear message and returns 0.
int ApplySyntax(const TemplateCatalogue& catalogue, const AppSettings& settings,
                std::string_view name, EditControl& control, int columnOffset);

// The syntax record of `tmpl` (null: the empty record). Comment markers longer
// than kMaxCommentMarkerLength are not sent (see CommentMarkersFit).
SyntaxDescription BuildSyntaxDescription(const Template* tmpl, int columnOffset);

// True when the template's comment markers fit the control's 7-character
// fields; the template editor uses it to warn about a marker the control
// would not receive.
bool CommentMarkersFit(const Template& tmpl);

// The tab stops of a "TabPositions" text ("4,10,20"), as 0-based columns.
std::vector<std::int32_t> ParseTabPositions(std::string_view text);

}  // namespace vandrel
