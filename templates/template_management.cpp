#include "templates/template_management.h"

#include <algorithm>
#include <system_error>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "core/wildcard.h"
#include "platform/ascii_text.h"
#include "templates/template_matching.h"

namespace vandrel {

namespace {

namespace fs = std::filesystem;

constexpr unsigned kWarning = kMbOk | kMbIconWarning;

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return platform::EqualsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace

std::string NewTemplateForm::Title() const {
  return LoadText(copying_ ? kStrCopyTemplateCaption : kStrNewTemplateCaption);
}

void NewTemplateForm::SetName(std::string_view name) {
  name_ = name;
  if (fileName_ == lastCopied_) {
    fileName_ = name_;
    lastCopied_ = name_;
  }
}

std::string TemplateFileName(std::string_view fileName) {
  std::string result(fileName);
  if (result.size() < kTemplateExtension.size() ||
      !EndsWithIgnoreCase(result, kTemplateExtension)) {
    result += kTemplateExtension;
  }
  return result;
}

fs::path TemplateBackupPath(const fs::path& path) {
  // Only the file name's own '.' counts: a '.' in a folder name is no
  // extension.
  fs::path backup = path;
  std::string name = path.filename().string();
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  name += kTemplateBackupExtension;
  backup.replace_filename(name);
  return backup;
}

Template* CreateTemplate(TemplateCatalogue& catalogue, UserInterface& ui,
                         std::string_view userTemplatesFolder, std::string_view name,
                         std::string_view fileName, const Template* source) {
  if (name.empty() || fileName.empty()) return nullptr;
  const std::string file = TemplateFileName(fileName);

  if (name.size() > kMaxTemplateNameLength) {
    MessageBox(ui, kWarning, kStrTemplateNameTooLong, std::string(name));
    return nullptr;
  }
  // A template called like a pseudo-name would take the place of "no
  // template" wherever that is stored.
  if (catalogue.HasTemplate(name) || IsPseudoTemplateName(name)) {
    MessageBox(ui, kWarning, kStrTemplateNameExists, std::string(name));
    return nullptr;
  }
  if (file.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
    MessageBox(ui, kWarning, kStrTemplateFileNameInvalid, file);
    return nullptr;
  }
  if (userTemplatesFolder.empty()) {
    MessageBox(ui, kWarning, kStrNoUserTemplatesFolder);
    return nullptr;
  }
  const std::string path = JoinFolderPath(userTemplatesFolder, file);
  std::error_code error;
  if (fs::exists(fs::symlink_status(path, error))) {
    MessageBox(ui, kWarning, kStrTemplateFileExists, file);
    return nullptr;
  }
  if (path.size() > kMaxTemplatePathLength) {
    MessageBox(ui, kWarning, kStrTemplatePathTooLong, path);
    return nullptr;
  }

  auto item = std::make_unique<Template>();
  if (source != nullptr) item->CopyFrom(*source);
  item->settings.Name = std::string(name);
  item->path = path;
  item->userFlag = 1;

  fs::create_directories(std::string(userTemplatesFolder), error);
  if (!item->Save()) {
    // Nothing half-made stays behind: the file did not exist before.
    fs::remove(path, error);
    MessageBox(ui, kWarning, kStrTemplateSaveFailed, std::string(name), path);
    return nullptr;
  }
  return catalogue.Append(std::move(item));
}

CommitResult CommitTemplateEdits(TemplateCatalogue& catalogue, UserInterface& ui,
                                 Template& workingCopy, const CopyTemplateDialog& copyDialog) {
  Template* original = catalogue.FindTemplate(workingCopy.settings.Name);
  if (original == nullptr || !workingCopy.Differs(*original)) return {};

  if (original->userFlag == 0) {
    const int answer = MessageBox(ui, kMbYesNoCancel | kMbIconQuestion,
                                  kStrSaveDefaultTemplateAsNew, original->settings.Name);
    if (answer == kIdCancel) return {CommitOutcome::kCancelled};
    if (answer == kIdYes) {
      Template* created = copyDialog ? copyDialog(workingCopy) : nullptr;
      if (created == nullptr) return {CommitOutcome::kCancelled};
      return {CommitOutcome::kSavedAsNew, created};
    }
  }

  if (!workingCopy.path.empty() && !workingCopy.Save()) {
    MessageBox(ui, kWarning, kStrTemplateSaveFailed, workingCopy.settings.Name,
               workingCopy.path.string());
    return {CommitOutcome::kSaveFailed};
  }
  original->CopyFrom(workingCopy);
  return {CommitOutcome::kCommitted};
}

void LoadWorkingCopy(const TemplateCatalogue& catalogue, std::string_view name,
                     Template& workingCopy) {
  if (const Template* item = catalogue.FindTemplate(name)) {
    workingCopy.CopyFrom(*item);
  } else {
    workingCopy.Clear();
    workingCopy.path.clear();
  }
}

std::optional<std::size_t> SelectionAfterDelete(std::size_t count, std::size_t index) {
  if (index >= count) return count > 0 ? std::optional<std::size_t>(0) : std::nullopt;
  if (index > 0) return index - 1;  // the item above
  if (count > 1) return index;      // the item below, which moves up
  return std::nullopt;              // the only item
}

bool DeleteTemplate(TemplateCatalogue& catalogue, UserInterface& ui, std::string_view name) {
  if (MessageBox(ui, kMbYesNo | kMbIconQuestion, kStrConfirmDeleteTemplate, std::string(name)) !=
      kIdYes) {
    return false;
  }
  Template* item = catalogue.FindTemplate(name);
  if (item == nullptr) return false;

  if (!item->path.empty()) {
    const fs::path backup = TemplateBackupPath(item->path);
    std::error_code error;
    if (fs::exists(fs::symlink_status(item->path, error))) {
      fs::remove(backup, error);
      fs::rename(item->path, backup, error);
      if (error) {
        MessageBox(ui, kWarning, kStrTemplateDeleteFailed, item->settings.Name, item->path.string(),
                   backup.string());
        return false;
      }
    }
  }
  catalogue.Remove(item);
  return true;
}

}  // namespace vandrel
