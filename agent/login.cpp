#include "agent/login.h"

#include <sys/stat.h>

#include "agent/users_file.h"
#include "platform/ascii_text.h"

namespace vandrel::agent {

namespace {

std::string WithoutBlanks(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (c != ' ' && c != '\t') result += c;
  }
  return result;
}

// "name[/password]" into its parts; the name upper-cased and checked.
bool SplitNamePassword(std::string_view text, std::string* name, std::string* password) {
  const std::size_t slash = text.find('/');
  *name = platform::AsciiUppered(text.substr(0, slash));
  *password = slash == std::string_view::npos ? std::string() : std::string(text.substr(slash + 1));
  return IsMpeName(*name) && password->find('/') == std::string::npos;
}

LoginResult Failure(int code, std::string message) {
  LoginResult result;
  result.error = {code, std::move(message)};
  return result;
}

}  // namespace

bool IsMpeName(std::string_view name) {
  if (name.empty() || name.size() > 8) return false;
  if (!platform::IsAsciiLetter(name[0])) return false;
  for (char c : name) {
    if (!platform::IsAsciiLetterOrDigit(c)) return false;
  }
  return true;
}

std::optional<LogonString> ParseLogonString(std::string_view text) {
  const std::string compact = WithoutBlanks(text);
  std::string_view rest = compact;
  LogonString logon;

  // [sess,]user.account[,group]: a comma before the dot ends the session name.
  const std::size_t dot = rest.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::size_t firstComma = rest.find(',');
  if (firstComma != std::string_view::npos && firstComma < dot) {
    logon.session = platform::AsciiUppered(rest.substr(0, firstComma));
    if (!IsMpeName(logon.session)) return std::nullopt;
    rest = rest.substr(firstComma + 1);
  }
  const std::size_t userEnd = rest.find('.');
  if (!SplitNamePassword(rest.substr(0, userEnd), &logon.user, &logon.userPassword)) {
    return std::nullopt;
  }
  rest = rest.substr(userEnd + 1);
  const std::size_t comma = rest.find(',');
  if (!SplitNamePassword(rest.substr(0, comma), &logon.account, &logon.accountPassword)) {
    return std::nullopt;
  }
  if (comma != std::string_view::npos &&
      !SplitNamePassword(rest.substr(comma + 1), &logon.group, &logon.groupPassword)) {
    return std::nullopt;
  }
  return logon;
}

LoginResult CheckLogin(const ServerOptions& options, const HostTree& tree, std::string_view line) {
  UsersFile users;
  std::string loadError;
  if (!users.Load(options.usersFile, false, &loadError)) {
    return Failure(kErrorInternal, "The users file cannot be read");
  }

  if (tree.personality() == Personality::kPosix) {
    const std::size_t blank = line.find(' ');
    const std::string_view user = line.substr(0, blank);
    const std::string_view password =
        blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    if (user.empty() || !users.Verify(user, password, false)) {
      LoginResult refused =
          Failure(kErrorLoginFailed, "Login failed: unknown user or wrong password");
      refused.user = user;
      return refused;
    }
    LoginResult result;
    result.ok = true;
    result.user = user;
    result.homeDirectory = "/";
    return result;
  }

  const std::size_t blank = line.rfind(' ');
  const std::string_view logonText = line.substr(0, blank);
  const std::string_view password =
      blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
  auto logon = ParseLogonString(logonText);
  if (!logon) {
    return Failure(kErrorLoginFailed,
                   "Login failed: expected [sess,]user[/pass].account[/pass][,group[/pass]]");
  }
  const std::string_view checked =
      logon->userPassword.empty() ? password : std::string_view(logon->userPassword);
  if (!users.Verify(logon->user, checked, true)) {
    LoginResult refused =
        Failure(kErrorLoginFailed, "Login failed: unknown user or wrong password");
    refused.user = logon->user;
    return refused;
  }
  const std::string home = "/" + logon->account + "/" + logon->group;
  AgentError error;
  if (!tree.ResolveDirectory("/", home, &error)) {
    return Failure(kErrorNoSuchAccount,
                   "Login failed: no account " + logon->account + " with group " + logon->group);
  }
  LoginResult result;
  result.ok = true;
  result.user = logon->user;
  result.homeDirectory = home;
  return result;
}

LoginThrottle::LoginThrottle(const ServerOptions& options)
    : unit_(options.failureDelayUnit),
      cap_(options.failureDelayCap),
      memory_(options.failureMemory) {}

std::chrono::milliseconds LoginThrottle::RecordFailure(const std::string& address) {
  const auto now = Clock::now();
  std::lock_guard lock(mutex_);
  // Forget what is old, so the table cannot grow without bound.
  for (auto it = records_.begin(); it != records_.end();) {
    it = now - it->second.last > memory_ ? records_.erase(it) : std::next(it);
  }
  Record& record = records_[address];
  record.failures += 1;
  record.last = now;
  const auto delay = unit_ * record.failures;
  return delay < cap_ ? delay : cap_;
}

void LoginThrottle::RecordSuccess(const std::string& address) {
  std::lock_guard lock(mutex_);
  records_.erase(address);
}

}  // namespace vandrel::agent
