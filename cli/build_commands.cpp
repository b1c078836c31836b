#include "cli/build_commands.h"

#include <fmt/format.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/host_connection.h"
#include "core/app_settings.h"
#include "core/settings_store.h"
#include "platform/install_paths.h"
#include "project/build_runner.h"
#include "project/error_mask.h"
#include "project/error_navigation.h"
#include "project/find_in_files_request.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "project/project_file.h"
#include "project/project_session.h"
#include "remote/error_report.h"
#include "remote/output_writer.h"
#include "templates/catalogue_folders.h"
#include "templates/template_catalogue.h"

namespace vandrel::cli {

namespace {

using project::BuildRunner;
using project::OutputPanes;
using project::Project;
using project::ProjectItem;
using remote::RequestBlock;

std::unique_ptr<Project> LoadProject(CliContext& context, const std::string& path,
                                     const AppSettings& settings) {
  auto loaded = std::make_unique<Project>();
  project::LoadOptions options;
  options.specialOptions = settings.SpecialOptions;
  if (!project::LoadProjectFile(*loaded, path, false, options)) {
    Fail(context, path + ": cannot be opened as a project file");
    return nullptr;
  }
  loaded->SetPath(path);
  return loaded;
}

// The templates whose names a mask list may give; without them such entries
// simply match nothing.
std::unique_ptr<TemplateCatalogue> LoadCatalogue(const AppSettings& settings) {
  auto catalogue = std::make_unique<TemplateCatalogue>();
  if (!catalogue->LoadCatalogue(CatalogueFoldersOf(settings), nullptr)) {
    std::fprintf(stderr, "vandrel-cli: warning: the templates could not be loaded\n");
    return nullptr;
  }
  return catalogue;
}

// Streams one pane to standard output as text arrives, with "\r\n" line
// ends written as "\n".
class PaneStream final : public project::OutputPanesObserver {
 public:
  explicit PaneStream(int pane) : pane_(pane) {}
  void TextAppended(int pane, std::string_view bytes) override {
    if (pane != pane_) return;
    std::string out;
    out.reserve(bytes.size() + 1);
    for (char c : bytes) {
      if (pendingCr_ && c != '\n') out += '\r';
      pendingCr_ = c == '\r';
      if (!pendingCr_) out += c;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
  }

 private:
  int pane_;
  bool pendingCr_ = false;
};

// The worker's queue, telling when every request posted through it has
// finished.
class WaitableQueue final : public project::RequestQueue {
 public:
  explicit WaitableQueue(remote::RequestWorker& worker) : worker_(worker) {}
  void Post(const RequestBlock& request) override {
    RequestBlock wrapped = request;
    {
      std::lock_guard guard(lock_);
      ++posted_;
    }
    wrapped.completion = [this, inner = request.completion](RequestBlock& done) {
      if (inner) inner(done);
      std::lock_guard guard(lock_);
      ++finished_;
      changed_.notify_all();
    };
    worker_.Post(wrapped);
  }
  bool AnyPending() const override { return worker_.AnyPending(); }
  bool AnyQueued() const override { return worker_.AnyQueued(); }

  std::size_t posted() {
    std::lock_guard guard(lock_);
    return posted_;
  }
  void WaitAllFinished() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return finished_ == posted_; });
  }

 private:
  remote::RequestWorker& worker_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::size_t posted_ = 0;
  std::size_t finished_ = 0;
};

// Bare file names of compiler messages are looked up among the project's
// items; nothing is opened on the command line.
class ProjectTarget final : public project::ErrorJumpTarget {
 public:
  ProjectTarget(Project& project, remote::HostSession& session)
      : project_(project), session_(session) {}
  std::optional<std::string> FindItemPath(std::string_view name) override {
    ProjectItem* item = project_.FindItem(name, session_.hostKind());
    if (item == nullptr) return std::nullopt;
    return item->FullPath();
  }
  bool OpenProjectItem(std::string_view, const project::JumpPlace&) override { return false; }
  void OpenFile(std::string_view, const project::JumpPlace&) override {}
  bool RequestsPending() override { return false; }

 private:
  Project& project_;
  remote::HostSession& session_;
};

class CliBuildApplication final : public project::BuildApplication {
 public:
  CliBuildApplication(HostConnection& connection, WaitableQueue& queue)
      : connection_(connection), queue_(queue) {}

  project::RequestQueue* Queue() override { return &queue_; }
  void SetBusy(bool) override {}
  void RequestFailed(const RequestBlock& request) override {
    remote::ReportRequestFailure(request, __FILE__, __LINE__, connection_.user());
    if (remote::DescribeRequestFailure(request, __FILE__, __LINE__).kind !=
        remote::ErrorReportKind::kNothing) {
      failed_ = true;
    }
  }
  bool Connected() override { return connection_.session().connected(); }
  std::int32_t HostKind() override { return connection_.session().hostKind(); }
  // The command line has no open documents to save.
  void SaveAllDocuments() override {}
  // Errors are listed after the build instead.
  void SelectFirstError() override {}
  void ErrorBeep() override {}

  bool failed() const { return failed_; }

 private:
  HostConnection& connection_;
  WaitableQueue& queue_;
  std::atomic<bool> failed_{false};
};

struct BuildOptions {
  std::string projectPath;
  std::string itemPath;
  bool itemGiven = false;
  bool compile = false;
};

// The error lines of the output pane: "FILE(LINE): text", a bare file name
// given as the full path of the project item of that name.
void ListErrors(const OutputPanes& panes, const std::vector<std::string>& masks,
                project::ErrorJumpTarget& target) {
  panes.ReadLines(remote::kPaneOutput, [&](const project::LineSource& lines) {
    project::ErrorScanner scanner(lines, masks);
    for (std::size_t i = 0; i < lines.LineCount(); ++i) {
      const std::optional<project::MaskMatch> match = scanner.MatchLine(i);
      if (!match) continue;
      std::string file = match->fileName;
      if (!file.empty() && file.find('/') == std::string::npos) {
        if (auto path = target.FindItemPath(file)) file = *path;
      }
      std::printf("%s(%lld): %.*s\n", file.c_str(), static_cast<long long>(match->line),
                  static_cast<int>(lines.Line(i).size()), lines.Line(i).data());
    }
    return 0;
  });
}

void RunBuild(CliContext& context, const BuildOptions& options) {
  const std::optional<AppSettings> settings = LoadSettings(context);
  if (!settings) return;
  std::unique_ptr<Project> loaded = LoadProject(context, options.projectPath, *settings);
  if (!loaded) return;
  const ProjectItem* item = loaded.get();
  if (options.itemGiven) {
    item = loaded->ItemAtIndexPath(options.itemPath);
    if (item == nullptr) {
      Fail(context, fmt::format("no item at index path '{}'", options.itemPath));
      return;
    }
  }
  std::unique_ptr<TemplateCatalogue> catalogue = LoadCatalogue(*settings);

  OutputPanes panes;
  PaneStream stream(remote::kPaneOutput);
  panes.SetObserver(&stream);
  HostConnection connection(&panes);
  if (!connection.Connect(project::ConnectParametersOf(*loaded, false))) {
    context.exitCode = 1;
    return;
  }
  ProjectTarget target(*loaded, connection.session());
  project::ErrorNavigator navigator(panes, target);
  navigator.SetCatalogue(catalogue.get());
  navigator.SetMaskList(loaded->projectSettings().outputMasks);

  WaitableQueue queue(connection.worker());
  CliBuildApplication application(connection, queue);
  BuildRunner runner(*loaded, panes, navigator, application, connection.user());
  runner.SetSettings(project::BuildSettingsOf(*settings));
  if (options.compile) {
    runner.Compile(item);
  } else {
    runner.Build(*item);
  }
  if (queue.posted() == 0) {
    std::fprintf(stderr, "vandrel-cli: nothing to %s for this item\n",
                 options.compile ? "compile" : "build");
    return;
  }
  queue.WaitAllFinished();
  panes.SetObserver(nullptr);

  const std::size_t errors = navigator.CountErrors();
  std::printf("%zu error(s)\n", errors);
  ListErrors(panes, project::ResolveMasks(navigator.maskList(), catalogue.get()), target);
  if (errors != 0 || application.failed()) context.exitCode = 1;
}

struct FindOptions {
  std::string projectPath;
  project::FindInFilesValues values;
  bool noSubdirectories = false;
};

void RunFind(CliContext& context, FindOptions options) {
  const std::optional<AppSettings> settings = LoadSettings(context);
  if (!settings) return;
  std::unique_ptr<Project> loaded = LoadProject(context, options.projectPath, *settings);
  if (!loaded) return;

  OutputPanes panes;
  PaneStream stream(remote::kPaneFindInFiles);
  panes.SetObserver(&stream);
  HostConnection connection(&panes);
  if (!connection.Connect(project::ConnectParametersOf(*loaded, false))) {
    context.exitCode = 1;
    return;
  }
  project::FindInFilesValues& values = options.values;
  values.subdirectories = !options.noSubdirectories;
  // The dialog proposes the session's current directory.
  if (values.directory.empty() && !values.projectFilesOnly) {
    RequestBlock ask;
    ask.kind = remote::kRequestGetDirectory;
    RequestBlock done = connection.Carry(ask);
    if (done.status != remote::kStatusSuccess) {
      remote::ReportRequestFailure(done, __FILE__, __LINE__, connection.user());
      context.exitCode = 1;
      return;
    }
    values.directory = done.hostPath;
  }

  WaitableQueue queue(connection.worker());
  struct Frame final : project::HostRequestFrame {
    Frame(WaitableQueue& queue, UserInterface& user) : queue(queue), user(user) {}
    project::RequestQueue* Queue() override { return &queue; }
    void SetBusy(bool) override {}
    void RequestFailed(const RequestBlock& request) override {
      remote::ReportRequestFailure(request, __FILE__, __LINE__, user);
      failed = true;
    }
    WaitableQueue& queue;
    UserInterface& user;
    std::atomic<bool> failed{false};
  } frame(queue, connection.user());

  std::string error;
  if (!project::StartFindInFiles(values, loaded.get(), {}, panes, frame, &error)) {
    Fail(context, error);
    return;
  }
  queue.WaitAllFinished();
  panes.SetObserver(nullptr);
  if (frame.failed) context.exitCode = 1;
}

}  // namespace

void AddBuildCommands(CLI::App& app, CliContext& context) {
  auto build = std::make_shared<BuildOptions>();
  auto* buildCommand = app.add_subcommand(
      "build",
      "compile or build a project item on its host as the editor does, streaming the "
      "output and counting the errors (exit status 1 when there are any)");
  buildCommand->add_option("PROJECT", build->projectPath, "the project file (.vdp)")->required();
  buildCommand
      ->add_option("--item", build->itemPath,
                   "the item's index path, e.g. \"0 2\" (default: the project)")
      ->each([build](const std::string&) { build->itemGiven = true; });
  buildCommand->add_flag("--compile", build->compile,
                         "compile the item instead of building what builds it");
  buildCommand->callback([&context, build] { RunBuild(context, *build); });

  auto find = std::make_shared<FindOptions>();
  find->values.fileTypes = "*";
  auto* findCommand =
      app.add_subcommand("findinfiles", "search the project's host files as Find in Files does");
  findCommand->add_option("PROJECT", find->projectPath, "the project file (.vdp)")->required();
  findCommand->add_option("TEXT", find->values.text, "the text to find")->required();
  findCommand->add_option("--dir", find->values.directory,
                          "the host directory (default: the session's current directory)");
  findCommand->add_option("--types", find->values.fileTypes, "file types, e.g. \"*.c;*.h\"")
      ->capture_default_str();
  findCommand->add_flag("--project-files", find->values.projectFilesOnly,
                        "search the project's files only");
  findCommand->add_flag("--case", find->values.matchCase, "match case");
  findCommand->add_flag("--words", find->values.wholeWord, "match whole words only");
  findCommand->add_flag("--no-subdirs", find->noSubdirectories, "do not search sub-directories");
  findCommand->add_flag("--progress", find->values.showProgress, "ask the host for progress");
  findCommand->callback([&context, find] { RunFind(context, *find); });
}

}  // namespace vandrel::cli
