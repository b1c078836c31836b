// The login of a session: checking the login line against the users file,
// and slowing down clients whose logins keep failing.
//
// POSIX personality: the line is "user password" (the password is the rest
// of the line after the first blank); the session starts at the root.
// MPE personality: the line is a logon string and a password separated by
// the line's last blank:
//   [sess,]user[/upass].account[/apass][,group[/gpass]] password
// (blanks around the commas are ignored, names are upper-cased). The user is
// looked up in the users file without regard to case and checked with the
// user password of the logon string, or with the password field when the
// logon string has none; account and group passwords are accepted and not
// checked. The session starts in /ACCOUNT/GROUP (group PUB by default),
// which must exist under the root.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "agent/agent_errors.h"
#include "agent/host_tree.h"
#include "agent/server_options.h"

namespace vandrel::agent {

struct LogonString {
  std::string session;
  std::string user;
  std::string userPassword;
  std::string account;
  std::string accountPassword;
  std::string group = "PUB";
  std::string groupPassword;
};

// An MPE name: 1 to 8 letters and digits, starting with a letter.
bool IsMpeName(std::string_view name);

// Reads a logon string; names upper-cased, passwords as given. Fails on
// anything that is not of the form above.
std::optional<LogonString> ParseLogonString(std::string_view text);

struct LoginResult {
  bool ok = false;
  std::string user;           // as the client gave it (upper-cased for MPE), also when refused
  std::string homeDirectory;  // host path the session starts in
  AgentError error;
};

// Checks one login line against the users file at `options.usersFile`
// (read afresh, so password changes apply at once).
LoginResult CheckLogin(const ServerOptions& options, const HostTree& tree, std::string_view line);

// Failed logins per client address. Each failure is answered after a delay
// that grows with the failures the address had within the memory period;
// a success forgets them.
class LoginThrottle {
 public:
  explicit LoginThrottle(const ServerOptions& options);
  // Records a failure; the delay to wait before answering it.
  std::chrono::milliseconds RecordFailure(const std::string& address);
  void RecordSuccess(const std::string& address);

 private:
  using Clock = std::chrono::steady_clock;
  struct Record {
    int failures = 0;
    Clock::time_point last;
  };
  std::chrono::milliseconds unit_;
  std::chrono::milliseconds cap_;
  std::chrono::seconds memory_;
  std::mutex mutex_;
  std::map<std::string, Record> records_;
};

}  // namespace vandrel::agent
