// The navigator's view of an HP COBOL II / COBOL'85 source.
//
// Sections: each division at level 0 (the IDENTIFICATION DIVISION shows its
// PROGRAM-ID), each "name SECTION." at level 1 under its division; the
// PROCEDURE DIVISION carries its USING operands as parameters. When a file
// holds more than one program (END PROGRAM, nested programs), each program
// is a section named by its PROGRAM-ID at the level of its nesting, with its
// divisions one level below.
// Functions: each procedure section at level 0 with its paragraphs at level 1;
// paragraphs before the first section at level 0.
// Data: FD/SD/RD/CD file names (shown with their keyword) and 01/77 items at
// level 0, items 02-49 nested by their level numbers, 66 under its record,
// 88 under the item it belongs to. FILLER and unnamed items are left out,
// their subordinates moving up a level; after a whole-entry COPY the
// hierarchy starts afresh, as its records lie in the copied text.
// Include: each COPY (library as the alternative name), "$INCLUDE" and
// "EXEC SQL INCLUDE".
// External: each program called (CALL "X", CALL 'X', CALL identifier, CALL
// INTRINSIC "X"), once, at its first call, with the USING operands.
#pragma once

#include <string_view>

#include "extensions/common/extension_sdk.h"

namespace vandrel::vdx {

void ParseCobol(std::string_view text, SymbolSink& sink);

}  // namespace vandrel::vdx
