// The per-document format record: how a document is stored (plain text, host
// record format, Qedit), its numbering and its editing settings. Templates
// fill it when they are applied; loading and saving read and extend it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vandrel {

// Document format flags.
inline constexpr std::uint32_t kFormatHostFile = 0x1;   // host record format (MPE attributes)
inline constexpr std::uint32_t kFormatQeditFile = 0x2;  // Qedit file

// Document edit flags, as templates set them.
inline constexpr std::uint32_t kEditSaveTabsAsSpaces = 0x1;
inline constexpr std::uint32_t kEditAddTabsAsSpaces = 0x2;
inline constexpr std::uint32_t kEditTrim = 0x4;
inline constexpr std::uint32_t kEditRemoveLineNumbers = 0x10;
inline constexpr std::uint32_t kEditRenumber = 0x20;
inline constexpr std::uint32_t kEditMpeLineNumberFormat = 0x40;
inline constexpr std::uint32_t kEditSmartIndent = 0x100;
inline constexpr std::uint32_t kEditCobol85 = 0x200;
inline constexpr std::uint32_t kEditRuler = 0x400;
inline constexpr std::uint32_t kEditHideLineNumbers = 0x800;
inline constexpr std::uint32_t kEditIntelliSequence = 0x1000;

// Numbering of a document: where the sequence numbers stand and how they are
// regenerated. Position 0 none, 1 left (start of each record), 2 right.
struct DocumentNumbering {
  std::int32_t position = 0;
  std::int32_t digits = 0;
  std::int32_t start = 0;
  std::int32_t increment = 0;
  bool operator==(const DocumentNumbering&) const = default;
};

struct DocumentFormat {
  std::uint32_t formatFlags = 0;  // kFormat*
  std::string templateName;       // at most 63 characters

  // Host file attributes (standard MPE files).
  std::int32_t fileCode = 0;
  std::int32_t recordLength = 0;
  std::int32_t recordType = 0;  // 0 fixed, 1 variable, 2 undefined, 3 spool, 9 byte stream
  std::int32_t fileMode = 0;    // 0 binary, 1 ASCII
  std::int32_t blockingFactor = 0;

  // Qedit header values.
  std::int32_t qeditLanguage = 0;
  std::int32_t qeditRecordLength = 0;
  std::int32_t qeditLineNumberWidth = 0;
  std::int32_t qeditNumberPlacement = 0;

  DocumentNumbering numbering;

  // Editing settings.
  std::uint32_t editFlags = 0;  // kEdit*
  std::int32_t tabWidth = 0;
  std::vector<std::int32_t> tabPositions;  // 0-based columns; at most 30
  std::int32_t maximumLineLength = 0;

  bool IsHostFile() const { return formatFlags & kFormatHostFile; }
  bool IsQeditFile() const { return formatFlags & kFormatQeditFile; }
};

}  // namespace vandrel
