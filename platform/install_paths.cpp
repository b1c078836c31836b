#include "platform/install_paths.h"

#include <system_error>

namespace vandrel::platform {

namespace {

const std::filesystem::path kTemplatesPart =
    std::filesystem::path("share") / "vandrel" / "templates";

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

}  // namespace vandrel::platform
