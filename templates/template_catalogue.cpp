#include "templates/template_catalogue.h"

#include <algorithm>
#include <new>

#include "core/message_box.h"
#include "core/progress.h"
#include "core/string_ids.h"
#include "core/wildcard.h"
#include "platform/ascii_text.h"

namespace vandrel {

namespace {

// Template and extension files are recognised by their extension whatever its
// case, so "PAYROLL.VDT" copied from another system still loads.
constexpr std::string_view kTemplatePattern = "*.vdt";
constexpr std::string_view kExtensionPattern = "*.vdx";

// Folder settings that were never set give nothing rather than the current
// folder, whatever that happens to be.
std::vector<std::string> ListFolder(const std::string& folder, std::string_view pattern) {
  if (folder.empty()) return {};
  return ListMatchingFiles(folder, pattern, kWildcardIgnoreCase);
}

}  // namespace

bool TemplateCatalogue::LoadCatalogue(const CatalogueFolders& folders, ProgressReporter* progress) {
  UnloadCatalogue();

  const std::vector<std::string> extensionFiles = ListFolder(folders.vdxFolder, kExtensionPattern);
  if (progress != nullptr) {
    progress->ShowStatus(LoadText(kStrLoadingExtensions));
    progress->SetProgress(0);
  }
  for (std::size_t i = 0; i < extensionFiles.size(); ++i) {
    ParserExtension extension;
    extension.fileName = extensionFiles[i];
    extension.fullPath = JoinFolderPath(folders.vdxFolder, extensionFiles[i]);
    extensions_.push_back(std::move(extension));
    if (progress != nullptr) {
      progress->SetProgress(static_cast<int>((i + 1) * 100 / extensionFiles.size()));
    }
  }

  if (progress != nullptr) {
    progress->ClearProgress();
    progress->ShowStatus(LoadText(kStrLoadingTemplates));
    progress->SetProgress(0);
  }
  // Default templates first, then the user's; the bar runs once over both.
  const std::string* const sources[2] = {&folders.templatesFolder, &folders.localTemplates};
  std::vector<std::string> files[2];
  std::size_t total = 0;
  for (int source = 0; source < 2; ++source) {
    files[source] = ListFolder(*sources[source], kTemplatePattern);
    total += files[source].size();
  }
  std::size_t done = 0;
  for (int source = 0; source < 2; ++source) {
    for (const std::string& file : files[source]) {
      std::unique_ptr<Template> item;
      try {
        item = std::make_unique<Template>(JoinFolderPath(*sources[source], file));
      } catch (const std::bad_alloc&) {
        if (progress != nullptr) progress->ClearProgress();
        return false;
      }
      if (item->Load()) {
        item->userFlag = source;
        templates_.push_back(std::move(item));
      }
      ++done;
      if (progress != nullptr) progress->SetProgress(static_cast<int>(done * 100 / total));
    }
  }

  if (progress != nullptr) progress->ClearProgress();
  return true;
}

void TemplateCatalogue::UnloadCatalogue() {
  templates_.clear();
  extensions_.clear();
}

Template* TemplateCatalogue::FindTemplate(std::string_view name) const {
  for (const std::unique_ptr<Template>& item : templates_) {
    if (platform::EqualsIgnoreCase(item->settings.Name, name)) return item.get();
  }
  return nullptr;
}

const ParserExtension* TemplateCatalogue::FindExtension(std::string_view fileName) const {
  for (const ParserExtension& extension : extensions_) {
    if (platform::EqualsIgnoreCase(extension.fileName, fileName)) return &extension;
  }
  return nullptr;
}

std::optional<std::string> TemplateCatalogue::TemplateOutputMask(std::string_view name) const {
  const Template* item = FindTemplate(name);
  if (item == nullptr) return std::nullopt;
  return item->settings.CompilerOutputMask;
}

Template* TemplateCatalogue::Append(std::unique_ptr<Template> item) {
  if (item == nullptr) return nullptr;
  templates_.push_back(std::move(item));
  return templates_.back().get();
}

bool TemplateCatalogue::Remove(const Template* item) {
  auto it =
      std::find_if(templates_.begin(), templates_.end(),
                   [item](const std::unique_ptr<Template>& entry) { return entry.get() == item; });
  if (it == templates_.end()) return false;
  templates_.erase(it);
  return true;
}

}  // namespace vandrel
