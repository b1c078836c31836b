// `vandrel-cli doc print`: a file printed as the editor prints it, into a
// PDF file: the header, footer, margins, orientation and fonts of the
// settings, the file's line numbers and COBOL'85 tokens.
#include <fmt/format.h>

#include <clocale>
#include <ctime>
#include <memory>
#include <string>

#include "cli/doc_commands.h"
#include "cli/doc_document.h"
#include "documents/print_layout.h"
#include "documents/print_pdf.h"
#include "editor/print_source.h"
#include "platform/atomic_file.h"
#include "templates/template_catalogue.h"

namespace vandrel::cli {
namespace {

struct PrintArgs {
  std::string file;
  std::string pdf;
  bool record = false;
  TemplateChoice choice;
  std::string paper = "a4";
};

// "&D" and "&T" for now: the short date of the user's locale, the time in
// 24-hour form without seconds.
PrintFacts FactsForNow(const std::string& name) {
  PrintFacts facts;
  facts.fileName = name;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::setlocale(LC_TIME, "");
  char text[64];
  if (std::strftime(text, sizeof text, "%x", &local) > 0) facts.date = text;
  if (std::strftime(text, sizeof text, "%H:%M", &local) > 0) facts.time = text;
  std::setlocale(LC_TIME, "C");
  return facts;
}

void Print(CliContext& context, PrintArgs args) {
  const std::optional<AppSettings> settings = LoadSettings(context);
  if (!settings) return;
  OpenedDocument opened;
  if (!OpenDocument(context, args.file, LoadFlags(args.record, false), opened)) return;
  if (args.choice.name.empty() && args.choice.removeNumbers.empty()) {
    // The template the editor would choose, when there is one.
    TemplateCatalogue catalogue;
    if (!LoadTemplates(context, catalogue)) return;
    args.choice.name = TemplateForFile(context, catalogue, args.file, opened.format);
  }
  if (!ApplyChoice(context, args.choice, opened.format)) return;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, args.file, opened, control, text)) return;
  const PrintSource source = MakePrintSource(text, control.lines(), opened.format, args.file);

  const bool letter = args.paper == "letter";
  double width = letter ? 8.5 * 72 : kPdfA4Width;
  double height = letter ? 11.0 * 72 : kPdfA4Height;
  if (settings->PrintPortrait == 0) std::swap(width, height);
  PrintPageSetup setup;
  setup.paperWidth = width;
  setup.paperHeight = height;
  setup.unitsPerMm = kPdfPointsPerMm;
  setup.marginsMm = settings->PrintMargins;
  setup.header = settings->PrintHeader;
  setup.footer = settings->PrintFooter;
  const PdfFontMetrics metrics(settings->PrintFont, settings->PrintPointSize,
                               settings->PrintHeaderFont, settings->PrintHeaderSize);
  const PrintLayout layout =
      LayOutPrint(source, {0, static_cast<std::int64_t>(source.lines.size())}, setup,
                  FactsForNow(source.name), metrics);
  const std::string pdf = WritePrintPdf(layout, width, height, metrics, source.name);
  std::string error;
  if (!platform::WriteFileAtomically(args.pdf, pdf, 0644, &error)) {
    Fail(context, fmt::format("{}: {}", args.pdf, error));
    return;
  }
  std::printf("%s: %zu page%s\n", args.pdf.c_str(), layout.pages.size(),
              layout.pages.size() == 1 ? "" : "s");
}

}  // namespace

void AddPrintCommand(CLI::App& doc, CliContext& context) {
  auto args = std::make_shared<PrintArgs>();
  auto* command = doc.add_subcommand(
      "print",
      "print a file as the editor prints it (header, footer, margins, orientation and fonts of "
      "the settings; line numbers and COBOL'85 tokens) into a PDF file");
  command->add_option("FILE", args->file, "the file")->required();
  command->add_option("--pdf", args->pdf, "the PDF file to write (replaced when it exists)")
      ->required();
  command->add_flag("--record", args->record,
                    "the file is in record form (a download from an MPE/iX host)");
  AddTemplateChoice(*command, args->choice,
                    "apply this template (by name, from the catalogue) instead of the one the "
                    "editor would choose for the file",
                    "take the numbers at POS,DIGITS out of the text and print them as the "
                    "file's line numbers.");
  command->add_option("--paper", args->paper, "the paper size: a4 (the default) or letter")
      ->check(CLI::IsMember({"a4", "letter"}));
  command->callback([&context, args] { Print(context, *args); });
}

}  // namespace vandrel::cli
