// The rules of the project settings dialog as data: which pages a selection
// of items gets, the common value of a setting over the selected items, how
// one change is written into every selected item, which controls an override
// box enables, and the project's output mask list as the dialog shows and
// rebuilds it. The dialog edits a copy of the whole project; nothing here
// touches the live tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "project/project.h"
#include "project/project_item.h"

namespace vandrel {
class TemplateCatalogue;
}

namespace vandrel::project {

// The selected items, in the order the tree lists them.
using Selection = std::vector<ProjectItem*>;

// ---- pages --------------------------------------------------------------------

enum class SettingsPage {
  kConnection,       // the project: server, port, user, password, autoexec, root directory
  kEnvironment,      // the project: environment assignments
  kProjectBuild,     // the project: build flags, build command, output masks
  kProjectAdvanced,  // the project: default precompile output, character set, line tag mask
  kMpe,              // the project: HPFS, posix shell, UDCs, file locking
  kFolderGeneral,    // name, directory, resolved location
  kFileGeneral,      // file name, directory, resolved location, template, read only
  kFolderBuild,      // build flags and command with the override box
  kCompile,          // compile flags and command with the override box
  kItemAdvanced,     // precompile output, character set, line tag mask with override boxes
};

// The pages of a selection, in tab order: the project alone gets Connection,
// Environment, Build, Advanced and MPE/iX; folders only get General, Build,
// Compile and Advanced; files only get General, Compile and Advanced;
// folders and files together get Compile and Advanced; the project with
// other items, or nothing, gets no page.
std::vector<SettingsPage> PagesForSelection(const Selection& selection);

// ---- common values and changes ------------------------------------------------

// A check box over several items: on, off, or partly (the items differ).
enum class TriState { kOff, kOn, kMixed };

// A text field over several items: the text they share, or empty and mixed
// when they differ.
struct CommonText {
  std::string text;
  bool mixed = false;
  bool operator==(const CommonText&) const = default;
};

// The item texts the pages edit.
enum class ItemText {
  kName,
  kLocation,
  kType,
  kCompile,
  kBuild,
  kCompileEcho,
  kCobolToken,
  kCharSet,
};

// The item switches the pages edit: single bits of CompileFlags and
// BuildFlags, and the non-zero-means-on flags.
enum class ItemFlag {
  kReadOnly,
  kCompileOverride,         // CompileFlags bit 0
  kCompileExclude,          // CompileFlags bit 1
  kBuildOverride,           // BuildFlags bit 0
  kBuildExcludeFromParent,  // BuildFlags bit 1
  kBuildCompileContents,    // BuildFlags bit 2
  kBuildAfterCompile,       // BuildFlags bit 3
  kCompileOutput,           // overrides the precompile output
  kNlsTranslate,            // overrides the character set
  kCobolFormat,             // overrides the line tag mask
};

// The line tag mask is typed with at most this many characters, though its
// field keeps 31.
inline constexpr std::size_t kCobolTokenTypedLength = 15;

// How many characters the dialog lets the user type into the field: what the
// field keeps (the precompile output 126), the line tag mask 15.
std::size_t ItemTextMaxLength(ItemText text);

CommonText CommonItemText(const Selection& selection, ItemText text);
TriState CommonItemFlag(const Selection& selection, ItemFlag flag);
const std::string& ItemTextOf(const ProjectItem& item, ItemText text);
bool ItemFlagOf(const ProjectItem& item, ItemFlag flag);

// Writes the value into every selected item; a text is cut to what its field
// keeps (never inside a multi-byte character). Flags that are bits change
// only their own bit.
void SetItemText(const Selection& selection, ItemText text, std::string_view value);
void SetItemFlag(const Selection& selection, ItemFlag flag, bool on);

// ---- the General pages ----------------------------------------------------------

// "Resolved location": where the item lives on the host. A folder's is its
// FolderPath; a file's is its FullPath (its directory followed by its name,
// or its name alone when that is absolute), so it follows the name as well
// as the directory.
std::string ResolvedLocation(const ProjectItem& item);
CommonText CommonResolvedLocation(const Selection& selection);

// Whether the name field may be edited: a folder's always, a file's only
// while the AllowProjectRename setting is on.
bool NameEditable(const Selection& selection, bool allowProjectRename);

// Where the directory browser starts: the first selected item's directory.
std::string BrowseStart(const Selection& selection);
// Gives every selected item the Location that makes `directory` (a host
// folder chosen in the browser) its directory: empty in its parent's
// directory, relative below it, absolute elsewhere.
void SetDirectory(const Selection& selection, std::string_view directory);

// The entries of a choice list that keeps what the items hold: `entries`,
// then every value of `current` that they do not name (ignoring case) and
// that is not empty, so a template or character map that is not installed
// here is shown, and kept, rather than silently replaced.
std::vector<std::string> ChoicesKeepingCurrent(std::vector<std::string> entries,
                                               const std::vector<std::string>& current);
// The template chooser of the file General page: "(auto-detect)", the
// catalogue's templates, then the selected items' own Types not among them.
std::vector<std::string> TemplateChoices(const TemplateCatalogue* catalogue,
                                         const Selection& selection);
// The Type a file shows: an empty Type is shown as "(auto-detect)".
std::string ShownType(std::string_view type);
// The character set list: "(none)", the character maps, then the selected
// items' own character sets not among them.
std::vector<std::string> CharSetChoices(const std::vector<std::string>& mapNames,
                                        const Selection& selection);

// ---- enabling -------------------------------------------------------------------

// An override box enables the controls it guards only while it is checked
// for every selected item: a partly checked box leaves them disabled, since
// a change would then reach items that do not override.
bool OverrideEnables(TriState overrideBox);

// ---- the project's own settings ---------------------------------------------------

enum class ProjectText {
  kServer,
  kUser,
  kPassword,
  kAutoexec,
  kEnvironment,
  kRootDirectory,  // the project's Location
};

enum class ProjectFlag {
  kHpfsSupport,
  kPosixShell,
  kFileLocking,
  kUdcEnabled,
  kUdcSystem,   // logon UDC level 4
  kUdcAccount,  // logon UDC level 2
  kUdcUser,     // logon UDC level 1
};

std::size_t ProjectTextMaxLength(ProjectText text);
const std::string& ProjectTextOf(const Project& project, ProjectText text);
// Cut, as SetItemText, to what the field keeps.
void SetProjectText(Project& project, ProjectText text, std::string_view value);
bool ProjectFlagOf(const Project& project, ProjectFlag flag);
void SetProjectFlag(Project& project, ProjectFlag flag, bool on);

// The logon UDC levels can be chosen only while UDCs are enabled.
bool LogonUdcEnabled(const Project& project);
// The file-locking box is offered only with bit 0 of SpecialOptions.
bool FileLockingOffered(std::int32_t specialOptions);

// A typed port number: digits only, 1 to 65535; nothing otherwise.
std::optional<std::int32_t> ParsePortNumber(std::string_view text);

// The environment is kept with CR LF between lines; the editor shows it with
// line feeds. Both directions keep every assignment.
std::string EnvironmentForEditing(std::string_view stored);
std::string EnvironmentFromEditing(std::string_view edited);

// ---- output masks -------------------------------------------------------------------

// One line of the output mask list: a template with a compiler output mask
// (with a check box) or a custom mask (without).
struct MaskListEntry {
  std::string text;  // the template's name or the mask
  bool isTemplate = false;
  bool checked = false;  // templates only
  bool operator==(const MaskListEntry&) const = default;
};

// The output mask list of the project's Build page. It lists every template
// of the catalogue that has a compiler output mask, checked when the
// project's list names it (ignoring case), then the project's other entries
// – custom masks, and names of templates that are not installed here or have
// no mask, which are kept as they are – in the project's order.
class OutputMaskList {
 public:
  OutputMaskList(const TemplateCatalogue* catalogue, const std::vector<std::string>& projectMasks);

  const std::vector<MaskListEntry>& entries() const { return entries_; }

  // Checks or unchecks a template entry; false for a custom mask.
  bool SetChecked(std::size_t index, bool checked);
  // Appends a custom mask (cut to 259 characters); nothing for an empty
  // mask. Returns its index.
  std::optional<std::size_t> AddCustom(std::string_view mask);
  // Replaces a custom mask; false for a template entry or an empty mask.
  bool EditCustom(std::size_t index, std::string_view mask);
  // Removes a custom mask; false for a template entry.
  bool RemoveCustom(std::size_t index);
  bool IsCustom(std::size_t index) const;

  // The project's mask list the list stands for: the checked templates'
  // names and the custom masks, in list order.
  std::vector<std::string> ProjectMasks() const;

 private:
  std::vector<MaskListEntry> entries_;
};

// The tokens the "Custom Output Mask" dialog lists, each with the help text
// shown when it is selected, in the mask editor's order.
struct MaskTokenHelp {
  std::string token;
  std::string help;
};
std::vector<MaskTokenHelp> OutputMaskTokens();

}  // namespace vandrel::project
