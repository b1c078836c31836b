// Running a parser extension over a file and filing what it reports into a
// navigator tree.
//
// An extension is foreign code, so the editor never loads it into its own
// process: it starts the parser host (vandrel-vdx-host) with the library and
// the file, reads the symbol stream the host writes (symbol_stream.h) and
// builds the tree from it. A host that crashes, runs past the time limit,
// exits with a failure or writes a broken stream fails the run; nothing it
// reported is used and the next run tries again.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "templates/navigator/navigator.h"
#include "templates/navigator/parser_extension.h"

namespace vandrel {

class TemplateCatalogue;

// Long enough for a million-line source in a slow build; an extension that
// takes longer is taken to be stuck.
inline constexpr std::chrono::milliseconds kParserTimeLimit{30'000};
// What one run may take: symbols (diagnostics included) and the bytes of
// their texts and parameters. Past either limit the rest are passed over,
// so an extension cannot exhaust the editor's memory; a large source gives
// a fraction of these.
inline constexpr std::size_t kParserSymbolLimit = 2'000'000;
inline constexpr std::size_t kParserTextLimit = std::size_t{256} << 20;

struct ParserRunOptions {
  std::chrono::milliseconds timeLimit = kParserTimeLimit;
  std::size_t symbolLimit = kParserSymbolLimit;
  std::size_t textLimit = kParserTextLimit;
  std::filesystem::path host;  // empty: platform::ParserHostExecutable()
};

// Runs `extension` over the file at `path`, filing each symbol under `root`
// (NavigatorItem::AddSymbol) and handing each diagnostic, as "(%08d) %s"
// with its line and text, to the observer's diagnostic function when there
// is one; symbols of unknown categories are dropped. Shows "Parsing file..."
// with the progress the extension reports and clears the bar at the end. On
// the first successful run the extension's labels are kept in `extension`.
// True once VDXParseFile has returned in the host and the whole stream was
// read, with `root`'s children replaced by the tree reported; false
// otherwise, with `root` as it was.
bool RunParser(const ParserExtension& extension, const std::string& path, NavigatorItem& root,
               const ParseObserver& observer, const ParserRunOptions& options = {});

// The same with the extension the template names in its "SyntaxParser" (the
// first of the catalogue's extensions with that file name, ignoring case);
// false when the template is unknown or names no extension that is there.
bool RunParser(const TemplateCatalogue& catalogue, std::string_view templateName,
               const std::string& path, NavigatorItem& root, const ParseObserver& observer,
               const ParserRunOptions& options = {});

// A navigator from one run of `extension`: its labels and the tree sorted
// with numbers by value. Null when the run failed.
std::unique_ptr<Navigator> ParseWithExtension(const ParserExtension& extension,
                                              const std::string& path,
                                              const ParseObserver& observer,
                                              const ParserRunOptions& options = {});

}  // namespace vandrel
