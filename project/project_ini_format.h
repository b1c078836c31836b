// Project files of earlier releases (format numbers below 10150): an
// initialisation file with the same section names ("0", "0.0", ...) and value
// names as the store format, one "Name=value" line per value. A file is such
// a project only when its section "0" has Folder=1; one without a Version is
// 10005. Items read from it are converted to what this release expects.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ini_file.h"
#include "project/project.h"

namespace vandrel::project {

// Formats before 10100 kept one Build command for files and folders; those
// before 10101 used "%p"-style placeholders instead of macros.
inline constexpr std::uint32_t kSeparateCompileVersion = 10100;
inline constexpr std::uint32_t kMacroVersion = 10101;

// True when section "0" has Folder=1 (read as at most 31 characters).
bool IsIniProject(const platform::IniFile& ini);
// The file's Version as a decimal number; 10005 when it has none (or 0).
std::uint32_t IniProjectVersion(const platform::IniFile& ini);

// Reads the project values of section "0" and the output masks
// "OutputMask0", "OutputMask1", ... up to the first that is missing. Values
// missing from the file keep what `project` holds.
void ReadIniProjectValues(const platform::IniFile& ini, ProjectSettings& project,
                          std::int32_t* projectSize);
// Reads the item values of `section`; false when the section is missing.
bool ReadIniItemValues(const platform::IniFile& ini, std::string_view section, ItemSettings& item,
                       std::int32_t* items);

// The old placeholders replaced by macros, ignoring case, in this order:
// %p $(FilePath), %f $(FileName), %d $(FileDir), %t $(Template),
// %mp $(MpeFilePath), %md $(MpeFileDir).
std::string ConvertPlaceholders(std::string_view command);

// Brings an item read from a file of format `version` up to date: before
// 10100 a folder's Build overrides its parent's and a file's Build becomes its
// own Compile; before 10101 the commands' placeholders become macros; store
// files before 10220 with a precompile text override the precompile output.
void ConvertOlderItem(ProjectItem& item, std::uint32_t version, bool storeFormat);

}  // namespace vandrel::project
