// The system information text of "=GET_OSINFO": nine blank-separated fields
// (system name, node name, release, version, machine, system ID, memory
// size, maximum users, and a caption with a value separated by a tab),
// each in double quotes when it holds blanks, tabs or quotes, with a quote
// inside written twice.
#pragma once

#include <string>
#include <string_view>

namespace vandrel::agent {

// A field as the information text holds it.
std::string QuoteField(std::string_view field);

// The text for this host; `maxSessions` is reported as the maximum number of
// users.
std::string SystemInformation(int maxSessions);

}  // namespace vandrel::agent
