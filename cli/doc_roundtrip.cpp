// `vandrel-cli doc roundtrip`: a file loaded and saved unchanged, as the
// editor would, compared byte for byte with the original.
#include <fmt/format.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/doc_document.h"

namespace vandrel::cli {

namespace {

bool ReadFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

void RoundTrip(CliContext& context, const std::string& file, bool record,
               const TemplateChoice& choice) {
  OpenedDocument opened;
  if (!OpenDocument(context, file, LoadFlags(record, false), opened)) return;
  if (!ApplyChoice(context, choice, opened.format)) return;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, file, opened, control, text)) return;
  auto written = WriteTemporaryDocument(context, file, control, text, SaveFormatOf(opened.format));
  if (!written) return;

  std::vector<std::uint8_t> expected;
  std::vector<std::uint8_t> found;
  if (!ReadFileBytes(file, expected) || !ReadFileBytes(written->path(), found)) {
    return Fail(context, fmt::format("{}: cannot read the files back to compare them", file));
  }
  const std::size_t common = std::min(expected.size(), found.size());
  std::size_t at = 0;
  while (at < common && expected[at] == found[at]) ++at;
  if (at == common && expected.size() == found.size()) {
    std::printf("%s: identical (%zu bytes, %lld lines)\n", file.c_str(), expected.size(),
                static_cast<long long>(control.LineCount()));
    return;
  }
  const auto byteText = [](const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return offset < bytes.size() ? fmt::format("0x{:02X}", bytes[offset]) : std::string("end");
  };
  std::printf("%s: differs at byte %zu: expected %s, found %s (%zu bytes read, %zu written)\n",
              file.c_str(), at, byteText(expected, at).c_str(), byteText(found, at).c_str(),
              expected.size(), found.size());
  context.exitCode = 1;
}

}  // namespace

void AddRoundTripCommand(CLI::App& doc, CliContext& context) {
  struct RoundTripArgs {
    std::string file;
    bool record = false;
    TemplateChoice choice;
  };
  auto roundTrip = std::make_shared<RoundTripArgs>();
  auto* tripCommand = doc.add_subcommand(
      "roundtrip",
      "load a file and save it unchanged into a temporary file as the editor would (record "
      "form with its header records as loaded, plain text as a local save); exit 0 when the "
      "bytes are identical, else print the first difference and exit 1");
  tripCommand->add_option("FILE", roundTrip->file, "the file")->required();
  tripCommand->add_flag("--record", roundTrip->record, "the file is in record form");
  AddTemplateChoice(*tripCommand, roundTrip->choice,
                    "apply this template (by name, from the catalogue) before loading",
                    "take the numbers at POS,DIGITS out of the text and write them back.");
  tripCommand->callback([&context, roundTrip] {
    RoundTrip(context, roundTrip->file, roundTrip->record, roundTrip->choice);
  });
}

}  // namespace vandrel::cli
