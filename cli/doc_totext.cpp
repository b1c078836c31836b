// `vandrel-cli doc totext`: the text the editor shows for a file.
#include <fmt/format.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/doc_commands.h"
#include "cli/doc_document.h"
#include "documents/line_numbers.h"

namespace vandrel::cli {

bool ReadDocumentText(CliContext& context, const std::string& file, bool record,
                      std::string& text) {
  OpenedDocument opened;
  if (!OpenDocument(context, file, LoadFlags(record, false), opened, false)) return false;
  ControlDocument control;
  return ReadIntoControl(context, file, opened, control, text);
}

namespace {

void ToText(CliContext& context, const std::string& file, bool record, const TemplateChoice& choice,
            bool numbers) {
  OpenedDocument opened;
  if (!OpenDocument(context, file, LoadFlags(record, false), opened)) return;
  if (!ApplyChoice(context, choice, opened.format)) return;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, file, opened, control, text)) return;
  if (!numbers) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return;
  }
  const LineMetadata& lines = control.lines();
  const bool fileNumbers = lines.numbering().mode != NumberingMode::kNone;
  const int width = fileNumbers ? 0 : static_cast<int>(std::to_string(lines.LineCount()).size());
  std::string out;
  std::size_t at = 0;
  for (std::int64_t i = 0; i < lines.LineCount(); ++i) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    if (fileNumbers) {
      const std::int64_t number = lines.NumberOfLine(i);
      if (number == kNoLineNumber) {
        out.append(static_cast<std::size_t>(
                       LineNumberFieldWidth(opened.format.activeNumbering.digits,
                                            opened.format.editFlags & kEditMpeLineNumberFormat) +
                       1),
                   ' ');
      } else {
        out += FormatLineNumber(opened.format, number);
      }
    } else {
      out += fmt::format("{:>{}} ", i + 1, width);
    }
    out.append(text, at, end - at);
    out += '\n';
    at = end + 1;
    if (out.size() > (1 << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

void AddToTextCommand(CLI::App& doc, CliContext& context) {
  struct TextArgs {
    std::string file;
    bool record = false;
    TemplateChoice choice;
    bool numbers = false;
  };
  auto toText = std::make_shared<TextArgs>();
  auto* textCommand = doc.add_subcommand(
      "totext",
      "print the text the editor would show for a file, one line per record or text line");
  textCommand->add_option("FILE", toText->file, "the file")->required();
  textCommand->add_flag("--record", toText->record,
                        "the file is in record form (a download from an MPE/iX host)");
  AddTemplateChoice(
      *textCommand, toText->choice,
      "apply this template (by name, from the catalogue) as the editor does before loading: "
      "it decides whether numbers are taken out of the text, trimming and COBOL'85 tokens",
      "take the numbers at POS,DIGITS out of the text, each line keeping its own.");
  textCommand->add_flag("--numbers", toText->numbers,
                        "print each line's number in front of it (the line's position when "
                        "no numbers are taken out)");
  textCommand->callback([&context, toText] {
    ToText(context, toText->file, toText->record, toText->choice, toText->numbers);
  });
}

}  // namespace vandrel::cli
