// The folders the template catalogue loads from, as the settings give them.
#pragma once

#include "core/app_settings.h"
#include "templates/template_catalogue.h"

namespace vandrel {

// TemplatesFolder (empty: the default templates installed with the
// program), LocalTemplates and VDXFolder (empty: the extensions installed
// with the program).
CatalogueFolders CatalogueFoldersOf(const AppSettings& settings);

}  // namespace vandrel
