// Runs one of the project's programs and collects what it printed. A child
// that does not end within its time is killed, and the test fails instead
// of hanging.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vandrel::testing {

// Long enough for a sanitizer build on a loaded machine running a build
// with real compilers; far shorter than the test runner's own timeout.
inline constexpr std::chrono::seconds kProcessTimeLimit{120};

struct ProcessResult {
  int exitCode = -1;  // -1: killed by a signal, killed for running too long, or never started
  std::string out;    // standard output and standard error together
  bool timedOut = false;
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Waits for child `pid` until `deadline`; past it, kills the child and the
// process group it leads (by its id) and reaps it. The wait status, and
// whether the child had to be killed.
inline int WaitForChild(pid_t pid, std::chrono::steady_clock::time_point deadline, bool* killed) {
  *killed = false;
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  *killed = true;
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// Runs `program` with `args` (no shell), standard input empty, and returns
// its exit code and everything it printed. A program still running after
// `limit` is killed and the calling test fails.
inline ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                std::chrono::milliseconds limit = kProcessTimeLimit) {
  ProcessResult result;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "no pipe for " << program;
    return result;
  }
  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // A group of its own, so that what the child starts is ended with it.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = -1;
  const int spawned =
      ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(spawned);
    return result;
  }

  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::array<char, 4096> buffer{};
  bool ended = false;  // every writer closed the pipe
  while (!ended) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd ready{out[0], POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) break;
    const ssize_t n = ::read(out[0], buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    ended = n <= 0;
    if (n > 0) result.out.append(buffer.data(), static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  // Output still open at the deadline counts as running too long, even when
  // it is something the child started that holds it.
  bool killed = false;
  const int status =
      WaitForChild(pid, ended ? deadline : std::chrono::steady_clock::now(), &killed);
  if (!ended) ::kill(-pid, SIGKILL);
  result.timedOut = killed || !ended;
  if (result.timedOut) {
    ADD_FAILURE() << program << " did not end within " << limit.count()
                  << " ms and was killed; it printed:\n"
                  << result.out;
    return result;
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace vandrel::testing
