#include "project/project_controller.h"

#include <filesystem>

#include "core/message_box.h"
#include "core/store_file.h"
#include "core/string_ids.h"
#include "core/string_table.h"
#include "project/project_file.h"
#include "project/project_operations.h"
#include "project/project_session.h"
#include "project/project_tree.h"

namespace vandrel::project {

namespace fs = std::filesystem;

namespace {

std::string Text(int id) { return std::string(StringTableText(id)); }

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

// The file exists and nobody holds it: a project open elsewhere in exclusive
// mode cannot be opened again.
bool CanOpenFile(const std::string& path) {
  return StoreFile::Open(path, true, StoreCreation::kOpenExisting).IsValid();
}

}  // namespace

std::string ProjectWindowTitle(std::string_view path, bool exclusive, std::string_view caption) {
  std::string title = ProjectFileTitle(path, true);
  if (exclusive) title += StringTableText(kStrExclusiveSuffix);
  title += " - ";
  title += caption;
  return title;
}

ProjectController::ProjectController(Project& project, ProjectFrame& frame, UserInterface& ui,
                                     const AppSettings& settings, ProgressReporter* progress)
    : project_(project),
      frame_(frame),
      ui_(ui),
      settings_(settings),
      progress_(progress),
      lastDirectory_(settings.ProjectsFolder) {}

void ProjectController::EnableProjectCommands(bool enabled, bool connect) {
  frame_.EnableCommand(kCommandSaveProjectAs, enabled);
  frame_.EnableCommand(kCommandSaveProject, enabled);
  frame_.EnableCommand(kCommandCloseProject, enabled);
  frame_.EnableCommand(kCommandSettings, enabled);
  if (connect) frame_.EnableCommand(kCommandConnect, enabled);
}

void ProjectController::ShowTree() {
  frame_.ActivateWorkspace();
  if (ProjectTreeView* view = project_.TreeView())
    ShowInTree(project_, *view, kNoTreeNode, kAllLevels, true);
}

bool ProjectController::EditProjectSettings() {
  std::unique_ptr<Project> edited = project_.Clone();
  if (!frame_.EditSettings(*edited, *edited)) return false;
  ApplyProjectSettings(project_, *edited);
  return true;
}

void ProjectController::ConnectToHost() {
  frame_.Connect(ConnectParametersOf(project_, settings_.ShowConnectionDlg != 0));
}

bool ProjectController::Open(const std::optional<std::string>& path) {
  std::string file;
  bool exclusive = false;
  if (path) {
    file = *path;
  } else {
    auto choice = frame_.ChooseProjectToOpen(Text(kStrOpenProjectTitle),
                                             Text(kStrFilterProjectFiles), lastDirectory_);
    if (!choice) return false;
    file = choice->path;
    exclusive = choice->exclusive;
    lastDirectory_ = FolderOf(file);
  }

  if (!CanOpenFile(file)) {
    MessageBox(ui_, kMbOk | kMbIconWarning, kStrOpenFileFailed, file);
    return false;
  }
  const std::uint32_t version = ReadFileVersion(file);
  if (version == 0) {
    MessageBox(ui_, kMbOk | kMbIconWarning, kStrNotAProjectFile, file);
    return false;
  }
  if (!Close()) return false;

  bool convert = false;
  if (version < kFirstStoreVersion) {
    const std::string backup = ConversionBackupName(file).string();
    const int answer =
        MessageBox(ui_, kMbYesNoCancel | kMbIconQuestion, kStrConvertOldProject, file, backup);
    if (answer == kIdCancel) return false;
    convert = answer == kIdYes;
  }

  if (progress_) {
    progress_->ShowStatus(FormatText(Text(kStrLoadingProject), ProjectFileTitle(file, false)));
    progress_->SetProgress(0);
  }
  frame_.SetWaitCursor(true);
  LoadOptions options;
  options.specialOptions = settings_.SpecialOptions;
  options.progress = progress_;
  const bool loaded = LoadProjectFile(project_, file, exclusive, options);
  frame_.SetWaitCursor(false);
  if (progress_) progress_->ClearProgress();
  if (!loaded) {
    project_.Close();  // nothing half-read stays behind
    MessageBox(ui_, kMbOk | kMbIconWarning, kStrOpenFileFailed, file);
    return false;
  }
  project_.SetPath(file);
  if (convert) ConvertOpenedProject(file);

  open_ = true;
  ShowTree();
  EnableProjectCommands(true, true);
  frame_.AddRecentProject(file);
  frame_.SetTitle(ProjectWindowTitle(file, exclusive, MessageCaption()));

  if (!project_.ServerAddress().empty()) {
    ConnectToHost();
  } else if (MessageBox(ui_, kMbYesNo | kMbIconQuestion, kStrProjectHasNoServerAddress) == kIdYes) {
    // Without an address there is nowhere to connect, confirmed or not.
    if (EditProjectSettings() && !project_.ServerAddress().empty()) ConnectToHost();
  }
  return true;
}

void ProjectController::ConvertOpenedProject(const std::string& path) {
  const fs::path backup = ConversionBackupName(path);
  std::error_code ec;
  const bool copied = fs::copy_file(path, backup, fs::copy_options::none, ec);
  // The older file is replaced only when a copy of it is kept: as the
  // conversion backup, or as the save's own backup.
  if (!copied && !settings_.BackupProjectFiles) return;
  if (!SaveTo(path) && copied && !fs::exists(path, ec)) fs::copy_file(backup, path, ec);
}

bool ProjectController::QuerySaveChanges() {
  if (!open_ || !project_.Modified()) return true;
  const std::string name =
      project_.Path().empty() ? Text(kStrUntitled) : ProjectFileTitle(project_.Path(), false);
  const int answer =
      MessageBox(ui_, kMbYesNoCancel | kMbIconQuestion, kStrSaveProjectChanges, name);
  if (answer == kIdCancel) return false;
  return answer != kIdYes || Save();
}

bool ProjectController::Close() {
  if (!open_) return true;
  if (!QuerySaveChanges()) return false;
  if (!frame_.CloseAllDocuments()) return false;
  if (frame_.RequestsPending()) {
    MessageBox(ui_, kMbOk | kMbIconWarning, kStrCloseWhileRequestsPending);
    return false;
  }
  if (ProjectTreeView* view = project_.TreeView()) RemoveFromTree(project_, *view);
  project_.Close();
  frame_.Disconnect();
  open_ = false;
  EnableProjectCommands(false, true);
  frame_.SetTitle(MessageCaption());
  return true;
}

bool ProjectController::New() {
  if (!Close()) return false;
  if (!frame_.RunNewProjectWizard(project_)) return false;
  open_ = true;
  ShowTree();
  EnableProjectCommands(true, false);
  frame_.SetTitle(FormatText("%s - %s", Text(kStrUntitled), MessageCaption()));
  return true;
}

bool ProjectController::Save() {
  if (project_.Path().empty()) return SaveAs(std::nullopt);
  return SaveAs(project_.Path());
}

bool ProjectController::SaveTo(const std::string& path) {
  if (progress_) {
    progress_->ShowStatus(FormatText(Text(kStrSavingProject), ProjectFileTitle(path, false)));
    progress_->SetProgress(0);
  }
  frame_.SetWaitCursor(true);
  SaveOptions options;
  options.backup = settings_.BackupProjectFiles != 0;
  options.ui = &ui_;
  options.progress = progress_;
  const bool saved = SaveProjectFile(project_, path, options);
  frame_.SetWaitCursor(false);
  if (progress_) progress_->ClearProgress();
  if (!saved) {
    MessageBox(ui_, kMbOk | kMbIconWarning, kStrLocalWriteFailed, path);
    return false;
  }
  project_.SetModified(false);
  frame_.AddRecentProject(path);
  return true;
}

bool ProjectController::SaveAs(const std::optional<std::string>& path) {
  if (!open_) return false;
  std::string file;
  const bool chosen = !path || path->empty();
  if (chosen) {
    auto name =
        frame_.ChooseProjectToSave(Text(kStrSaveProjectAsTitle), Text(kStrFilterProjectFiles),
                                   std::string(kProjectExtension), lastDirectory_);
    if (!name) return false;
    file = *name;
    lastDirectory_ = FolderOf(file);
  } else {
    file = *path;
  }
  // The project takes the new name only once it has been saved under it.
  const std::string previous = project_.Path();
  project_.SetPath(file);
  if (!SaveTo(file)) {
    project_.SetPath(previous);
    return false;
  }
  if (chosen) frame_.SetTitle(ProjectWindowTitle(file, project_.Exclusive(), MessageCaption()));
  if (previous != file) RefreshInTree(project_, 0);  // the label shows the file name
  return true;
}

}  // namespace vandrel::project
