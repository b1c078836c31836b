// The navigator's view of an SPL source (SPL/V and SPLash!): what the Code
// Navigator lists and how it reads the text.
//
//   Sections   the outer block (BEGIN ... END.), named by the MAIN= of a
//              $CONTROL line, else "(outer block)".
//   Functions  procedure bodies (typed ones too: INTEGER PROCEDURE x) at
//              level 0; subroutines at level 1 inside a procedure, 0 in the
//              outer block.
//   Forward    procedures with OPTION FORWARD.
//   External   procedures with OPTION EXTERNAL, and each name of an
//              INTRINSIC declaration (anywhere; intrinsics have no
//              parameters here).
//   Data       the names the outer block declares: simple variables,
//              arrays and pointers of every type, EQUATE and DEFINE names.
//   Include    $INCLUDE file.
//
// Parameters: one text per formal parameter in the order of the heading,
// with the type of its declaration and VALUE when passed by value, as
// written: "value integer n", "byte array buf", "procedure p"; a parameter
// without a declaration is its plain name.
//
// Comments << >> (may span lines), COMMENT ... ; and ! to the end of a line;
// lines starting with $ are compiler directives; strings in double quotes,
// doubled inside. Names may hold apostrophes (say'bottles); keywords ignore
// case, names are reported as written. A DEFINE whose text is a type (define
// plabel = integer #) is taken as that type in declarations. Eight-digit
// sequence numbers in columns 73-80 are ignored when most lines carry them.
// Lines are those of the text given, counted from 1.
#pragma once

#include <string_view>

#include "extensions/common/extension_sdk.h"

namespace vandrel::vdx {

// Reports the symbols of `text` to `sink`. Any bytes are safe; a binary
// file gives one diagnostic and no symbols.
void ParseSpl(std::string_view text, SymbolSink& sink);

}  // namespace vandrel::vdx
