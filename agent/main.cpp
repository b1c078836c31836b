// tandrill: the host agent for POSIX hosts. It serves a directory tree to
// Vandrel over the agent command protocol.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "agent/agent_version.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: tandrill --root DIR [options]\n"
               "\n"
               "The host agent of Vandrel: serves the files under DIR to the editor over\n"
               "TCP, runs host commands and compilers, and streams their output back.\n"
               "\n"
               "Options:\n"
               "  --root DIR             the directory tree to serve\n"
               "  --port N               port to listen on (default 11000)\n"
               "  --bind ADDRESS         address to listen on (default 127.0.0.1)\n"
               "  --personality mpe|posix  emulate an MPE/iX file system or serve plain files\n"
               "  --users FILE           users and password hashes for the login\n"
               "  --no-login             accept sessions without a login\n"
               "  --allow-commands       let sessions run host commands\n"
               "  --help                 show this text\n"
               "  --version              show the version\n");
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return 0;
    }
    if (arg == "--version") {
      char version[16];
      std::printf("tandrill %s (agent version %s)\n", VANDREL_VERSION,
                  vandrel::agent::FormatAgentVersion(vandrel::agent::kDefaultAgentVersion, version));
      return 0;
    }
  }
  std::fprintf(stderr, "tandrill: serving is not available in this build yet; see --help\n");
  return 2;
}
