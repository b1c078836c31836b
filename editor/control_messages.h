// Message and notification numbers of the edit control that concern its
// document: loading and saving, line counts and widths, line numbers, line
// marks, navigator links and the COBOL'85 token text. Message numbers are
// offsets from the first user message (kUserMessageBase in
// editor/edit_control.h); the messages that configure a control from a
// template are listed there, the load request (kEditMessageLoad) in
// documents/load_request.h.
#pragma once

#include <cstdint>

#include "documents/line_numbers.h"

namespace vandrel {

// ---- Messages ------------------------------------------------------------------

inline constexpr std::uint32_t kEditMessageWriteMarks = 5;       // line, mark bits
inline constexpr std::uint32_t kEditMessageSave = 18;            // the save request
inline constexpr std::uint32_t kEditMessageNumberOfLine = 19;    // line -> number
inline constexpr std::uint32_t kEditMessageWriteText = 21;       // plain text copy
inline constexpr std::uint32_t kEditMessageReadMarks = 24;       // line -> mark bits
inline constexpr std::uint32_t kEditMessageTextSaved = 26;       // the text has been saved
inline constexpr std::uint32_t kEditMessageNextMarkedLine = 27;  // next line with a mark
inline constexpr std::uint32_t kEditMessageLineCount = 31;
inline constexpr std::uint32_t kEditMessageLongestLine = 35;     // SaveTabsAsSpaces -> width, line
inline constexpr std::uint32_t kEditMessageRenumber = 38;        // first, last, start, step, mark
inline constexpr std::uint32_t kEditMessageClearLinks = 42;      // forget every navigator link
inline constexpr std::uint32_t kEditMessageSetLink = 43;         // line, link value
inline constexpr std::uint32_t kEditMessageNextLinkedLine = 45;  // next line with a link
inline constexpr std::uint32_t kEditMessageLineWithNumber = 47;  // number -> line or -1
inline constexpr std::uint32_t kEditMessageTokenText = 50;       // COBOL'85 token text

// ---- Notifications to the parent -------------------------------------------------

inline constexpr int kEditNotifyCaretMoved = 100;
inline constexpr int kEditNotifyProgress = 101;
inline constexpr int kEditNotifyCharacterTyped = 102;
inline constexpr int kEditNotifyTextChanged = 103;
inline constexpr int kEditNotifyCloseTip = 104;
// 105, no number is free for a new line: kEditNotifyNoFreeLineNumber
// (documents/line_numbers.h).

// ---- Line marks (bits of a line's marks) -------------------------------------------

inline constexpr std::uint32_t kLineMarkBookmark = 0x1;
inline constexpr std::uint32_t kLineMarkGoTo = 0x2;
inline constexpr std::uint32_t kLineMarkError = 0x4;  // error or tag mark
inline constexpr std::uint32_t kLineMarkAll = kLineMarkBookmark | kLineMarkGoTo | kLineMarkError;

// ---- Go-to requests of the editor window (flags) ----------------------------------

inline constexpr std::uint32_t kGoToSelectLine = 0x1;      // select the whole target line
inline constexpr std::uint32_t kGoToMark = 0x2;            // the target line takes the go-to mark
inline constexpr std::uint32_t kGoToErrorMark = 0x4;       // the target line takes the error mark
inline constexpr std::uint32_t kGoToNavigatorEntry = 0x8;  // the value is a navigator entry
inline constexpr std::uint32_t kGoToFileNumber = 0x10;   // the value is a number of the file's own
inline constexpr std::uint32_t kGoToNextUse = 0x20;      // find the next use of a text
inline constexpr std::uint32_t kGoToPreviousUse = 0x40;  // find the previous use of a text

}  // namespace vandrel
