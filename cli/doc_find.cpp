// `vandrel-cli doc find`: the editor's search over a file's text (whole words
// and case as the Find dialog takes them), and with --replace its Replace
// All, the file then replaced atomically.
#include <fmt/format.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cli/doc_document.h"
#include "editor/line_metadata.h"
#include "editor/text_search.h"

namespace vandrel::cli {

namespace {

struct FindOptions {
  std::string file;
  std::string text;
  bool record = false;
  bool word = false;
  bool matchCase = false;
  std::optional<std::string> replacement;
};

// The search and replacement texts are what a dialog's box can hold.
bool CheckText(CliContext& context, std::string_view what, const std::string& text,
               bool mayBeEmpty) {
  if (text.empty() && !mayBeEmpty) {
    Fail(context, fmt::format("the {} is empty", what));
    return false;
  }
  if (text.size() > kMaxSearchText) {
    Fail(context, fmt::format("the {} is longer than {} characters", what, kMaxSearchText));
    return false;
  }
  if (text.find_first_of("\r\n") != std::string::npos) {
    Fail(context, fmt::format("the {} holds a line end", what));
    return false;
  }
  return true;
}

// "LINE:COLUMN: text" for each match (1-based), then the count.
void PrintMatches(const std::string& file, std::string_view text,
                  const std::vector<std::size_t>& found) {
  std::string out;
  std::size_t lineStart = 0;
  std::int64_t line = 0;
  for (const std::size_t at : found) {
    for (std::size_t next = text.find('\n', lineStart); next != std::string_view::npos && next < at;
         next = text.find('\n', lineStart)) {
      lineStart = next + 1;
      ++line;
    }
    const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
    out += fmt::format("{}:{}: ", line + 1, at - lineStart + 1);
    out.append(text, lineStart, lineEnd - lineStart);
    out += '\n';
    if (out.size() > (1 << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::printf("%s: %zu %s\n", file.c_str(), found.size(), found.size() == 1 ? "match" : "matches");
}

void Find(CliContext& context, const FindOptions& options) {
  if (!CheckText(context, "search text", options.text, false)) return;
  if (options.replacement && !CheckText(context, "replacement", *options.replacement, true)) return;
  OpenedDocument opened;
  if (!OpenDocument(context, options.file, LoadFlags(options.record, false), opened, false)) return;
  ControlDocument control;
  std::string text;
  if (!ReadIntoControl(context, options.file, opened, control, text)) return;

  std::uint32_t flags = kSearchForward;
  if (options.word) flags |= kSearchWholeWord;
  if (options.matchCase) flags |= kSearchMatchCase;
  const TextMatcher matcher(options.text, flags);
  if (!options.replacement) {
    const std::vector<std::size_t> found = FindAll(text, 0, text.size(), matcher);
    if (found.empty()) {
      return Fail(context,
                  fmt::format("{}: cannot find the string '{}'", options.file, options.text));
    }
    return PrintMatches(options.file, text, found);
  }

  ReplaceAllResult result = ReplaceAllInText(text, 0, text.size(), matcher, *options.replacement);
  if (result.count == 0) {
    return Fail(context,
                fmt::format("{}: cannot find the string '{}'", options.file, options.text));
  }
  // No line comes or goes; the lines that changed are written as changed.
  std::size_t lineStart = 0;
  for (std::int64_t line = 0; line < control.LineCount(); ++line) {
    const std::size_t end = std::min(text.find('\n', lineStart), text.size());
    if (matcher.Forward(text, lineStart, end) != kNoMatch) control.lines().MarkChanged(line);
    lineStart = end + 1;
  }
  if (ReplaceWithDocument(context, options.file, control, result.text,
                          SaveFormatOf(opened.format))) {
    std::printf("%s: %lld replaced\n", options.file.c_str(), static_cast<long long>(result.count));
  }
}

}  // namespace

void AddFindCommand(CLI::App& doc, CliContext& context) {
  auto find = std::make_shared<FindOptions>();
  auto* command = doc.add_subcommand(
      "find",
      "find a text in a file as the editor's Find dialog does and print each match as "
      "LINE:COLUMN: line; with --replace replace every match in one pass (Replace All) and "
      "replace the file atomically. Exit status 1 when nothing is found");
  command->add_option("FILE", find->file, "the file")->required();
  command->add_option("TEXT", find->text, "the text to find (at most 255 characters)")->required();
  command->add_flag("--record", find->record, "the file is in record form");
  command->add_flag("--word", find->word,
                    "match whole words only (letters, digits, '_', and '-' between two "
                    "letters or digits)");
  command->add_flag("--case", find->matchCase, "match case (otherwise ASCII letters match either)");
  command->add_option("--replace", find->replacement,
                      "replace every match by this text (may be empty: the matches are deleted)");
  command->callback([&context, find] { Find(context, *find); });
}

}  // namespace vandrel::cli
