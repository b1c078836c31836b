// Where the files installed with the program live: found from the running
// executable, so that both a build folder and an installed tree work without
// configuration.
#pragma once

#include <filesystem>

namespace vandrel::platform {

// The running executable's path; empty when the system cannot say.
std::filesystem::path RunningExecutable();

// The default templates shipped with the program: "share/vandrel/templates"
// beside the executable when that folder exists (a build folder), else the
// same path one level up (the executable in <prefix>/bin, the templates in
// <prefix>/share/vandrel/templates). The second form is returned even when it
// does not exist, so that a missing installation reads as an empty folder.
std::filesystem::path DefaultTemplatesFolder();

// The rule of DefaultTemplatesFolder for an executable at `executable`.
std::filesystem::path DefaultTemplatesFolderFor(const std::filesystem::path& executable);

// The tips file "Vandrel.tip", beside the default templates folder.
std::filesystem::path DefaultTipsFile();

}  // namespace vandrel::platform
