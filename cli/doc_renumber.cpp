// `vandrel-cli doc renumber`: a file's line numbers renumbered with the
// checks of the Edit Line Numbering dialog, the file replaced atomically.
#include <fmt/format.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/doc_document.h"
#include "core/message_box.h"
#include "documents/renumber_model.h"

namespace vandrel::cli {

namespace {

struct RenumberOptions {
  std::string file;
  bool record = false;
  std::string removeNumbers;
  std::int64_t start = 0;
  std::int64_t increment = 0;
  std::optional<std::int64_t> from;
  std::optional<std::int64_t> to;
};

void Renumber(CliContext& context, const RenumberOptions& options) {
  OpenedDocument opened;
  if (!OpenDocument(context, options.file, LoadFlags(options.record, false), opened)) return;
  TemplateChoice choice;
  choice.removeNumbers = options.removeNumbers;
  if (!ApplyChoice(context, choice, opened.format)) return;
  DocumentFormat& format = opened.format;
  if (format.numbering.position == 0 || format.numbering.digits == 0) {
    return Fail(context, fmt::format("{}: no line numbers found (give --remove-numbers POS,DIGITS)",
                                     options.file));
  }
  // The numbers are taken out of the text and each line keeps its own.
  format.editFlags |= kEditRemoveLineNumbers;
  format.editFlags &= ~kEditRenumber;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, options.file, opened, control, text)) return;

  LineMetadata& lines = control.lines();
  if (lines.LineCount() > kInt32Max) return Fail(context, "too many lines");
  RenumberModel model(MakeRenumberInput(format, static_cast<std::int32_t>(lines.LineCount()),
                                        TextSelection{}, false,
                                        [&lines](std::int32_t line) -> std::optional<std::int32_t> {
                                          const std::int64_t number = lines.NumberOfLine(line);
                                          if (number == kNoLineNumber || number > kInt32Max)
                                            return std::nullopt;
                                          return static_cast<std::int32_t>(number);
                                        }));
  if (options.from || options.to) {
    model.ChooseScope(RenumberScope::kRange);
    model.SetFirstLine(options.from.value_or(1));
    model.SetLastLine(options.to.value_or(lines.LineCount()));
  }
  model.SetStart(options.start);
  model.SetIncrement(options.increment);
  model.SetMarkLines(false);
  const RenumberOutcome outcome = model.Accept();
  if (!outcome.accepted()) {
    return Fail(context, fmt::format("{}: {}", options.file, LoadText(outcome.messageId)));
  }
  const RenumberRequest& r = outcome.request;
  if (!lines.Renumber(r.firstLine, r.lastLine, r.start, r.increment, false)) {
    return Fail(context, fmt::format("{}: the numbers do not fit in {} digits", options.file,
                                     format.activeNumbering.digits));
  }
  // The loader's hold on the old file ends once the new one is in place.
  if (ReplaceWithDocument(context, options.file, control, text, SaveFormatOf(format))) {
    std::printf("%s: lines %d-%d numbered %d to %lld\n", options.file.c_str(), r.firstLine + 1,
                r.lastLine + 1, r.start,
                static_cast<long long>(r.start) +
                    static_cast<long long>(r.lastLine - r.firstLine) * r.increment);
  }
}

}  // namespace

void AddRenumberCommand(CLI::App& doc, CliContext& context) {
  auto renumber = std::make_shared<RenumberOptions>();
  auto* renumberCommand = doc.add_subcommand(
      "renumber",
      "renumber a file's line numbers (the detected ones, or those at --remove-numbers) with "
      "the checks of the Edit Line Numbering dialog, and replace the file atomically");
  renumberCommand->add_option("FILE", renumber->file, "the file")->required();
  renumberCommand->add_flag("--record", renumber->record, "the file is in record form");
  renumberCommand->add_option(
      "--remove-numbers", renumber->removeNumbers,
      "the numbers stand at POS,DIGITS (default: as detected). " + std::string(kPositionHelp));
  renumberCommand->add_option("--start", renumber->start, "the first new number")->required();
  renumberCommand->add_option("--increment", renumber->increment, "the step")->required();
  auto* from = renumberCommand->add_option(
      "--from", renumber->from, "the first line to renumber (from 1; default the first)");
  auto* to = renumberCommand->add_option("--to", renumber->to,
                                         "the last line to renumber (default the last)");
  from->needs(to);
  to->needs(from);
  renumberCommand->callback([&context, renumber] { Renumber(context, *renumber); });
}

}  // namespace vandrel::cli
