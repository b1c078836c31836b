// `vandrel-cli doc tohost`: a text file written as a record-form file, as an
// upload to an MPE/iX host writes it.
#include <fmt/format.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/doc_document.h"
#include "documents/line_numbers.h"

namespace vandrel::cli {

namespace {

struct ToHostOptions {
  std::string text;
  std::string out;
  std::int32_t fcode = 0;
  std::int32_t reclen = 0;
  std::int32_t type = 0;
  std::int32_t mode = 1;
  std::optional<std::int32_t> qeditLanguage;
  std::string numbers;  // POS,DIGITS,START,INC
};

void ToHost(CliContext& context, const ToHostOptions& options) {
  // The text as the editor reads a local file.
  OpenedDocument opened;
  if (!OpenDocument(context, options.text, kFormatLocal, opened)) return;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, options.text, opened, control, text)) return;

  DocumentFormat format;
  format.formatFlags = kFormatRecordForm;
  DocumentNumbering numbering;
  if (!options.numbers.empty()) {
    const auto values = ParseNumberList(options.numbers, 4);
    if (!values || (*values)[0] < 1 || (*values)[0] > kWidestPosition || (*values)[1] < 1 ||
        (*values)[1] > kMaxNumberDigits || (*values)[2] < 0 || (*values)[2] > kInt32Max ||
        (*values)[3] < 1 || (*values)[3] > kInt32Max) {
      return Fail(context, fmt::format("--numbers takes POS,DIGITS,START,INC: a position from 1 "
                                       "to {}, 1 to {} digits, a start of 0 or more and an "
                                       "increment of 1 or more",
                                       kWidestPosition, kMaxNumberDigits));
    }
    numbering = {static_cast<std::int32_t>((*values)[0]), static_cast<std::int32_t>((*values)[1]),
                 static_cast<std::int32_t>((*values)[2]), static_cast<std::int32_t>((*values)[3])};
    NumberingDescription description;
    description.mode = kNumberingRenumber;
    description.digits = numbering.digits;
    description.position = numbering.position - 1;
    description.start = numbering.start;
    description.increment = numbering.increment;
    if (!control.SetNumbering(&description)) {
      return Fail(context, "--numbers: the numbering cannot be used");
    }
    format.numbering = numbering;
    format.activeNumbering = numbering;
    format.editFlags |= kEditRemoveLineNumbers | kEditRenumber;
  }

  // The widest record, as the save path measures it.
  const LongestLine longest = control.MeasureLongestLine(text, false);
  std::int64_t width = longest.width;
  if (numbering.position >= 2) {
    if (width > numbering.position) {
      return Fail(context, fmt::format("line {} overlaps the line numbers at column {}",
                                       longest.line + 1, numbering.position));
    }
    width = numbering.position;
  }
  if (numbering.position != 0) width += numbering.digits;

  // A single empty line without a line end is a file of no records.
  const std::int64_t records = text.empty() && !control.lines().finalLineEnd()
                                   ? 0
                                   : static_cast<std::int64_t>(control.LineCount());
  if (records > 99'999'999) return Fail(context, "too many lines for the EOF and LIMIT values");
  const auto count = static_cast<std::int32_t>(records);

  MpeHeader& m = format.mpe;
  m.mver = 1;
  m.fcode = options.fcode;
  m.reclen = options.reclen;
  m.bfact = 1;
  m.type = options.type;
  m.mode = options.mode;
  m.eof = count;
  m.limit = std::max(count, 1);
  if (options.qeditLanguage) {
    format.formatFlags |= kFormatQedit;
    QeditHeader& q = format.qedit;
    q.qver = 1;
    q.lang = *options.qeditLanguage;
    q.reclen = options.reclen;
    q.eof = count;
    q.lnl = numbering.digits;
    q.lnj = numbering.position == 1 ? 1 : 0;
    if (width > q.reclen) {
      return Fail(context, fmt::format("the widest record ({} bytes) exceeds the Qedit record "
                                       "length {}",
                                       width, q.reclen));
    }
  } else if (m.type == 0 && width > m.reclen) {
    return Fail(context, fmt::format("the widest record ({} bytes, line {}) exceeds the fixed "
                                     "record length {}; give a larger --reclen",
                                     width, longest.line + 1, m.reclen));
  }

  ReplaceWithDocument(context, options.out, control, text, format);
}

}  // namespace

void AddToHostCommand(CLI::App& doc, CliContext& context) {
  auto toHost = std::make_shared<ToHostOptions>();
  auto* hostCommand = doc.add_subcommand(
      "tohost",
      "write a text file as a record-form file, as an upload to an MPE/iX host would: a Qedit "
      "header (with --qedit), the MPE header, then one record per line. EOF and LIMIT are the "
      "line count; LIMIT of a byte-stream file (TYPE 9) its number of data bytes");
  hostCommand->add_option("TEXT", toHost->text, "the text file to read")->required();
  hostCommand->add_option("OUT", toHost->out, "the record-form file to write (replaced whole)")
      ->required();
  hostCommand->add_option("--fcode", toHost->fcode, "the MPE file code")->required();
  hostCommand
      ->add_option("--reclen", toHost->reclen,
                   "the record length in bytes; with TYPE 0 (fixed) no line may be longer")
      ->required()
      ->check(CLI::Range(0, 65535));
  hostCommand
      ->add_option("--type", toHost->type,
                   "the record type: 0 fixed, 1 variable, 2 undefined, 9 byte stream")
      ->required();
  hostCommand->add_option("--mode", toHost->mode, "the MPE mode: 0 binary, 1 ASCII (default 1)");
  hostCommand
      ->add_option("--qedit", toHost->qeditLanguage,
                   "write a Qedit file of this language (1 SPL, 2 Fortran, 3 COBOL, 4 RPG, 5 "
                   "Job, 6 Text, 7 Pascal, 8 COBOL'85); its record length is --reclen, LNL and "
                   "LNJ follow --numbers")
      ->check(CLI::Range(0, 8));
  hostCommand->add_option("--numbers", toHost->numbers,
                          "POS,DIGITS,START,INC: number the lines START, START+INC, ... in "
                          "DIGITS digits at POS. " +
                              std::string(kPositionHelp));
  hostCommand->callback([&context, toHost] { ToHost(context, *toHost); });
}

}  // namespace vandrel::cli
