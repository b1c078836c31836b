// The template lists the user interface shows – the chooser drop-downs, the
// Template Manager's tree and the New File gallery – as plain data: the
// entries with their texts, names and images. A window only puts them into
// its controls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "templates/template_catalogue.h"

namespace vandrel {

// Options of the chooser and the gallery; callers pass these numbers.
enum TemplateListOptions : unsigned {
  kListPlainTemplates = 0x1,     // gallery: templates without host format
  kListStandardTemplates = 0x2,  // gallery: standard MPE templates
  kListQeditTemplates = 0x4,     // gallery: Qedit templates
  kListAutoDetect = 0x8,         // chooser: an "(auto-detect)" entry
  kListNone = 0x10,              // chooser and gallery: a "(none)" entry
  kListWithOutputMask = 0x20,    // gallery: templates with an output mask, instead
  kListNormal = 0x80,            // gallery: a first entry shown as "Normal"
};

// Images of the tree and the gallery (positions in the shared image list).
inline constexpr int kImageDefaultTemplate = 4;
inline constexpr int kImageUserTemplate = 5;
inline constexpr int kImagePlainTemplate = 8;
inline constexpr int kImageQeditTemplate = 24;
inline constexpr int kImageStandardTemplate = 25;

// The chooser's entries: "(none)" with kListNone, "(auto-detect)" with
// kListAutoDetect, then the catalogue's names in catalogue order (sorted,
// ignoring case, when `sorted`). A name that an earlier one already covers
// (the same ignoring case, so it could never be resolved) is left out.
std::vector<std::string> TemplateChooserEntries(const TemplateCatalogue& catalogue,
                                                unsigned options, bool sorted = false);
// The entry to preselect for `current`: its position ignoring case, else 0.
std::size_t ChooserSelection(const std::vector<std::string>& entries, std::string_view current);

struct TemplateTreeItem {
  std::string text;
  int image = kImageDefaultTemplate;
  bool operator==(const TemplateTreeItem&) const = default;
};
// One top-level item per name, sorted ignoring case; the image shows whether
// the template the name resolves to is a user or a default template.
std::vector<TemplateTreeItem> TemplateTreeItems(const TemplateCatalogue& catalogue);

struct TemplateGalleryItem {
  std::string text;          // as displayed
  std::string templateName;  // what choosing the item opens with
  int image = kImagePlainTemplate;
  bool operator==(const TemplateGalleryItem&) const = default;
};
// The New File gallery: with kListNormal first an item shown as "Normal"
// (no template), with kListNone a "(none)" item; then, in catalogue order,
// the templates of the host formats the options name (kListPlainTemplates,
// kListQeditTemplates, kListStandardTemplates), or with kListWithOutputMask
// instead every template with a compiler output mask. Templates carry the
// image of their host format.
std::vector<TemplateGalleryItem> TemplateGalleryItems(const TemplateCatalogue& catalogue,
                                                      unsigned options);

// The help file for context help in a document with template `name`: empty
// when the template is unknown or names none.
std::string ContextHelpFile(const TemplateCatalogue& catalogue, std::string_view name);

}  // namespace vandrel
