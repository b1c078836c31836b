// Compile and build against a recording queue: which requests a compile or
// a folder build queues and in what order, what it writes into the output
// pane, and the report after the last request – whatever order and thread
// the completions come in.
#include "project/build_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "project/error_navigation.h"
#include "project/output_panes.h"
#include "project/project.h"
#include "project_fakes.h"
#include "remote/output_writer.h"
#include "support/scripted_user_interface.h"

namespace vandrel::project {
namespace {

using remote::kPaneOutput;
using remote::RequestBlock;
using testing::AddFile;
using testing::AddFolder;

// Keeps what is posted; the test completes the requests as the worker would.
class RecordingQueue : public RequestQueue {
 public:
  void Post(const RequestBlock& request) override {
    posted.push_back(request);
    if (completeAtOnce) Finish(posted.size() - 1);
  }
  bool AnyPending() const override { return next < posted.size() || busyOther; }
  bool AnyQueued() const override { return next < posted.size(); }

  // Completes the next request in queue order with `status`, after the
  // command has written `output` into the pane.
  void CompleteNext(OutputPanes* panes = nullptr, std::string_view output = {},
                    std::int32_t status = remote::kStatusSuccess) {
    ASSERT_LT(next, posted.size());
    if (panes && !output.empty()) panes->AppendRaw(posted[next].pane, output);
    posted[next].status = status;
    Finish(next);
  }
  void CompleteAll() {
    while (next < posted.size()) CompleteNext();
  }
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const RequestBlock& block : posted) commands.push_back(block.commandLine);
    return commands;
  }

  std::vector<RequestBlock> posted;
  std::size_t next = 0;
  bool completeAtOnce = false;
  bool busyOther = false;

 private:
  void Finish(std::size_t index) {
    next = index + 1;
    RequestBlock copy = posted[index];
    copy.completion(copy);
  }
};

class RecordingApplication : public BuildApplication {
 public:
  RequestQueue* Queue() override { return hasQueue ? &queue : nullptr; }
  void SetBusy(bool busy) override { events.push_back(busy ? "busy" : "idle"); }
  void RequestFailed(const RequestBlock& request) override {
    events.push_back("failed " + request.commandLine);
  }
  bool Connected() override { return connected; }
  std::int32_t HostKind() override { return hostKind; }
  void SaveAllDocuments() override {
    events.push_back("save all (" + std::to_string(queue.posted.size()) + " queued)");
  }
  void SelectFirstError() override { events.push_back("select first error"); }
  void ErrorBeep() override { events.push_back("beep"); }
  void BuildFinished(std::optional<std::size_t> errors) override {
    events.push_back("finished " + (errors ? std::to_string(*errors) : std::string("-")));
  }

  std::size_t Count(const std::string& event) const {
    return static_cast<std::size_t>(std::count(events.begin(), events.end(), event));
  }

  RecordingQueue queue;
  bool hasQueue = true;
  bool connected = true;
  std::int32_t hostKind = 0;
  std::vector<std::string> events;
};

class NoJumps : public ErrorJumpTarget {
 public:
  std::optional<std::string> FindItemPath(std::string_view) override { return std::nullopt; }
  bool OpenProjectItem(std::string_view, const JumpPlace&) override { return false; }
  void OpenFile(std::string_view, const JumpPlace&) override {}
  bool RequestsPending() override { return false; }
};

class BuildRunnerTest : public ::testing::Test {
 protected:
  BuildRunnerTest() : navigator_(panes_, jumps_), runner_(project_, panes_, navigator_, app_, ui_) {
    navigator_.SetMaskList({"$(FileName):$(Line): error: $(String)"});
    project_.SetName("demo");
    project_.SetLocation("/proj");
  }

  // A folder "src" at /proj/src/ compiling its files with cc; its files
  // a.c, x.c (excluded from builds) and b.c around a sub-folder "lib".
  void MakeTree(std::uint32_t srcFlags, std::uint32_t libFlags) {
    src_ = AddFolder(project_, "src", "src");
    src_->settings().compileFlags = kCompileOverride;
    src_->settings().compile = "cc -c $(FileName)";
    src_->settings().buildFlags = srcFlags;
    src_->settings().build = "ar rc src.a";
    a_ = AddFile(*src_, "a.c");
    x_ = AddFile(*src_, "x.c");
    x_->settings().compileFlags = kCompileExclude;
    lib_ = AddFolder(*src_, "lib", "lib");
    lib_->settings().buildFlags = libFlags;
    lib_->settings().build = "ar rc lib.a";
    AddFile(*lib_, "l.c");
    AddFile(*src_, "b.c");
  }

  std::vector<std::string> PaneLines() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < panes_.LineCount(kPaneOutput); ++i)
      lines.push_back(panes_.Line(kPaneOutput, i));
    return lines;
  }

  Project project_;
  OutputPanes panes_;
  NoJumps jumps_;
  ErrorNavigator navigator_;
  RecordingApplication app_;
  vandrel::testing::ScriptedUserInterface ui_;
  BuildRunner runner_;
  ProjectItem* src_ = nullptr;
  ProjectItem* a_ = nullptr;
  ProjectItem* x_ = nullptr;
  ProjectItem* lib_ = nullptr;
};

TEST_F(BuildRunnerTest, BuildAfterCompilingQueuesContentsDepthFirstThenTheFolder) {
  MakeTree(kBuildOverride | kBuildCompileContents | kBuildAfterCompile,
           kBuildOverride | kBuildCompileContents | kBuildAfterCompile);
  runner_.BuildFolder(*src_);
  EXPECT_EQ(app_.queue.Commands(),
            (std::vector<std::string>{"=SET_CD /proj/src/", "cc -c a.c",  // x.c is excluded
                                      "=SET_CD /proj/src/lib/", "cc -c l.c",
                                      "=SET_CD /proj/src/lib/", "ar rc lib.a", "=SET_CD /proj/src/",
                                      "cc -c b.c", "=SET_CD /proj/src/", "ar rc src.a"}));
  for (const RequestBlock& block : app_.queue.posted) {
    EXPECT_EQ(block.kind, remote::kRequestRunCommand);
    EXPECT_EQ(block.pane, kPaneOutput);
  }
}

TEST_F(BuildRunnerTest, CompileContentsAloneRunsTheFolderCommandFirst) {
  MakeTree(kBuildOverride | kBuildCompileContents, kBuildOverride | kBuildCompileContents);
  runner_.BuildFolder(*src_);
  EXPECT_EQ(app_.queue.Commands(),
            (std::vector<std::string>{"=SET_CD /proj/src/", "ar rc src.a", "=SET_CD /proj/src/",
                                      "cc -c a.c", "=SET_CD /proj/src/lib/", "ar rc lib.a",
                                      "=SET_CD /proj/src/lib/", "cc -c l.c", "=SET_CD /proj/src/",
                                      "cc -c b.c"}));
}

TEST_F(BuildRunnerTest, ExclusionsKeepItemsOutOfFolderBuildsOnly) {
  // Without "compile contents" only the folder's own command runs.
  MakeTree(kBuildOverride, kBuildOverride | kBuildCompileContents | kBuildExcludeFromParent);
  runner_.BuildFolder(*src_);
  EXPECT_EQ(app_.queue.Commands(), (std::vector<std::string>{"=SET_CD /proj/src/", "ar rc src.a"}));

  // A sub-folder that excludes itself from its parent's build is skipped.
  app_.queue.posted.clear();
  app_.queue.next = 0;
  src_->settings().buildFlags |= kBuildCompileContents | kBuildAfterCompile;
  runner_.BuildFolder(*src_);
  EXPECT_EQ(app_.queue.Commands(),
            (std::vector<std::string>{"=SET_CD /proj/src/", "cc -c a.c", "=SET_CD /proj/src/",
                                      "cc -c b.c", "=SET_CD /proj/src/", "ar rc src.a"}));

  // The excluded file still compiles on its own.
  app_.queue.posted.clear();
  app_.queue.next = 0;
  runner_.Compile(x_);
  EXPECT_EQ(app_.queue.Commands(), (std::vector<std::string>{"=SET_CD /proj/src/", "cc -c x.c"}));
}

TEST_F(BuildRunnerTest, BuildGoesToTheBuildOwnerAndFilesTakeTheirOwnerCommand) {
  MakeTree(kBuildOverride, 0);
  project_.settings().build = "make all";
  // l.c sits in "lib", which does not override the build: "src" builds it.
  runner_.Build(*lib_->Child(0));
  EXPECT_EQ(app_.queue.Commands(), (std::vector<std::string>{"=SET_CD /proj/src/", "ar rc src.a"}));

  // A file's own command wins over its folder's; macros are expanded.
  app_.queue.posted.clear();
  app_.queue.next = 0;
  a_->settings().compileFlags = kCompileOverride;
  a_->settings().compile = "lint $(FilePath) $(FileExt)";
  runner_.Compile(a_);
  EXPECT_EQ(app_.queue.Commands(),
            (std::vector<std::string>{"=SET_CD /proj/src/", "lint /proj/src/a.c c"}));

  // Nothing builds a folder whose override has no command.
  app_.queue.posted.clear();
  src_->settings().build.clear();
  runner_.Build(*a_);
  EXPECT_TRUE(app_.queue.posted.empty());
}

TEST_F(BuildRunnerTest, NothingToRunQueuesAndShowsNothing) {
  ProjectItem* loose = AddFile(project_, "loose.c");
  panes_.Print(kPaneOutput, "earlier output");
  runner_.Compile(loose);                   // no compile command anywhere up the tree
  runner_.Compile(nullptr, {0, "cc x.c"});  // the document's own command is not chosen
  runner_.Compile(nullptr, {kDocumentOwnCommand, ""});
  EXPECT_TRUE(app_.queue.posted.empty());
  EXPECT_TRUE(app_.events.empty());  // no save, no busy state
  EXPECT_EQ(PaneLines(), (std::vector<std::string>{"earlier output"}));
}

TEST_F(BuildRunnerTest, ADocumentOutsideTheProjectRunsItsOwnCommandAsTyped) {
  project_.settings().compileEcho = "precompiling";
  runner_.Compile(nullptr, {kDocumentOwnCommand, "cc $(FileName)"});
  ASSERT_EQ(app_.queue.posted.size(), 1u);  // no directory change
  EXPECT_EQ(app_.queue.posted[0].commandLine, "cc $(FileName)");
  EXPECT_EQ(app_.queue.posted[0].echoLine, "");  // no precompile text without an item
}

TEST_F(BuildRunnerTest, NotConnectedWarnsAndQueuesNothing) {
  MakeTree(kBuildOverride | kBuildCompileContents, 0);
  app_.connected = false;
  runner_.BuildFolder(*src_);
  runner_.Compile(a_);
  EXPECT_TRUE(app_.queue.posted.empty());
  ASSERT_EQ(ui_.shown().size(), 2u);
  EXPECT_EQ(ui_.shown()[0].text,
            "Please connect to the server before attempting to compile or build.");
  EXPECT_EQ(ui_.shown()[0].style, kMbOk | kMbIconWarning);
}

TEST_F(BuildRunnerTest, PrecompileTextComesFromTheChainOrTheProject) {
  MakeTree(kBuildOverride, 0);
  project_.settings().compileEcho = "project text for $(FileName)";
  runner_.Compile(a_);
  ASSERT_EQ(app_.queue.posted.size(), 2u);
  EXPECT_EQ(app_.queue.posted[0].echoLine, "");  // the directory change has none
  EXPECT_EQ(app_.queue.posted[1].echoLine, "project text for a.c");

  src_->settings().compileOutput = 1;
  src_->settings().compileEcho = "src text $(FileDir)";
  runner_.Compile(a_);
  ASSERT_EQ(app_.queue.posted.size(), 4u);
  EXPECT_EQ(app_.queue.posted[3].echoLine, "src text /proj/src");

  // A file whose directory is empty runs where the session is.
  project_.SetLocation("");
  ProjectItem* top = AddFile(project_, "top.c");
  top->settings().compileFlags = kCompileOverride;
  top->settings().compile = "cc top.c";
  runner_.Compile(top);
  ASSERT_EQ(app_.queue.posted.size(), 5u);
  EXPECT_EQ(app_.queue.posted[4].commandLine, "cc top.c");
}

TEST_F(BuildRunnerTest, EchoLinesAndCompletionLinesFollowTheSetting) {
  MakeTree(kBuildOverride | kBuildCompileContents | kBuildAfterCompile, kBuildOverride);
  BuildSettings settings;
  settings.countErrors = false;
  runner_.SetSettings(settings);
  runner_.BuildFolder(*src_);
  // Echo lines are printed as the commands are queued.
  EXPECT_EQ(PaneLines(),
            (std::vector<std::string>{">> Command 'cc -c a.c'", ">> Command 'ar rc lib.a'",
                                      ">> Command 'cc -c b.c'", ">> Command 'ar rc src.a'"}));
  app_.queue.CompleteNext(&panes_, "cd output\r\n");  // "=SET_CD" prints no completion
  app_.queue.CompleteNext(&panes_, "a.c compiled\r\n");
  EXPECT_EQ(PaneLines().back(), ">> Command completed");
  app_.queue.CompleteAll();
  const std::vector<std::string> lines = PaneLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ">> Command completed"), 4);

  // With echo off, neither the command nor its completion is printed.
  panes_.Empty(kPaneOutput);
  settings.echoCommands = false;
  runner_.SetSettings(settings);
  runner_.Compile(a_);
  app_.queue.CompleteAll();
  EXPECT_TRUE(PaneLines().empty());
}

TEST_F(BuildRunnerTest, EchoWordingFollowsTheHostAndShell) {
  MakeTree(kBuildOverride, 0);
  app_.hostKind = 1;
  runner_.Compile(a_);
  project_.projectSettings().posixShell = 1;
  runner_.Compile(a_);
  EXPECT_EQ(PaneLines(), (std::vector<std::string>{">> MPE/iX Command 'cc -c a.c'",
                                                   ">> Posix Command 'cc -c a.c'"}));
}

TEST_F(BuildRunnerTest, ReportComesOnceAfterTheLastRequest) {
  MakeTree(kBuildOverride | kBuildCompileContents | kBuildAfterCompile, kBuildOverride);
  BuildSettings settings;
  settings.echoCommands = false;
  settings.selectFirstError = true;
  runner_.SetSettings(settings);
  runner_.BuildFolder(*src_);
  ASSERT_EQ(app_.queue.posted.size(), 8u);
  EXPECT_EQ(app_.events.front(), "save all (0 queued)");
  EXPECT_EQ(app_.events.back(), "busy");

  app_.queue.CompleteNext(&panes_);
  app_.queue.CompleteNext(&panes_, "a.c:3: error: expected ';'\r\nnote: here\r\n");
  for (int i = 0; i < 5; ++i) app_.queue.CompleteNext(&panes_);
  EXPECT_EQ(app_.Count("idle"), 0u);
  std::vector<std::string> lines = PaneLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ">>"), 0);
  app_.queue.CompleteNext(&panes_, "b.c:7: error: bad\r\n");

  lines = PaneLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{">>", ">> 2 error(s)", ">>"}));
  EXPECT_EQ(std::vector<std::string>(app_.events.end() - 4, app_.events.end()),
            (std::vector<std::string>{"idle", "select first error", "beep", "finished 2"}));
  EXPECT_EQ(runner_.Outstanding(), 0u);
}

TEST_F(BuildRunnerTest, RequestsFinishingAsTheyArePostedStillReportOnce) {
  // A host quicker than the queueing: every request ends inside Post.
  MakeTree(kBuildOverride | kBuildCompileContents | kBuildAfterCompile, kBuildOverride);
  app_.queue.completeAtOnce = true;
  runner_.BuildFolder(*src_);
  EXPECT_EQ(app_.queue.posted.size(), 8u);
  EXPECT_EQ(app_.Count("finished 0"), 1u);
  EXPECT_EQ(app_.Count("idle"), 1u);
  EXPECT_EQ(app_.events.back(), "finished 0");
  const std::vector<std::string> lines = PaneLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ">> 0 error(s)"), 1);
  EXPECT_EQ(lines.back(), ">>");
}

TEST_F(BuildRunnerTest, NoErrorsNoBeepAndTheCountCanBeOff) {
  MakeTree(kBuildOverride, 0);
  runner_.Compile(a_);
  app_.queue.CompleteAll();
  EXPECT_EQ(app_.Count("beep"), 0u);
  EXPECT_EQ(app_.Count("select first error"), 0u);
  EXPECT_EQ(PaneLines().back(), ">>");

  // Sound alone still counts, silently.
  panes_.Empty(kPaneOutput);
  BuildSettings settings;
  settings.echoCommands = false;
  settings.countErrors = false;
  runner_.SetSettings(settings);
  runner_.Compile(a_);
  app_.queue.CompleteNext(&panes_);
  app_.queue.CompleteNext(&panes_, "a.c:1: error: x\r\n");
  EXPECT_EQ(PaneLines(), (std::vector<std::string>{"a.c:1: error: x"}));
  EXPECT_EQ(app_.Count("beep"), 1u);

  // Neither: no count is taken.
  settings.soundErrors = false;
  runner_.SetSettings(settings);
  runner_.Compile(a_);
  app_.queue.CompleteAll();
  EXPECT_EQ(app_.events.back(), "finished -");
}

TEST_F(BuildRunnerTest, FailedRequestsAreReportedAndTheBuildGoesOn) {
  MakeTree(kBuildOverride, 0);
  runner_.Compile(a_);
  app_.queue.CompleteNext(&panes_, {}, remote::kStatusAgentError);
  app_.queue.CompleteNext(&panes_, {}, remote::kStatusCancelled);
  EXPECT_EQ(app_.Count("failed =SET_CD /proj/src/"), 1u);
  EXPECT_EQ(app_.Count("failed cc -c a.c"), 1u);
  const std::vector<std::string> lines = PaneLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ">> Command completed"), 1);
  EXPECT_EQ(app_.events.back(), "finished 0");
}

TEST_F(BuildRunnerTest, OutputPaneIsEmptiedOnlyWhenNothingRuns) {
  MakeTree(kBuildOverride, 0);
  BuildSettings settings;
  settings.countErrors = false;
  runner_.SetSettings(settings);
  panes_.Print(kPaneOutput, "old");
  runner_.Compile(a_);
  EXPECT_EQ(PaneLines(), (std::vector<std::string>{">> Command 'cc -c a.c'"}));
  // A second compile while the first still runs keeps the pane.
  runner_.Compile(a_);
  EXPECT_EQ(PaneLines().size(), 2u);
  app_.queue.CompleteAll();

  // Another request of the host (not a build) also keeps it.
  app_.queue.busyOther = true;
  runner_.Compile(a_);
  EXPECT_EQ(PaneLines().front(), ">> Command 'cc -c a.c'");
  EXPECT_GT(PaneLines().size(), 2u);
}

TEST_F(BuildRunnerTest, SaveBeforeBuildAndNoQueue) {
  MakeTree(kBuildOverride | kBuildCompileContents, 0);
  BuildSettings settings;
  settings.saveBeforeBuild = false;
  runner_.SetSettings(settings);
  runner_.BuildFolder(*src_);
  EXPECT_EQ(app_.Count("save all (0 queued)"), 0u);
  app_.queue.CompleteAll();

  // Without a queue the documents are still saved, and nothing else happens.
  app_.queue.posted.clear();
  app_.events.clear();
  app_.hasQueue = false;
  runner_.SetSettings(BuildSettings{});
  runner_.BuildFolder(*src_);
  EXPECT_EQ(app_.events, (std::vector<std::string>{"save all (0 queued)"}));
  EXPECT_EQ(runner_.Outstanding(), 0u);
}

}  // namespace
}  // namespace vandrel::project
