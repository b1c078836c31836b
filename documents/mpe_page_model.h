// The file properties pages without their widgets: the texts and choices the
// General, MPE and Qedit pages show for a document's format record, and the
// rules that change the record when the user picks another file code, record
// type, mode, line end or tab size. Every change is applied to the record at
// once; the page sends the whole record to its window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "documents/document_format.h"

namespace vandrel {

// `value` with `separator` between groups of three digits ("1,234,567").
std::string GroupThousands(std::int64_t value, std::string_view separator);

// The "Size:" text: "%s bytes (%s lines)" with the text length and the line
// count grouped by `separator`; the line count shows 0 when the text is empty.
std::string FileSizeText(std::int64_t textLength, std::int64_t lineCount,
                         std::string_view separator);

// Which pages a document shows beside the General page.
bool ShowsMpePage(const DocumentFormat& format);    // record-form documents
bool ShowsQeditPage(const DocumentFormat& format);  // Qedit documents

struct GeneralPageText {
  std::string fileName;      // the host file information's name
  std::string templateName;  // the page selects "(none)" for a name it does not list
  std::string size;
  std::string lastModified;    // "Not available" for time 0
  std::string tabSize;         // "(default)" or the number
  int lineEndChoice = -1;      // position in the line-end list; -1 when none is known
  bool lineEndEnabled = true;  // off for record-form documents
};
GeneralPageText MakeGeneralPage(const DocumentFormat& format, std::int64_t textLength,
                                std::int64_t lineCount, std::string_view thousandsSeparator);

struct MpePageText {
  int fileCodeChoice = -1;    // row of the file code table; -1 for a code not in it
  std::string fileCode;       // the row's list text, or the number for other codes
  int recordTypeChoice = -1;  // -1 for a record type the list lacks
  int modeChoice = -1;
  std::string recordSize;
  std::string userLabels;  // read-only
};
MpePageText MakeMpePage(const DocumentFormat& format);

struct QeditPageText {
  int languageChoice = -1;
  std::string recordSize;
  std::string endOfFile;     // read-only
  std::string numberLength;  // LNL
  std::string alignment;     // "Left" when LNJ is non-zero, "Right" when 0, "n/a" without LNL
};
QeditPageText MakeQeditPage(const DocumentFormat& format);

// ---- Changes -------------------------------------------------------------------

struct FileCodeChange {
  bool accepted = true;
  int messageId = 0;  // when refused: the string-table message to show
  bool qeditPageAdded = false;
  bool qeditPageRemoved = false;
};

// The user picked file code `code` on the MPE page. `qeditAvailable`: a
// connection is open and its host has Qedit installed.
//  - 111 without Qedit: refused with the licence message, nothing changes;
//  - 111: the Qedit record length takes the old record length, language 6
//    (Text), record type 0, mode 0, record length 512, record form and Qedit;
//    the Qedit page is added;
//  - leaving 111: record length 80, record type 0, mode 1, blocking factor 1,
//    record form only; the Qedit page is removed;
//  - any other change: record form.
// Choosing the code the record already has changes nothing. The local-file
// flag is kept: it says where the document lives, not how it is stored.
FileCodeChange ChangeFileCode(DocumentFormat& format, std::int32_t code, bool qeditAvailable);

// List choices of the pages; a position outside its list changes nothing and
// returns false.
bool ChooseRecordType(DocumentFormat& format, int index);
bool ChooseFileMode(DocumentFormat& format, int index);
bool ChooseQeditLanguage(DocumentFormat& format, int index);
bool ChooseLineEnds(DocumentFormat& format, int index);
// A chosen or typed tab size; false, changing nothing, when it is not one.
bool ChooseTabSize(DocumentFormat& format, std::string_view text);

}  // namespace vandrel
