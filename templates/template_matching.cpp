#include "templates/template_matching.h"

#include <algorithm>

#include "platform/ascii_text.h"
#include "templates/file_types.h"

namespace vandrel {

namespace {}  // namespace

bool IsPseudoTemplateName(std::string_view name) {
  return platform::EqualsIgnoreCase(name, kTemplateNone) ||
         platform::EqualsIgnoreCase(name, kTemplateAutoDetect);
}

std::string StoredTemplateName(std::string_view chosen) {
  if (platform::EqualsIgnoreCase(chosen, kTemplateAutoDetect)) return {};
  return std::string(chosen);
}

std::optional<std::string> MatchHostAttributes(const TemplateCatalogue& catalogue,
                                               const DocumentFormat& document) {
  if (!document.IsRecordForm() || document.mpe.fcode == 0) return std::nullopt;
  const Template* fallback = nullptr;
  for (const std::unique_ptr<Template>& item : catalogue.Templates()) {
    const TemplateSettings& settings = item->settings;
    if (settings.MPEFileSupport == kMpeSupportQedit) {
      if (document.IsQedit() && document.qedit.lang == settings.QeditType) {
        return settings.Name;
      }
    } else if (settings.MPEFileSupport == kMpeSupportStandard &&
               document.mpe.fcode == settings.MPEFileCode) {
      if (settings.Cobol85 == 0) fallback = item.get();
      if (document.mpe.reclen == settings.MPERecordLen) return settings.Name;
    }
  }
  if (fallback != nullptr) return fallback->settings.Name;
  return std::nullopt;
}

std::string ChooseTemplate(const TemplateCatalogue& catalogue, SettingsStore& store,
                           std::string_view fileName, const DocumentFormat& document) {
  std::string name;
  if (!fileName.empty()) {
    name = MatchFileType(store, fileName).value_or(std::string());
  } else {
    name = std::string(kTemplateNone);
  }
  if (name.empty()) name = MatchHostAttributes(catalogue, document).value_or(std::string());
  return name;
}

}  // namespace vandrel
