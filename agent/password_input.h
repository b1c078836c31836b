// Reading a new password for `tandrill passwd`.
#pragma once

#include <cstdio>
#include <string>

namespace vandrel::agent {

// From a terminal: prompts on standard error, reads the password twice with
// echo off and insists that both agree. Otherwise: the first line of
// `input` (without its line end). False with a message on failure.
bool ReadNewPassword(int inputFd, std::string* password, std::string* error);

}  // namespace vandrel::agent
