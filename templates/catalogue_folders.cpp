#include "templates/catalogue_folders.h"

#include "platform/install_paths.h"

namespace vandrel {

CatalogueFolders CatalogueFoldersOf(const AppSettings& settings) {
  CatalogueFolders folders;
  folders.templatesFolder = settings.TemplatesFolder.empty()
                                ? platform::DefaultTemplatesFolder().string()
                                : settings.TemplatesFolder;
  folders.localTemplates = settings.LocalTemplates;
  folders.vdxFolder = settings.VDXFolder.empty() ? platform::DefaultExtensionsFolder().string()
                                                 : settings.VDXFolder;
  return folders;
}

}  // namespace vandrel
