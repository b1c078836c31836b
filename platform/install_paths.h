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

// The parser extensions shipped with the program: "share/vandrel/extensions"
// beside the default templates folder, by the same rule.
std::filesystem::path DefaultExtensionsFolder();

// The program that runs a parser extension on the editor's behalf,
// "vandrel-vdx-host": beside the running executable, else one folder up (the
// tests and benchmarks run from sub-folders of the build folder), else in
// <prefix>/bin beside the <prefix>/share the executable's folder is part of.
// The first form is returned when none exists, so that running it fails.
std::filesystem::path ParserHostExecutable();

// The rule of ParserHostExecutable for an executable at `executable`.
std::filesystem::path ParserHostExecutableFor(const std::filesystem::path& executable);

}  // namespace vandrel::platform
