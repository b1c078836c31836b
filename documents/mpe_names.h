// Names of files: MPE names (NAME.GROUP.ACCOUNT) turned into the host paths
// the agent is addressed with (core/mpe_names.h), local paths turned into the
// drive-first slash form error masks match against, and the file name a host
// path gives the host file information.
#pragma once

#include <string>
#include <string_view>

#include "core/mpe_names.h"

namespace vandrel {

// A local path in drive-first form with forward slashes, as error masks give
// DOS file names: every "\" becomes "/"; then
//  - "/", "/c" and paths starting "/c/" stay as they are;
//  - "c:/x" becomes "/c/x" ("c:x" becomes "/c/x" as well, "c:" becomes "/c");
//  - "/c:/x" becomes "/c/x";
//  - any other path starting with "/" gets "/" and `currentDrive` in front
//    ("/dir/x" on drive C becomes "/C/dir/x"); with no drive (0) it stays;
//  - a relative path stays as it is.
std::string SlashPath(std::string_view path, char currentDrive);

// The file name the host file information keeps for a host path: the part
// after the last "/", the whole path when it has none, "/" when the path ends
// in "/". At most 259 characters.
std::string HostFileName(std::string_view hostPath);

}  // namespace vandrel
