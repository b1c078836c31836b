// Macros: fixed tokens such as "$(FileName)" in compile commands, build
// commands, precompile texts and tool commands, replaced by facts about the
// project item (or, for tools, the active document) they run for.
//
// Results are whole std::strings and are never cut short. Fields that hold
// commands are limited to 1,023 characters where they are typed; an expansion
// may be longer than that, and a caller that must store or send it into a
// bounded place checks FitsMacroBuffer and reports the overflow rather than
// cutting the command.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vandrel::project {

// The MPE tokens have no string table entry.
inline constexpr std::string_view kMacroMpeFilePath = "$(MpeFilePath)";
inline constexpr std::string_view kMacroMpeFileDir = "$(MpeFileDir)";

// Option bits of ReplaceToken.
inline constexpr unsigned kReplaceIgnoreCase = 1;
// Kept for callers that pass it: the scan always covers the whole text as it
// stands after each replacement, with or without this bit.
inline constexpr unsigned kReplaceRemeasure = 2;
// Skip a match directly followed by an ASCII letter or digit.
inline constexpr unsigned kReplaceWholeWord = 4;

// The size of the command buffers macro text is expanded for (text plus
// terminator).
inline constexpr std::size_t kMacroBufferSize = 1024;
inline bool FitsMacroBuffer(std::string_view text) { return text.size() < kMacroBufferSize; }

// One token and the value it is replaced with.
struct TokenValue {
  std::string_view token;
  std::string_view value;
};

// Replaces every occurrence of `token` in `text` by `value`, scanning from
// the start and continuing after each inserted value, so a value is never
// scanned again. An empty token leaves the text unchanged; an empty value
// removes the token.
std::string ReplaceToken(std::string_view text, std::string_view token, std::string_view value,
                         unsigned options);

// ReplaceToken for several tokens in one scan: at each position the first
// token of `tokens` that matches is replaced. Values are never scanned again,
// not even for the other tokens.
std::string ReplaceTokens(std::string_view text, std::span<const TokenValue> tokens,
                          unsigned options);

// The facts of one project item its macros are replaced with.
struct ItemMacroValues {
  std::string fullPath;     // the item's full path; empty when it has no name
  std::string type;         // the item's own Type text (may be "(auto-detect)")
  std::string projectPath;  // the project file's path; empty when none
};

// Replaces the item macros in `text`, ignoring case: $(FilePath),
// $(FileName), $(FileDir), $(Template), $(FileExt) (only when the file name
// has a "."), $(ProjectName) (only when the project path has a separator),
// $(MpeFilePath) and $(MpeFileDir) (only for paths of MPE shape). Tokens
// without a value stay as written. The text is scanned once, so a value that
// contains a token text is never expanded again.
std::string ExpandItemMacros(std::string_view text, const ItemMacroValues& values);

// The "Example:" line of the command pages: the item macros replaced by fixed
// sample values (the item /dev/src/foo.c of template "template" in project
// "Sample"); a text without "$" is returned unchanged.
std::string PreviewMacros(std::string_view text);

// The facts of the active document that a tool's command, arguments and
// directory are expanded with.
struct ToolMacroValues {
  std::string filePath;      // the document's path; empty without a document
  std::string templateName;  // the document's template name
  int caretLine = 0;         // from 1; 0 when the caret is not known
  int caretColumn = 0;       // from 1; 0 when the caret is not known
  std::string caretText;     // the word at the caret
  std::string projectPath;   // the open project's file; empty when none
};

// The word at the caret is cut to this many characters.
inline constexpr std::size_t kMaxCaretText = 127;

// Replaces the tool macros in `text`: $(FilePath), $(FileName), $(FileDir),
// $(FileExt), $(Template), $(MpeFilePath), $(MpeFileDir), $(CurLine),
// $(CurCol), $(CurText) (values that are not known become empty), then
// $(ProjectName) when a project with a file is open.
std::string ExpandToolMacros(std::string_view text, const ToolMacroValues& values);

// The MPE name NAME.GROUP.ACCOUNT of a host path /ACCOUNT/GROUP/NAME[.ext],
// or nothing when the path does not have that shape. See macros.cpp.
std::optional<std::string> MpeNameOfPath(std::string_view path);

// Token texts, from the string table.
std::string MacroToken(int stringId);

// One entry of an insert-macro popup; a separator has an empty label and
// token id 0.
struct MacroMenuEntry {
  std::string_view label;
  int tokenId;  // string table number of the token the entry inserts
  bool IsSeparator() const { return tokenId == 0; }
};

// The popup beside the compile, build and precompile command fields.
std::span<const MacroMenuEntry> ItemMacroMenu();
// The popups beside a tool's arguments and its initial directory.
std::span<const MacroMenuEntry> ToolArgumentsMacroMenu();
std::span<const MacroMenuEntry> ToolDirectoryMacroMenu();

// A text field after inserting `insert` at the caret, replacing the
// selection [selectionStart, selectionEnd) (in either order, clamped to the
// text); the caret ends after the inserted text.
struct FieldEdit {
  std::string text;
  std::size_t caret;
};
FieldEdit InsertAtSelection(std::string_view text, std::size_t selectionStart,
                            std::size_t selectionEnd, std::string_view insert);

}  // namespace vandrel::project
