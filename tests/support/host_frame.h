// A main frame against a real host agent on a tree of the test's own, and
// the numbered COBOL II records such a host keeps.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings_store.h"
#include "editor/ui/editor_window.h"
#include "project/project.h"
#include "project/project_file.h"
#include "shell/main_frame.h"
#include "support/agent_process.h"
#include "support/event_wait.h"
#include "support/scripted_user_interface.h"
#include "support/temp_dir.h"

namespace vandrel::testing {

// A record of the numbered source as the host keeps it: six digits of
// sequence number, the text, blanks to 80 columns.
inline std::string Record(const std::string& number, const std::string& text) {
  std::string record = number + text;
  record.resize(80, ' ');
  return record;
}

inline std::string Lines(const std::vector<std::string>& records) {
  std::string text;
  for (const std::string& record : records) text += record + "\n";
  return text;
}

// The attributes the agent keeps beside a numbered COBOL II source: code
// 1052, fixed 80-byte ASCII records.
inline constexpr const char* kCobolAttributes =
    "FCODE=1052\nRECLEN=80\nBFACT=16\nTYPE=0\nMODE=1\nLIMIT=1023\nCCTL=0\nM#L=0\n"
    "QLANG=0\nQRECLEN=0\nQLNL=0\nQLNJ=0\nLW=\nACD=\n";

// A numbered COBOL II source of five records, as the host editing tests
// keep it under /DEMO/SOURCE/PAYROLL.
inline const std::vector<std::string> kPayrollSource = {
    Record("000100", " IDENTIFICATION DIVISION."),
    Record("000200", " PROGRAM-ID. PAYROLL."),
    Record("000300", " PROCEDURE DIVISION."),
    Record("000400", "     DISPLAY \"HELLO\"."),
    Record("000500", "     STOP RUN."),
};

// The records of a host file's text, one a line.
inline std::vector<std::string> RecordsOf(const std::string& text) {
  std::vector<std::string> records;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) records.push_back(line);
  return records;
}

// Whether someone holds a lock on the file at `path`.
inline bool LockedOnHost(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return locked;
}

// A frame and a host agent of a personality, on a tree of the test's own.
class HostFrameTest : public ::testing::Test {
 protected:
  // Starts the agent on dir_/root and writes a project `project` that
  // connects to it (with file locking on when `locking`).
  void StartAgent(const char* personality, const char* project, bool locking) {
    agent_.reset();
    agent_ = std::make_unique<AgentProcess>(
        std::vector<std::string>{"--root", (dir_ / "root").string(), "--port", "0", "--bind",
                                 "127.0.0.1", "--no-login", "--personality", personality});
    port_ = agent_->ReadPort();
    ASSERT_NE(port_, 0);
    project::Project saved;
    saved.projectSettings().server = "127.0.0.1";
    saved.projectSettings().port = port_;
    saved.projectSettings().fileLocking = locking ? 1 : 0;
    ASSERT_TRUE(project::SaveProjectFile(saved, dir_ / project));
  }

  // A shown frame answering through ui_.
  shell::MainFrame& NewFrame() {
    frame_ = std::make_unique<shell::MainFrame>(&store_);
    frame_->SetUserInterface(&ui_);
    frame_->show();
    return *frame_;
  }

  // Opens `project`, waits for its session, then opens `hostPath`.
  ui::EditorWindow* OpenInProject(shell::MainFrame& frame, const char* project,
                                  const std::string& hostPath) {
    if (!frame.OpenProject((dir_ / project).string())) return nullptr;
    if (!WaitFor([&] { return frame.connected() && !frame.busy(); })) return nullptr;
    if (!frame.OpenHostFile(hostPath)) return nullptr;
    if (!WaitFor([&] { return frame.EditorWindows().size() == 1 && !frame.busy(); }))
      return nullptr;
    return frame.EditorWindows().front();
  }

  TempDir dir_;
  std::unique_ptr<AgentProcess> agent_;
  int port_ = 0;
  SettingsStore store_{dir_ / "settings.reg"};
  ScriptedUserInterface ui_;
  std::unique_ptr<shell::MainFrame> frame_;  // goes first
};

}  // namespace vandrel::testing
