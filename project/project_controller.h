// The File and Project menus' project flows: open, close, new, save and save
// as. They hold the application's one project object, ask and tell the user
// through the user-interface abstraction, and reach the main window (dialogs,
// commands, title, workspace, host connection) through ProjectFrame.
#pragma once

#include <optional>
#include <string>

#include "core/app_settings.h"
#include "core/progress.h"
#include "core/user_interface.h"
#include "project/project.h"
#include "remote/host_session.h"

namespace vandrel::project {

// Main-menu commands that follow the project's state.
enum ProjectFrameCommand : int {
  kCommandNewProject = 3005,
  kCommandSaveProject = 3013,
  kCommandOpenProject = 3014,
  kCommandCloseProject = 3027,
  kCommandSaveProjectAs = 3038,
  kCommandConnect = 3080,
  kCommandSettings = 3010,
};

inline constexpr std::string_view kProjectExtension = "vdp";

struct OpenProjectChoice {
  std::string path;
  bool exclusive = false;  // the "Open as exclusive" check box
};

// What the flows ask of the main window.
class ProjectFrame {
 public:
  virtual ~ProjectFrame() = default;
  // The open dialog with its "Open as exclusive" check box; nothing on Cancel.
  virtual std::optional<OpenProjectChoice> ChooseProjectToOpen(const std::string& title,
                                                               const std::string& filter,
                                                               const std::string& directory) = 0;
  // The save dialog; nothing on Cancel.
  virtual std::optional<std::string> ChooseProjectToSave(const std::string& title,
                                                         const std::string& filter,
                                                         const std::string& defaultExtension,
                                                         const std::string& directory) = 0;
  virtual void SetWaitCursor(bool wait) = 0;
  // Closes every document window; false when one stays open.
  virtual bool CloseAllDocuments() = 0;
  virtual bool RequestsPending() const = 0;
  virtual void Connect(const remote::ConnectParameters& parameters) = 0;
  virtual void Disconnect() = 0;
  // Brings the workspace window forward.
  virtual void ActivateWorkspace() = 0;
  virtual void EnableCommand(int command, bool enabled) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void AddRecentProject(const std::string& path) = 0;
  // The new project wizard; fills `project` and returns true on Finish.
  virtual bool RunNewProjectWizard(Project& project) = 0;
  // The settings dialog over `edited` (a copy of the project) with
  // `selected` chosen; true on OK.
  virtual bool EditSettings(Project& edited, ProjectItem& selected) = 0;
};

// The main window title of an open project: its file name without folder and
// extension, " (Exclusive)" in exclusive mode, " - " and the caption.
std::string ProjectWindowTitle(std::string_view path, bool exclusive, std::string_view caption);

class ProjectController {
 public:
  ProjectController(Project& project, ProjectFrame& frame, UserInterface& ui,
                    const AppSettings& settings, ProgressReporter* progress = nullptr);

  // Opens `path`, or the file chosen in the open dialog. False when nothing
  // was opened (the previous project may have been closed by then).
  bool Open(const std::optional<std::string>& path = std::nullopt);
  // Closes the open project, asking to save changes; false when the user
  // cancels or something stays open.
  bool Close();
  // Asks whether to save a modified project (Yes, No, Cancel) and saves on
  // Yes; false when the user cancelled or the save failed.
  bool QuerySaveChanges();
  bool New();
  bool Save();
  // Saves under `path`, or the name chosen in the save dialog; false when
  // cancelled or the file could not be written (the project stays modified).
  bool SaveAs(const std::optional<std::string>& path = std::nullopt);

  bool IsOpen() const { return open_; }
  // Where the next project dialog starts.
  const std::string& LastDirectory() const { return lastDirectory_; }

 private:
  void EnableProjectCommands(bool enabled, bool connect);
  void ShowTree();
  void ConvertOpenedProject(const std::string& path);
  bool EditProjectSettings();
  void ConnectToHost();
  bool SaveTo(const std::string& path);

  Project& project_;
  ProjectFrame& frame_;
  UserInterface& ui_;
  const AppSettings& settings_;
  ProgressReporter* progress_;
  bool open_ = false;
  std::string lastDirectory_;
};

}  // namespace vandrel::project
