#include "project/startup_script.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "core/user_interface.h"
#include "platform/file_lock.h"
#include "project/startup_script_runner.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::project {
namespace {

using namespace std::chrono_literals;

ScriptLine Parse(std::string_view line) { return ParseScriptLine(line); }

bool IsError(std::string_view line) { return Parse(line).kind == ScriptLineKind::kError; }

TEST(ParseScriptLineTest, SkipsEmptyAndCommentLines) {
  for (const char* line : {"", "; LoadProject /p", " LoadProject /p", " "}) {
    EXPECT_EQ(Parse(line).kind, ScriptLineKind::kSkipped) << line;
  }
  // Only ";" and a space mark a comment.
  EXPECT_TRUE(IsError("\tLoadAll"));
  EXPECT_TRUE(IsError("# LoadAll"));
}

TEST(ParseScriptLineTest, CommandsAreRecognisedByPrefixIgnoringCase) {
  const ScriptLine project = Parse("loadproject /home/me/Build.vpj");
  ASSERT_EQ(project.kind, ScriptLineKind::kCommand);
  EXPECT_EQ(project.command.kind, ScriptCommandKind::kLoadProject);
  EXPECT_EQ(project.command.argument, "/home/me/Build.vpj");

  EXPECT_EQ(Parse("PROMPT Hello").command.kind, ScriptCommandKind::kPrompt);
  EXPECT_EQ(Parse("wait 3").command.kind, ScriptCommandKind::kWait);
  EXPECT_EQ(Parse("LOADFILE a.c").command.kind, ScriptCommandKind::kLoadFile);
  EXPECT_EQ(Parse("loadall").command.kind, ScriptCommandKind::kLoadAll);
  EXPECT_EQ(Parse("SAVEALL").command.kind, ScriptCommandKind::kSaveAll);
  EXPECT_EQ(Parse("closeproject").command.kind, ScriptCommandKind::kCloseProject);
  EXPECT_TRUE(IsError("OpenProject /p"));
}

TEST(ParseScriptLineTest, GluedArgumentsOnlyForCommandsWithoutArguments) {
  EXPECT_TRUE(IsError("LoadProject/home/me/Build.vpj"));
  EXPECT_TRUE(IsError("LoadFilemain.c"));
  EXPECT_TRUE(IsError("PromptHello"));
  EXPECT_TRUE(IsError("Wait5"));
  EXPECT_EQ(Parse("LoadAllFiles").command.kind, ScriptCommandKind::kLoadAll);
  EXPECT_EQ(Parse("SaveAll now").command.kind, ScriptCommandKind::kSaveAll);
  EXPECT_EQ(Parse("CloseProjectPlease").command.kind, ScriptCommandKind::kCloseProject);
  EXPECT_TRUE(IsError("LoadAl"));
  EXPECT_TRUE(IsError("CloseProj"));
}

TEST(ParseScriptLineTest, Arguments) {
  EXPECT_EQ(Parse("LoadProject \"/home/me/My Project.vpj\" extra").command.argument,
            "/home/me/My Project.vpj");
  // A missing closing quote takes the rest of the line.
  EXPECT_EQ(Parse("LoadProject \"/a b/c d").command.argument, "/a b/c d");
  // Blanks and control characters before the argument are skipped.
  EXPECT_EQ(Parse("LoadFile  \t  main.c").command.argument, "main.c");
  // An unquoted text is one word.
  EXPECT_EQ(Parse("Prompt Log on now").command.argument, "Log");
  EXPECT_EQ(Parse("Prompt \"Log on now\"").command.argument, "Log on now");

  const ScriptCommand loadFile = Parse("LoadFile \"/src/my file.cob\" COBOL85").command;
  EXPECT_EQ(loadFile.argument, "/src/my file.cob");
  EXPECT_EQ(loadFile.templateName, "COBOL85");
  EXPECT_EQ(Parse("LoadFile main.c").command.templateName, "");
  EXPECT_EQ(Parse("LoadFile a.c \"Plain Text\"").command.templateName, "Plain Text");
}

TEST(ParseScriptLineTest, MissingArgumentsAreErrors) {
  for (const char* line : {"LoadProject ", "LoadProject    ", "LoadProject \"\"", "LoadProject \"",
                           "Prompt ", "LoadFile \"\" COBOL", "Wait ", "LoadProject"}) {
    EXPECT_TRUE(IsError(line)) << line;
  }
}

TEST(ParseScriptLineTest, WaitSeconds) {
  EXPECT_EQ(Parse("Wait 0").command.waitSeconds, 0);
  EXPECT_EQ(Parse("Wait 12").command.waitSeconds, 12);
  EXPECT_EQ(Parse("Wait 1.5").command.waitSeconds, 1.5);
  EXPECT_EQ(Parse("Wait 5s").command.waitSeconds, 5);
  for (const char* line : {"Wait x", "Wait -1", "Wait \"\"", "Wait inf", "Wait nan"}) {
    EXPECT_TRUE(IsError(line)) << line;
  }
}

TEST(ReadScriptLineTest, LineEndsAndLongLines) {
  const std::string longPath(5000, 'p');
  std::istringstream in("LoadAll\r\n\r\nLoadProject /" + longPath + "\nSaveAll");
  std::vector<std::string> lines;
  for (std::string line; ReadScriptLine(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "LoadAll");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(Parse(lines[2]).command.argument, "/" + longPath);
  EXPECT_EQ(lines[3], "SaveAll");
}

// Records what the script asks for. Every command keeps the application busy
// for `busyRounds` rounds of event handling; each round advances the clock by
// the time the runner allows it.
class RecordingApplication : public ScriptApplication {
 public:
  std::vector<std::string> calls;
  std::map<std::string, bool> projectItems;  // name or path -> known
  std::vector<std::string> projectFiles;
  std::vector<DocumentHandle> documents;
  int busyRounds = 1;
  int quitAfterRounds = -1;  // negative: never
  int rounds = 0;
  Clock::time_point now{};

  void OpenProject(const std::string& path) override { Call("OpenProject " + path); }
  void CloseProject() override { Call("CloseProject"); }
  bool OpenProjectItem(const std::string& nameOrPath) override {
    if (!projectItems.contains(nameOrPath)) return false;
    Call("OpenItem " + nameOrPath);
    return true;
  }
  void OpenFileByName(const std::string& name, const std::string& templateName) override {
    Call("OpenFile " + name + " [" + templateName + "]");
  }
  std::vector<std::string> ProjectFiles() override { return projectFiles; }
  std::vector<DocumentHandle> OpenDocuments() override { return documents; }
  void SaveDocument(DocumentHandle document) override { Call("Save " + std::to_string(document)); }
  bool IsIdle() override { return busy_ == 0; }
  bool QuitRequested() override { return quitAfterRounds >= 0 && rounds >= quitAfterRounds; }
  void ProcessEvents(std::chrono::milliseconds limit) override {
    ++rounds;
    if (busy_ > 0) {
      --busy_;
      if (busy_ == 0) calls.push_back("idle");
    }
    now += limit;
  }
  Clock::time_point Now() override { return now; }

 private:
  void Call(std::string call) {
    calls.push_back(std::move(call));
    busy_ = busyRounds;
  }
  int busy_ = 0;
};

class StartupScriptRunnerTest : public ::testing::Test {
 protected:
  ScriptResult Run(const std::string& script) {
    std::istringstream in(script);
    return StartupScriptRunner(app_, ui_).Run(in);
  }

  RecordingApplication app_;
  testing::ScriptedUserInterface ui_;
};

TEST_F(StartupScriptRunnerTest, RunsEachCommandToCompletionBeforeTheNext) {
  app_.projectItems = {{"main.c", true}, {"/src/a.c", true}, {"/src/b.c", true}};
  app_.projectFiles = {"/src/a.c", "/src/b.c"};
  app_.documents = {7, 9};
  const ScriptResult result =
      Run("; prepare the morning\n"
          "loadproject \"/home/me/My Build.vpj\"\n"
          "LoadFile main.c\n"
          "LoadFile /tmp/notes.txt \"Plain Text\"\n"
          "LoadAll\n"
          "SaveAll\n"
          "CloseProject\n");
  EXPECT_EQ(result.outcome, ScriptOutcome::kFinished);
  EXPECT_EQ(app_.calls,
            (std::vector<std::string>{"OpenProject /home/me/My Build.vpj", "idle",  //
                                      "OpenItem main.c", "idle",                    //
                                      "OpenFile /tmp/notes.txt [Plain Text]", "idle",
                                      "OpenItem /src/a.c", "idle",  // LoadAll waits after each file
                                      "OpenItem /src/b.c", "idle",  //
                                      "Save 7", "idle",             // SaveAll too
                                      "Save 9", "idle",             //
                                      "CloseProject", "idle"}));
  EXPECT_TRUE(ui_.shown().empty());
}

TEST_F(StartupScriptRunnerTest, UnrecognisedLineEndsTheScriptWithTheScriptError) {
  const ScriptResult result = Run("LoadProject /p.vpj\nLoadProject\nCloseProject\n");
  EXPECT_EQ(result.outcome, ScriptOutcome::kAborted);
  EXPECT_EQ(result.lineNumber, 2u);
  EXPECT_EQ(app_.calls, (std::vector<std::string>{"OpenProject /p.vpj", "idle"}));
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].caption, MessageCaption());
  EXPECT_EQ(ui_.shown()[0].text,
            "Script Error\nThe following command was not recognised:\n\n'LoadProject'\n\n"
            "Script processing has been abortred.");
  EXPECT_EQ(ui_.shown()[0].style, kMbOk | kMbIconError);
}

TEST_F(StartupScriptRunnerTest, ScriptErrorShowsTheLineVerbatim) {
  Run("Waitfor 50%s of a minute %d\r\n");
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_NE(ui_.shown()[0].text.find("\n'Waitfor 50%s of a minute %d'\n"), std::string::npos);
}

TEST_F(StartupScriptRunnerTest, PromptShowsTheTextWithOk) {
  Run("Prompt \"Log on to the host, then press OK\"\n");
  ASSERT_EQ(ui_.shown().size(), 1u);
  EXPECT_EQ(ui_.shown()[0].caption, MessageCaption());
  EXPECT_EQ(ui_.shown()[0].text, "Log on to the host, then press OK");
  EXPECT_EQ(ui_.shown()[0].style, kMbOk);
}

TEST_F(StartupScriptRunnerTest, WaitKeepsHandlingEventsUntilTheTimeHasPassed) {
  EXPECT_EQ(Run("Wait 0\n").outcome, ScriptOutcome::kFinished);
  EXPECT_EQ(app_.rounds, 0);

  const auto start = app_.now;
  Run("Wait 1.5\n");
  EXPECT_EQ(app_.now - start, 1500ms);
  EXPECT_EQ(app_.rounds, 30);  // in slices of 50 ms
}

TEST_F(StartupScriptRunnerTest, QuitDuringAWaitEndsTheScriptSilently) {
  app_.quitAfterRounds = 3;
  const ScriptResult result = Run("Wait 60\nLoadProject /p.vpj\n");
  EXPECT_EQ(result.outcome, ScriptOutcome::kQuit);
  EXPECT_TRUE(app_.calls.empty());
  EXPECT_TRUE(ui_.shown().empty());
}

TEST_F(StartupScriptRunnerTest, QuitWhileWaitingForIdleEndsTheScript) {
  app_.busyRounds = 100;
  app_.quitAfterRounds = 5;
  app_.projectItems = {{"/a.c", true}, {"/b.c", true}};
  app_.projectFiles = {"/a.c", "/b.c"};
  const ScriptResult result = Run("LoadAll\nCloseProject\n");
  EXPECT_EQ(result.outcome, ScriptOutcome::kQuit);
  EXPECT_EQ(app_.calls, (std::vector<std::string>{"OpenItem /a.c"}));
}

TEST_F(StartupScriptRunnerTest, RunFile) {
  vandrel::testing::TempDir dir;
  const auto path = dir / "start.vsc";
  std::ofstream(path, std::ios::binary) << "LoadProject /p.vpj\r\n; done\r\nCloseProject";
  EXPECT_EQ(StartupScriptRunner(app_, ui_).RunFile(path).outcome, ScriptOutcome::kFinished);
  EXPECT_EQ(app_.calls,
            (std::vector<std::string>{"OpenProject /p.vpj", "idle", "CloseProject", "idle"}));

  // A missing file, an empty path and a file another program holds without
  // sharing are not run.
  app_.calls.clear();
  StartupScriptRunner runner(app_, ui_);
  EXPECT_EQ(runner.RunFile(dir / "missing.vsc").outcome, ScriptOutcome::kNotOpened);
  EXPECT_EQ(runner.RunFile("").outcome, ScriptOutcome::kNotOpened);
  EXPECT_EQ(runner.RunFile(dir.path()).outcome, ScriptOutcome::kNotOpened);
  const int holder = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_TRUE(platform::TryLockFile(holder, platform::LockKind::kExclusive));
  EXPECT_EQ(runner.RunFile(path).outcome, ScriptOutcome::kNotOpened);
  ::close(holder);
  EXPECT_TRUE(app_.calls.empty());
  EXPECT_TRUE(ui_.shown().empty());
}

}  // namespace
}  // namespace vandrel::project
