// A parser extension found in the extensions folder: a library that lists a
// file's functions and sections for the Code Navigator. The catalogue lists
// them; the editor never loads one into its own process but runs it in the
// parser host (see parser_runner.h), so all that is kept here is what the
// first successful run learnt.
#pragma once

#include <array>
#include <string>

namespace vandrel {

struct ParserExtension {
  std::string fileName;  // as listed in the folder
  std::string fullPath;
  // The extension's own category labels, slot i for category
  // kNavigatorTreeOrder[i], empty where it has none; asked for once, on the
  // first successful run, and forgotten when the catalogue is unloaded.
  // A memo of what running it taught, not part of the catalogue's state:
  // editor windows hold the catalogue read-only and still fill it.
  mutable bool labelsFetched = false;
  mutable std::array<std::string, 6> labels;
};

}  // namespace vandrel
