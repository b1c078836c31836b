// The tandrill executable as a child process of a test: started with its
// arguments, its standard output read through a pipe (the first line names
// its port), ended with SIGTERM by its process id – and killed, failing the
// test, when it does not end within kAgentStopLimit.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/run_process.h"

namespace vandrel::testing {

inline constexpr std::chrono::seconds kAgentStopLimit{30};

class AgentProcess {
 public:
  // With `errorLog`, the agent's standard error (its log) goes to that file.
  explicit AgentProcess(const std::vector<std::string>& arguments,
                        const std::string& errorLog = {}) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      if (!errorLog.empty()) {
        const int log = ::open(errorLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (log >= 0) ::dup2(log, STDERR_FILENO);
      }
      std::vector<char*> argv;
      std::string program = VANDREL_TANDRILL_PATH;
      argv.push_back(program.data());
      std::vector<std::string> copies = arguments;
      for (auto& argument : copies) argv.push_back(argument.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    out_ = out[0];
  }
  ~AgentProcess() {
    Terminate();
    if (out_ >= 0) ::close(out_);
  }
  AgentProcess(const AgentProcess&) = delete;
  AgentProcess& operator=(const AgentProcess&) = delete;

  // The next line of standard output (without its line feed); what came
  // when the time ran out.
  std::string ReadLine(int timeoutMs = 10000) {
    std::string line;
    char c;
    while (true) {
      pollfd wait{out_, POLLIN, 0};
      if (::poll(&wait, 1, timeoutMs) <= 0 || ::read(out_, &c, 1) != 1 || c == '\n') break;
      line += c;
    }
    return line;
  }
  // The port of "listening on ADDRESS:PORT"; 0 when the line did not come.
  std::uint16_t ReadPort(int timeoutMs = 10000) {
    const std::string line = ReadLine(timeoutMs);
    const std::size_t colon = line.rfind(':');
    if (line.rfind("listening on ", 0) != 0 || colon == std::string::npos) return 0;
    return static_cast<std::uint16_t>(std::stoi(line.substr(colon + 1)));
  }
  // The process's peak resident memory so far, in kB (-1 when unknown).
  long PeakMemoryKb() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
  }
  pid_t pid() const { return pid_; }
  // Ends the process at once with SIGKILL, as a crash would, and reaps it.
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    bool killed = false;
    WaitForChild(pid_, std::chrono::steady_clock::now() + kAgentStopLimit, &killed);
    pid_ = -1;
  }
  // Sends SIGTERM and returns the exit status (-1 when it did not exit).
  int Terminate() {
    if (pid_ <= 0) return exitStatus_;
    ::kill(pid_, SIGTERM);
    bool killed = false;
    const int status =
        WaitForChild(pid_, std::chrono::steady_clock::now() + kAgentStopLimit, &killed);
    if (killed) ADD_FAILURE() << "tandrill did not end on SIGTERM and was killed";
    pid_ = -1;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitStatus_;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int exitStatus_ = -1;
};

}  // namespace vandrel::testing
