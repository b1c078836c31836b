// The navigator's view of an MPE job stream or CI command file.
//
// Job streams (a "!JOB" or ":JOB" card, or mostly "!" lines): only lines
// that start with the prompt character are commands, the others are input
// for the program running. Command files: every line is a command, a
// leading "!" or ":" is allowed. A line ending in "&" goes on in the next.
//
// Sections: each job card at level 0, named by the job name (or by
// user.account when it has none), the passwords left out; each step inside
// at level 1 (at level 0 outside a job), named by its program or source
// file: RUN, XEQ, the compilers and their link and go forms (COBOL,
// COB85XL, PASXL, FTNXL, SPL, SPLASH, CCXL, ...), LINK, PREP, PREPRUN,
// SEGMENTER, EDITOR, QEDIT, FCOPY, SORT, MERGE, QUERY, STORE, RESTORE,
// BUILD, PURGE and RENAME. EOJ ends the job.
// Data: FILE equations, named by the formal designator (the actual file as
// the alternative name), and each variable SETVAR sets, once.
// Functions: PARM and ANYPARM lines with their parameters.
// Lockwords and passwords never reach the navigator.
#pragma once

#include <string_view>

#include "extensions/common/extension_sdk.h"

namespace vandrel::vdx {

void ParseMpeJob(std::string_view text, SymbolSink& sink);

}  // namespace vandrel::vdx
