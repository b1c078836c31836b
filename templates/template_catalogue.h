// The catalogue: every template the application knows, default templates
// first, then the user's, in a stable order; and the list of parser
// extensions found beside them. Looked up by name ignoring case.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "templates/navigator/parser_extension.h"
#include "templates/template.h"

namespace vandrel {

class ProgressReporter;

// The folders the catalogue loads from (the TemplatesFolder, LocalTemplates
// and VDXFolder settings).
struct CatalogueFolders {
  std::string templatesFolder;
  std::string localTemplates;
  std::string vdxFolder;
};

class TemplateCatalogue {
 public:
  // Unloads, lists the parser extensions, then loads the .vdt files of the
  // templates folder (user flag 0) and of the user templates folder (user
  // flag 1), each sorted by file name. Files that do not load are skipped.
  bool LoadCatalogue(const CatalogueFolders& folders, ProgressReporter* progress);
  // Forgets the templates and the extensions with what was learnt of them.
  void UnloadCatalogue();

  Template* FindTemplate(std::string_view name) const;
  bool HasTemplate(std::string_view name) const { return FindTemplate(name) != nullptr; }
  // The template's CompilerOutputMask, or nothing when the name is unknown.
  std::optional<std::string> TemplateOutputMask(std::string_view name) const;

  const std::vector<std::unique_ptr<Template>>& Templates() const { return templates_; }
  const std::vector<ParserExtension>& Extensions() const { return extensions_; }
  // The first extension whose file name equals `fileName` ignoring case;
  // running it records its labels there.
  const ParserExtension* FindExtension(std::string_view fileName) const;

  Template* Append(std::unique_ptr<Template> item);
  // Removes and destroys `item`; false when it is not in the catalogue.
  bool Remove(const Template* item);

 private:
  std::vector<std::unique_ptr<Template>> templates_;
  std::vector<ParserExtension> extensions_;
};

}  // namespace vandrel
