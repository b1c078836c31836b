// The project file (".vdp"): a store file with one section per item, named
// after the item's place in the tree ("0" the project, "0.0" its first child,
// "0.0.1" that child's second child), and the values of each section in a
// fixed order. Files of format numbers below 10150 are initialisation files
// of the same sections and values (project_ini_format.h); they are read and
// converted, never written.
//
// Saving never damages the previous file: the new file is written whole
// beside it, flushed, and renamed over it. A save that fails at any point, or
// a process killed in the middle of one, leaves the previous project file (or,
// for an instant when hard links are not available, its backup) whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/setting_descriptor.h"
#include "project/project.h"

namespace vandrel {
class ProgressReporter;
class UserInterface;
}  // namespace vandrel

namespace vandrel::project {

// Format numbers: files from 10150 up are store files; older ones are
// initialisation files; an initialisation file without a version is 10005.
inline constexpr std::uint32_t kFirstStoreVersion = 10150;
inline constexpr std::uint32_t kUnversionedIniVersion = 10005;

inline constexpr std::string_view kProjectSection = "0";
inline constexpr std::size_t kVersionTextSize = 32;

// The values of the project section, in the order they are written, pointing
// at `project` and at `versionText` (the format number as decimal text).
std::vector<SettingDescriptor> ProjectValueRows(ProjectSettings& project, std::string* versionText,
                                                std::int32_t* projectSize);
// The name of output mask `index`: "OutputMask<index>".
std::string OutputMaskName(std::size_t index);
// The values of every item section, in the order they are written; `items`
// is the number of children.
std::vector<SettingDescriptor> ItemValueRows(ItemSettings& item, std::int32_t* items);
// The section of child `index` of the item whose section is `section`.
std::string ChildSectionName(std::string_view section, std::size_t index);

// The decimal number at the start of `text` (after blanks, with an optional
// sign); 0 when there is none, as the platform's profile functions read it.
std::int64_t LeadingDecimal(std::string_view text);

// The format number of the project file at `path`; 0 when it is not a
// project file, or when it cannot be opened (it is missing, or another
// program holds it).
std::uint32_t ReadFileVersion(const std::filesystem::path& path);

// The bytes a save writes for `project`, exactly as a sequence of Write values
// calls on an empty store file produces them: the project values, each output
// mask, the project's item values, then each item's section depth first.
// `itemWritten` is called once per item written (the project included).
std::vector<std::uint8_t> BuildProjectImage(Project& project,
                                            const std::function<void()>& itemWritten = {});

struct SaveOptions {
  bool backup = true;                    // the BackupProjectFiles setting
  UserInterface* ui = nullptr;           // told when the backup cannot be made
  ProgressReporter* progress = nullptr;  // per cent of the items written
};

// Saves `project` to `path`: sets the version to 10220 and the project size
// to TotalItems, keeps the previous file as "<path without extension>.bak"
// when asked, and replaces the file atomically. In exclusive mode the new file
// stays open and locked as the project's handle. False when the file could
// not be written; the previous file is then untouched.
bool SaveProjectFile(Project& project, const std::filesystem::path& path,
                     const SaveOptions& options = {});

struct LoadOptions {
  std::int32_t specialOptions = 0;  // bit 0 keeps the file-locking flag
  ProgressReporter* progress = nullptr;
};

// Fills `project` (cleared first) from the file at `path`, converting older
// formats. In exclusive mode the file stays open and locked as the project's
// handle. False when the file cannot be opened, is not a project file, or is
// damaged; the project may then hold what was read up to the damage.
bool LoadProjectFile(Project& project, const std::filesystem::path& path, bool exclusive,
                     const LoadOptions& options = {});

// The save backup: `path` with its extension (the text from its last "." in
// the file name) replaced by ".bak", or ".bak" appended without one.
std::filesystem::path BackupName(const std::filesystem::path& path);
// The backup kept when an older project is converted: the same with ".000".
std::filesystem::path ConversionBackupName(const std::filesystem::path& path);

}  // namespace vandrel::project
