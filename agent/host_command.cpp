#include "agent/host_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "agent/data_connection.h"

extern char** environ;

namespace vandrel::agent {

namespace {

using namespace std::chrono_literals;

// How long a command's process group has to end after SIGTERM.
constexpr auto kTerminateGrace = 2s;
// How often a command's end is looked for while its output is quiet.
constexpr auto kExitPoll = 100ms;
// After the shell has ended, output still coming from processes it left
// behind is passed on until the pipe is quiet this long.
constexpr auto kDrainQuiet = 200ms;

// The environment the command gets: the agent's, with the session's
// assignments replacing or adding variables.
std::vector<std::string> CommandEnvironment(const std::map<std::string, std::string>& session,
                                            const std::filesystem::path& directory) {
  std::vector<std::string> result;
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string_view text(*entry);
    const std::string_view name = text.substr(0, text.find('='));
    if (session.contains(std::string(name)) || name == "PWD") continue;
    result.emplace_back(text);
  }
  for (const auto& [name, value] : session) result.push_back(name + "=" + value);
  result.push_back("PWD=" + directory.string());
  return result;
}

// The status a finished command reports: its exit status, or 128 + signal.
int CommandStatus(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return 255;
}

class RunningCommand {
 public:
  RunningCommand() = default;
  RunningCommand(const RunningCommand&) = delete;
  RunningCommand& operator=(const RunningCommand&) = delete;
  ~RunningCommand() {
    if (pid_ > 0 && !finished_) Terminate();
    if (output_ >= 0) ::close(output_);
  }

  bool Start(const std::string& line, const std::filesystem::path& directory,
             const std::vector<std::string>& environment, AgentError* error) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
      *error = SystemError(errno, "pipe for the command's output");
      return false;
    }
    // Everything the child uses is made before the fork: between fork and
    // exec only async-signal-safe calls are allowed in a threaded process.
    const std::string directoryText = directory.string();
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    const char* argv[] = {"sh", "-c", line.c_str(), nullptr};
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

    const pid_t pid = ::fork();
    if (pid < 0) {
      *error = SystemError(errno, "starting the command");
      ::close(pipeFds[0]);
      ::close(pipeFds[1]);
      if (devNull >= 0) ::close(devNull);
      return false;
    }
    if (pid == 0) {
      ::setpgid(0, 0);
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::signal(SIGPIPE, SIG_DFL);
      if (devNull >= 0) ::dup2(devNull, 0);
      ::dup2(pipeFds[1], 1);
      ::dup2(pipeFds[1], 2);
      if (::chdir(directoryText.c_str()) != 0) {
        static const char message[] = "tandrill: cannot enter the session's directory\n";
        ssize_t ignored = ::write(2, message, sizeof message - 1);
        (void)ignored;
        ::_exit(126);
      }
      ::execve("/bin/sh", const_cast<char* const*>(argv), envp.data());
      ::_exit(127);
    }
    ::setpgid(pid, pid);  // also here, so the group exists before any kill
    ::close(pipeFds[1]);
    if (devNull >= 0) ::close(devNull);
    pid_ = pid;
    output_ = pipeFds[0];
    return true;
  }

  int output() const { return output_; }

  // Whether the shell has ended (its status is then kept).
  bool Finished() {
    if (finished_) return true;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      finished_ = true;
      status_ = status;
    } else if (done < 0 && errno != EINTR) {
      finished_ = true;  // reaped elsewhere: its status is unknown
      status_ = 255 << 8;
    }
    return finished_;
  }
  int status() const { return status_; }

  // Ends the whole process group: SIGTERM, then SIGKILL when it does not
  // end within the grace period. Waits for the shell.
  void Terminate() {
    ::kill(-pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kTerminateGrace;
    while (!Finished() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(10ms);
    }
    ::kill(-pid_, SIGKILL);  // whatever of the group is left
    if (!finished_) {
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
      finished_ = true;
      status_ = status;
    }
  }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  bool finished_ = false;
  int status_ = 0;
};

}  // namespace

Outcome RunHostCommand(const HostCommandContext& context, std::string_view commandLine) {
  while (!commandLine.empty() && (commandLine.back() == '\r' || commandLine.back() == '\n')) {
    commandLine.remove_suffix(1);
  }
  if (context.dataPort == 0) {
    return Outcome::Fail(kErrorBadArguments,
                         "A host command needs a data port for its output; send =SET_PORT first");
  }

  AgentError error;
  DataConnection data(&context.abort);
  if (!data.Open(context.clientAddress, context.dataPort, &error)) return Outcome::Fail(error);

  RunningCommand command;
  if (!command.Start(std::string(commandLine), context.workingDirectory,
                     CommandEnvironment(context.environment, context.workingDirectory), &error)) {
    return Outcome::Fail(std::move(error));
  }

  std::vector<char> buffer(kCommandOutputPacket);
  bool draining = false;  // the shell has ended; passing on what is left
  while (true) {
    const auto wait = draining ? std::chrono::duration_cast<std::chrono::milliseconds>(kDrainQuiet)
                               : std::chrono::duration_cast<std::chrono::milliseconds>(kExitPoll);
    const AbortWatch::Wait ready = context.abort.WaitFor(command.output(), POLLIN, wait);
    if (ready == AbortWatch::Wait::kAborted) {
      command.Terminate();
      return AbortedOutcome("Command");
    }
    if (ready == AbortWatch::Wait::kFailed) {
      command.Terminate();
      return Outcome::Fail(SystemError(errno, "waiting for the command's output"));
    }
    if (ready == AbortWatch::Wait::kTimeout) {
      if (draining) break;
      draining = command.Finished();
      continue;
    }
    const ssize_t got = ::read(command.output(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // every writer has closed the pipe
    if (!data.Send(buffer.data(), static_cast<std::size_t>(got), kCommandOutputPacket)) {
      command.Terminate();
      if (data.aborted()) return AbortedOutcome("Command");
      return Outcome::Fail(SystemError(EPIPE, "sending the command's output"));
    }
  }
  data.SendEnd();
  data.Close();

  // The pipe can close just before the shell is reaped.
  while (!command.Finished()) {
    if (context.abort.WaitFor(-1, 0, kExitPoll) == AbortWatch::Wait::kAborted) {
      command.Terminate();
      return AbortedOutcome("Command");
    }
  }
  const int status = CommandStatus(command.status());
  return Outcome::Ok(status == 0 ? std::string() : std::to_string(status));
}

}  // namespace vandrel::agent
