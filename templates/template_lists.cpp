#include "templates/template_lists.h"

#include <algorithm>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "platform/ascii_text.h"
#include "templates/template_matching.h"

namespace vandrel {

namespace {

// Ignoring case first, then byte order, so the order is total and stable.
bool LessIgnoringCase(std::string_view a, std::string_view b) {
  const bool less =
      std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(platform::AsciiLower(x)) <
               static_cast<unsigned char>(platform::AsciiLower(y));
      });
  if (less || !platform::EqualsIgnoreCase(a, b)) return less;
  return a < b;
}

// The templates that names resolve to: the first of each name, in catalogue
// order.
std::vector<const Template*> Resolvable(const TemplateCatalogue& catalogue) {
  std::vector<const Template*> result;
  for (const std::unique_ptr<Template>& item : catalogue.Templates()) {
    if (catalogue.FindTemplate(item->settings.Name) == item.get()) result.push_back(item.get());
  }
  return result;
}

int HostFormatImage(const Template& item) {
  switch (item.settings.MPEFileSupport) {
    case kMpeSupportNone:
      return kImagePlainTemplate;
    case kMpeSupportQedit:
      return kImageQeditTemplate;
    default:
      return kImageStandardTemplate;
  }
}

unsigned HostFormatOption(const Template& item) {
  switch (item.settings.MPEFileSupport) {
    case kMpeSupportNone:
      return kListPlainTemplates;
    case kMpeSupportQedit:
      return kListQeditTemplates;
    default:
      return kListStandardTemplates;
  }
}

}  // namespace

std::vector<std::string> TemplateChooserEntries(const TemplateCatalogue& catalogue,
                                                unsigned options, bool sorted) {
  std::vector<std::string> entries;
  if (options & kListNone) entries.emplace_back(kTemplateNone);
  if (options & kListAutoDetect) entries.emplace_back(kTemplateAutoDetect);
  std::vector<std::string> names;
  for (const Template* item : Resolvable(catalogue)) names.push_back(item->settings.Name);
  if (sorted) std::sort(names.begin(), names.end(), LessIgnoringCase);
  entries.insert(entries.end(), names.begin(), names.end());
  return entries;
}

std::size_t ChooserSelection(const std::vector<std::string>& entries, std::string_view current) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (platform::EqualsIgnoreCase(entries[i], current)) return i;
  }
  return 0;
}

std::vector<TemplateTreeItem> TemplateTreeItems(const TemplateCatalogue& catalogue) {
  std::vector<TemplateTreeItem> items;
  for (const Template* item : Resolvable(catalogue)) {
    items.push_back(
        {item->settings.Name, item->userFlag != 0 ? kImageUserTemplate : kImageDefaultTemplate});
  }
  std::sort(items.begin(), items.end(), [](const TemplateTreeItem& a, const TemplateTreeItem& b) {
    return LessIgnoringCase(a.text, b.text);
  });
  return items;
}

std::vector<TemplateGalleryItem> TemplateGalleryItems(const TemplateCatalogue& catalogue,
                                                      unsigned options) {
  std::vector<TemplateGalleryItem> items;
  if (options & kListNormal) {
    items.push_back(
        {LoadText(kStrTemplateGalleryNormal), std::string(kTemplateNone), kImagePlainTemplate});
  }
  if (options & kListNone) {
    items.push_back({std::string(kTemplateNone), std::string(kTemplateNone), kImagePlainTemplate});
  }
  for (const Template* item : Resolvable(catalogue)) {
    const bool wanted = (options & kListWithOutputMask) ? !item->settings.CompilerOutputMask.empty()
                                                        : (options & HostFormatOption(*item)) != 0;
    if (wanted) items.push_back({item->settings.Name, item->settings.Name, HostFormatImage(*item)});
  }
  return items;
}

std::string ContextHelpFile(const TemplateCatalogue& catalogue, std::string_view name) {
  const Template* item = catalogue.FindTemplate(name);
  return item != nullptr ? item->settings.ContextHelpFile : std::string();
}

}  // namespace vandrel
