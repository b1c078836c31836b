// The navigator's view of a C source (ANSI C and the older K&R dialect):
// function definitions, prototypes, extern declarations, file-scope data and
// included files.
#pragma once

#include <string_view>

#include "extensions/common/extension_sdk.h"

namespace vandrel::vdx {

// Reports, in source order, all at level 0:
// - Functions: definitions, ANSI and K&R alike, each parameter declaration as
//   written ("const char *s"; a K&R parameter with its declaration, "char *s");
// - Forward: prototypes at file scope, with their parameters;
// - External: extern declarations (functions with their parameters, variables
//   without) and the names of "#pragma intrinsic" lines;
// - Data: file-scope variables (static ones too), typedef names, and struct,
//   union or enum tags defined without a declarator ("struct node");
// - Include: #include <x> and "x", named without the delimiters.
// Function bodies and initializers are passed by brace matching. Of each
// #if/#else chain only the first live branch is read (#if 0 is dead), so that
// alternative headers do not unbalance the braces. Diagnostics for what it
// cannot place.
void ParseC(std::string_view text, SymbolSink& sink);

}  // namespace vandrel::vdx
