#include "project/startup_script_runner.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "core/message_box.h"
#include "core/string_ids.h"
#include "platform/file_lock.h"
#include "project/startup_script.h"

namespace vandrel::project {

namespace {

// A wait longer than this (over three years) is taken as this long; it keeps
// the conversion to clock ticks in range.
constexpr double kLongestWaitSeconds = 1e8;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool ReadWholeFile(int fd, std::string& content) {
  char buffer[8192];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

ScriptResult StartupScriptRunner::RunFile(const std::filesystem::path& path) {
  // Opened without sharing: a script another program holds locked is not run,
  // and none can take it while this one runs.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string content;
  if (file.get() < 0 || !platform::TryLockFile(file.get(), platform::LockKind::kExclusive) ||
      !ReadWholeFile(file.get(), content)) {
    return {ScriptOutcome::kNotOpened, 0};
  }
  std::istringstream script(std::move(content));
  return Run(script);
}

ScriptResult StartupScriptRunner::Run(std::istream& script) {
  std::string text;
  std::size_t lineNumber = 0;
  while (ReadScriptLine(script, text)) {
    ++lineNumber;
    const ScriptLine line = ParseScriptLine(text);
    if (line.kind == ScriptLineKind::kSkipped) continue;
    if (line.kind == ScriptLineKind::kError) {
      MessageBox(ui_, kMbOk | kMbIconError, kStrScriptError, text);
      return {ScriptOutcome::kAborted, lineNumber};
    }

    const ScriptCommand& command = line.command;
    switch (command.kind) {
      case ScriptCommandKind::kLoadProject:
        application_.OpenProject(command.argument);
        break;
      case ScriptCommandKind::kPrompt:
        ui_.ShowMessage(MessageCaption(), command.argument, kMbOk);
        break;
      case ScriptCommandKind::kWait:
        if (!WaitSeconds(command.waitSeconds)) return {ScriptOutcome::kQuit, lineNumber};
        break;
      case ScriptCommandKind::kLoadFile:
        if (!application_.OpenProjectItem(command.argument)) {
          application_.OpenFileByName(command.argument, command.templateName);
        }
        break;
      case ScriptCommandKind::kLoadAll:
        for (const std::string& file : application_.ProjectFiles()) {
          application_.OpenProjectItem(file);
          if (!WaitUntilIdle()) return {ScriptOutcome::kQuit, lineNumber};
        }
        break;
      case ScriptCommandKind::kSaveAll:
        for (const ScriptApplication::DocumentHandle document : application_.OpenDocuments()) {
          application_.SaveDocument(document);
          if (!WaitUntilIdle()) return {ScriptOutcome::kQuit, lineNumber};
        }
        break;
      case ScriptCommandKind::kCloseProject:
        application_.CloseProject();
        break;
    }
    if (!WaitUntilIdle()) return {ScriptOutcome::kQuit, lineNumber};
  }
  return {ScriptOutcome::kFinished, 0};
}

bool StartupScriptRunner::WaitUntilIdle() {
  for (;;) {
    if (application_.QuitRequested()) return false;
    if (application_.IsIdle()) return true;
    application_.ProcessEvents(kEventSlice);
  }
}

bool StartupScriptRunner::WaitSeconds(double seconds) {
  using Clock = ScriptApplication::Clock;
  const auto length = std::chrono::duration<double>(std::clamp(seconds, 0.0, kLongestWaitSeconds));
  const Clock::time_point deadline =
      application_.Now() + std::chrono::duration_cast<Clock::duration>(length);
  for (;;) {
    if (application_.QuitRequested()) return false;
    const Clock::time_point now = application_.Now();
    if (now >= deadline) return true;
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    application_.ProcessEvents(std::min(remaining, kEventSlice));
  }
}

}  // namespace vandrel::project
