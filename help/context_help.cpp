#include "help/context_help.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/ascii_text.h"
#include "templates/template_catalogue.h"

namespace vandrel::help {

namespace {

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         platform::EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

ContextHelpFile ContextHelpFile::Parse(std::string_view text) {
  ContextHelpFile file;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = platform::WithoutLineEnd(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (platform::TrimBlanks(line).empty() || line.front() == '#') continue;

    std::size_t split = line.find('\t');
    std::size_t separatorLength = 1;
    if (split == std::string_view::npos) {
      split = line.find(" - ");
      separatorLength = 3;
    }
    if (split == std::string_view::npos) {
      ++file.skippedLines_;
      continue;
    }
    const std::string_view keyword = platform::TrimBlanks(line.substr(0, split));
    const std::string_view meaning = platform::TrimBlanks(line.substr(split + separatorLength));
    if (keyword.empty() || meaning.empty()) {
      ++file.skippedLines_;
      continue;
    }
    file.entries_.push_back({std::string(keyword), std::string(meaning)});
  }
  return file;
}

std::optional<ContextHelpFile> ContextHelpFile::Read(const std::filesystem::path& path,
                                                     std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot open " + path.string();
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    if (error) *error = "cannot read " + path.string();
    return std::nullopt;
  }
  return Parse(text.str());
}

std::vector<HelpEntry> ContextHelpFile::Lookup(std::string_view word, std::size_t limit) const {
  std::vector<HelpEntry> found;
  word = platform::TrimBlanks(word);
  if (word.empty()) return found;
  for (const HelpEntry& entry : entries_) {
    if (found.size() >= limit) break;
    if (platform::EqualsIgnoreCase(entry.keyword, word)) found.push_back(entry);
  }
  for (const HelpEntry& entry : entries_) {
    if (found.size() >= limit) break;
    if (entry.keyword.size() > word.size() && StartsWithIgnoreCase(entry.keyword, word)) {
      found.push_back(entry);
    }
  }
  return found;
}

std::optional<std::filesystem::path> ResolveContextHelpFile(
    std::string_view helpFile, const std::filesystem::path& templateFile,
    const std::filesystem::path& defaultTemplatesFolder) {
  const std::filesystem::path name(platform::TrimBlanks(helpFile));
  if (name.empty()) return std::nullopt;
  if (name.is_absolute()) {
    if (IsFile(name)) return name;
    return std::nullopt;
  }
  for (const std::filesystem::path& folder : {templateFile.parent_path(), defaultTemplatesFolder}) {
    if (folder.empty()) continue;
    const std::filesystem::path candidate = folder / name;
    if (IsFile(candidate)) return candidate.lexically_normal();
  }
  return std::nullopt;
}

ContextHelpResult ContextHelp(const TemplateCatalogue& catalogue, std::string_view templateName,
                              std::string_view word,
                              const std::filesystem::path& defaultTemplatesFolder) {
  ContextHelpResult result;
  result.word = std::string(platform::TrimBlanks(word));
  result.templateName = std::string(templateName);
  if (result.word.empty()) {
    result.status = ContextHelpStatus::kNoWord;
    return result;
  }
  const Template* item = catalogue.FindTemplate(templateName);
  if (item == nullptr) {
    result.status = ContextHelpStatus::kNoTemplate;
    return result;
  }
  result.helpFile = item->settings.ContextHelpFile;
  if (platform::TrimBlanks(result.helpFile).empty()) {
    result.status = ContextHelpStatus::kNoHelpFile;
    return result;
  }
  const std::optional<std::filesystem::path> path =
      ResolveContextHelpFile(result.helpFile, item->path, defaultTemplatesFolder);
  std::optional<ContextHelpFile> file;
  if (path) {
    result.helpFile = path->string();
    file = ContextHelpFile::Read(*path);
  }
  if (!file) {
    result.status = ContextHelpStatus::kMissing;
    return result;
  }
  result.entries = file->Lookup(result.word);
  result.status = result.entries.empty() ? ContextHelpStatus::kNoMatch : ContextHelpStatus::kFound;
  return result;
}

std::string ContextHelpMessage(const ContextHelpResult& result) {
  switch (result.status) {
    case ContextHelpStatus::kFound:
      return {};
    case ContextHelpStatus::kNoWord:
      return "Context help: there is no word at the caret to look up.";
    case ContextHelpStatus::kNoTemplate:
      return result.templateName.empty()
                 ? "Context help: this document has no template, so there is no help file."
                 : "Context help: the template '" + result.templateName +
                       "' is not installed, so there is no help file.";
    case ContextHelpStatus::kNoHelpFile:
      return "Context help: the template '" + result.templateName + "' names no context help file.";
    case ContextHelpStatus::kMissing:
      return "Context help: the help file '" + result.helpFile + "' of the template '" +
             result.templateName + "' cannot be found or read.";
    case ContextHelpStatus::kNoMatch:
      return "Context help: no entry for '" + result.word + "' in " +
             std::filesystem::path(result.helpFile).filename().string() + ".";
  }
  return {};
}

}  // namespace vandrel::help
