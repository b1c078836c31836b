#include "project/find_in_files_model.h"

#include <algorithm>
#include <utility>

#include "core/find_history.h"
#include "platform/ascii_text.h"
#include "remote/request_block.h"

namespace vandrel::project {

namespace {

bool IsWordCharacter(char c) {
  return platform::IsAsciiLetterOrDigit(c) || c == '_' || c == '-' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Line `index` of `text` (lines separated by '\n'); empty past the end.
std::string_view LineOf(std::string_view text, int index) {
  std::size_t start = 0;
  for (int line = 0; line < index; ++line) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) return {};
    start = end + 1;
  }
  const std::size_t end = text.find('\n', start);
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

}  // namespace

FindInFilesSetup LoadFindInFilesSetup(SettingsStore* store) {
  FindInFilesSetup setup;
  if (store == nullptr) return setup;
  setup.findHistory = LoadHistory(*store, kFindHistory);
  setup.wildcardHistory = LoadHistory(*store, kWildcardHistory);
  setup.folderHistory = LoadHistory(*store, kFolderHistory);
  return setup;
}

std::string ProposedSearchText(std::string_view text, int selectionFirstLine,
                               int selectionFirstColumn, int selectionLastLine,
                               int selectionLastColumn, int caretLine, int caretColumn) {
  if (selectionFirstLine == selectionLastLine && selectionFirstColumn != selectionLastColumn &&
      selectionFirstLine >= 0) {
    const std::string_view line = LineOf(text, selectionFirstLine);
    const auto from =
        static_cast<std::size_t>(std::max(0, std::min(selectionFirstColumn, selectionLastColumn)));
    const auto to = static_cast<std::size_t>(std::max(selectionFirstColumn, selectionLastColumn));
    if (from < line.size()) return std::string(line.substr(from, to - from));
    return {};
  }
  if (caretLine < 0 || caretColumn < 0) return {};
  const std::string_view line = LineOf(text, caretLine);
  std::size_t at = std::min(static_cast<std::size_t>(caretColumn), line.size());
  // At the end of a word the caret still names it.
  if ((at == line.size() || !IsWordCharacter(line[at])) && at > 0 && IsWordCharacter(line[at - 1]))
    --at;
  if (at >= line.size() || !IsWordCharacter(line[at])) return {};
  std::size_t begin = at;
  while (begin > 0 && IsWordCharacter(line[begin - 1])) --begin;
  std::size_t end = at;
  while (end < line.size() && IsWordCharacter(line[end])) ++end;
  return std::string(line.substr(begin, end - begin));
}

FindInFilesModel::FindInFilesModel(FindInFilesSetup setup) : setup_(std::move(setup)) {
  values_.text = setup_.proposedText;
  values_.fileTypes = setup_.wildcardHistory.empty() ? "*" : setup_.wildcardHistory.front();
  values_.subdirectories = true;
}

void FindInFilesModel::SetFolderHistory(std::vector<std::string> history) {
  setup_.folderHistory = std::move(history);
}

bool FindInFilesModel::OfferCurrentDirectory(const std::string& directory) {
  if (!values_.directory.empty() || directory.empty()) return false;
  values_.directory = directory;
  return true;
}

FindInFilesLimit FindInFilesModel::OverLimit() const {
  if (values_.text.size() > remote::kMaxFindText) return FindInFilesLimit::kText;
  if (values_.fileTypes.size() > remote::kMaxFindText) return FindInFilesLimit::kFileTypes;
  if (values_.directory.size() > remote::kMaxRequestPath) return FindInFilesLimit::kDirectory;
  return FindInFilesLimit::kNone;
}

std::string FindInFilesModel::LimitText() const {
  switch (OverLimit()) {
    case FindInFilesLimit::kText:
      return "The text to find is longer than " + std::to_string(remote::kMaxFindText) +
             " characters.";
    case FindInFilesLimit::kFileTypes:
      return "The file types are longer than " + std::to_string(remote::kMaxFindText) +
             " characters.";
    case FindInFilesLimit::kDirectory:
      return "The directory is longer than " + std::to_string(remote::kMaxRequestPath) +
             " characters.";
    case FindInFilesLimit::kNone:
      break;
  }
  return {};
}

bool FindInFilesModel::findEnabled() const {
  return !values_.text.empty() && !values_.fileTypes.empty() && !values_.directory.empty() &&
         OverLimit() == FindInFilesLimit::kNone;
}

std::optional<FindInFilesValues> FindInFilesModel::Accept() const {
  if (!findEnabled()) return std::nullopt;
  return values_;
}

bool FindInFilesModel::SaveHistories(SettingsStore& store) const {
  bool saved = SaveHistory(store, kFindHistory, values_.text, setup_.findHistory);
  saved = SaveHistory(store, kWildcardHistory, values_.fileTypes, setup_.wildcardHistory) && saved;
  return SaveHistory(store, kFolderHistory, values_.directory, setup_.folderHistory) && saved;
}

}  // namespace vandrel::project
