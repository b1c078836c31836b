#include "documents/file_codes.h"

#include <algorithm>
#include <charconv>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "core/string_table.h"
#include "documents/document_format.h"

namespace vandrel {

namespace {

// The reserved file codes of the host: code, mnemonic, description.
constexpr std::string_view kFileCodeTable =
    "0,,Default (unreserved)\r\n"
    "111,QEDIT,Robelle Qedit® file\r\n"
    "1024,USL,User subprogram library\r\n"
    "1025,BASD,BASIC data\r\n"
    "1026,BASP,BASIC program\r\n"
    "1027,BASFP,BASIC fast program\r\n"
    "1028,RL,Relocatable library\r\n"
    "1029,PROG,Program file\r\n"
    "1030,NMPRG,Native mode program file\r\n"
    "1031,SL,Segmented library\r\n"
    "1032,NMSL,Native mode executable library\r\n"
    "1033,NMRL,Native mode relocatable library\r\n"
    "1035,VFORM,VPLUS forms file\r\n"
    "1036,VFAST,VPLUS fast forms file\r\n"
    "1037,VREF,VPLUS reformat file\r\n"
    "1040,XLSAV,Cross loader ASCII file (SAVE)\r\n"
    "1041,XLBIN,Cross loader relocated binary file\r\n"
    "1042,XLDSP,Cross loader ASCII file (DISPLAY)\r\n"
    "1050,EDITQ,EDIT/3000 KEEPQ file (non-COBOL)\r\n"
    "1051,EDTCQ,EDIT/3000 KEEPQ file (COBOL)\r\n"
    "1052,EDTCT,EDIT/3000 text file (COBOL)\r\n"
    "1054,TDPDT,TDP diary file\r\n"
    "1055,TDPQM,TDP proof marked QMARKED file\r\n"
    "1056,TDPP,TDP proof marked non-COBOL file\r\n"
    "1057,TDPCP,TDP proof marked COBOL file\r\n"
    "1058,TDPQ,TDP workfile\r\n"
    "1059,TDPXQ,TDP workfile (COBOL)\r\n"
    "1060,RJEPN,RJE punch file\r\n"
    "1070,QPROC,QUERY procedure file\r\n"
    "1080,KSAMK,KSAM key file\r\n"
    "1083,GRAPH,GRAPH/3000 graph definition file\r\n"
    "1084,SD,Self-describing file\r\n"
    "1090,LOG,User logging file\r\n"
    "1100,WDOC,HPWORD document\r\n"
    "1101,WDICT,HPWORD hyphenation dictionary\r\n"
    "1102,WCONF,HPWORD configuration file\r\n"
    "1103,W2601,HPWORD attached printer environment file\r\n"
    "1110,PCELL,IFS/3000 character cell file\r\n"
    "1111,PFORM,IFS/3000 form file\r\n"
    "1112,PENV,IFS/3000 environment file\r\n"
    "1113,PCCMP,IFS/3000 compiled character cell file\r\n"
    "1114,RASTR,Raster image file\r\n"
    "1130,OPTLF,On-line performance tool log file\r\n"
    "1131,TEPES,TEPE/3000 script file\r\n"
    "1132,TEPEL,TEPE/3000 log file\r\n"
    "1133,SAMPL,APS/3000 sample log file\r\n"
    "1139,MPEDL,MPE debugger log file\r\n"
    "1140,TSR,HPToolset root file\r\n"
    "1141,TSD,HPToolset data file\r\n"
    "1145,DRAW,HPDRAW drawing file\r\n"
    "1146,FIG,HPDRAW figure file\r\n"
    "1147,FONT,Font file\r\n"
    "1148,COLOR,Colour definition file\r\n"
    "1149,D48,HP 2648 graphics file\r\n"
    "1152,SLATE,Compressed SLATE file\r\n"
    "1153,SLATW,Expanded SLATE work file\r\n"
    "1156,DSTOR,Dictionary store file\r\n"
    "1157,TCODE,TRANSACT code file\r\n"
    "1158,RCODE,REPORT code file\r\n"
    "1159,ICODE,INFORM code file\r\n"
    "1166,MDIST,HPDESK distribution list\r\n"
    "1167,MTEXT,HPDESK text\r\n"
    "1168,MARPA,ARPA messages file\r\n"
    "1169,MARPD,ARPA distribution list\r\n"
    "1170,MCMND,HPDESK command file\r\n"
    "1171,MFRTM,HPDESK diary free time list\r\n"
    "1172,None,Reserved\r\n"
    "1173,MEFT,HPDESK external file transfer messages file\r\n"
    "1174,MCRPT,HPDESK encrypted item\r\n"
    "1175,MSERL,HPDESK serialised item\r\n"
    "1176,VCSF,Version control system file\r\n"
    "1177,TTYPE,Terminal type file\r\n"
    "1178,TVFC,Terminal vertical format control file\r\n"
    "1192,NCONF,Network configuration file\r\n"
    "1193,NTRAC,Network trace file\r\n"
    "1194,NLOG,Network log file\r\n"
    "1195,MIDAS,MIDAS file\r\n"
    "1211,ANODE,Access node file\r\n"
    "1212,INODE,Index node file\r\n"
    "1213,INVRT,Inverted list file\r\n"
    "1214,EXCEP,Exception list file\r\n"
    "1215,TAXON,Taxonomy file\r\n"
    "1216,QUERF,Query file\r\n"
    "1217,DOCDR,Document directory file\r\n"
    "1226,VC,VisiCalc file\r\n"
    "1227,DIF,Data interchange format file\r\n"
    "1228,LANGD,Language definition file\r\n"
    "1229,CHARD,Character set definition file\r\n"
    "1230,MGCAT,Formatted application message catalog\r\n"
    "1236,BMAP,Base map definition file\r\n"
    "1242,BDATA,BASIC data file\r\n"
    "1243,BFORM,BASIC field order file for VPLUS\r\n"
    "1244,BSAVE,BASIC saved program\r\n"
    "1245,BCNFG,BASIC configuration file\r\n"
    "1258,PFSTA,Pattern file (static)\r\n"
    "1259,PFDYN,Pattern file (dynamic)\r\n"
    "1270,RFDCA,Revisable form DCA document\r\n"
    "1271,FFDCA,Final form DCA document\r\n"
    "1272,DIU,Document interchange unit file\r\n"
    "1273,PDOC,Printable document file\r\n"
    "1401,CWPTX,Chinese word processing text\r\n"
    "1421,MAP,Map definition file\r\n"
    "1422,GAL,Graphics attribute library\r\n"
    "1425,TTX,Translated text file\r\n"
    "1461,NMOBJ,Native mode object file\r\n"
    "1462,PASLB,Pascal/XL source library";

std::vector<FileCodeRow> ParseFileCodeTable(std::string_view text) {
  std::vector<FileCodeRow> rows;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find("\r\n"), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 2, text.size()));
    const std::size_t first = line.find(',');
    const std::size_t second = line.find(',', first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) continue;
    FileCodeRow row;
    const auto [ptr, ec] = std::from_chars(line.data(), line.data() + first, row.code);
    if (ec != std::errc() || ptr != line.data() + first) continue;
    row.mnemonic = line.substr(first + 1, second - first - 1);
    row.description = line.substr(second + 1);
    rows.push_back(row);
  }
  return rows;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Record type of each position of the record type list.
constexpr std::int32_t kRecordTypes[] = {0, 1, 2, 3, 9};

}  // namespace

std::string_view FileCodeTableText() { return kFileCodeTable; }

std::span<const FileCodeRow> FileCodeTable() {
  static const std::vector<FileCodeRow> rows = ParseFileCodeTable(kFileCodeTable);
  return rows;
}

const FileCodeRow* FindFileCode(std::int32_t code) {
  const std::span<const FileCodeRow> rows = FileCodeTable();
  const auto it = std::find_if(rows.begin(), rows.end(),
                               [code](const FileCodeRow& row) { return row.code == code; });
  return it == rows.end() ? nullptr : &*it;
}

std::string FileCodeChoiceText(const FileCodeRow& row) {
  const std::string mnemonic = row.mnemonic.empty() ? std::string("0") : std::string(row.mnemonic);
  return FormatText(LoadText(kStrFileCodeDescription), mnemonic, std::string(row.description));
}

std::string DescribeFileCode(std::int32_t code) {
  const FileCodeRow* row = FindFileCode(code);
  return row ? FileCodeChoiceText(*row) : std::to_string(code);
}

std::vector<std::string> ChoiceList(int stringId) {
  std::vector<std::string> items;
  const std::string_view list = StringTableText(stringId);
  if (list.empty()) return items;
  std::size_t begin = 0;
  while (true) {
    const std::size_t comma = std::min(list.find(',', begin), list.size());
    items.emplace_back(list.substr(begin, comma - begin));
    if (comma == list.size()) break;
    begin = comma + 1;
  }
  return items;
}

std::vector<std::string> RecordTypeChoices() { return ChoiceList(kStrRecordTypeList); }

std::optional<std::int32_t> RecordTypeOfChoice(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kRecordTypes))) return std::nullopt;
  return kRecordTypes[index];
}

int ChoiceOfRecordType(std::int32_t type) {
  const auto it = std::find(std::begin(kRecordTypes), std::end(kRecordTypes), type);
  return it == std::end(kRecordTypes) ? -1 : static_cast<int>(it - std::begin(kRecordTypes));
}

std::vector<std::string> FileModeChoices() { return ChoiceList(kStrFileModeList); }

int ChoiceOfFileMode(std::int32_t mode) { return mode == 0 || mode == 1 ? mode : -1; }

std::vector<std::string> QeditLanguageChoices() { return ChoiceList(kStrQeditLanguageList); }

int ChoiceOfQeditLanguage(std::int32_t language) {
  return language >= 0 && language <= 8 ? language : -1;
}

std::vector<std::string> LineEndChoices() { return ChoiceList(kStrLineEndList); }

std::optional<std::uint32_t> LineEndsOfChoice(int index) {
  if (index < 0 || index > 2) return std::nullopt;
  return static_cast<std::uint32_t>(index + 1);
}

int ChoiceOfLineEnds(std::uint32_t lineEnds) {
  const std::uint32_t bits = lineEnds & (kLineEndCr | kLineEndLf);
  return bits == 0 ? -1 : static_cast<int>(bits) - 1;
}

std::vector<std::string> TabSizeChoices() { return ChoiceList(kStrTabSizeList); }

std::optional<std::int32_t> TabSizeOfText(std::string_view text) {
  text = Trim(text);
  const std::vector<std::string> choices = TabSizeChoices();
  if (!choices.empty() && text == choices.front()) return 0;
  std::int32_t value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

std::string TabSizeText(std::int32_t tabSize) {
  if (tabSize == 0) {
    const std::vector<std::string> choices = TabSizeChoices();
    if (!choices.empty()) return choices.front();
  }
  return std::to_string(tabSize);
}

}  // namespace vandrel
