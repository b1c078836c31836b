#include "documents/mpe_page_model.h"

#include <string>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "documents/file_codes.h"
#include "documents/host_file_info.h"

namespace vandrel {

namespace {

constexpr std::int32_t kQeditTextLanguage = 6;
constexpr std::int32_t kQeditRecordLength = 512;
constexpr std::int32_t kDefaultRecordLength = 80;
constexpr std::int32_t kModeAscii = 1;

}  // namespace

std::string GroupThousands(std::int64_t value, std::string_view separator) {
  const bool negative = value < 0;
  // Digits of the magnitude, computed without negating the smallest value.
  std::string digits;
  do {
    const int digit = static_cast<int>(value % 10);
    digits.insert(digits.begin(), static_cast<char>('0' + (digit < 0 ? -digit : digit)));
    value /= 10;
  } while (value != 0);
  std::string out = negative ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out.append(separator);
    out.push_back(digits[i]);
  }
  return out;
}

std::string FileSizeText(std::int64_t textLength, std::int64_t lineCount,
                         std::string_view separator) {
  if (textLength == 0) lineCount = 0;
  return FormatText(LoadText(kStrFileSizeAndLines), GroupThousands(textLength, separator),
                    GroupThousands(lineCount, separator));
}

bool ShowsMpePage(const DocumentFormat& format) { return format.IsRecordForm(); }
bool ShowsQeditPage(const DocumentFormat& format) { return format.IsQedit(); }

GeneralPageText MakeGeneralPage(const DocumentFormat& format, std::int64_t textLength,
                                std::int64_t lineCount, std::string_view thousandsSeparator) {
  GeneralPageText page;
  page.fileName = format.fileInfo.name;
  page.templateName = format.templateName;
  page.size = FileSizeText(textLength, lineCount, thousandsSeparator);
  page.lastModified = FormatHostTime(format.fileInfo.modifyTime);
  page.tabSize = TabSizeText(format.tabWidth);
  page.lineEndChoice = ChoiceOfLineEnds(format.lineEnds);
  page.lineEndEnabled = !format.IsRecordForm();
  return page;
}

MpePageText MakeMpePage(const DocumentFormat& format) {
  MpePageText page;
  const std::span<const FileCodeRow> rows = FileCodeTable();
  if (const FileCodeRow* row = FindFileCode(format.mpe.fcode)) {
    page.fileCodeChoice = static_cast<int>(row - rows.data());
  }
  page.fileCode = DescribeFileCode(format.mpe.fcode);
  page.recordTypeChoice = ChoiceOfRecordType(format.mpe.type);
  page.modeChoice = ChoiceOfFileMode(format.mpe.mode);
  page.recordSize = std::to_string(format.mpe.reclen);
  page.userLabels = std::to_string(format.mpe.labels);
  return page;
}

QeditPageText MakeQeditPage(const DocumentFormat& format) {
  QeditPageText page;
  page.languageChoice = ChoiceOfQeditLanguage(format.qedit.lang);
  page.recordSize = std::to_string(format.qedit.reclen);
  page.endOfFile = std::to_string(format.qedit.eof);
  page.numberLength = std::to_string(format.qedit.lnl);
  if (format.qedit.lnl == 0) {
    page.alignment = LoadText(kStrNotApplicable);
  } else {
    page.alignment = LoadText(format.qedit.lnj != 0 ? kStrAlignmentLeft : kStrAlignmentRight);
  }
  return page;
}

FileCodeChange ChangeFileCode(DocumentFormat& format, std::int32_t code, bool qeditAvailable) {
  FileCodeChange change;
  if (code == format.mpe.fcode) return change;
  const std::uint32_t kept = format.formatFlags & kFormatLocal;
  if (code == kFileCodeQedit) {
    if (!qeditAvailable) {
      change.accepted = false;
      change.messageId = kStrQeditNotLicensed;
      return change;
    }
    format.qedit.reclen = format.mpe.reclen;
    format.qedit.lang = kQeditTextLanguage;
    format.mpe.type = 0;
    format.mpe.mode = 0;
    format.mpe.reclen = kQeditRecordLength;
    format.formatFlags = kept | kFormatRecordForm | kFormatQedit;
    change.qeditPageAdded = true;
  } else if (format.mpe.fcode == kFileCodeQedit) {
    format.mpe.reclen = kDefaultRecordLength;
    format.mpe.type = 0;
    format.mpe.mode = kModeAscii;
    format.mpe.bfact = 1;
    format.formatFlags = kept | kFormatRecordForm;
    change.qeditPageRemoved = true;
  } else {
    format.formatFlags = kept | kFormatRecordForm;
  }
  format.mpe.fcode = code;
  return change;
}

bool ChooseRecordType(DocumentFormat& format, int index) {
  const std::optional<std::int32_t> type = RecordTypeOfChoice(index);
  if (!type) return false;
  format.mpe.type = *type;
  return true;
}

bool ChooseFileMode(DocumentFormat& format, int index) {
  if (ChoiceOfFileMode(index) < 0) return false;
  format.mpe.mode = index;
  return true;
}

bool ChooseQeditLanguage(DocumentFormat& format, int index) {
  if (ChoiceOfQeditLanguage(index) < 0) return false;
  format.qedit.lang = index;
  return true;
}

bool ChooseLineEnds(DocumentFormat& format, int index) {
  const std::optional<std::uint32_t> lineEnds = LineEndsOfChoice(index);
  if (!lineEnds) return false;
  format.lineEnds = *lineEnds;
  return true;
}

bool ChooseTabSize(DocumentFormat& format, std::string_view text) {
  const std::optional<std::int32_t> size = TabSizeOfText(text);
  if (!size) return false;
  format.tabWidth = *size;
  return true;
}

}  // namespace vandrel
