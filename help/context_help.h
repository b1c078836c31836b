// Context help: the word at the caret looked up in the help file that the
// document's template names ("ContextHelpFile").
//
// A help file is plain text, one entry a line:
//
//   KEYWORD<TAB>one-line meaning
//   KEYWORD - one-line meaning
//
// The keyword ends at the first tab; a line without a tab is split at its
// first " - " (blank, hyphen, blank) instead, so a keyword may hold hyphens
// (WORKING-STORAGE) and blanks (END-IF, DATA DIVISION). Blanks around the
// keyword and the meaning are dropped. Empty lines and lines whose first
// byte is "#" are comments; a line with no separator, or with an empty
// keyword or meaning, is passed over and counted in `skippedLines`.
//
// A word is looked up by partial keyword, without regard to letter case:
// the keywords equal to the word come first, then those that start with it,
// each group in file order. "PERF" finds PERFORM; "ADD" finds ADD first and
// then ADDRESS.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

class TemplateCatalogue;

namespace help {

struct HelpEntry {
  std::string keyword;
  std::string meaning;
  bool operator==(const HelpEntry&) const = default;
};

class ContextHelpFile {
 public:
  static ContextHelpFile Parse(std::string_view text);
  // Nothing, with a message in *error, when the file cannot be read.
  static std::optional<ContextHelpFile> Read(const std::filesystem::path& path,
                                             std::string* error = nullptr);

  const std::vector<HelpEntry>& entries() const { return entries_; }
  std::size_t skippedLines() const { return skippedLines_; }

  // The entries for `word` (see above), at most `limit`; none for an empty
  // word.
  std::vector<HelpEntry> Lookup(std::string_view word, std::size_t limit = 50) const;

 private:
  std::vector<HelpEntry> entries_;
  std::size_t skippedLines_ = 0;
};

// Where the help file a template names is: an absolute name as it is; a
// relative one beside the template's own file, else in the default
// templates folder (so that a user's copy of a shipped template keeps its
// help). Nothing when no candidate exists.
std::optional<std::filesystem::path> ResolveContextHelpFile(
    std::string_view helpFile, const std::filesystem::path& templateFile,
    const std::filesystem::path& defaultTemplatesFolder);

enum class ContextHelpStatus {
  kFound,       // `entries` holds what was found
  kNoWord,      // nothing to look up at the caret
  kNoTemplate,  // the document's template is not in the catalogue
  kNoHelpFile,  // the template names no help file
  kMissing,     // the help file named cannot be found or read
  kNoMatch,     // the help file has no keyword for the word
};

struct ContextHelpResult {
  ContextHelpStatus status = ContextHelpStatus::kNoWord;
  std::string word;
  std::string templateName;
  std::string helpFile;  // the resolved path, else the name the template gives
  std::vector<HelpEntry> entries;
};

// Looks `word` up for a document whose template is `templateName`.
ContextHelpResult ContextHelp(const TemplateCatalogue& catalogue, std::string_view templateName,
                              std::string_view word,
                              const std::filesystem::path& defaultTemplatesFolder);

// The line the status bar shows for a result that found nothing; empty for
// kFound.
std::string ContextHelpMessage(const ContextHelpResult& result);

}  // namespace help
}  // namespace vandrel
