// The binary interface between the editor and a parser extension (.vdx): the
// symbol record, the category codes and the two entry points. Extensions are
// separate libraries, possibly built by other people, so this header is plain
// C as well as C++ and fixes every byte.
//
// Calling convention: the entry points and callbacks use the platform's
// default C calling convention with C linkage. That is this platform's stand-
// in for the fixed "callee removes the arguments" convention of the original
// interface: what matters is that both sides agree, and C linkage is the one
// convention every compiler here honours.
//
// Entry points, exported by name with C linkage:
//   int32_t VDXGetName(int32_t category, char* buffer, int32_t size);
//     Non-zero when the extension has its own label for the category, written
//     zero-terminated into the buffer of `size` (260) bytes.
//   int32_t VDXParseFile(const char* text, uint32_t length, int32_t mode,
//                        VdxSymbolCallback symbol, VdxProgressCallback progress,
//                        uint32_t user);
//     Parses `length` bytes of text (not zero-terminated, read-only) and
//     reports each symbol through `symbol`, passing `user` back unchanged in
//     every record. `mode` is 1. The result is ignored.
#ifndef VANDREL_PARSER_SYMBOL_H
#define VANDREL_PARSER_SYMBOL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Symbol categories. */
enum {
  kVdxDiagnostic = 0, /* not a symbol: the parameter area holds a message */
  kVdxFunction = 1,
  kVdxInclude = 2,
  kVdxData = 3,
  kVdxForward = 4,
  kVdxExternal = 5,
  kVdxSection = 6
};

enum {
  kVdxTextBytes = 256,       /* each of the three texts, terminator included */
  kVdxParameterBytes = 2048, /* the parameter area, its final empty text included */
  kVdxLabelBytes = 260       /* the buffer VDXGetName writes into */
};

/* One symbol as an extension reports it: packed, in the machine's byte
   order (little-endian on every machine we build for). The
   parameter list is zero-terminated texts back to back, ended by an empty
   text; for a diagnostic it is the message. The list starts at offset 792
   and the record holds kVdxParameterBytes for it: an extension always passes
   a whole record, and the editor never reads past it, whatever the texts
   hold. */
#pragma pack(push, 1)
typedef struct VdxParserSymbol {
  uint32_t reserved;                   /* 0: not read */
  uint32_t user;                       /* 4: the user value of VDXParseFile */
  uint32_t category;                   /* 8 */
  char name[kVdxTextBytes];            /* 12 */
  char alternativeName[kVdxTextBytes]; /* 268 */
  char displayText[kVdxTextBytes];     /* 524 */
  int32_t line;                        /* 780: counted from 1 */
  int32_t level;                       /* 784: nesting, 0 at the top */
  int32_t further;                     /* 788: kept with the symbol, not used */
  char parameters[kVdxParameterBytes]; /* 792 */
} VdxParserSymbol;
#pragma pack(pop)

/* 1 when the symbol was taken, 0 when the record or its user value is
   unknown or memory ran out. */
typedef int32_t (*VdxSymbolCallback)(const VdxParserSymbol* symbol);
/* Progress in percent; returns 0. */
typedef int32_t (*VdxProgressCallback)(int32_t percent);

typedef int32_t (*VdxGetNameEntry)(int32_t category, char* buffer, int32_t size);
typedef int32_t (*VdxParseFileEntry)(const char* text, uint32_t length, int32_t mode,
                                     VdxSymbolCallback symbol, VdxProgressCallback progress,
                                     uint32_t user);

#define VDX_GET_NAME "VDXGetName"
#define VDX_PARSE_FILE "VDXParseFile"

#ifdef __cplusplus
}  // extern "C"

static_assert(offsetof(VdxParserSymbol, user) == 4);
static_assert(offsetof(VdxParserSymbol, category) == 8);
static_assert(offsetof(VdxParserSymbol, name) == 12);
static_assert(offsetof(VdxParserSymbol, alternativeName) == 268);
static_assert(offsetof(VdxParserSymbol, displayText) == 524);
static_assert(offsetof(VdxParserSymbol, line) == 780);
static_assert(offsetof(VdxParserSymbol, level) == 784);
static_assert(offsetof(VdxParserSymbol, further) == 788);
static_assert(offsetof(VdxParserSymbol, parameters) == 792);
static_assert(sizeof(VdxParserSymbol) == 792 + kVdxParameterBytes);
#endif

#endif /* VANDREL_PARSER_SYMBOL_H */
