// What the agent serves and how: the settings of one server run, from the
// command line (or set directly by tests that run the server in-process).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "agent/agent_version.h"

namespace vandrel::agent {

// The host the agent presents itself as.
//  - kMpe: an MPE/iX host (host kind 1): the first two levels under the root
//    are accounts and groups, every name is upper-case, Qedit is reported
//    available and the login is an MPE logon string.
//  - kPosix: a plain POSIX host (host kind 2): names as they are on disk.
enum class Personality { kMpe, kPosix };

// Host kinds of the greeting. Kind 9 would tell the editor to compare names
// without regard to case, which a POSIX file system does not do.
inline constexpr int kHostKindMpe = 1;
inline constexpr int kHostKindPosix = 2;

// Byte orders of the greeting: 0 least significant byte first, 1 most
// significant byte first.
inline constexpr int kByteOrderLittleEndian = 0;
inline constexpr int kByteOrderBigEndian = 1;

// Security flags of the greeting.
inline constexpr int kSecurityLoginRequired = 0x2;
inline constexpr int kSecurityQeditAvailable = 0x8;
inline constexpr int kSecurityMpeLogon = 0x10;

inline constexpr std::uint16_t kDefaultPort = 11000;

struct ServerOptions {
  std::filesystem::path root;         // the served tree
  std::uint16_t port = kDefaultPort;  // 0: the system picks a free port
  std::string bindAddress = "127.0.0.1";
  Personality personality = Personality::kPosix;
  std::filesystem::path usersFile;  // users and password hashes
  bool loginRequired = true;        // false with --no-login
  bool allowCommands = false;       // sessions may run host commands
  bool sessionPorts = false;        // hand each session over to a port of its own
  int agentVersion = kDefaultAgentVersion;
  bool verbose = false;  // trace connections and commands on standard error

  // Limits that the command line does not set.
  int maxSessions = 64;
  int maxLoginAttempts = 3;  // per connection; the connection is closed after them
  // A failed login is answered after failures × unit (the failures of the
  // client's address within failureMemory), at most failureDelayCap.
  std::chrono::milliseconds failureDelayUnit{1000};
  std::chrono::milliseconds failureDelayCap{8000};
  std::chrono::seconds failureMemory{600};
  // How long the agent waits for the login line (the user may be typing it),
  // and for the client to reconnect to its session port.
  std::chrono::seconds loginTimeout{600};
  std::chrono::seconds handOverTimeout{30};
};

}  // namespace vandrel::agent
