// Runs a start-up script against the application: each command runs to
// completion, host transfers included, before the next line is read.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <vector>

#include "core/user_interface.h"

namespace vandrel::project {

// What a script can ask of the application. The desktop frame implements it;
// tests record the calls.
class ScriptApplication {
 public:
  using Clock = std::chrono::steady_clock;
  using DocumentHandle = std::uint64_t;

  virtual ~ScriptApplication() = default;

  virtual void OpenProject(const std::string& path) = 0;
  virtual void CloseProject() = 0;
  // Opens the item of the open project whose name or full path is
  // `nameOrPath` (with no line); false when there is no such item.
  virtual bool OpenProjectItem(const std::string& nameOrPath) = 0;
  // Opens a file that is not in the project, by name; `templateName` is the
  // template to use, empty to detect it.
  virtual void OpenFileByName(const std::string& name, const std::string& templateName) = 0;
  // The full paths of the project's files in tree order.
  virtual std::vector<std::string> ProjectFiles() = 0;
  // The open document windows, and saving one of them.
  virtual std::vector<DocumentHandle> OpenDocuments() = 0;
  virtual void SaveDocument(DocumentHandle document) = 0;

  // True when nothing is queued or running on the host connection and the
  // frame is not otherwise busy.
  virtual bool IsIdle() = 0;
  // True once the user has asked the application to quit.
  virtual bool QuitRequested() = 0;
  // Handles pending user-interface events, waiting at most `limit` for one.
  virtual void ProcessEvents(std::chrono::milliseconds limit) = 0;
  virtual Clock::time_point Now() { return Clock::now(); }
};

enum class ScriptOutcome {
  kNotOpened,  // the script file could not be opened: nothing was done
  kFinished,   // every line ran
  kAborted,    // a line was not understood; the "Script Error" message was shown
  kQuit,       // the application was asked to quit during a wait
};

struct ScriptResult {
  ScriptOutcome outcome = ScriptOutcome::kFinished;
  std::size_t lineNumber = 0;  // kAborted: the line, counted from 1
};

class StartupScriptRunner {
 public:
  StartupScriptRunner(ScriptApplication& application, UserInterface& ui)
      : application_(application), ui_(ui) {}

  // Runs the script file at `path`, holding it open and locked against other
  // no-sharing opens while it runs.
  ScriptResult RunFile(const std::filesystem::path& path);
  ScriptResult Run(std::istream& script);

  // How long one round of event handling may block while waiting.
  static constexpr std::chrono::milliseconds kEventSlice{50};

 private:
  // Waits until the application is idle; false when it was asked to quit.
  bool WaitUntilIdle();
  // Waits `seconds` while handling events; false when asked to quit.
  bool WaitSeconds(double seconds);

  ScriptApplication& application_;
  UserInterface& ui_;
};

}  // namespace vandrel::project
