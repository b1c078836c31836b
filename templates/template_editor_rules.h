// The Template Manager's pages without their widgets: what each control
// shows for a template, which controls are enabled, and how the controls are
// written back into the working copy.
//
// Writing back compares the controls with what they showed when the template
// was loaded and stores only the fields whose controls the user changed. So a
// template that is visited and left is never changed by the visit – not even
// one holding values the controls cannot show: a record type of 5, a parser
// extension stored as "(none)", a file code outside the table, a line number
// position outside the list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "templates/template.h"

namespace vandrel {

class TemplateCatalogue;

// The longest texts the fields keep: a text row of size n keeps n - 1
// characters, and a longer text would make the whole save fail.
inline constexpr int kMaxTabPositionsText = static_cast<int>(kTabPositionsSize) - 1;    // 62
inline constexpr int kMaxDelimitersText = static_cast<int>(kDelimitersSize) - 1;        // 254
inline constexpr int kMaxCommentMarkerText = static_cast<int>(kCommentMarkerSize) - 1;  // 13
inline constexpr int kMaxHelpFileText = static_cast<int>(kTemplateLongTextSize) - 1;    // 258
inline constexpr int kMaxOutputMaskText = 255;

// The controls of the six pages (the keyword lists themselves are edited in
// the working copy's lists by the "Keywords" page).
struct TemplateControls {
  // "Editor"
  bool overrideOptions = false;
  bool smartIndenting = false;
  bool displayRuler = false;
  bool saveTabsAsSpaces = false;
  std::int32_t tabSize = 0;
  bool insertTabsAsSpaces = false;
  std::string tabPositions;
  // "Line Numbers"
  bool removeLineNumbers = false;
  bool automaticRenumbering = false;  // the inverse of KeepSequence
  bool mpeLineNumbers = false;
  bool hideLineNumbers = false;
  bool intelligentResequencing = false;
  int positionChoice = -1;  // in LineNumberPositionChoices(); -1 for another value
  std::int32_t digits = 0;
  std::int32_t start = 0;
  std::int32_t sequence = 0;
  // "Syntax"
  std::string delimiters;
  bool singleQuotes = false;
  bool doubleQuotes = false;
  std::string commentStart;
  std::string commentEnd;
  std::string lineCommentStart;
  std::int32_t lineCommentPosition = 0;
  // "Keywords"
  bool caseSensitive = false;
  bool partialMatch = false;
  std::int32_t partialMatchFrom = 0;
  // "Advanced"
  std::string codeNavigator;  // "(none)" or a parser extension's file name
  std::string helpFile;
  std::string outputMask;
  bool trimTrailingSpaces = false;
  bool cobolLineTokens = false;
  std::int32_t maximumLineLength = 0;
  // "MPE/iX"
  bool mpeSupport = false;
  bool qeditFile = false;  // the "Qedit file" button; "Standard MPE file" otherwise
  std::int32_t recordLength = 0;
  int languageChoice = -1;  // -1 for a language outside the list
  std::string fileCode;     // the drop-down's text: a table entry or a number
  int typeChoice = -1;      // -1 for a record type outside the list
  int modeChoice = -1;      // -1 for a mode outside the list

  bool operator==(const TemplateControls&) const = default;
};

// What the pages show for `item`.
TemplateControls ControlsOfTemplate(const Template& item);

// Writes into `item` the fields of the controls that differ between `shown`
// (the controls as the pages showed them on loading) and `now`. A changed
// control that stands for no value (no record type, mode, language or
// position chosen; a file code text that is neither an entry nor a number)
// leaves its field as it was.
void StoreTemplateControls(const TemplateControls& shown, const TemplateControls& now,
                           Template& item);

struct TemplateControlsEnabled {
  bool editorOptions = false;  // every "Editor" control but the override
  bool tabPositions = false;
  bool lineNumberOptions = false;  // every "Line Numbers" control but the first
  bool mpeFormat = false;          // the two kinds and the record length
  bool qeditLanguage = false;
  bool standardAttributes = false;  // file code, type and mode
};
TemplateControlsEnabled EnabledControls(const TemplateControls& controls);

// "Line number position:": None, Left, Right for the values 0, 1 and 2.
std::vector<std::string> LineNumberPositionChoices();

// "Code navigator:": "(none)", the file names of the catalogue's parser
// extensions, and `current` last when it is neither (an extension that is
// not installed here stays what the template names).
std::vector<std::string> CodeNavigatorChoices(const TemplateCatalogue& catalogue,
                                              std::string_view current);

// "File Code:": every row of the file code table as its list text.
std::vector<std::string> FileCodeChoices();
// The code a "File Code:" text stands for: the code of a table entry, of a
// mnemonic (ignoring case), or a typed decimal number (blanks around it
// ignored); nothing for any other text.
std::optional<std::int32_t> FileCodeOfText(std::string_view text);

}  // namespace vandrel
