#include "agent/command_line.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "agent/agent_version.h"

namespace vandrel::agent {

namespace {

std::string VersionText() {
  char version[16];
  return std::string("tandrill ") + VANDREL_VERSION + " (agent version " +
         FormatAgentVersion(kDefaultAgentVersion, version) + ")";
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  ServerOptions& options = result.options;

  CLI::App app{
      "The host agent of Vandrel: serves the files under a directory to the editor over TCP.",
      "tandrill"};
  app.set_version_flag("--version", VersionText());

  std::string personality = "posix";
  std::string root;
  std::string usersFile;
  bool noLogin = false;
  app.add_option("--root", root, "the directory tree to serve");
  app.add_option("--port", options.port, "port to listen on (0: any free port)")
      ->default_val(kDefaultPort);
  app.add_option("--bind", options.bindAddress, "IPv4 address to listen on")
      ->default_val("127.0.0.1");
  app.add_option("--personality", personality,
                 "mpe: accounts and groups with upper-case names; posix: plain files")
      ->check(CLI::IsMember({"mpe", "posix"}))
      ->default_val("posix");
  auto* users = app.add_option("--users", usersFile, "users and password hashes for the login");
  auto* noLoginFlag = app.add_flag("--no-login", noLogin, "accept sessions without a login");
  users->excludes(noLoginFlag);
  app.add_flag("--allow-commands", options.allowCommands, "let sessions run host commands");
  app.add_flag("--session-ports", options.sessionPorts,
               "move each session to a port of its own after the login");
  app.add_option("--agent-version", options.agentVersion,
                 "the version number the greeting reports (default 10300)")
      ->check(CLI::Range(0, 99999));
  app.add_flag("--verbose", options.verbose, "trace connections and commands on standard error");
  std::int64_t delayMs = options.failureDelayUnit.count();
  app.add_option("--failed-login-delay", delayMs,
                 "milliseconds the answer to a failed login waits, times the failures the "
                 "address had in the last 10 minutes (at most 8 times; default 1000)")
      ->check(CLI::Range(0, 60000));

  CLI::App* passwd =
      app.add_subcommand("passwd", "add a user to a users file or change a password");
  std::string passwdUsers;
  passwd->add_option("--users", passwdUsers, "the users file")->required();
  passwd->add_option("user", result.userName, "the user name")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    result.exitCode = app.exit(error);
    result.action = CommandLine::Action::kExit;
    return result;
  }

  if (passwd->parsed()) {
    result.action = CommandLine::Action::kSetPassword;
    result.usersFile = passwdUsers;
    return result;
  }

  if (root.empty()) {
    std::fprintf(stderr, "tandrill: --root DIR is required (see --help)\n");
    result.exitCode = 2;
    return result;
  }
  if (usersFile.empty() && !noLogin) {
    std::fprintf(stderr, "tandrill: give --users FILE, or --no-login to serve without a login\n");
    result.exitCode = 2;
    return result;
  }
  options.failureDelayUnit = std::chrono::milliseconds(delayMs);
  options.failureDelayCap = options.failureDelayUnit * 8;
  options.root = root;
  options.usersFile = usersFile;
  options.loginRequired = !noLogin;
  options.personality = personality == "mpe" ? Personality::kMpe : Personality::kPosix;
  result.action = CommandLine::Action::kServe;
  return result;
}

}  // namespace vandrel::agent
