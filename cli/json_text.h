// Minimal JSON text helpers for the command-line tool's machine-readable
// output.
#pragma once

#include <string>
#include <string_view>

namespace vandrel::cli {

// A JSON string literal. Store files hold bytes, not necessarily UTF-8: bytes
// from 0x80 up are taken as Latin-1 so that every byte survives.
std::string JsonString(std::string_view bytes);

}  // namespace vandrel::cli
