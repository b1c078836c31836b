// `vandrel-cli host ...`: the host connection's command-line face. Each
// command connects as the editor does (the connect thread, the login, the
// session set-up), carries one request out on the request worker, prints
// the result and reports failures with the product's own messages.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/cli_context.h"

namespace vandrel::cli {

// Where `host` commands connect, and how.
struct HostOptions {
  std::string host;
  int port = 11000;
  std::string user;
  std::string passwordFile;  // its first line is the password
  bool debug = false;        // print the commands and replies as they pass
};

void AddHostCommands(CLI::App& app, CliContext& context);

// Runs command lines on the host one after the other, as the command line
// window runs them ("cd X" changes the host's current directory), their
// output on standard output; the first that fails ends the run with exit
// status 1.
void RunHostCommandLines(CliContext& context, const HostOptions& options,
                         const std::vector<std::string>& lines);

}  // namespace vandrel::cli
