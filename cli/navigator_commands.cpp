#include "cli/navigator_commands.h"

#include <fmt/format.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "cli/json_text.h"
#include "templates/navigator/navigator.h"
#include "templates/navigator/parser_runner.h"
#include "templates/template.h"

namespace vandrel::cli {

namespace {

struct NavigatorArgs {
  std::string file;
  std::string templateName;
  std::string extension;
  std::string definition;
  bool parameters = false;
  bool json = false;
  bool debug = false;
};

// The label a category has in this navigator's tree.
std::string LabelOf(const Navigator& navigator, int category) {
  for (std::size_t slot = 0; slot < kNavigatorTreeOrder.size(); ++slot) {
    if (kNavigatorTreeOrder[slot] != category) continue;
    const std::string& own = navigator.Label(static_cast<int>(slot));
    return own.empty() ? std::string(DefaultCategoryLabel(category)) : own;
  }
  return {};
}

void PrintNodes(const std::vector<NavigatorTreeNode>& nodes, int depth, std::string& out) {
  for (const NavigatorTreeNode& node : nodes) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += node.text;
    if (depth > 0) out += fmt::format("\t{}", node.line);
    out += '\n';
    PrintNodes(node.children, depth + 1, out);
  }
}

// The tree's nodes beside the items they were made from, which hold what the
// nodes leave out.
void JsonNodes(const std::vector<NavigatorTreeNode>& nodes, const NavigatorItem& parent,
               std::string& out) {
  out += '[';
  for (std::size_t i = 0; i < nodes.size() && i < parent.children.size(); ++i) {
    const NavigatorTreeNode& node = nodes[i];
    const NavigatorItem& item = *parent.children[i];
    if (i > 0) out += ',';
    out += fmt::format("{{\"text\":{},\"line\":{},\"category\":{},\"level\":{},\"parameters\":[",
                       JsonString(node.text), node.line, item.category, item.level);
    for (std::size_t p = 0; p < item.parameters.size(); ++p) {
      out += (p > 0 ? "," : "") + JsonString(item.parameters[p]);
    }
    out += "],\"children\":";
    JsonNodes(node.children, item, out);
    out += '}';
  }
  out += ']';
}

void PrintTree(const Navigator& navigator, bool parameters, bool json) {
  const std::vector<NavigatorTreeNode> tree = navigator.Tree(parameters);
  std::string out;
  if (!json) {
    PrintNodes(tree, 0, out);
    std::fputs(out.c_str(), stdout);
    return;
  }
  // Category nodes come in tree order, one per category that occurred.
  out += '[';
  bool first = true;
  std::size_t at = 0;
  for (const int category : kNavigatorTreeOrder) {
    const NavigatorItem* item = navigator.root().FindCategory(category);
    if (item == nullptr || at >= tree.size()) continue;
    const NavigatorTreeNode& node = tree[at++];
    out += fmt::format("{}{{\"label\":{},\"category\":{},\"children\":", first ? "" : ",",
                       JsonString(node.text), category);
    JsonNodes(node.children, *item, out);
    out += '}';
    first = false;
  }
  out += "]\n";
  std::fputs(out.c_str(), stdout);
}

void PrintDefinition(CliContext& context, const Navigator& navigator, const NavigatorArgs& args) {
  const NavigatorDefinition found = navigator.FindDefinition(args.definition);
  if (found.line < 0) {
    Fail(context, fmt::format("{}: no definition of \"{}\"", args.file, args.definition));
    return;
  }
  const std::string label = LabelOf(navigator, found.category);
  if (args.json) {
    std::printf("{\"name\":%s,\"line\":%d,\"category\":%d,\"label\":%s}\n",
                JsonString(args.definition).c_str(), found.line, found.category,
                JsonString(label).c_str());
  } else {
    std::printf("%d\t%d\t%s\n", found.line, found.category, label.c_str());
  }
}

// The extension could not be run, crashed, ran too long or broke its stream.
void FailedRun(CliContext& context, const std::string& file, const std::string& extension,
               const ParseObserver& observer) {
  Fail(context, fmt::format("{}: the parser extension {} failed on it{}", file, extension,
                            observer.diagnostic ? "" : " (--debug tells more)"));
}

// The navigator of the file, or null with the reason given.
std::unique_ptr<Navigator> Parse(CliContext& context, const NavigatorArgs& args,
                                 const ParseObserver& observer) {
  if (!args.extension.empty()) {
    ParserExtension extension;
    extension.fileName = std::filesystem::path(args.extension).filename().string();
    extension.fullPath = args.extension;
    std::unique_ptr<Navigator> navigator = ParseWithExtension(extension, args.file, observer);
    if (!navigator) {
      FailedRun(context, args.file, args.extension, observer);
    }
    return navigator;
  }

  TemplateCatalogue catalogue;
  if (!LoadTemplates(context, catalogue)) return nullptr;
  std::string name = args.templateName;
  if (name.empty()) {
    DocumentFormat local;
    local.formatFlags = kFormatLocal;
    name = TemplateForFile(context, catalogue, args.file, local);
    if (name.empty()) {
      Fail(context, fmt::format("{}: no template is chosen for this file; name one with "
                                "--template or an extension with --extension",
                                args.file));
      return nullptr;
    }
  }
  const Template* chosen = catalogue.FindTemplate(name);
  if (chosen == nullptr) {
    Fail(context, fmt::format("no template named \"{}\" (see `template list`)", name));
    return nullptr;
  }
  const std::string& parser = chosen->settings.SyntaxParser;
  if (parser.empty()) {
    Fail(context, fmt::format("the template \"{}\" names no parser extension (SyntaxParser)",
                              chosen->settings.Name));
    return nullptr;
  }
  if (catalogue.FindExtension(parser) == nullptr) {
    Fail(context, fmt::format("the parser extension {} of the template \"{}\" is not in the "
                              "extensions folder (the VDXFolder setting)",
                              parser, chosen->settings.Name));
    return nullptr;
  }
  std::unique_ptr<Navigator> navigator = ParseDocument(catalogue, name, args.file, observer);
  if (!navigator) {
    FailedRun(context, args.file, parser, observer);
  }
  return navigator;
}

void Run(CliContext& context, const NavigatorArgs& args) {
  const std::optional<AppSettings> settings = LoadSettings(context);
  if (!settings) return;
  std::error_code error;
  if (!std::filesystem::is_regular_file(args.file, error)) {
    Fail(context, fmt::format("{}: no such file", args.file));
    return;
  }
  ParseObserver observer;
  if (args.debug || settings->Debugging != 0) {
    observer.diagnostic = [](std::string_view line) {
      std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    };
  }
  std::unique_ptr<Navigator> navigator;
  if (std::filesystem::file_size(args.file, error) == 0 && !error) {
    // An empty file has no symbols; an extension is never handed one.
    navigator = std::make_unique<Navigator>();
  } else {
    navigator = Parse(context, args, observer);
    if (!navigator) return;
  }
  if (!args.definition.empty()) {
    PrintDefinition(context, *navigator, args);
  } else {
    PrintTree(*navigator, args.parameters || settings->CodeNavTreeParams != 0, args.json);
  }
}

}  // namespace

void AddNavigatorCommands(CLI::App& app, CliContext& context) {
  auto args = std::make_shared<NavigatorArgs>();
  auto* command = app.add_subcommand(
      "navigator",
      "run the Code Navigator on a file as the editor does (through its template's parser "
      "extension, the file as it is on disk) and print the structure tree: each category with "
      "its label, then its symbols nested, each with its line after a tab");
  command->add_option("FILE", args->file, "the file")->required();
  auto* byTemplate = command->add_option(
      "--template", args->templateName,
      "parse with the extension this template names (default: the template the editor would "
      "choose for the file)");
  command
      ->add_option("--extension", args->extension,
                   "parse with this parser extension library (.vdx) instead of a template's")
      ->excludes(byTemplate);
  command->add_option("--definition", args->definition,
                      "print where NAME is defined instead of the tree: its line, category code "
                      "and category label, tab-separated (exit status 1 when there is none)");
  command->add_flag("--parameters", args->parameters,
                    "show symbols with parameters as name(a, b), as the CodeNavTreeParams "
                    "setting does");
  command->add_flag("--json", args->json,
                    "print JSON: the categories (label, category, children), each symbol with "
                    "text, line, category, level, parameters and children");
  command->add_flag("--debug", args->debug,
                    "print the extension's diagnostics (and the parser host's errors) on "
                    "standard error, as the Debugging setting does");
  command->callback([&context, args] { Run(context, *args); });
}

}  // namespace vandrel::cli
