// The per-document format record: how a document is stored (plain text, host
// record form, Qedit), the header values its transfer carried, its numbering
// and its editing settings. Templates fill it when they are applied, the
// loader when a file is read; the save path writes the same headers back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/record_headers.h"

namespace vandrel {

// Format flags.
inline constexpr std::uint32_t kFormatRecordForm =
    0x1;                                            // length-prefixed records after an MPE header
inline constexpr std::uint32_t kFormatQedit = 0x2;  // a Qedit header precedes the MPE header
inline constexpr std::uint32_t kFormatLocal = 0x4;  // the document is a local file

// Line ends of a plain text file; both bits: CR LF; none: not known.
inline constexpr std::uint32_t kLineEndCr = 0x1;
inline constexpr std::uint32_t kLineEndLf = 0x2;

// Template format flags (the document's edit flags), set when a template is
// applied; the loader and the save path read them.
inline constexpr std::uint32_t kEditSaveTabsAsSpaces = 0x1;
inline constexpr std::uint32_t kEditAddTabsAsSpaces = 0x2;
inline constexpr std::uint32_t kEditTrim = 0x4;
inline constexpr std::uint32_t kEditRemoveLineNumbers = 0x10;
inline constexpr std::uint32_t kEditRenumber = 0x20;  // numbers removed and regenerated on save
inline constexpr std::uint32_t kEditMpeLineNumberFormat = 0x40;
inline constexpr std::uint32_t kEditSmartIndent = 0x100;
inline constexpr std::uint32_t kEditCobol85 = 0x200;
inline constexpr std::uint32_t kEditRuler = 0x400;
inline constexpr std::uint32_t kEditHideLineNumbers = 0x800;
inline constexpr std::uint32_t kEditIntelliSequence = 0x1000;

// The COBOL'85 token area (kEditCobol85): record columns 73 to 80. Lines end
// before it, so records are then kCobolRecordWidth wide. The token text a
// document is given keeps at most kMaxTokenTextLength characters (its date
// stamps expanded), of which the area shows the first kTokenWidth.
inline constexpr std::size_t kTokenColumn = 72;
inline constexpr std::size_t kTokenWidth = 8;
inline constexpr std::size_t kCobolRecordWidth = kTokenColumn + kTokenWidth;
inline constexpr std::size_t kMaxTokenTextLength = 30;

inline constexpr std::size_t kTemplateNameField = 128;  // at most 127 characters

// Numbering: position 0 none, 1 numbers at the start of each line, 2 or more
// the 0-based column where the numbers begin at the end of each line. Qedit
// numbers are counted in thousandths (1000 is line 1.000).
struct DocumentNumbering {
  std::int32_t position = 0;
  std::int32_t digits = 0;
  std::int32_t start = 0;
  std::int32_t increment = 0;
  bool operator==(const DocumentNumbering&) const = default;
};

// The attributes of one host file as the agent reports them. Times are
// seconds since 1 January 1970, UTC.
struct HostFileInfo {
  std::string name;  // the part of the host path after its last "/"; at most 259 characters
  std::int32_t size = 0;
  std::int32_t accessTime = 0;
  std::int32_t modifyTime = 0;
  std::int32_t createTime = 0;
  std::string permissions;   // at most 31 characters
  std::int32_t further = 0;  // the agent's own number, carried unchanged
  std::string owner;         // at most 31 characters
  std::string group;         // at most 31 characters
  std::int32_t fileCode = 0;
  std::int32_t flags = 0;  // bit 1 (value 2): the file cannot be locked
  bool operator==(const HostFileInfo&) const = default;
};
inline constexpr std::int32_t kFileInfoCannotLock = 0x2;

struct DocumentFormat {
  std::uint32_t formatFlags = 0;  // kFormat*
  std::uint32_t lineEnds = 0;     // kLineEnd*
  std::int32_t maximumLineLength = 0;
  std::int32_t lockId = -1;     // host lock number; -1 when not locked
  std::string templateName;     // at most 127 characters
  std::uint32_t editFlags = 0;  // template format flags, kEdit*
  std::int32_t tabWidth = 0;
  std::vector<std::int32_t> tabPositions;  // 0-based columns; at most 30 (kMaxTabPositions)
  HostFileInfo fileInfo;
  MpeHeader mpe;
  QeditHeader qedit;
  DocumentNumbering numbering;        // as detected or set by the template
  DocumentNumbering activeNumbering;  // in force while editing

  bool IsRecordForm() const { return formatFlags & kFormatRecordForm; }
  bool IsQedit() const { return formatFlags & kFormatQedit; }
  bool IsLocal() const { return formatFlags & kFormatLocal; }
};

}  // namespace vandrel
