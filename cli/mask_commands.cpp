#include "cli/mask_commands.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/json_text.h"
#include "core/app_settings.h"
#include "core/settings_store.h"
#include "platform/install_paths.h"
#include "project/error_mask.h"
#include "project/output_panes.h"
#include "remote/output_writer.h"
#include "templates/catalogue_folders.h"
#include "templates/template_catalogue.h"

namespace vandrel::cli {

namespace {

struct MaskOptions {
  std::vector<std::string> masks;
  std::vector<std::string> templates;
  std::string listing;
  std::string hostDirectory;
  bool json = false;
  // The mask list in the order the options were given.
  std::vector<std::string> entries;
};

std::optional<std::string> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

struct ErrorLine {
  std::size_t index;
  project::MaskMatch match;
};

void MatchListing(CliContext& context, const MaskOptions& options) {
  TemplateCatalogue catalogue;
  if (!LoadTemplates(context, catalogue)) return;
  for (const std::string& name : options.templates) {
    if (!catalogue.HasTemplate(name))
      return Fail(context, fmt::format("no template named '{}'", name));
  }
  const std::optional<std::string> bytes = ReadWhole(options.listing);
  if (!bytes) {
    return Fail(context, fmt::format("{}: {}", options.listing, std::strerror(errno)));
  }

  // Into a pane, so lines split and bytes convert as in the output window.
  project::OutputPanes panes(std::max(project::kDefaultPaneLimit, bytes->size() + 1));
  panes.AppendRaw(remote::kPaneOutput, *bytes);
  const std::vector<std::string> masks = project::ResolveMasks(options.entries, &catalogue);
  project::MaskContext maskContext;
  maskContext.hostDirectory = options.hostDirectory;

  const std::vector<ErrorLine> errors =
      panes.ReadLines(remote::kPaneOutput, [&](const project::LineSource& lines) {
        std::vector<ErrorLine> found;
        project::ErrorScanner scanner(lines, masks, maskContext);
        for (std::size_t index = 0; index < lines.LineCount(); ++index) {
          if (auto match = scanner.MatchLine(index)) found.push_back({index, std::move(*match)});
        }
        return found;
      });

  if (options.json) {
    std::string out = fmt::format("{{\"count\":{},\"errors\":[", errors.size());
    for (std::size_t i = 0; i < errors.size(); ++i) {
      const ErrorLine& error = errors[i];
      out += fmt::format("{}{{\"index\":{},\"file\":{},\"line\":{},\"numbered\":{}}}",
                         i > 0 ? "," : "", error.index, JsonString(error.match.fileName),
                         error.match.line, error.match.physicalLine ? "false" : "true");
    }
    out += "]}\n";
    std::fputs(out.c_str(), stdout);
    return;
  }
  for (const ErrorLine& error : errors) {
    std::printf("%zu\t%s\t%lld\t%s\n", error.index, error.match.fileName.c_str(),
                static_cast<long long>(error.match.line),
                error.match.physicalLine ? "physical" : "numbered");
  }
  std::printf("%zu error(s)\n", errors.size());
}

}  // namespace

void AddMaskCommands(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<MaskOptions>();
  auto* command = app.add_subcommand(
      "mask",
      "match output masks against a listing as the output window does: each error line's "
      "index (from 0), file name, line and kind, then the count");
  auto* mask = command->add_option(
      "--mask", options->masks,
      "an output mask, e.g. \"$(FileName):$(Line): $(String)\" (repeatable; a template's "
      "name stands for its compiler output mask)");
  // One value per occurrence, so the listing is never taken for a mask.
  mask->allow_extra_args(false);
  auto* templateOption =
      command->add_option("--template", options->templates,
                          "a template whose compiler output mask joins the list (repeatable)");
  templateOption->allow_extra_args(false);
  command->add_option("LISTING", options->listing, "the listing file (compiler output)")
      ->required();
  command->add_option("--host-dir", options->hostDirectory,
                      "the host's current directory that $(MpeFile) names are relative to");
  command->add_flag("--json", options->json, "print JSON instead of text");
  command->callback([&context, options, command, mask, templateOption] {
    // The list keeps the order the masks and templates were given in.
    options->entries.clear();
    std::size_t nextMask = 0;
    std::size_t nextTemplate = 0;
    for (const CLI::Option* option : command->parse_order()) {
      if (option == mask && nextMask < options->masks.size()) {
        options->entries.push_back(options->masks[nextMask++]);
      } else if (option == templateOption && nextTemplate < options->templates.size()) {
        options->entries.push_back(options->templates[nextTemplate++]);
      }
    }
    MatchListing(context, *options);
  });
}

}  // namespace vandrel::cli
