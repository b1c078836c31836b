// Names of files: MPE names (NAME.GROUP.ACCOUNT) turned into the host paths
// the agent is addressed with, local paths turned into the drive-first slash
// form error masks match against, and the file name a host path gives the
// host file information.
#pragma once

#include <string>
#include <string_view>

namespace vandrel {

// The host path of a name typed by the user or printed by a compiler, relative
// to the host's current directory `currentDirectory` (/ACCOUNT/GROUP):
//  1. a name that contains "/" is already a path;
//  2. "@.@.@" is the root "/";
//  3. "@.@" is the current account, /ACCOUNT;
//  4. NAME.GROUP.ACCOUNT is /ACCOUNT/GROUP/NAME (anything after a third dot
//     stays part of the account);
//  5. NAME.GROUP is /ACCOUNT/GROUP/NAME in the current account;
//  6. NAME is NAME in the current directory.
// The result is upper-cased, the directory part included. Without a current
// account (current directory "/" or empty) rules 3 and 5 start at the root.
std::string HostPathOfName(std::string_view currentDirectory, std::string_view name);

// The first component of a host directory: "/DEV" of "/DEV/PUB"; empty for
// "/" or an empty directory.
std::string_view AccountOfDirectory(std::string_view directory);

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
