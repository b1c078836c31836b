#include "cli/template_commands.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "cli/json_text.h"
#include "core/app_settings.h"
#include "core/settings_store.h"
#include "documents/document_format.h"
#include "platform/atomic_replacement.h"
#include "platform/install_paths.h"
#include "templates/catalogue_folders.h"
#include "templates/file_types.h"
#include "templates/template.h"
#include "templates/template_catalogue.h"
#include "templates/template_matching.h"
#include "templates/template_source.h"

namespace vandrel::cli {

namespace {

bool SameFolder(const std::filesystem::path& a, const std::string& b) {
  if (b.empty()) return false;
  std::error_code error;
  const bool same = std::filesystem::equivalent(a, b, error);
  return !error && same;
}

// 0 for a file in the templates folder, 1 for one in the user templates
// folder, nothing when it lies elsewhere.
std::optional<std::int32_t> UserFlagOf(const std::filesystem::path& file,
                                       const CatalogueFolders& folders) {
  std::filesystem::path folder = std::filesystem::absolute(file).parent_path();
  if (SameFolder(folder, folders.templatesFolder)) return 0;
  if (SameFolder(folder, folders.localTemplates)) return 1;
  return std::nullopt;
}

std::string ValuesJson(const Template& t) {
  Template copy(t);
  std::array<std::string, 4> texts;
  const std::vector<SettingDescriptor> rows = copy.Descriptors(texts);
  std::string out = "{";
  std::size_t keyword = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& row = rows[i];
    out += i ? "," : "";
    out += JsonString(row.name) + ":";
    if (row.name.rfind("KeywordList", 0) == 0 && keyword < t.keywords.size()) {
      out += "[";
      const std::vector<std::string> words = t.keywords[keyword++].Keywords();
      for (std::size_t k = 0; k < words.size(); ++k) out += (k ? "," : "") + JsonString(words[k]);
      out += "]";
    } else if (row.type == kStorageText) {
      out += JsonString(*std::get<std::string*>(row.target));
    } else {
      out += std::to_string(*std::get<std::int32_t*>(row.target));
    }
  }
  return out + "}";
}

void Show(CliContext& context, const std::string& file, bool json) {
  Template t(file);
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error))
    return Fail(context, fmt::format("{}: no such file", file));
  if (!t.Load())
    return Fail(context, fmt::format("{}: not a template file (no readable section \"{}\")", file,
                                     kTemplateSection));
  SettingsStore store(SettingsStore::DefaultFile(context.configDir));
  const auto settings = LoadSettings(context, store);
  if (!settings) return;
  const auto userFlag = UserFlagOf(file, CatalogueFoldersOf(*settings));
  if (json) {
    std::string out = "{\"file\":" + JsonString(file);
    if (userFlag) out += fmt::format(",\"userFlag\":{}", *userFlag);
    out += ",\"values\":" + ValuesJson(t) + "}";
    std::printf("%s\n", out.c_str());
    return;
  }
  std::printf("# %s\n", file.c_str());
  if (userFlag) {
    std::printf("# %s (user flag %d)\n", *userFlag ? "a user template" : "a default template",
                *userFlag);
  }
  std::fputs(FormatTemplateSource(t).c_str(), stdout);
}

void Build(CliContext& context, const std::string& source, const std::string& output) {
  Template t;
  std::vector<std::string> errors;
  if (!ReadTemplateSourceFile(source, t, &errors)) {
    for (const auto& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    return Fail(context, fmt::format("{}: no template built", source));
  }
  // Written beside the target and put in its place only once it reads back
  // the same, so a failed build never leaves a damaged file where a good one
  // was. The template writes the temporary by its name.
  platform::ReplacementOptions options;
  options.lockTemporary = false;
  std::string error;
  std::optional<platform::AtomicReplacement> replacement =
      platform::AtomicReplacement::Begin(output, &error, options);
  if (!replacement) return Fail(context, error);
  t.path = replacement->temporaryPath();
  if (!t.Save()) return Fail(context, fmt::format("{}: cannot write the template file", output));
  Template check(replacement->temporaryPath());
  if (!check.Load() || check.Differs(t)) {
    return Fail(context, fmt::format("{}: the written file does not read back the same", output));
  }
  if (!replacement->Commit(nullptr)) {
    return Fail(context, fmt::format("{}: cannot replace the file", output));
  }
}

void List(CliContext& context, bool json) {
  TemplateCatalogue catalogue;
  if (!LoadTemplates(context, catalogue)) return;
  if (json) {
    std::string out = "[";
    bool first = true;
    for (const auto& t : catalogue.Templates()) {
      out += fmt::format("{}{{\"name\":{},\"file\":{},\"userFlag\":{}}}", first ? "" : ",",
                         JsonString(t->settings.Name), JsonString(t->path.string()), t->userFlag);
      first = false;
    }
    std::printf("%s]\n", out.c_str());
    return;
  }
  for (const auto& t : catalogue.Templates()) {
    std::printf("%s\t%s\t%s\n", t->settings.Name.c_str(), t->userFlag ? "user" : "default",
                t->path.string().c_str());
  }
}

struct MatchOptions {
  std::optional<std::string> file;
  std::optional<std::int32_t> fileCode;
  std::optional<std::int32_t> recordLength;
  std::optional<std::int32_t> qeditLanguage;
};

void Match(CliContext& context, const MatchOptions& options) {
  TemplateCatalogue catalogue;
  if (!LoadTemplates(context, catalogue)) return;
  DocumentFormat document;
  if (options.fileCode) {
    document.formatFlags |= kFormatRecordForm;
    document.mpe.fcode = *options.fileCode;
    document.mpe.reclen = options.recordLength.value_or(0);
    if (options.qeditLanguage) {
      document.formatFlags |= kFormatQedit;
      document.qedit.lang = *options.qeditLanguage;
    }
  }
  const std::string name = options.file
                               ? TemplateForFile(context, catalogue, *options.file, document)
                               : MatchHostAttributes(catalogue, document).value_or("");
  std::printf("%s\n", name.empty() ? std::string(kTemplateNone).c_str() : name.c_str());
}

}  // namespace

void AddTemplateCommands(CLI::App& app, CliContext& context) {
  auto* command =
      app.add_subcommand("template", "show, build, list and match templates (.vdt files)");
  command->require_subcommand(1);

  auto* show = command->add_subcommand(
      "show", "print a template file's 43 values as template source (or JSON)");
  auto showFile = std::make_shared<std::string>();
  auto showJson = std::make_shared<bool>(false);
  show->add_option("FILE", *showFile, "the template file (.vdt)")->required();
  show->add_flag("--json", *showJson,
                 "print JSON: the values by name, keyword lists as arrays, and the user flag "
                 "when the file lies in the templates or user templates folder");
  show->callback([&context, showFile, showJson] { Show(context, *showFile, *showJson); });

  auto* build = command->add_subcommand(
      "build", "compile a template source (.vdtsrc) into a template file (.vdt)");
  auto buildArgs = std::make_shared<std::array<std::string, 2>>();
  build->add_option("SOURCE", (*buildArgs)[0], "the template source")->required();
  build->add_option("OUT", (*buildArgs)[1], "the template file to write (replaced whole)")
      ->required();
  build->callback([&context, buildArgs] { Build(context, (*buildArgs)[0], (*buildArgs)[1]); });

  auto* list = command->add_subcommand(
      "list", "list the catalogue in load order: name, default or user, file");
  auto listJson = std::make_shared<bool>(false);
  list->add_flag("--json", *listJson, "print JSON instead of text");
  list->callback([&context, listJson] { List(context, *listJson); });

  auto* match = command->add_subcommand(
      "match",
      "print the template the editor would choose for a file (by its name through the file "
      "types, else by its host attributes), or (none); without stored file types the "
      "default ones apply");
  auto matchOptions = std::make_shared<MatchOptions>();
  auto* file = match->add_option("--file", matchOptions->file, "the file's name or path");
  auto* fcode =
      match->add_option("--fcode", matchOptions->fileCode, "the host file's MPE file code");
  auto* reclen = match->add_option("--reclen", matchOptions->recordLength,
                                   "the host file's record length in bytes");
  match
      ->add_option("--qedit", matchOptions->qeditLanguage,
                   "a Qedit file of this language: 1 SPL, 2 Fortran, 3 COBOL, 4 RPG, 5 Job, "
                   "6 Text, 7 Pascal, 8 COBOL'85")
      ->check(CLI::Range(0, 8))
      ->needs(fcode);
  fcode->needs(reclen);
  reclen->needs(fcode);
  match->callback([&context, matchOptions, file, fcode] {
    if (file->count() == 0 && fcode->count() == 0)
      throw CLI::RequiredError("--file or --fcode with --reclen");
    Match(context, *matchOptions);
  });
}

}  // namespace vandrel::cli
