// Compile and build: a file's compile command, or a folder's build command
// with its contents compiled before or after it, run on the host as queued
// run-command requests whose output streams into the output pane. When the
// last request of a build has finished, the error lines of the pane are
// counted and reported as the user's settings ask.
//
// A build is planned whole before anything is queued: every command is
// chosen and expanded first, then the requests are posted in order. The
// runner counts the requests of its builds that are still out, so the
// report comes exactly once, after the last of them – however quickly the
// host answers the first ones, and whatever other requests (a file being
// opened) are queued meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/user_interface.h"
#include "project/error_navigation.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "remote/request_block.h"

namespace vandrel {
struct AppSettings;
}
namespace vandrel::remote {
class RequestWorker;
}

namespace vandrel::project {

// The connection's request queue as compile, build and find in files use it.
class RequestQueue {
 public:
  virtual ~RequestQueue() = default;
  virtual void Post(const remote::RequestBlock& request) = 0;
  // A request is queued or being carried out.
  virtual bool AnyPending() const = 0;
  // A request is queued, the one being carried out not counted.
  virtual bool AnyQueued() const = 0;
};

// The queue of the session's request worker.
class WorkerQueue final : public RequestQueue {
 public:
  explicit WorkerQueue(remote::RequestWorker& worker) : worker_(worker) {}
  void Post(const remote::RequestBlock& request) override;
  bool AnyPending() const override;
  bool AnyQueued() const override;

 private:
  remote::RequestWorker& worker_;
};

// What a command that sends requests to the host asks of the application.
// The completion calls come from the request worker (or from the thread that
// cancelled the request): a GUI hands them on to its own thread.
class HostRequestFrame {
 public:
  virtual ~HostRequestFrame() = default;
  // The host connection's request queue; null when there is none.
  virtual RequestQueue* Queue() = 0;
  // The main frame's busy state (Stop enabled while busy).
  virtual void SetBusy(bool busy) = 0;
  // A request failed: the connection's request state is reset and the
  // failure reported (the connection's error report).
  virtual void RequestFailed(const remote::RequestBlock& request) = 0;
};

// What compile and build ask of the application besides the queue.
class BuildApplication : public HostRequestFrame {
 public:
  virtual bool Connected() = 0;
  // The operating-system code the agent reported (1: MPE/iX).
  virtual std::int32_t HostKind() = 0;
  // The main frame's Save All, before commands run on the saved files.
  virtual void SaveAllDocuments() = 0;
  // Goes to the first error of the output pane, opening its file even while
  // requests are still pending.
  virtual void SelectFirstError() = 0;
  // The exclamation beep of a build that found errors.
  virtual void ErrorBeep() = 0;
  // Every request of the builds started so far has finished and the report
  // is written; `errors` is the count when one was taken.
  virtual void BuildFinished(std::optional<std::size_t> /*errors*/) {}
};

// The settings compile and build follow (flags of the application settings).
struct BuildSettings {
  bool saveBeforeBuild = true;
  bool echoCommands = true;
  bool countErrors = true;
  bool selectFirstError = false;
  bool soundErrors = true;
};
BuildSettings BuildSettingsOf(const AppSettings& settings);

// A document's own compile setting, used when it is compiled without being
// an item of the project.
inline constexpr std::uint32_t kDocumentOwnCommand = 0x1;
struct DocumentCompile {
  std::uint32_t flags = 0;  // kDocumentOwnCommand: `command` is to be used
  std::string command;
};

// The texts the runner writes into the output pane.
inline constexpr std::string_view kEchoCommand = ">> Command '%s'";
inline constexpr std::string_view kEchoMpeCommand = ">> MPE/iX Command '%s'";
inline constexpr std::string_view kEchoPosixCommand = ">> Posix Command '%s'";
inline constexpr std::string_view kCommandCompleted = ">> Command completed";
inline constexpr std::string_view kReportRule = ">>";
inline constexpr std::string_view kErrorCountLine = ">> %ld error(s)";
inline constexpr std::string_view kSetDirectoryCommand = "=SET_CD %s";

// One run-command request of a build.
struct PlannedCommand {
  std::string commandLine;  // "=SET_CD ..." or the expanded command
  std::string precompile;   // printed into the pane before the command runs
  std::string echo;         // the echo line of the command; empty for "=SET_CD"
};

class BuildRunner {
 public:
  // The runner must outlive the requests it posts: stop the worker (or
  // cancel its queue) before destroying the runner.
  BuildRunner(const Project& project, OutputPanes& panes, const ErrorNavigator& errors,
              BuildApplication& application, UserInterface& ui);
  BuildRunner(const BuildRunner&) = delete;
  BuildRunner& operator=(const BuildRunner&) = delete;

  void SetSettings(const BuildSettings& settings);
  BuildSettings Settings() const;

  // Compiles `item` (a file with its compile command, a folder or the
  // project with its own build command), or, without an item, a document
  // with its own command.
  void Compile(const ProjectItem* item, const DocumentCompile& document = {});
  // Builds the folder or project that builds `item` (its BuildOwner);
  // nothing when there is none.
  void Build(const ProjectItem& item);
  // Builds `folder`: its own build command and, as its flags say, its
  // contents before or after it.
  void BuildFolder(const ProjectItem& folder);

  // The requests Compile and BuildFolder would queue, in order.
  std::vector<PlannedCommand> PlanCompile(const ProjectItem* item,
                                          const DocumentCompile& document = {}) const;
  std::vector<PlannedCommand> PlanBuildFolder(const ProjectItem& folder) const;

  // Requests of the runner's builds that have not finished yet.
  std::size_t Outstanding() const;

 private:
  void AddCompile(const ProjectItem* item, const DocumentCompile& document,
                  std::vector<PlannedCommand>& plan) const;
  void AddFolder(const ProjectItem& folder, std::vector<PlannedCommand>& plan) const;
  std::string EchoLine(const std::string& command) const;
  // Queues the plan: the steps every compile and build share.
  void Start(const std::vector<PlannedCommand>& plan);
  void Completed(remote::RequestBlock& request, RequestQueue* queue);
  bool WarnUnlessConnected();

  const Project& project_;
  OutputPanes& panes_;
  const ErrorNavigator& errors_;
  BuildApplication& application_;
  UserInterface& ui_;

  mutable std::mutex lock_;
  BuildSettings settings_;       // guarded by lock_
  std::size_t outstanding_ = 0;  // guarded by lock_
};

}  // namespace vandrel::project
