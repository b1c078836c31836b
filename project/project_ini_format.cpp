#include "project/project_ini_format.h"

#include <limits>

#include "project/macros.h"
#include "project/project_file.h"

namespace vandrel::project {

namespace {

// "Folder" is read into a 32-byte buffer.
constexpr std::size_t kFolderTextSize = 32;

void ReadText(const platform::IniFile& ini, std::string_view section, std::string_view key,
              std::string* value, std::size_t size) {
  if (auto text = ini.Get(section, key)) *value = CutToField(*text, size);
}

template <typename Number>
void ReadNumber(const platform::IniFile& ini, std::string_view section, std::string_view key,
                Number* value) {
  if (auto text = ini.Get(section, key)) *value = static_cast<Number>(LeadingDecimal(*text));
}

}  // namespace

bool IsIniProject(const platform::IniFile& ini) {
  std::string folder = "0";
  ReadText(ini, kProjectSection, "Folder", &folder, kFolderTextSize);
  return folder == "1";
}

std::uint32_t IniProjectVersion(const platform::IniFile& ini) {
  std::int64_t version = 0;
  if (auto text = ini.Get(kProjectSection, "Version")) version = LeadingDecimal(*text);
  if (version <= 0 || version > std::numeric_limits<std::uint32_t>::max())
    return kUnversionedIniVersion;
  return static_cast<std::uint32_t>(version);
}

void ReadIniProjectValues(const platform::IniFile& ini, ProjectSettings& p,
                          std::int32_t* projectSize) {
  const std::string_view s = kProjectSection;
  ReadText(ini, s, "Connection", &p.server, kServerSize);
  ReadText(ini, s, "User", &p.user, kUserSize);
  ReadText(ini, s, "Password", &p.password, kPasswordSize);
  ReadNumber(ini, s, "MPEHPFSSupport", &p.hpfsSupport);
  ReadNumber(ini, s, "MPEPosixShell", &p.posixShell);
  ReadNumber(ini, s, "MPELocking", &p.fileLocking);
  ReadNumber(ini, s, "MPEUdcLogon", &p.udcLogon);
  ReadNumber(ini, s, "MPEUdcEnabled", &p.udcEnabled);
  ReadText(ini, s, "AutoexecCommand", &p.autoexecCommand, kAutoexecSize);
  ReadNumber(ini, s, "PortNo", &p.port);
  ReadNumber(ini, s, "ProjectSize", projectSize);
  ReadText(ini, s, "EnvironmentVars", &p.environment, kEnvironmentSize);
  p.outputMasks.clear();
  for (std::size_t n = 0;; ++n) {
    auto mask = ini.Get(s, OutputMaskName(n));
    if (!mask) break;
    p.outputMasks.push_back(CutToField(*mask, kOutputMaskSize));
  }
}

bool ReadIniItemValues(const platform::IniFile& ini, std::string_view section, ItemSettings& item,
                       std::int32_t* items) {
  if (!ini.HasSection(section)) return false;
  ReadNumber(ini, section, "Folder", &item.folder);
  ReadText(ini, section, "Name", &item.name, kNameSize);
  ReadText(ini, section, "Build", &item.build, kCommandSize);
  ReadNumber(ini, section, "BuildFlags", &item.buildFlags);
  ReadText(ini, section, "Compile", &item.compile, kCommandSize);
  ReadNumber(ini, section, "CompileFlags", &item.compileFlags);
  ReadText(ini, section, "CompileEcho", &item.compileEcho, kCompileEchoSize);
  ReadText(ini, section, "Location", &item.location, kLocationSize);
  ReadNumber(ini, section, "Items", items);
  ReadText(ini, section, "Type", &item.type, kTypeSize);
  ReadNumber(ini, section, "TabStops", &item.tabStops);
  ReadNumber(ini, section, "ReadOnly", &item.readOnly);
  ReadText(ini, section, "CobolToken", &item.cobolToken, kCobolTokenSize);
  ReadNumber(ini, section, "CobolFormat", &item.cobolFormat);
  ReadText(ini, section, "NLSCharSet", &item.nlsCharSet, kCharSetSize);
  ReadNumber(ini, section, "CompileOutput", &item.compileOutput);
  ReadNumber(ini, section, "NLSTranslate", &item.nlsTranslate);
  return true;
}

std::string ConvertPlaceholders(std::string_view command) {
  static constexpr TokenValue kPlaceholders[] = {
      {"%p", "$(FilePath)"}, {"%f", "$(FileName)"},      {"%d", "$(FileDir)"},
      {"%t", "$(Template)"}, {"%mp", kMacroMpeFilePath}, {"%md", kMacroMpeFileDir},
  };
  std::string text(command);
  for (const TokenValue& placeholder : kPlaceholders)
    text = ReplaceToken(text, placeholder.token, placeholder.value, kReplaceIgnoreCase);
  return text;
}

namespace {

// A command whose converted form no longer fits its field keeps its old form:
// cutting it would change what it runs.
void ConvertCommand(std::string& command) {
  std::string converted = ConvertPlaceholders(command);
  if (converted.size() < kCommandSize) command = std::move(converted);
}

}  // namespace

void ConvertOlderItem(ProjectItem& item, std::uint32_t version, bool storeFormat) {
  ItemSettings& s = item.settings();
  if (version < kSeparateCompileVersion) {
    if (item.IsFolder()) {
      if (!s.build.empty()) s.buildFlags |= kBuildOverride;
    } else if (!s.build.empty() && s.compile.empty()) {
      s.compile = s.build;
      s.compileFlags |= kCompileOverride;
    }
  }
  if (version < kMacroVersion) {
    ConvertCommand(s.build);
    ConvertCommand(s.compile);
  }
  if (storeFormat && version < kProjectFileVersion && !s.compileEcho.empty()) s.compileOutput = 1;
}

}  // namespace vandrel::project
