// tandrill: the host agent for POSIX hosts. It serves a directory tree to
// Vandrel over the agent command protocol.
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "agent/command_line.h"
#include "agent/password_input.h"
#include "agent/server.h"
#include "agent/users_file.h"

namespace {

int SetPassword(const vandrel::agent::CommandLine& commandLine) {
  std::string password;
  std::string error;
  if (!vandrel::agent::ReadNewPassword(STDIN_FILENO, &password, &error) ||
      !vandrel::agent::SetUserPassword(commandLine.usersFile, commandLine.userName, password,
                                       &error)) {
    std::fprintf(stderr, "tandrill passwd: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "tandrill passwd: password of %s set in %s\n", commandLine.userName.c_str(),
               commandLine.usersFile.c_str());
  return 0;
}

int Serve(const vandrel::agent::ServerOptions& options) {
  // SIGINT and SIGTERM are taken by this thread alone (sigwait below), so
  // the server stops cleanly: every thread it starts inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  vandrel::agent::Server server(options);
  std::string error;
  if (!server.Start(&error)) {
    std::fprintf(stderr, "tandrill: %s\n", error.c_str());
    return 1;
  }
  if (!vandrel::agent::IsLoopbackAddress(options.bindAddress)) {
    std::fprintf(stderr,
                 "tandrill: warning: listening on %s, which other machines can reach; "
                 "commands, passwords and files travel unencrypted\n",
                 options.bindAddress.c_str());
  }
  std::printf("listening on %s:%u\n", options.bindAddress.c_str(),
              static_cast<unsigned>(server.port()));
  std::fflush(stdout);

  server.RunInBackground();
  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.Stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const vandrel::agent::CommandLine commandLine = vandrel::agent::ParseCommandLine(argc, argv);
  switch (commandLine.action) {
    case vandrel::agent::CommandLine::Action::kExit:
      return commandLine.exitCode;
    case vandrel::agent::CommandLine::Action::kSetPassword:
      return SetPassword(commandLine);
    case vandrel::agent::CommandLine::Action::kServe:
      return Serve(commandLine.options);
  }
  return 2;
}
