#include "cli/project_commands.h"

#include <fmt/format.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/json_text.h"
#include "core/app_settings.h"
#include "core/settings_store.h"
#include "core/store_file.h"
#include "core/store_records.h"
#include "platform/ascii_text.h"
#include "project/project.h"
#include "project/project_file.h"

namespace vandrel::cli {

namespace {

namespace fs = std::filesystem;
using project::ItemSettings;
using project::Project;
using project::ProjectItem;
using project::ProjectSettings;

std::string OpenError(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return path + ": no such file";
  StoreFile probe = StoreFile::Open(path, true, StoreCreation::kOpenExisting);
  if (!probe.IsValid() && probe.error() == EBUSY)
    return path + ": the file is held open by another program";
  return path + ": not a project file, or damaged";
}

// Loads the project at `path`; on failure says why and returns nothing.
std::unique_ptr<Project> Load(CliContext& context, const std::string& path,
                              const AppSettings& settings) {
  auto loaded = std::make_unique<Project>();
  project::LoadOptions options;
  options.specialOptions = settings.SpecialOptions;
  if (!project::LoadProjectFile(*loaded, path, false, options)) {
    Fail(context, OpenError(path));
    return nullptr;
  }
  loaded->SetPath(path);
  return loaded;
}

bool Save(CliContext& context, Project& loaded, const std::string& path,
          const AppSettings& settings) {
  project::SaveOptions options;
  options.backup = settings.BackupProjectFiles != 0;
  if (project::SaveProjectFile(loaded, path, options)) return true;
  Fail(context, path + ": cannot write the project file (nothing was changed)");
  return false;
}

ProjectItem* FindItem(CliContext& context, Project& loaded, const std::string& indexPath) {
  ProjectItem* item = loaded.ItemAtIndexPath(indexPath);
  if (!item) Fail(context, fmt::format("no item at index path '{}'", indexPath));
  return item;
}

// ---- show -------------------------------------------------------------------

std::int32_t RowNumber(const SettingDescriptor& row) {
  if (auto* value = std::get_if<std::int32_t*>(&row.target)) return **value;
  if (auto* value = std::get_if<std::uint32_t*>(&row.target))
    return static_cast<std::int32_t>(**value);
  return 0;
}

const std::string& RowText(const SettingDescriptor& row) {
  return **std::get_if<std::string*>(&row.target);
}

std::string TextValues(const std::vector<SettingDescriptor>& rows, const std::string& indent) {
  std::string out;
  for (const auto& row : rows) {
    if (row.type == kStorageText)
      out += fmt::format("{}{}: {}\n", indent, row.name, JsonString(RowText(row)));
    else
      out += fmt::format("{}{}: {}\n", indent, row.name, RowNumber(row));
  }
  return out;
}

std::string JsonValues(const std::vector<SettingDescriptor>& rows) {
  std::string out = "{";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& row = rows[i];
    out += fmt::format("{}{}:", i ? "," : "", JsonString(row.name));
    out += row.type == kStorageText ? JsonString(RowText(row)) : std::to_string(RowNumber(row));
  }
  return out + "}";
}

void ShowItemText(const ProjectItem& item, std::string& out) {
  ItemSettings settings = item.settings();
  std::int32_t items = static_cast<std::int32_t>(item.ChildCount());
  out += fmt::format("\nitem [{}]{}\n", item.IndexPath(), item.IsProject() ? " (project)" : "");
  out += TextValues(project::ItemValueRows(settings, &items), "  ");
  out += fmt::format("  FolderPath: {}\n", JsonString(item.FolderPath()));
  auto full = item.FullPath();
  out += fmt::format("  FullPath: {}\n", full ? JsonString(*full) : std::string("(none)"));
  for (const auto& child : item.Children()) ShowItemText(*child, out);
}

std::string ItemJson(const ProjectItem& item) {
  ItemSettings settings = item.settings();
  std::int32_t items = static_cast<std::int32_t>(item.ChildCount());
  auto full = item.FullPath();
  std::string out = fmt::format(
      "{{\"indexPath\":{},\"folderPath\":{},\"fullPath\":{},\"values\":{},\"children\":[",
      JsonString(item.IndexPath()), JsonString(item.FolderPath()),
      full ? JsonString(*full) : std::string("null"),
      JsonValues(project::ItemValueRows(settings, &items)));
  for (std::size_t i = 0; i < item.ChildCount(); ++i)
    out += (i ? "," : "") + ItemJson(*item.Child(i));
  return out + "]}";
}

void Show(CliContext& context, const std::string& path, bool json) {
  auto settings = LoadSettings(context);
  if (!settings) return;
  auto loaded = Load(context, path, *settings);
  if (!loaded) return;
  ProjectSettings values = loaded->projectSettings();
  std::string versionText = std::to_string(loaded->Version());
  std::int32_t projectSize = loaded->ProjectSize();
  const auto rows = project::ProjectValueRows(values, &versionText, &projectSize);
  const auto& masks = values.outputMasks;
  std::string out;
  if (json) {
    out = fmt::format("{{\"file\":{},\"project\":{},\"outputMasks\":[", JsonString(path),
                      JsonValues(rows));
    for (std::size_t i = 0; i < masks.size(); ++i) out += (i ? "," : "") + JsonString(masks[i]);
    out += "],\"root\":" + ItemJson(*loaded) + "}\n";
  } else {
    out = fmt::format("project {}\n", path);
    out += TextValues(rows, "  ");
    for (std::size_t i = 0; i < masks.size(); ++i)
      out += fmt::format("  {}: {}\n", project::OutputMaskName(i), JsonString(masks[i]));
    ShowItemText(*loaded, out);
  }
  std::fputs(out.c_str(), stdout);
}

// ---- new, add, set ------------------------------------------------------------

struct NewOptions {
  std::string path, server, user, root;
  std::int32_t port = project::kDefaultPort;
};

bool FitsField(CliContext& context, const std::string& what, const std::string& text,
               std::size_t size) {
  if (text.size() < size && text.find('\0') == std::string::npos) return true;
  Fail(context, fmt::format("{} holds at most {} characters", what, size - 1));
  return false;
}

void New(CliContext& context, const NewOptions& options) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(options.path, ec))) {
    return Fail(context, options.path + ": the file exists already");
  }
  if (!FitsField(context, "--server", options.server, project::kServerSize) ||
      !FitsField(context, "--user", options.user, project::kUserSize) ||
      !FitsField(context, "--root", options.root, project::kLocationSize))
    return;
  auto settings = LoadSettings(context);
  if (!settings) return;
  Project created;
  created.projectSettings().server = options.server;
  created.projectSettings().port = options.port;
  created.projectSettings().user = options.user;
  created.SetLocation(options.root);
  Save(context, created, options.path, *settings);
}

struct AddOptions {
  std::string path, folder, name, location;
  std::optional<std::string> type;
  bool isFolder = false;
};

void Add(CliContext& context, const AddOptions& options) {
  if (options.name.empty()) return Fail(context, "--name is empty");
  if (!FitsField(context, "--name", options.name, project::kNameSize) ||
      !FitsField(context, "--location", options.location, project::kLocationSize) ||
      (options.type && !FitsField(context, "--type", *options.type, project::kTypeSize)))
    return;
  auto settings = LoadSettings(context);
  if (!settings) return;
  auto loaded = Load(context, options.path, *settings);
  if (!loaded) return;
  ProjectItem* folder = FindItem(context, *loaded, options.folder);
  if (!folder) return;
  if (!folder->IsFolder())
    return Fail(context, fmt::format("the item at '{}' is a file, not a folder", options.folder));
  auto item = ProjectItem::Create(folder, options.isFolder);
  item->SetName(options.name);
  item->SetLocation(options.location);
  if (options.type) item->settings().type = *options.type;
  ProjectItem* added = folder->AppendChild(std::move(item));
  if (Save(context, *loaded, options.path, *settings))
    std::printf("%s\n", added->IndexPath().c_str());
}

// Sets the value `name` (a value name of the project file) of `item`.
bool SetValue(CliContext& context, Project& loaded, ProjectItem& item, const std::string& name,
              const std::string& value) {
  ItemSettings& settings = item.settings();
  std::int32_t items = 0;
  std::vector<SettingDescriptor> rows = project::ItemValueRows(settings, &items);
  std::string versionText;
  std::int32_t projectSize = 0;
  ProjectSettings& projectValues = loaded.projectSettings();
  if (item.IsProject()) {
    auto more = project::ProjectValueRows(projectValues, &versionText, &projectSize);
    rows.insert(rows.end(), more.begin(), more.end());
    // "OutputMask<n>": sets mask n, appends at n = count, removes when empty.
    constexpr std::string_view kMask = "outputmask";
    const std::string lower = platform::AsciiLowered(name);
    if (lower.starts_with(kMask) && lower.size() > kMask.size()) {
      std::size_t n = 0;
      const char* first = lower.data() + kMask.size();
      auto [end, error] = std::from_chars(first, lower.data() + lower.size(), n);
      auto& masks = projectValues.outputMasks;
      if (error != std::errc() || end != lower.data() + lower.size() || n > masks.size()) {
        Fail(context, fmt::format("{}: masks are numbered 0 to {}", name, masks.size()));
        return false;
      }
      if (!FitsField(context, name, value, project::kOutputMaskSize)) return false;
      if (value.empty()) {
        if (n < masks.size()) masks.erase(masks.begin() + static_cast<std::ptrdiff_t>(n));
      } else if (n == masks.size()) {
        masks.push_back(value);
      } else {
        masks[n] = value;
      }
      return true;
    }
  }
  for (const SettingDescriptor& row : rows) {
    if (!StoreNamesEqual(row.name, name)) continue;
    // The tree's shape and what saving computes are not values to set.
    if (StoreNamesEqual(name, "Folder") || StoreNamesEqual(name, "Items") ||
        StoreNamesEqual(name, "Version") || StoreNamesEqual(name, "ProjectSize")) {
      Fail(context, fmt::format("{} cannot be set", row.name));
      return false;
    }
    if (row.type == kStorageText) {
      if (!FitsField(context, row.name, value, row.size)) return false;
      **std::get_if<std::string*>(&row.target) = value;
      return true;
    }
    std::int64_t number = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::uint32_t>::max()) {
      Fail(context, fmt::format("{}: '{}' is not a 32-bit number", row.name, value));
      return false;
    }
    if (auto* target = std::get_if<std::int32_t*>(&row.target))
      **target = static_cast<std::int32_t>(number);
    else if (auto* target = std::get_if<std::uint32_t*>(&row.target))
      **target = static_cast<std::uint32_t>(number);
    return true;
  }
  Fail(context, fmt::format("{}: no such value{}", name, item.IsProject() ? "" : " for an item"));
  return false;
}

struct SetOptions {
  std::string path, item;
  std::vector<std::string> assignments;
};

void Set(CliContext& context, const SetOptions& options) {
  auto settings = LoadSettings(context);
  if (!settings) return;
  auto loaded = Load(context, options.path, *settings);
  if (!loaded) return;
  ProjectItem* item = FindItem(context, *loaded, options.item);
  if (!item) return;
  for (const std::string& assignment : options.assignments) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0)
      return Fail(context, fmt::format("'{}' is not NAME=VALUE", assignment));
    if (!SetValue(context, *loaded, *item, assignment.substr(0, equals),
                  assignment.substr(equals + 1)))
      return;  // nothing is written unless every assignment is good
  }
  Save(context, *loaded, options.path, *settings);
}

// ---- expand, convert ------------------------------------------------------------

void Expand(CliContext& context, const std::string& path, const std::string& indexPath,
            const std::string& command) {
  auto settings = LoadSettings(context);
  if (!settings) return;
  auto loaded = Load(context, path, *settings);
  if (!loaded) return;
  ProjectItem* item = FindItem(context, *loaded, indexPath);
  if (!item) return;
  std::printf("%s\n", item->ExpandMacros(command).c_str());
}

void Convert(CliContext& context, const std::string& path) {
  const std::uint32_t version = project::ReadFileVersion(path);
  if (version == 0) return Fail(context, OpenError(path));
  if (version >= project::kFirstStoreVersion) {
    std::printf("%s: already a project file of format %u\n", path.c_str(), version);
    return;
  }
  auto settings = LoadSettings(context);
  if (!settings) return;
  auto loaded = Load(context, path, *settings);
  if (!loaded) return;
  const fs::path backup = project::ConversionBackupName(path);
  std::error_code ec;
  if (!fs::copy_file(path, backup, fs::copy_options::none, ec)) {
    return Fail(context, fmt::format("{}: cannot keep the original as {}: {}", path,
                                     backup.string(), ec ? ec.message() : "it exists already"));
  }
  if (!Save(context, *loaded, path, *settings)) return;
  std::printf("%s: converted from format %u to %u; the original is %s\n", path.c_str(), version,
              project::kProjectFileVersion, backup.string().c_str());
}

}  // namespace

void AddProjectCommands(CLI::App& app, CliContext& context) {
  auto* projectCommand = app.add_subcommand("project", "show, create, edit and convert projects");
  projectCommand->require_subcommand(1);
  const std::string indexHelp =
      "index path of the item: positions from the project down, e.g. \"0 2\" (\"\": the project)";

  auto* show = projectCommand->add_subcommand("show", "the project's values and its item tree");
  auto showPath = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  show->add_option("FILE", *showPath, "the project file")->required();
  show->add_flag("--json", *json, "print JSON instead of text");
  show->callback([&context, showPath, json] { Show(context, *showPath, *json); });

  auto* create = projectCommand->add_subcommand("new", "create a project file");
  auto newOptions = std::make_shared<NewOptions>();
  create->add_option("FILE", newOptions->path, "the project file to create")->required();
  create->add_option("--server", newOptions->server, "host name or address of the agent")
      ->required();
  create->add_option("--port", newOptions->port, "the agent's port (11000)")
      ->check(CLI::Range(1, 65535));
  create->add_option("--user", newOptions->user, "the logon");
  create->add_option("--root", newOptions->root, "the project root directory");
  create->callback([&context, newOptions] { New(context, *newOptions); });

  auto* add = projectCommand->add_subcommand("add", "add a file (or folder) to a folder");
  auto addOptions = std::make_shared<AddOptions>();
  add->add_option("FILE", addOptions->path, "the project file")->required();
  add->add_option("--folder", addOptions->folder, indexHelp)->required();
  add->add_option("--name", addOptions->name, "the item's name")->required();
  add->add_option("--location", addOptions->location, "directory relative to the folder's");
  add->add_option("--type", addOptions->type, "the template");
  add->add_flag("--new-folder", addOptions->isFolder, "add a folder instead of a file");
  add->callback([&context, addOptions] { Add(context, *addOptions); });

  auto* set = projectCommand->add_subcommand("set", "set values of the project or an item");
  auto setOptions = std::make_shared<SetOptions>();
  set->add_option("FILE", setOptions->path, "the project file")->required();
  set->add_option("--item", setOptions->item, indexHelp + "; default: the project");
  set->add_option("ASSIGNMENTS", setOptions->assignments,
                  "NAME=VALUE with the value names of the project file")
      ->required();
  set->callback([&context, setOptions] { Set(context, *setOptions); });

  auto* expand = projectCommand->add_subcommand("expand", "an item's command with its macros");
  auto expandArgs = std::make_shared<std::array<std::string, 3>>();
  expand->add_option("FILE", (*expandArgs)[0], "the project file")->required();
  expand->add_option("--item", (*expandArgs)[1], indexHelp)->required();
  expand->add_option("COMMAND", (*expandArgs)[2], "the command")->required();
  expand->callback([&context, expandArgs] {
    Expand(context, (*expandArgs)[0], (*expandArgs)[1], (*expandArgs)[2]);
  });

  auto* convert = projectCommand->add_subcommand(
      "convert", "convert an older project file to the current format (the original kept as .000)");
  auto convertPath = std::make_shared<std::string>();
  convert->add_option("FILE", *convertPath, "the project file")->required();
  convert->callback([&context, convertPath] { Convert(context, *convertPath); });
}

}  // namespace vandrel::cli
