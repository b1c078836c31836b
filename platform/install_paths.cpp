#include "platform/install_paths.h"

#include <system_error>
#include <vector>

namespace vandrel::platform {

namespace {

const std::filesystem::path kTemplatesPart =
    std::filesystem::path("share") / "vandrel" / "templates";
constexpr const char* kParserHostName = "vandrel-vdx-host";

}  // namespace

std::filesystem::path RunningExecutable() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return self;
}

std::filesystem::path DefaultTemplatesFolderFor(const std::filesystem::path& executable) {
  const std::filesystem::path folder = executable.parent_path();
  const std::filesystem::path beside = folder / kTemplatesPart;
  std::error_code error;
  if (std::filesystem::is_directory(beside, error)) return beside;
  return (folder.parent_path() / kTemplatesPart).lexically_normal();
}

std::filesystem::path DefaultTemplatesFolder() {
  const std::filesystem::path executable = RunningExecutable();
  if (executable.empty()) return {};
  return DefaultTemplatesFolderFor(executable);
}

std::filesystem::path DefaultTipsFile() {
  const std::filesystem::path templates = DefaultTemplatesFolder();
  if (templates.empty()) return {};
  return templates.parent_path() / "Vandrel.tip";
}

std::filesystem::path DefaultExtensionsFolder() {
  const std::filesystem::path templates = DefaultTemplatesFolder();
  if (templates.empty()) return {};
  return templates.parent_path() / "extensions";
}

std::filesystem::path ParserHostExecutableFor(const std::filesystem::path& executable) {
  const std::filesystem::path folder = executable.parent_path();
  const std::filesystem::path beside = folder / kParserHostName;
  std::vector<std::filesystem::path> candidates{beside, folder.parent_path() / kParserHostName};
  // An executable somewhere below <prefix>/share: the host is in <prefix>/bin.
  for (std::filesystem::path up = folder; up.has_relative_path(); up = up.parent_path()) {
    if (up.filename() == "share") {
      candidates.push_back(up.parent_path() / "bin" / kParserHostName);
      break;
    }
  }
  std::error_code error;
  for (const std::filesystem::path& candidate : candidates) {
    if (std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal();
  }
  return beside;
}

std::filesystem::path ParserHostExecutable() {
  const std::filesystem::path executable = RunningExecutable();
  if (executable.empty()) return {};
  return ParserHostExecutableFor(executable);
}

}  // namespace vandrel::platform
