// One client's session once the handshake is done: its state (current
// directory, environment assignments, MPE preferences, file locks, the data
// port announced for the next command line) and the commands that act on
// it. Each command word maps to a handler in one table; a handler gets the
// session and the text after the word and gives back an outcome, from which
// Execute makes the reply. Sessions share nothing but the read-only tree
// and options, so one session's failure stays its own.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "agent/abort_watch.h"
#include "agent/agent_errors.h"
#include "agent/host_tree.h"
#include "agent/server_options.h"
#include "agent/temporary_uploads.h"

namespace vandrel::agent {

struct TransferContext;

// The longest reply text the editor can take (its reply buffer holds 1,024
// bytes with the terminator).
inline constexpr std::size_t kMaxReplyLength = 1023;

// What a command gives back.
struct Outcome {
  enum class Kind { kOk, kError, kNoReply };
  Kind kind = Kind::kOk;
  std::string result;  // after "0 " (just "0" when empty)
  AgentError error;

  static Outcome Ok(std::string result = {}) { return {Kind::kOk, std::move(result), {}}; }
  static Outcome Fail(AgentError error) { return {Kind::kError, {}, std::move(error)}; }
  static Outcome Fail(int code, std::string message) {
    return {Kind::kError, {}, AgentError{code, std::move(message)}};
  }
  static Outcome NoReply() { return {Kind::kNoReply, {}, {}}; }
};

// Session preferences the editor sets on MPE hosts: file system ("P" POSIX
// names, "M" MPE names), UDCs ("T" on, "F" off) and shell ("P" POSIX shell,
// "M" MPE command interpreter).
struct MpePreferences {
  char fileSystem = 'M';
  char udc = 'F';
  char shell = 'M';
};

// Locks held for the session's documents, by lock number. Each holds an open
// file description that carries the lock; releasing closes it.
class SessionLocks {
 public:
  SessionLocks() = default;
  SessionLocks(const SessionLocks&) = delete;
  SessionLocks& operator=(const SessionLocks&) = delete;
  ~SessionLocks();

  // Takes over `fd` (already locked); the new lock number (1, 2, ...).
  int Add(int fd);
  // Releases the lock; false when no lock has that number.
  bool Release(int number);
  std::size_t size() const { return fds_.size(); }
  // The number of the lock held on the file with that device and inode.
  std::optional<int> Find(dev_t device, ino_t inode) const;

 private:
  std::map<int, int> fds_;
  int next_ = 1;
};

class Session {
 public:
  Session(const ServerOptions& options, const HostTree& tree, std::string homeDirectory);

  // Carries out one command line and returns the reply to send, or nothing
  // for a command that is not answered (the abort line).
  std::optional<std::string> Execute(std::string_view line);

  const std::string& currentDirectory() const { return currentDirectory_; }
  const std::map<std::string, std::string>& environment() const { return environment_; }
  const MpePreferences& mpePreferences() const { return preferences_; }
  const std::string& homeDirectory() const { return homeDirectory_; }

  // The client's address, where data connections go (the loopback address
  // until the server sets it).
  void setClientAddress(std::string address) { clientAddress_ = std::move(address); }
  // The command connection, watched for the abort line while a request
  // runs.
  void setCommandSocket(remote::Socket socket) { abort_ = AbortWatch(socket); }
  // A line the client sent while a request ran, to be carried out next.
  bool TakeDeferredLine(std::string* line) { return abort_.TakeDeferred(line); }
  // Whether the client closed the command connection while a request ran.
  bool clientGone() const { return abort_.clientGone(); }

 private:
  using Handler = Outcome (Session::*)(std::string_view arguments);
  struct Command {
    std::string_view word;
    CommandNumber number;
    Handler handler;
  };
  static const Command kCommands[];

  Outcome GetCd(std::string_view arguments);
  Outcome SetCd(std::string_view arguments);
  Outcome SetEnv(std::string_view arguments);
  Outcome MpeSetFs(std::string_view arguments);
  Outcome MpeSetUdc(std::string_view arguments);
  Outcome MpeSetShell(std::string_view arguments);
  Outcome ExecLogon(std::string_view arguments);
  Outcome GetFileInfo(std::string_view arguments);
  Outcome CheckExists(std::string_view arguments);
  Outcome ResolveFile(std::string_view arguments);
  Outcome FileUnlock(std::string_view arguments);
  Outcome GetOsInfo(std::string_view arguments);
  Outcome SetPort(std::string_view arguments);
  Outcome ListDir(std::string_view arguments);
  Outcome SendFile(std::string_view arguments);
  Outcome RecvFile(std::string_view arguments);
  Outcome FindInFiles(std::string_view arguments);
  Outcome Abort(std::string_view arguments);
  // A line that is not an agent command: a command for the host's shell.
  Outcome HostCommand(std::string_view line);

  // What the data commands need of the session.
  TransferContext Transfers();
  Outcome SetPreference(std::string_view arguments, char first, char second, char* preference);

  const ServerOptions& options_;
  const HostTree& tree_;
  std::string homeDirectory_;
  std::string currentDirectory_;
  std::map<std::string, std::string> environment_;
  MpePreferences preferences_;
  SessionLocks locks_;
  // Announced by "=SET_PORT" for the command line that follows it, and
  // handed to that line only.
  std::optional<std::uint16_t> pendingDataPort_;
  std::optional<std::uint16_t> dataPort_;
  std::string clientAddress_ = "127.0.0.1";
  AbortWatch abort_;
  TemporaryUploads uploads_;
};

// The path argument of a command: surrounding blanks dropped, and one pair
// of surrounding double quotes.
std::string_view PathArgument(std::string_view text);

}  // namespace vandrel::agent
