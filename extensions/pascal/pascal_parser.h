// The navigator's view of an HP Pascal source (Pascal/iX, also the MODCAL
// dialect): what the Code Navigator lists and how it reads the text.
//
//   Sections   PROGRAM name (the program parameters as its parameters) at
//              level 0; MODULE name at the level of its surroundings (0 on
//              its own, 1 inside a program); EXPORT and IMPLEMENT one level
//              below their module.
//   Functions  PROCEDURE and FUNCTION bodies, level 0 at the program or
//              module level and one deeper for each enclosing routine. A
//              body written without its parameter list after a FORWARD
//              heading takes the heading's parameters.
//   Forward    headings followed by FORWARD, and the headings an EXPORT
//              section lists (their bodies follow under IMPLEMENT).
//   External   headings followed by EXTERNAL (with or without a language:
//              SPL, C, ...) or INTRINSIC.
//   Data       the names of the CONST, TYPE and VAR declarations at program
//              or module level (no record fields, nothing local to routines).
//   Include    $INCLUDE 'file'$; also $SEARCH 'file, ...'$ and
//              $SYSINTR 'file'$ and the modules of IMPORT (or USES), each
//              shown with its kind after the name.
//
// A file that starts with UNIT name; (the Pascal of other systems) is read
// as a module: INTERFACE as its EXPORT, IMPLEMENTATION as its IMPLEMENT,
// INITIALIZATION as its body. Routine names may be qualified (Class.Method);
// class and object types are not understood.
//
// Parameters: one text per formal parameter, "a, b : integer" given as
// "a : integer" and "b : integer", a mode word kept in front of each
// ("var s : string"); a procedure or function parameter stays whole.
//
// Comments { } and (* *) (either closer ends either opener, as the language
// has it), compiler options $...$ (all may span lines) and strings with
// doubled quotes are understood anywhere; keywords ignore case, names are
// reported as written. Eight-digit sequence numbers in columns 73-80 are
// ignored when most lines carry them. Lines are those of the text given,
// counted from 1.
#pragma once

#include <string_view>

#include "extensions/common/extension_sdk.h"

namespace vandrel::vdx {

// Reports the symbols of `text` to `sink`. Any bytes are safe; a binary
// file gives one diagnostic and no symbols.
void ParsePascal(std::string_view text, SymbolSink& sink);

}  // namespace vandrel::vdx
