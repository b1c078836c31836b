// A host command printing a flood of output into the command line window,
// against the same command run locally into a pipe that throws it away.
//
// tandrill runs as a child process over a fresh tree (no login, POSIX,
// commands allowed); a main frame (offscreen unless QT_QPA_PLATFORM says
// otherwise) connects to it, opens the command line window and types the
// command as the user would:
//
//   head -c BYTES /dev/zero | tr '\0' 'x' | fold -w 100
//
// While it streams, a 10 ms timer records the gaps between its ticks: the
// longest gap is the longest the window stopped answering. Printed: the
// time until the prompt came back, the local baseline, their ratio, the
// longest stall and the 99th percentile of the gaps, and what the window
// kept.
//
//   bench_gui_command_line [MEGABYTES]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/main_menu.h"
#include "editor/ui/command_line_window.h"
#include "project/project.h"
#include "project/project_file.h"
#include "shell/main_frame.h"

using namespace vandrel;
namespace fs = std::filesystem;

namespace {

constexpr double kStallTarget = 100.0;  // ms
pid_t agentPid = -1;

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "bench_gui_command_line: %s\n", what.c_str());
  if (agentPid > 0) ::kill(agentPid, SIGTERM);
  std::exit(1);
}

fs::path TandrillPath() {
  if (const char* path = std::getenv("VANDREL_TANDRILL")) return path;
#ifdef VANDREL_TANDRILL_PATH
  return VANDREL_TANDRILL_PATH;
#else
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error).parent_path().parent_path() / "tandrill";
#endif
}

int StartAgent(const fs::path& root) {
  const fs::path program = TandrillPath();
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) Die("pipe");
  agentPid = ::fork();
  if (agentPid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::execl(program.c_str(), program.c_str(), "--root", root.c_str(), "--port", "0", "--no-login",
            "--allow-commands", "--personality", "posix", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  std::string line;
  char c;
  while (true) {
    pollfd wait{out[0], POLLIN, 0};
    if (::poll(&wait, 1, 20000) != 1 || ::read(out[0], &c, 1) != 1 || c == '\n') break;
    line += c;
  }
  ::close(out[0]);
  const std::size_t colon = line.rfind(':');
  if (line.rfind("listening on ", 0) != 0 || colon == std::string::npos)
    Die("tandrill did not start (" + program.string() + " said \"" + line + "\")");
  return std::stoi(line.substr(colon + 1));
}

// The same pipeline run locally, its output read and thrown away.
double LocalSeconds(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) Die("popen");
  std::vector<char> buffer(1 << 16);
  while (std::fread(buffer.data(), 1, buffer.size(), pipe) > 0) {
  }
  ::pclose(pipe);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <typename Condition>
bool WaitFor(Condition&& done, int limitMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const long megabytes = argc > 1 ? std::max(1L, std::atol(argv[1])) : 50;
  QApplication application(argc, argv);

  std::string pattern = (fs::temp_directory_path() / "zvd-clbench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) Die("mkdtemp");
  const fs::path folder(pattern);
  fs::create_directories(folder / "root");
  const int port = StartAgent(folder / "root");
  {
    project::Project saved;
    saved.projectSettings().server = "127.0.0.1";
    saved.projectSettings().port = port;
    if (!project::SaveProjectFile(saved, folder / "bench.vdp")) Die("project file");
  }

  const std::string command =
      "head -c " + std::to_string(megabytes * 1000000) + " /dev/zero | tr '\\0' 'x' | fold -w 100";
  double seconds = 0;
  double longestMs = 0;
  double p99Ms = 0;
  std::size_t ticks = 0;
  std::size_t kept = 0;
  int keptLines = 0;
  {
    shell::MainFrame frame(nullptr);
    frame.show();
    if (!frame.OpenProject((folder / "bench.vdp").string())) Die("opening the project");
    if (!WaitFor([&] { return frame.connected() && !frame.busy(); }, 30000)) Die("connecting");
    ui::CommandLineWindow* window = frame.ShowCommandLine();

    std::vector<double> gaps;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      gaps.push_back(static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
      sinceTick.restart();
    });
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start();
    window->RunHostCommand(command);
    if (!WaitFor([&] { return !window->running(); }, 600000)) Die("the command did not end");
    ticker.stop();
    seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    ticks = gaps.size();
    if (!gaps.empty()) {
      longestMs = *std::max_element(gaps.begin(), gaps.end());
      std::sort(gaps.begin(), gaps.end());
      p99Ms = gaps[std::min(gaps.size() - 1, gaps.size() * 99 / 100)];
    }
    kept = window->Text().size();
    keptLines = window->view()->document()->blockCount();
  }
  ::kill(agentPid, SIGTERM);
  ::waitpid(agentPid, nullptr, 0);
  const double local = LocalSeconds(command);
  std::error_code error;
  fs::remove_all(folder, error);

  std::printf("command line window: %ld MB of output (%s)\n", megabytes, command.c_str());
  std::printf("  through the window   %8.2f s\n", seconds);
  std::printf("  locally into a pipe  %8.2f s   ratio %.1f\n", local,
              local > 0 ? seconds / local : 0);
  std::printf(
      "  event loop: %zu ticks of 10 ms, longest gap %.1f ms, 99th percentile %.1f ms "
      "(target < %.0f ms: %s)\n",
      ticks, longestMs, p99Ms, kStallTarget, longestMs < kStallTarget ? "met" : "missed");
  std::printf("  the window kept %zu characters in %d lines\n", kept, keptLines);
  return 0;
}
