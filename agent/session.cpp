#include "agent/session.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <exception>
#include <utility>

#include "agent/data_connection.h"
#include "agent/file_info.h"
#include "agent/find_in_files.h"
#include "agent/host_command.h"
#include "agent/os_info.h"
#include "agent/transfer_commands.h"
#include "core/mpe_names.h"
#include "platform/ascii_text.h"

namespace vandrel::agent {

namespace {

constexpr std::size_t kMaxEnvironmentEntries = 256;

// A whole decimal number within [low, high], with an optional sign.
std::optional<long> ParseNumber(std::string_view text, long low, long high) {
  text = platform::TrimLine(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return WholeNumber(text, low, high);
}

// Reads `"text"` from the front of `rest` (after blanks), leaving `rest`
// after the closing quote. The text cannot hold a quote, as the editor
// sends it without escapes.
std::optional<std::string_view> TakeQuoted(std::string_view& rest) {
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (rest.empty() || rest.front() != '"') return std::nullopt;
  const std::size_t close = rest.find('"', 1);
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view text = rest.substr(1, close - 1);
  rest.remove_prefix(close + 1);
  return text;
}

bool IsEnvironmentName(std::string_view name) {
  if (name.empty() || name.size() > 255 || platform::IsAsciiDigit(name.front())) return false;
  for (char c : name) {
    if (!platform::IsAsciiLetterOrDigit(c) && c != '_') return false;
  }
  return true;
}

}  // namespace

std::string_view PathArgument(std::string_view text) {
  text = platform::TrimLine(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

// ---- Locks ------------------------------------------------------------------

SessionLocks::~SessionLocks() {
  for (auto& [number, fd] : fds_) ::close(fd);
}

int SessionLocks::Add(int fd) {
  const int number = next_++;
  fds_[number] = fd;
  return number;
}

std::optional<int> SessionLocks::Find(dev_t device, ino_t inode) const {
  for (const auto& [number, fd] : fds_) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_dev == device && info.st_ino == inode) return number;
  }
  return std::nullopt;
}

bool SessionLocks::Release(int number) {
  auto it = fds_.find(number);
  if (it == fds_.end()) return false;
  ::close(it->second);
  fds_.erase(it);
  return true;
}

// ---- Dispatch ---------------------------------------------------------------

const Session::Command Session::kCommands[] = {
    {"=GET_CD", kCommandGetCd, &Session::GetCd},
    {"=SET_CD", kCommandSetCd, &Session::SetCd},
    {"=SET_ENV", kCommandSetEnv, &Session::SetEnv},
    {"=MPE_SET_FS", kCommandMpeSetFs, &Session::MpeSetFs},
    {"=MPE_SET_UDC", kCommandMpeSetUdc, &Session::MpeSetUdc},
    {"=MPE_SET_SHELL", kCommandMpeSetShell, &Session::MpeSetShell},
    {"$$$EXECLOGON", kCommandExecLogon, &Session::ExecLogon},
    {"=GET_FILEINFO", kCommandGetFileInfo, &Session::GetFileInfo},
    {"=CHECK_EXISTS", kCommandCheckExists, &Session::CheckExists},
    {"=RESOLVE_FILE", kCommandResolveFile, &Session::ResolveFile},
    {"=FILE_UNLOCK", kCommandFileUnlock, &Session::FileUnlock},
    {"=GET_OSINFO", kCommandGetOsInfo, &Session::GetOsInfo},
    {"=SET_PORT", kCommandSetPort, &Session::SetPort},
    {"=LIST_DIR", kCommandListDir, &Session::ListDir},
    {"=SEND_FILE", kCommandSendFile, &Session::SendFile},
    {"=RECV_FILE", kCommandRecvFile, &Session::RecvFile},
    {"=FIND_INFILES", kCommandFindInFiles, &Session::FindInFiles},
    {"=!", kCommandAbort, &Session::Abort},
};

Session::Session(const ServerOptions& options, const HostTree& tree, std::string homeDirectory)
    : options_(options),
      tree_(tree),
      homeDirectory_(std::move(homeDirectory)),
      currentDirectory_(homeDirectory_) {}

std::optional<std::string> Session::Execute(std::string_view line) {
  // A data port announced by "=SET_PORT" belongs to this line alone.
  dataPort_ = std::exchange(pendingDataPort_, std::nullopt);
  abort_.Reset();

  line = platform::WithoutLineEnd(line);
  if (platform::TrimLine(line).empty()) {
    return ErrorReply(kCommandSession, {kErrorEmptyCommand, "Empty command"});
  }
  if (line.find('\0') != std::string_view::npos) {
    return ErrorReply(kCommandSession, {kErrorBadArguments, "A command may not hold zero bytes"});
  }

  const std::size_t blank = line.find(' ');
  const std::string_view word = line.substr(0, blank);
  const std::string_view arguments =
      blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);

  const Command* command = nullptr;
  for (const Command& candidate : kCommands) {
    if (candidate.word.size() == word.size() &&
        ::strncasecmp(candidate.word.data(), word.data(), word.size()) == 0) {
      command = &candidate;
      break;
    }
  }

  std::uint16_t location = command ? command->number : kCommandHostCommand;
  Outcome outcome;
  try {
    if (command) {
      outcome = (this->*command->handler)(arguments);
    } else if (line.front() == '=' || line.starts_with("$$$")) {
      location = kCommandSession;
      outcome = Outcome::Fail(kErrorUnknownCommand, "Unknown command: " + std::string(word));
    } else {
      outcome = HostCommand(line);
    }
  } catch (const std::exception& failure) {
    outcome = Outcome::Fail(kErrorInternal, std::string("Internal error: ") + failure.what());
  } catch (...) {
    outcome = Outcome::Fail(kErrorInternal, "Internal error");
  }

  switch (outcome.kind) {
    case Outcome::Kind::kNoReply:
      return std::nullopt;
    case Outcome::Kind::kOk: {
      std::string reply = outcome.result.empty() ? "0" : "0 " + outcome.result;
      if (reply.size() > kMaxReplyLength) {
        return ErrorReply(location, {kErrorReplyTooLong, "Result too long for the reply"});
      }
      return reply;
    }
    case Outcome::Kind::kError:
      break;
  }
  std::string reply = ErrorReply(location, outcome.error);
  if (reply.size() > kMaxReplyLength) reply.resize(kMaxReplyLength);
  return reply;
}

// ---- Commands ---------------------------------------------------------------

Outcome Session::GetCd(std::string_view arguments) {
  if (!platform::TrimLine(arguments).empty()) return Malformed("=GET_CD");
  return Outcome::Ok(currentDirectory_);
}

// An empty path goes back to the directory the session started in.
Outcome Session::SetCd(std::string_view arguments) {
  std::string_view path = PathArgument(arguments);
  if (path.empty()) path = homeDirectory_;
  AgentError error;
  auto directory = tree_.ResolveDirectory(currentDirectory_, path, &error);
  if (!directory) return Outcome::Fail(std::move(error));
  if (::access(directory->diskPath.c_str(), X_OK) != 0) {
    return Outcome::Fail(SystemError(errno, directory->hostPath));
  }
  currentDirectory_ = directory->hostPath;
  return Outcome::Ok();
}

// NAME=value; names are upper-cased on MPE hosts, whose variables ignore
// case. An empty value is kept as an empty assignment.
Outcome Session::SetEnv(std::string_view arguments) {
  arguments = platform::TrimLine(arguments);
  const std::size_t equals = arguments.find('=');
  if (equals == std::string_view::npos) return Malformed("=SET_ENV NAME=value");
  std::string name(arguments.substr(0, equals));
  if (!IsEnvironmentName(name)) return Malformed("=SET_ENV NAME=value");
  if (tree_.personality() == Personality::kMpe) name = platform::AsciiUppered(name);
  if (!environment_.contains(name) && environment_.size() >= kMaxEnvironmentEntries) {
    return Outcome::Fail(kErrorBadArguments, "Too many environment assignments");
  }
  environment_[name] = arguments.substr(equals + 1);
  return Outcome::Ok();
}

Outcome Session::SetPreference(std::string_view arguments, char first, char second,
                               char* preference) {
  arguments = platform::TrimLine(arguments);
  if (arguments.size() == 1) {
    const char letter = platform::AsciiUppered(arguments)[0];
    if (letter == first || letter == second) {
      *preference = letter;
      return Outcome::Ok();
    }
  }
  return Outcome::Fail(kErrorBadArguments,
                       std::string("Malformed command; expected ") + first + " or " + second);
}

Outcome Session::MpeSetFs(std::string_view arguments) {
  return SetPreference(arguments, 'P', 'M', &preferences_.fileSystem);
}

Outcome Session::MpeSetUdc(std::string_view arguments) {
  return SetPreference(arguments, 'T', 'F', &preferences_.udc);
}

Outcome Session::MpeSetShell(std::string_view arguments) {
  return SetPreference(arguments, 'P', 'M', &preferences_.shell);
}

// The tree has no logon UDCs to run; the levels are checked and accepted.
Outcome Session::ExecLogon(std::string_view arguments) {
  if (!ParseNumber(arguments, 0, 0xffff)) return Malformed("$$$EXECLOGON levels");
  return Outcome::Ok();
}

Outcome Session::GetFileInfo(std::string_view arguments) {
  const std::string_view path = PathArgument(arguments);
  if (path.empty()) return Malformed("=GET_FILEINFO path");
  AgentError error;
  auto file = tree_.Resolve(currentDirectory_, path, &error);
  if (!file) return Outcome::Fail(std::move(error));
  if (!file->exists) return Outcome::Fail(SystemError(ENOENT, file->hostPath));
  auto description = DescribeFile(file->diskPath, tree_.personality(), &error);
  if (!description) return Outcome::Fail(std::move(error));
  return Outcome::Ok(std::move(*description));
}

Outcome Session::CheckExists(std::string_view arguments) {
  const std::string_view path = PathArgument(arguments);
  if (path.empty()) return Malformed("=CHECK_EXISTS path");
  AgentError error;
  auto file = tree_.Resolve(currentDirectory_, path, &error);
  if (!file) return Outcome::Fail(std::move(error));
  if (!file->exists) return Outcome::Fail(SystemError(ENOENT, file->hostPath));
  return Outcome::Ok();
}

// =RESOLVE_FILE options "name" "context": the host file a name stands for,
// seen from the context (a directory, or a file whose directory is meant;
// the current directory when empty). On MPE hosts the name may be an MPE
// name (NAME.GROUP.ACCOUNT and its shorter forms).
Outcome Session::ResolveFile(std::string_view arguments) {
  constexpr std::string_view kUsage = "=RESOLVE_FILE 0 \"name\" \"context\"";
  std::string_view rest = platform::TrimLine(arguments);
  const std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos || !ParseNumber(rest.substr(0, blank), 0, INT32_MAX)) {
    return Malformed(kUsage);
  }
  rest.remove_prefix(blank);
  auto name = TakeQuoted(rest);
  auto context = name ? TakeQuoted(rest) : std::nullopt;
  if (!name || !context || !platform::TrimLine(rest).empty() || platform::TrimLine(*name).empty())
    return Malformed(kUsage);

  AgentError error;
  std::string contextDirectory = currentDirectory_;
  if (!platform::TrimLine(*context).empty()) {
    auto where = tree_.Resolve(currentDirectory_, platform::TrimLine(*context), &error);
    if (!where) return Outcome::Fail(std::move(error));
    struct stat info {};
    const bool isFile =
        where->exists && ::stat(where->diskPath.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    contextDirectory = where->hostPath;
    if (isFile) {
      const std::size_t slash = contextDirectory.rfind('/');
      contextDirectory.resize(slash == 0 ? 1 : slash);
    }
  }

  std::string wanted(platform::TrimLine(*name));
  if (tree_.personality() == Personality::kMpe) wanted = HostPathOfName(contextDirectory, wanted);
  auto file = tree_.Resolve(contextDirectory, wanted, &error);
  if (!file) return Outcome::Fail(std::move(error));
  if (!file->exists) return Outcome::Fail(SystemError(ENOENT, file->hostPath));
  return Outcome::Ok(file->hostPath);
}

// Releasing a lock the session does not hold is not an error: the document
// that asks no longer needs it either way.
Outcome Session::FileUnlock(std::string_view arguments) {
  auto number = ParseNumber(arguments, INT32_MIN, INT32_MAX);
  if (!number) return Malformed("=FILE_UNLOCK number");
  locks_.Release(static_cast<int>(*number));
  return Outcome::Ok();
}

Outcome Session::GetOsInfo(std::string_view arguments) {
  if (!platform::TrimLine(arguments).empty()) return Malformed("=GET_OSINFO");
  return Outcome::Ok(SystemInformation(options_.maxSessions));
}

Outcome Session::SetPort(std::string_view arguments) {
  auto port = ParseNumber(arguments, 1, 65535);
  if (!port) return Malformed("=SET_PORT port");
  pendingDataPort_ = static_cast<std::uint16_t>(*port);
  return Outcome::Ok();
}

TransferContext Session::Transfers() {
  return {tree_, currentDirectory_, clientAddress_, locks_, abort_, uploads_};
}

Outcome Session::ListDir(std::string_view arguments) {
  return RunListDirectory(Transfers(), arguments);
}

Outcome Session::SendFile(std::string_view arguments) {
  return RunSendFile(Transfers(), arguments);
}

Outcome Session::RecvFile(std::string_view arguments) {
  return RunReceiveFile(Transfers(), arguments);
}

Outcome Session::FindInFiles(std::string_view arguments) {
  return RunFindInFiles(Transfers(), arguments);
}

// Nothing is running between commands, so there is nothing to abort; the
// editor reads no reply to this line.
Outcome Session::Abort(std::string_view) { return Outcome::NoReply(); }

Outcome Session::HostCommand(std::string_view line) {
  if (!options_.allowCommands) {
    return Outcome::Fail(kErrorCommandsNotAllowed,
                         "Host commands are not allowed on this agent (see --allow-commands)");
  }
  AgentError error;
  auto directory = tree_.ResolveDirectory(currentDirectory_, ".", &error);
  if (!directory) return Outcome::Fail(std::move(error));
  return RunHostCommand(
      {directory->diskPath, environment_, clientAddress_, dataPort_.value_or(0), abort_}, line);
}

}  // namespace vandrel::agent
