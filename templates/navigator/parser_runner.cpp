#include "templates/navigator/parser_runner.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "core/message_box.h"
#include "core/progress.h"
#include "core/string_ids.h"
#include "platform/install_paths.h"
#include "templates/navigator/symbol_stream.h"
#include "templates/template_catalogue.h"

extern char** environ;

namespace vandrel {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;
constexpr int kHighestCategory = kVdxSection;

using Clock = std::chrono::steady_clock;

// Any non-zero value: it only shows that a record belongs to this run, so an
// extension that makes records up without passing it back is not believed.
std::uint32_t NewUserValue() {
  std::random_device random;
  const std::uint32_t value = random();
  return value == 0 ? 1 : value;
}

// A descriptor that stays clear of standard input, output and error, so that
// the child's redirections cannot overwrite it.
int AboveStandardFds(int fd) {
  if (fd > STDERR_FILENO) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  ::close(fd);
  return moved;
}

// The parser host as a child process: its pid and the read end of its
// standard output. Destroyed while the child may still run, it kills the
// child and reaps it.
class HostProcess {
 public:
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;
  ~HostProcess() {
    if (fd_ >= 0) ::close(fd_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }

  // No shell; standard input from /dev/null, standard error to /dev/null
  // unless `keepErrors`; every other descriptor closed.
  static std::unique_ptr<HostProcess> Start(const std::filesystem::path& program,
                                            const std::vector<std::string>& args, bool keepErrors) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return nullptr;
    const int readEnd = AboveStandardFds(ends[0]);
    const int writeEnd = AboveStandardFds(ends[1]);
    if (readEnd < 0 || writeEnd < 0) {
      if (readEnd >= 0) ::close(readEnd);
      if (writeEnd >= 0) ::close(writeEnd);
      return nullptr;
    }

    std::vector<char*> argv;
    const std::string programText = program.string();
    argv.push_back(const_cast<char*>(programText.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    if (!keepErrors) {
      ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The child starts with every signal at its default and none blocked,
    // whatever the editor has set for itself.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &all);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int error =
        ::posix_spawn(&pid, programText.c_str(), &actions, &attributes, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    ::close(writeEnd);
    if (error != 0) {
      ::close(readEnd);
      return nullptr;
    }
    return std::unique_ptr<HostProcess>(new HostProcess(pid, readEnd));
  }

  int fd() const { return fd_; }

  // Reads what is there, waiting until `deadline`: the bytes read, 0 at the
  // end of the output, -1 on an error or when the deadline passed.
  ssize_t Read(char* buffer, std::size_t size, Clock::time_point deadline) {
    while (true) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return -1;
      pollfd ready{fd_, POLLIN, 0};
      const int polled = ::poll(&ready, 1, static_cast<int>(std::min<long long>(left, 1'000)));
      if (polled < 0 && errno != EINTR) return -1;
      if (polled <= 0) continue;
      const ssize_t n = ::read(fd_, buffer, size);
      if (n < 0 && errno == EINTR) continue;
      return n;
    }
  }

  // Waits for the child to end until `deadline`: true when it exited with
  // status kHostParsed. Past the deadline it is killed.
  bool Finished(Clock::time_point deadline) {
    int status = 0;
    while (true) {
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) break;
      if (done < 0 && errno != EINTR) return false;
      if (Clock::now() >= deadline) return false;  // the destructor kills it
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = 0;
    return WIFEXITED(status) && WEXITSTATUS(status) == kHostParsed;
  }

 private:
  HostProcess(pid_t pid, int fd) : pid_(pid), fd_(fd) {}

  pid_t pid_ = 0;
  int fd_ = -1;
};

// What one run gathers before it is known to have succeeded.
class RunCollector {
 public:
  RunCollector(const ParseObserver& observer, const ParserRunOptions& options)
      : observer_(observer), symbolLimit_(options.symbolLimit), textLimit_(options.textLimit) {}

  void Take(StreamMessage& message) {
    switch (message.kind) {
      case StreamMessage::Kind::kLabel:
        labels_[static_cast<std::size_t>(message.slot)] = std::move(message.label);
        break;
      case StreamMessage::Kind::kSymbol:
        TakeSymbol(message.symbol);
        break;
      case StreamMessage::Kind::kProgress: {
        const int percent = std::clamp(message.percent, 0, 100);
        if (percent != lastPercent_ && observer_.progress != nullptr) {
          observer_.progress->SetProgress(percent);
        }
        lastPercent_ = percent;
        break;
      }
      case StreamMessage::Kind::kEnd:
        break;
    }
  }

  NavigatorItem& tree() { return tree_; }
  std::array<std::string, 6>& labels() { return labels_; }

 private:
  void TakeSymbol(NavigatorItem& symbol) {
    // Categories the tree has no place for are dropped: nothing would show
    // them, yet they would be searched.
    if (symbol.category < kVdxDiagnostic || symbol.category > kHighestCategory) return;
    if (full_) return;
    std::size_t bytes =
        symbol.name.size() + symbol.alternativeName.size() + symbol.displayText.size();
    for (const std::string& parameter : symbol.parameters) bytes += parameter.size();
    if (taken_ == symbolLimit_ || bytes > textLimit_ - textBytes_) {
      full_ = true;
      if (observer_.diagnostic) {
        observer_.diagnostic(fmt::format("symbols after the first {} were left out", taken_));
      }
      return;
    }
    ++taken_;
    textBytes_ += bytes;
    if (symbol.category == kVdxDiagnostic) {
      if (observer_.diagnostic) {
        const std::string_view text =
            symbol.parameters.empty() ? std::string_view() : std::string_view(symbol.parameters[0]);
        observer_.diagnostic(fmt::format("({:08d}) {}", symbol.line, text));
      }
      return;
    }
    // Line 0 and less take the editor nowhere; -1 would read as "not found".
    symbol.line = std::max(symbol.line, 0);
    tree_.AddSymbol(std::move(symbol));
  }

  const ParseObserver& observer_;
  std::size_t symbolLimit_;
  std::size_t textLimit_;
  std::size_t taken_ = 0;
  std::size_t textBytes_ = 0;
  bool full_ = false;
  int lastPercent_ = -1;
  NavigatorItem tree_;
  std::array<std::string, 6> labels_;
};

// Reads the host's stream to its end mark, handing every message to
// `collector`. False when the stream breaks off, is malformed or the
// deadline passes first.
bool ReadStream(HostProcess& host, Clock::time_point deadline, RunCollector& collector) {
  SymbolStreamDecoder decoder;
  StreamMessage message;
  std::vector<char> buffer(kReadBytes);
  while (true) {
    const ssize_t n = host.Read(buffer.data(), buffer.size(), deadline);
    if (n <= 0) return false;
    decoder.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    StreamStatus status;
    while ((status = decoder.Next(message)) == StreamStatus::kMessage) {
      if (message.kind == StreamMessage::Kind::kEnd) return true;
      collector.Take(message);
    }
    if (status == StreamStatus::kMalformed) return false;
  }
}

// The first extension named by the template's "SyntaxParser", or null.
const ParserExtension* ExtensionOfTemplate(const TemplateCatalogue& catalogue,
                                           std::string_view templateName) {
  const Template* item = catalogue.FindTemplate(templateName);
  if (item == nullptr || item->settings.SyntaxParser.empty()) return nullptr;
  return catalogue.FindExtension(item->settings.SyntaxParser);
}

}  // namespace

bool RunParser(const ParserExtension& extension, const std::string& path, NavigatorItem& root,
               const ParseObserver& observer, const ParserRunOptions& options) {
  const std::filesystem::path host =
      options.host.empty() ? platform::ParserHostExecutable() : options.host;
  if (host.empty() || extension.fullPath.empty()) return false;

  ProgressReporter* progress = observer.progress;
  if (progress != nullptr) {
    progress->ShowStatus(LoadText(kStrParsingFile));
    progress->SetProgress(0);
  }
  std::vector<std::string> args;
  if (extension.labelsFetched) args.emplace_back("--no-labels");
  args.push_back(extension.fullPath);
  args.push_back(path);
  args.push_back(std::to_string(NewUserValue()));

  const Clock::time_point deadline = Clock::now() + options.timeLimit;
  RunCollector collector(observer, options);
  bool parsed = false;
  if (std::unique_ptr<HostProcess> child =
          HostProcess::Start(host, args, static_cast<bool>(observer.diagnostic))) {
    parsed = ReadStream(*child, deadline, collector) && child->Finished(deadline);
  }
  if (progress != nullptr) progress->ClearProgress();
  if (!parsed) return false;

  if (!extension.labelsFetched) {
    extension.labels = std::move(collector.labels());
    extension.labelsFetched = true;
  }
  root.children = std::move(collector.tree().children);
  return true;
}

bool RunParser(const TemplateCatalogue& catalogue, std::string_view templateName,
               const std::string& path, NavigatorItem& root, const ParseObserver& observer,
               const ParserRunOptions& options) {
  const ParserExtension* extension = ExtensionOfTemplate(catalogue, templateName);
  return extension != nullptr && RunParser(*extension, path, root, observer, options);
}

std::unique_ptr<Navigator> ParseWithExtension(const ParserExtension& extension,
                                              const std::string& path,
                                              const ParseObserver& observer,
                                              const ParserRunOptions& options) {
  auto navigator = std::make_unique<Navigator>();
  if (!RunParser(extension, path, navigator->root(), observer, options)) return nullptr;
  navigator->SetLabels(extension.labels);
  navigator->root().Sort(true);
  return navigator;
}

std::unique_ptr<Navigator> ParseDocument(const TemplateCatalogue& catalogue,
                                         std::string_view templateName, const std::string& path,
                                         const ParseObserver& observer) {
  const ParserExtension* extension = ExtensionOfTemplate(catalogue, templateName);
  if (extension == nullptr) return nullptr;
  return ParseWithExtension(*extension, path, observer);
}

}  // namespace vandrel
