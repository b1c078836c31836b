#include "project/find_in_files_model.h"

#include <algorithm>
#include <utility>

#include "core/find_history.h"
#include "remote/request_block.h"

namespace vandrel::project {

FindInFilesSetup LoadFindInFilesSetup(SettingsStore* store) {
  FindInFilesSetup setup;
  if (store == nullptr) return setup;
  setup.findHistory = LoadHistory(*store, kFindHistory);
  setup.wildcardHistory = LoadHistory(*store, kWildcardHistory);
  setup.folderHistory = LoadHistory(*store, kFolderHistory);
  return setup;
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
