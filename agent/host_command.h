// Host commands: a command line that is not an agent command runs in the
// host's shell (/bin/sh -c) in the session's current directory, with the
// agent's environment and the session's assignments on top, in a process
// group of its own. Its standard output and standard error go into one pipe,
// so they keep their order, and are streamed to the client's data port (the
// one "=SET_PORT" announced) as they come, in packets of at most 32,767
// bytes. "=!" on the command connection, or the client going away, ends the
// whole process group (SIGTERM, then SIGKILL after a grace period).
//
// The final reply is "0" when the command exited with status 0, and "0 <n>"
// when it ran but ended otherwise (its exit status, or 128 + the signal that
// ended it): a command that reports errors has still run, and its messages
// are in the output, where the error masks find them. Only a command that
// could not be run, or was aborted (code 103), gets an error reply.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "agent/abort_watch.h"
#include "agent/session.h"

namespace vandrel::agent {

// The largest data packet the editor reads from a command's stream.
inline constexpr std::size_t kCommandOutputPacket = 32767;

struct HostCommandContext {
  std::filesystem::path workingDirectory;  // on disk
  const std::map<std::string, std::string>& environment;
  const std::string& clientAddress;
  std::uint16_t dataPort = 0;
  AbortWatch& abort;
};

Outcome RunHostCommand(const HostCommandContext& context, std::string_view commandLine);

}  // namespace vandrel::agent
