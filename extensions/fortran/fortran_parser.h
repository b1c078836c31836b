// The navigator's view of a FORTRAN source: program units, routines and their
// ENTRY points, interface bodies, COMMON blocks, EXTERNAL names and included
// files. Reads FORTRAN 77 fixed form and Fortran 90 free form, deciding per
// file from the text which one it is and whether columns 73-80 hold sequence
// numbers.
#pragma once

#include <string_view>

#include "extensions/common/extension_sdk.h"

namespace vandrel::vdx {

// Reports, in source order:
// - Sections: PROGRAM, MODULE, SUBMODULE and BLOCK DATA (unnamed: "BLOCK DATA");
// - Functions: SUBROUTINE and FUNCTION with their dummy arguments; module
//   procedures at level 0, internal procedures (after CONTAINS in a routine)
//   one level below their host, ENTRY points one level below their routine;
// - Forward: the routines of INTERFACE blocks, below the generic name when the
//   block has one;
// - Data: each COMMON block, named by the block ("//" for blank common), its
//   members as the parameters;
// - External: the names of EXTERNAL and SYSTEM INTRINSIC statements and of
//   declarations with the EXTERNAL attribute;
// - Include: INCLUDE 'file', $INCLUDE 'file' and #include lines.
// Diagnostics for lines and units it cannot place.
void ParseFortran(std::string_view text, SymbolSink& sink);

}  // namespace vandrel::vdx
