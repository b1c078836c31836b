#include "project/build_runner.h"

#include <fmt/printf.h>

#include "core/app_settings.h"
#include "core/message_box.h"
#include "core/string_ids.h"
#include "remote/connect_thread.h"
#include "remote/output_writer.h"
#include "remote/request_worker.h"

namespace vandrel::project {

using remote::kPaneOutput;

void WorkerQueue::Post(const remote::RequestBlock& request) { worker_.Post(request); }
bool WorkerQueue::AnyPending() const { return worker_.AnyPending(); }
bool WorkerQueue::AnyQueued() const { return worker_.AnyQueued(); }

BuildSettings BuildSettingsOf(const AppSettings& settings) {
  BuildSettings build;
  build.saveBeforeBuild = settings.SaveBeforeBuild != 0;
  build.echoCommands = settings.EchoCommands != 0;
  build.countErrors = settings.CountErrors != 0;
  build.selectFirstError = settings.Select1stError != 0;
  build.soundErrors = settings.SoundErrors != 0;
  return build;
}

BuildRunner::BuildRunner(const Project& project, OutputPanes& panes, const ErrorNavigator& errors,
                         BuildApplication& application, UserInterface& ui)
    : project_(project), panes_(panes), errors_(errors), application_(application), ui_(ui) {}

void BuildRunner::SetSettings(const BuildSettings& settings) {
  std::lock_guard guard(lock_);
  settings_ = settings;
}

BuildSettings BuildRunner::Settings() const {
  std::lock_guard guard(lock_);
  return settings_;
}

std::size_t BuildRunner::Outstanding() const {
  std::lock_guard guard(lock_);
  return outstanding_;
}

// ---- Planning ---------------------------------------------------------------

std::string BuildRunner::EchoLine(const std::string& command) const {
  if (application_.HostKind() != remote::kHostKindMpe) return fmt::sprintf(kEchoCommand, command);
  const bool posix = project_.projectSettings().posixShell != 0;
  return fmt::sprintf(posix ? kEchoPosixCommand : kEchoMpeCommand, command);
}

void BuildRunner::AddCompile(const ProjectItem* item, const DocumentCompile& document,
                             std::vector<PlannedCommand>& plan) const {
  std::string command;
  if (item == nullptr) {
    if (!(document.flags & kDocumentOwnCommand)) return;
    command = document.command;
  } else if (item->IsFolder()) {
    command = item->settings().build;
  } else if (item->settings().compileFlags & kCompileOverride) {
    command = item->settings().compile;
  } else {
    const ProjectItem* owner = item->CompileOwner();
    if (owner == nullptr) return;
    command = owner->settings().compile;
  }
  if (command.empty()) return;
  if (item != nullptr) command = item->ExpandMacros(command);

  if (item != nullptr) {
    const std::string directory = item->FolderPath();
    if (!directory.empty()) plan.push_back({fmt::sprintf(kSetDirectoryCommand, directory), {}, {}});
  }
  PlannedCommand run;
  if (item != nullptr) {
    // The chain ends at the project, whose text is the default; a detached
    // subtree falls back on the open project's.
    const std::string precompile =
        item->EffectivePrecompileOutput().value_or(project_.settings().compileEcho);
    run.precompile = item->ExpandMacros(precompile);
  }
  run.echo = EchoLine(command);
  run.commandLine = std::move(command);
  plan.push_back(std::move(run));
}

void BuildRunner::AddFolder(const ProjectItem& folder, std::vector<PlannedCommand>& plan) const {
  const std::uint32_t flags = folder.settings().buildFlags;
  const bool compileContents = (flags & kBuildCompileContents) != 0;
  const bool contentsFirst = compileContents && (flags & kBuildAfterCompile) != 0;
  auto addContents = [&] {
    for (const auto& child : folder.Children()) {
      if (child->settings().compileFlags & kCompileExclude) continue;
      // A sub-folder's own "exclude from parental build" keeps it out too.
      if (child->IsFolder() && (child->settings().buildFlags & kBuildExcludeFromParent)) continue;
      if (child->IsFolder()) {
        AddFolder(*child, plan);
      } else {
        AddCompile(child.get(), {}, plan);
      }
    }
  };
  if (contentsFirst) addContents();
  AddCompile(&folder, {}, plan);
  if (compileContents && !contentsFirst) addContents();
}

std::vector<PlannedCommand> BuildRunner::PlanCompile(const ProjectItem* item,
                                                     const DocumentCompile& document) const {
  std::vector<PlannedCommand> plan;
  AddCompile(item, document, plan);
  return plan;
}

std::vector<PlannedCommand> BuildRunner::PlanBuildFolder(const ProjectItem& folder) const {
  std::vector<PlannedCommand> plan;
  AddFolder(folder, plan);
  return plan;
}

// ---- Running ----------------------------------------------------------------

bool BuildRunner::WarnUnlessConnected() {
  if (application_.Connected()) return true;
  MessageBox(ui_, kMbOk | kMbIconWarning, kStrConnectBeforeBuild);
  return false;
}

void BuildRunner::Compile(const ProjectItem* item, const DocumentCompile& document) {
  if (!WarnUnlessConnected()) return;
  Start(PlanCompile(item, document));
}

void BuildRunner::Build(const ProjectItem& item) {
  if (const ProjectItem* owner = item.BuildOwner()) BuildFolder(*owner);
}

void BuildRunner::BuildFolder(const ProjectItem& folder) {
  if (!WarnUnlessConnected()) return;
  Start(PlanBuildFolder(folder));
}

void BuildRunner::Start(const std::vector<PlannedCommand>& plan) {
  // An empty command, or a file without a compile command anywhere up its
  // tree, does nothing and shows nothing.
  if (plan.empty()) return;
  const BuildSettings settings = Settings();
  RequestQueue* queue = application_.Queue();
  // Whether output of an earlier command is still coming is judged before
  // Save All, whose own requests may queue up ahead of the build.
  const bool idle = queue != nullptr && !queue->AnyPending() && Outstanding() == 0;
  if (settings.saveBeforeBuild) application_.SaveAllDocuments();
  queue = application_.Queue();
  if (queue == nullptr) return;

  if (idle) panes_.Empty(kPaneOutput);
  panes_.ShowPane(kPaneOutput);
  if (settings.echoCommands) {
    for (const PlannedCommand& command : plan) {
      if (!command.echo.empty()) panes_.Print(kPaneOutput, command.echo);
    }
  }

  // Every request of the plan is counted before the first is posted: a
  // request that finishes at once must not take itself for the last.
  {
    std::lock_guard guard(lock_);
    outstanding_ += plan.size();
  }
  application_.SetBusy(true);
  for (const PlannedCommand& command : plan) {
    remote::RequestBlock request;
    request.kind = remote::kRequestRunCommand;
    request.pane = kPaneOutput;
    request.commandLine = command.commandLine;
    request.echoLine = command.precompile;
    request.completion = [this, queue](remote::RequestBlock& done) { Completed(done, queue); };
    queue->Post(request);
  }
}

void BuildRunner::Completed(remote::RequestBlock& request, RequestQueue* queue) {
  if (request.status != remote::kStatusSuccess) application_.RequestFailed(request);
  const BuildSettings settings = Settings();
  if (settings.echoCommands && !request.commandLine.starts_with('=')) {
    panes_.Print(kPaneOutput, kCommandCompleted);
  }
  bool last;
  {
    std::lock_guard guard(lock_);
    if (outstanding_ > 0) --outstanding_;
    last = outstanding_ == 0;
  }
  if (!last) return;
  if (!queue->AnyQueued()) application_.SetBusy(false);

  std::optional<std::size_t> errors;
  if (settings.countErrors || settings.soundErrors) errors = errors_.CountErrors();
  if (settings.countErrors) {
    panes_.Print(kPaneOutput, kReportRule);
    panes_.Print(kPaneOutput, fmt::sprintf(kErrorCountLine, static_cast<long>(*errors)));
    panes_.Print(kPaneOutput, kReportRule);
  }
  if (settings.selectFirstError) application_.SelectFirstError();
  if (settings.soundErrors && *errors != 0) application_.ErrorBeep();
  application_.BuildFinished(errors);
}

}  // namespace vandrel::project
