#include "project/settings_selection.h"

#include <algorithm>
#include <charconv>

#include "core/string_ids.h"
#include "core/string_table.h"
#include "documents/file_codes.h"
#include "platform/ascii_text.h"
#include "project/error_mask.h"
#include "project/project_operations.h"
#include "templates/template_catalogue.h"
#include "templates/template_lists.h"

namespace vandrel::project {

namespace {

// `value` cut to a field of `size` bytes without splitting a UTF-8
// sequence: the dialog's texts come from the user's keyboard.
std::string CutToFieldWhole(std::string_view value, std::size_t size) {
  std::string cut = CutToField(value, size);
  if (cut.size() < value.size()) {
    while (!cut.empty() && platform::IsUtf8ContinuationByte(value[cut.size()])) cut.pop_back();
  }
  return cut;
}

std::string ItemSettings::*TextMember(ItemText text) {
  switch (text) {
    case ItemText::kName:
      return &ItemSettings::name;
    case ItemText::kLocation:
      return &ItemSettings::location;
    case ItemText::kType:
      return &ItemSettings::type;
    case ItemText::kCompile:
      return &ItemSettings::compile;
    case ItemText::kBuild:
      return &ItemSettings::build;
    case ItemText::kCompileEcho:
      return &ItemSettings::compileEcho;
    case ItemText::kCobolToken:
      return &ItemSettings::cobolToken;
    case ItemText::kCharSet:
      break;
  }
  return &ItemSettings::nlsCharSet;
}

std::size_t ItemTextFieldSize(ItemText text) {
  switch (text) {
    case ItemText::kName:
      return kNameSize;
    case ItemText::kLocation:
      return kLocationSize;
    case ItemText::kType:
      return kTypeSize;
    case ItemText::kCompile:
    case ItemText::kBuild:
      return kCommandSize;
    case ItemText::kCompileEcho:
      return kCompileEchoSize;
    case ItemText::kCobolToken:
      return kCobolTokenSize;
    case ItemText::kCharSet:
      break;
  }
  return kCharSetSize;
}

// Where a flag lives: one bit of CompileFlags or BuildFlags, or a whole
// non-zero-means-on value.
struct FlagPlace {
  std::uint32_t ItemSettings::*bits = nullptr;
  std::uint32_t mask = 0;
  std::int32_t ItemSettings::*value = nullptr;
};

FlagPlace PlaceOf(ItemFlag flag) {
  switch (flag) {
    case ItemFlag::kReadOnly:
      return {nullptr, 0, &ItemSettings::readOnly};
    case ItemFlag::kCompileOverride:
      return {&ItemSettings::compileFlags, kCompileOverride, nullptr};
    case ItemFlag::kCompileExclude:
      return {&ItemSettings::compileFlags, kCompileExclude, nullptr};
    case ItemFlag::kBuildOverride:
      return {&ItemSettings::buildFlags, kBuildOverride, nullptr};
    case ItemFlag::kBuildExcludeFromParent:
      return {&ItemSettings::buildFlags, kBuildExcludeFromParent, nullptr};
    case ItemFlag::kBuildCompileContents:
      return {&ItemSettings::buildFlags, kBuildCompileContents, nullptr};
    case ItemFlag::kBuildAfterCompile:
      return {&ItemSettings::buildFlags, kBuildAfterCompile, nullptr};
    case ItemFlag::kCompileOutput:
      return {nullptr, 0, &ItemSettings::compileOutput};
    case ItemFlag::kNlsTranslate:
      return {nullptr, 0, &ItemSettings::nlsTranslate};
    case ItemFlag::kCobolFormat:
      break;
  }
  return {nullptr, 0, &ItemSettings::cobolFormat};
}

template <typename ValueOf>
CommonText Common(const Selection& selection, ValueOf valueOf) {
  CommonText common;
  bool first = true;
  for (const ProjectItem* item : selection) {
    std::string value = valueOf(*item);
    if (first) {
      common.text = std::move(value);
      first = false;
    } else if (value != common.text) {
      return {std::string(), true};
    }
  }
  return common;
}

bool HasEntry(const std::vector<std::string>& entries, std::string_view value) {
  return std::any_of(entries.begin(), entries.end(),
                     [&](const std::string& e) { return platform::EqualsIgnoreCase(e, value); });
}

}  // namespace

// ---- pages ----------------------------------------------------------------------

std::vector<SettingsPage> PagesForSelection(const Selection& selection) {
  bool project = false, folders = false, files = false;
  for (const ProjectItem* item : selection) {
    if (item->IsProject()) {
      project = true;
    } else if (item->IsFolder()) {
      folders = true;
    } else {
      files = true;
    }
  }
  using enum SettingsPage;
  if (project) {
    if (folders || files) return {};
    return {kConnection, kEnvironment, kProjectBuild, kProjectAdvanced, kMpe};
  }
  if (folders && files) return {kCompile, kItemAdvanced};
  if (folders) return {kFolderGeneral, kFolderBuild, kCompile, kItemAdvanced};
  if (files) return {kFileGeneral, kCompile, kItemAdvanced};
  return {};
}

// ---- common values and changes --------------------------------------------------

std::size_t ItemTextMaxLength(ItemText text) {
  if (text == ItemText::kCobolToken) return kCobolTokenTypedLength;
  return ItemTextFieldSize(text) - 1;
}

const std::string& ItemTextOf(const ProjectItem& item, ItemText text) {
  return item.settings().*TextMember(text);
}

bool ItemFlagOf(const ProjectItem& item, ItemFlag flag) {
  const FlagPlace place = PlaceOf(flag);
  const ItemSettings& s = item.settings();
  return place.bits ? (s.*place.bits & place.mask) != 0 : s.*place.value != 0;
}

CommonText CommonItemText(const Selection& selection, ItemText text) {
  return Common(selection, [text](const ProjectItem& item) { return ItemTextOf(item, text); });
}

TriState CommonItemFlag(const Selection& selection, ItemFlag flag) {
  bool on = false, off = false;
  for (const ProjectItem* item : selection) (ItemFlagOf(*item, flag) ? on : off) = true;
  if (on && off) return TriState::kMixed;
  return on ? TriState::kOn : TriState::kOff;
}

void SetItemText(const Selection& selection, ItemText text, std::string_view value) {
  const std::string cut = CutToFieldWhole(value, ItemTextFieldSize(text));
  for (ProjectItem* item : selection) item->settings().*TextMember(text) = cut;
}

void SetItemFlag(const Selection& selection, ItemFlag flag, bool on) {
  const FlagPlace place = PlaceOf(flag);
  for (ProjectItem* item : selection) {
    ItemSettings& s = item->settings();
    if (place.bits) {
      s.*place.bits = on ? (s.*place.bits | place.mask) : (s.*place.bits & ~place.mask);
    } else {
      s.*place.value = on ? 1 : 0;
    }
  }
}

// ---- the General pages ------------------------------------------------------------

std::string ResolvedLocation(const ProjectItem& item) {
  if (item.IsFolder()) return item.FolderPath();
  return item.FullPath().value_or(item.FolderPath());
}

CommonText CommonResolvedLocation(const Selection& selection) {
  return Common(selection, [](const ProjectItem& item) { return ResolvedLocation(item); });
}

bool NameEditable(const Selection& selection, bool allowProjectRename) {
  if (allowProjectRename) return true;
  return std::all_of(selection.begin(), selection.end(),
                     [](const ProjectItem* item) { return item->IsFolder(); });
}

std::string BrowseStart(const Selection& selection) {
  return selection.empty() ? std::string() : selection.front()->FolderPath();
}

void SetDirectory(const Selection& selection, std::string_view directory) {
  for (ProjectItem* item : selection) {
    const ProjectItem* parent = item->Parent();
    item->SetLocation(parent ? LocationForDirectory(*parent, directory) : std::string(directory));
  }
}

std::vector<std::string> ChoicesKeepingCurrent(std::vector<std::string> entries,
                                               const std::vector<std::string>& current) {
  for (const std::string& value : current) {
    if (!value.empty() && !HasEntry(entries, value)) entries.push_back(value);
  }
  return entries;
}

std::string ShownType(std::string_view type) {
  if (type.empty()) return std::string(StringTableText(kStrAutoDetect));
  return std::string(type);
}

std::vector<std::string> TemplateChoices(const TemplateCatalogue* catalogue,
                                         const Selection& selection) {
  std::vector<std::string> entries;
  if (catalogue) {
    entries = TemplateChooserEntries(*catalogue, kListAutoDetect, true);
  } else {
    entries.emplace_back(StringTableText(kStrAutoDetect));
  }
  std::vector<std::string> current;
  for (const ProjectItem* item : selection) current.push_back(ShownType(item->TemplateText()));
  return ChoicesKeepingCurrent(std::move(entries), current);
}

std::vector<std::string> CharSetChoices(const std::vector<std::string>& mapNames,
                                        const Selection& selection) {
  std::vector<std::string> entries{std::string(StringTableText(kStrNone))};
  for (const std::string& name : mapNames) {
    if (!HasEntry(entries, name)) entries.push_back(name);
  }
  std::vector<std::string> current;
  for (const ProjectItem* item : selection) current.push_back(item->settings().nlsCharSet);
  return ChoicesKeepingCurrent(std::move(entries), current);
}

// ---- enabling ---------------------------------------------------------------------

bool OverrideEnables(TriState overrideBox) { return overrideBox == TriState::kOn; }

// ---- the project's own settings ---------------------------------------------------

namespace {

// The project texts live in the project's own settings, but for the root
// directory, which is the project's Location.
std::string ProjectSettings::*ProjectTextMember(ProjectText text) {
  switch (text) {
    case ProjectText::kServer:
      return &ProjectSettings::server;
    case ProjectText::kUser:
      return &ProjectSettings::user;
    case ProjectText::kPassword:
      return &ProjectSettings::password;
    case ProjectText::kAutoexec:
      return &ProjectSettings::autoexecCommand;
    case ProjectText::kEnvironment:
      return &ProjectSettings::environment;
    case ProjectText::kRootDirectory:
      break;
  }
  return nullptr;
}

std::size_t ProjectTextFieldSize(ProjectText text) {
  switch (text) {
    case ProjectText::kServer:
      return kServerSize;
    case ProjectText::kUser:
      return kUserSize;
    case ProjectText::kPassword:
      return kPasswordSize;
    case ProjectText::kAutoexec:
      return kAutoexecSize;
    case ProjectText::kEnvironment:
      return kEnvironmentSize;
    case ProjectText::kRootDirectory:
      break;
  }
  return kLocationSize;
}

// A project flag: a whole non-zero-means-on value, or one logon UDC level
// bit (`bit` non-zero).
struct ProjectFlagPlace {
  std::int32_t ProjectSettings::*value;
  std::int32_t bit;
};

ProjectFlagPlace PlaceOf(ProjectFlag flag) {
  switch (flag) {
    case ProjectFlag::kHpfsSupport:
      return {&ProjectSettings::hpfsSupport, 0};
    case ProjectFlag::kPosixShell:
      return {&ProjectSettings::posixShell, 0};
    case ProjectFlag::kFileLocking:
      return {&ProjectSettings::fileLocking, 0};
    case ProjectFlag::kUdcEnabled:
      return {&ProjectSettings::udcEnabled, 0};
    case ProjectFlag::kUdcSystem:
      return {&ProjectSettings::udcLogon, kUdcSystem};
    case ProjectFlag::kUdcAccount:
      return {&ProjectSettings::udcLogon, kUdcAccount};
    case ProjectFlag::kUdcUser:
      break;
  }
  return {&ProjectSettings::udcLogon, kUdcUser};
}

}  // namespace

std::size_t ProjectTextMaxLength(ProjectText text) { return ProjectTextFieldSize(text) - 1; }

const std::string& ProjectTextOf(const Project& project, ProjectText text) {
  const auto member = ProjectTextMember(text);
  return member ? project.projectSettings().*member : project.RootDirectory();
}

void SetProjectText(Project& project, ProjectText text, std::string_view value) {
  const std::string cut = CutToFieldWhole(value, ProjectTextFieldSize(text));
  const auto member = ProjectTextMember(text);
  if (member) {
    project.projectSettings().*member = cut;
  } else {
    project.SetLocation(cut);
  }
}

bool ProjectFlagOf(const Project& project, ProjectFlag flag) {
  const ProjectFlagPlace place = PlaceOf(flag);
  const std::int32_t value = project.projectSettings().*place.value;
  return place.bit != 0 ? (value & place.bit) != 0 : value != 0;
}

void SetProjectFlag(Project& project, ProjectFlag flag, bool on) {
  const ProjectFlagPlace place = PlaceOf(flag);
  std::int32_t& value = project.projectSettings().*place.value;
  if (place.bit != 0) {
    value = on ? (value | place.bit) : (value & ~place.bit);
  } else {
    value = on ? 1 : 0;
  }
}

bool LogonUdcEnabled(const Project& project) { return project.projectSettings().udcEnabled != 0; }

bool FileLockingOffered(std::int32_t specialOptions) { return (specialOptions & 1) != 0; }

std::optional<std::int32_t> ParsePortNumber(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  if (!std::all_of(text.begin(), text.end(), platform::IsAsciiDigit)) return std::nullopt;
  std::int32_t port = 0;
  std::from_chars(text.data(), text.data() + text.size(), port);
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

std::string EnvironmentForEditing(std::string_view stored) {
  std::string edited;
  edited.reserve(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') continue;
    edited += stored[i];
  }
  return edited;
}

std::string EnvironmentFromEditing(std::string_view edited) {
  std::string stored;
  stored.reserve(edited.size() + edited.size() / 8);
  for (std::size_t i = 0; i < edited.size(); ++i) {
    if (edited[i] == '\n' && (i == 0 || edited[i - 1] != '\r')) stored += '\r';
    stored += edited[i];
  }
  return stored;
}

// ---- output masks -------------------------------------------------------------------

OutputMaskList::OutputMaskList(const TemplateCatalogue* catalogue,
                               const std::vector<std::string>& projectMasks) {
  if (catalogue) {
    for (const TemplateGalleryItem& item : TemplateGalleryItems(*catalogue, kListWithOutputMask)) {
      entries_.push_back({item.templateName, true, HasEntry(projectMasks, item.templateName)});
    }
  }
  for (const std::string& mask : projectMasks) {
    const bool listed = std::any_of(entries_.begin(), entries_.end(), [&](const MaskListEntry& e) {
      return e.isTemplate && platform::EqualsIgnoreCase(e.text, mask);
    });
    if (!listed && !mask.empty()) entries_.push_back({mask, false, false});
  }
}

bool OutputMaskList::IsCustom(std::size_t index) const {
  return index < entries_.size() && !entries_[index].isTemplate;
}

bool OutputMaskList::SetChecked(std::size_t index, bool checked) {
  if (index >= entries_.size() || !entries_[index].isTemplate) return false;
  entries_[index].checked = checked;
  return true;
}

std::optional<std::size_t> OutputMaskList::AddCustom(std::string_view mask) {
  if (mask.empty()) return std::nullopt;
  entries_.push_back({CutToFieldWhole(mask, kOutputMaskSize), false, false});
  return entries_.size() - 1;
}

bool OutputMaskList::EditCustom(std::size_t index, std::string_view mask) {
  if (!IsCustom(index) || mask.empty()) return false;
  entries_[index].text = CutToFieldWhole(mask, kOutputMaskSize);
  return true;
}

bool OutputMaskList::RemoveCustom(std::size_t index) {
  if (!IsCustom(index)) return false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

std::vector<std::string> OutputMaskList::ProjectMasks() const {
  std::vector<std::string> masks;
  for (const MaskListEntry& entry : entries_) {
    if (!entry.isTemplate || entry.checked) masks.push_back(entry.text);
  }
  return masks;
}

std::vector<MaskTokenHelp> OutputMaskTokens() {
  static constexpr int kHelp[] = {
      kStrMaskHelpString,  kStrMaskHelpChar,    kStrMaskHelpNumber,     kStrMaskHelpLineBreak,
      kStrMaskHelpScanUp,  kStrMaskHelpLine,    kStrMaskHelpLineNumber, kStrMaskHelpFileName,
      kStrMaskHelpMpeFile, kStrMaskHelpMpeLine, kStrMaskHelpDosFile,
  };
  static_assert(std::size(kHelp) == kMaskTokenNames.size());
  std::vector<MaskTokenHelp> tokens;
  const std::vector<std::string> names = ChoiceList(kStrMaskTokenList);
  for (std::size_t i = 0; i < names.size(); ++i) {
    tokens.push_back(
        {names[i], i < std::size(kHelp) ? std::string(StringTableText(kHelp[i])) : std::string()});
  }
  return tokens;
}

}  // namespace vandrel::project
