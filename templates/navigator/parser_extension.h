// A parser extension found in the extensions folder: a library that lists a
// file's functions and sections for the Code Navigator. The catalogue lists
// them; a library is loaded the first time a document needs it.
#pragma once

#include <string>
#include <vector>

namespace vandrel {

struct ParserExtension {
  std::string fileName;  // as listed in the folder
  std::string fullPath;
  void* library = nullptr;  // not loaded yet
  void* parseEntry = nullptr;
  std::vector<std::string> categoryNames;
};

}  // namespace vandrel
