// MPE names (NAME.GROUP.ACCOUNT) turned into the host paths the agent is
// addressed with: the editor resolves names typed by the user or printed by
// a compiler, the agent those a client asks it to resolve, by one rule.
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

}  // namespace vandrel
