// Choosing a template for a document: by the file's name through the
// file-type table, else by the host file's attributes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings_store.h"
#include "documents/document_format.h"
#include "templates/template_catalogue.h"

namespace vandrel {

// Pseudo-names offered in template lists next to the catalogue's names.
// "(none)" stands for no template (the plain defaults); "(auto-detect)" for
// "choose by the rules below" and is stored as the empty name.
inline constexpr std::string_view kTemplateNone = "(none)";
inline constexpr std::string_view kTemplateAutoDetect = "(auto-detect)";

bool IsPseudoTemplateName(std::string_view name);
// The name to store for a choice made in a list: "(auto-detect)" (in any
// case) becomes empty, every other name is kept.
std::string StoredTemplateName(std::string_view chosen);

// The template for a host-format document by its attributes:
// - a document that is not a host-format file, or one whose file code is 0,
//   matches nothing;
// - a Qedit template (MPEFileSupport 1) matches a Qedit document by language
//   (QeditType) alone;
// - a standard MPE template (MPEFileSupport 2) matches when both file code
//   and record length agree; a template with the file code alone is the
//   fallback, the last such template in catalogue order, but never one with
//   COBOL line tokens (Cobol85).
// The first match in catalogue order wins, then the fallback.
std::optional<std::string> MatchHostAttributes(const TemplateCatalogue& catalogue,
                                               const DocumentFormat& document);

// The template name for a document being opened that has none yet: with a
// file name, the file-type table's choice; without one, "(none)"; when that
// leaves nothing, MatchHostAttributes. Empty when nothing fits.
std::string ChooseTemplate(const TemplateCatalogue& catalogue, SettingsStore& store,
                           std::string_view fileName, const DocumentFormat& document);

}  // namespace vandrel
