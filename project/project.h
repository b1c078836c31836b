// The project: the root item of the tree, with the connection and session
// settings of its host and the output masks of its builds. The application
// keeps exactly one; having no project open is a state of that object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/store_file.h"
#include "project/project_item.h"

namespace vandrel::project {

class ProjectTreeView;

inline constexpr std::size_t kServerSize = 260;
inline constexpr std::size_t kUserSize = 260;
inline constexpr std::size_t kPasswordSize = 260;
inline constexpr std::size_t kAutoexecSize = 260;
// The environment text keeps at most 4,095 bytes (a 4,096-byte destination).
inline constexpr std::size_t kEnvironmentSize = 4096;
inline constexpr std::size_t kOutputMaskSize = 260;

inline constexpr std::int32_t kDefaultPort = 11000;
// Logon UDC level bits.
inline constexpr std::int32_t kUdcUser = 1;
inline constexpr std::int32_t kUdcAccount = 2;
inline constexpr std::int32_t kUdcSystem = 4;

// The project file format number this release writes.
inline constexpr std::uint32_t kProjectFileVersion = 10220;

// The editor windows of the project's files, told when an item's template
// changes.
class ProjectEditors {
 public:
  virtual ~ProjectEditors() = default;
  virtual void TemplateChanged(ProjectItem& owner, const std::string& templateName) = 0;
};

// The settings only the project has: what CopyProjectFrom copies.
struct ProjectSettings {
  std::string server;  // host name or address of the agent
  std::int32_t port = kDefaultPort;
  std::string user;
  std::string password;
  std::int32_t hpfsSupport = 0;
  std::int32_t posixShell = 0;
  std::int32_t fileLocking = 0;  // cleared on loading unless SpecialOptions bit 0 is set
  std::int32_t udcLogon = kUdcSystem | kUdcAccount | kUdcUser;
  std::int32_t udcEnabled = 0;
  std::string autoexecCommand;
  std::string environment;  // "<variable>=<value>" lines
  std::vector<std::string> outputMasks;

  bool operator==(const ProjectSettings&) const = default;
};

class Project : public ProjectItem {
 public:
  Project();
  ~Project() override;

  // Restores the defaults of the item and project settings and clears the
  // modified mark (the file handle, exclusive flag and path stay; see Close).
  void Reset() override;
  bool IsProject() const override { return true; }
  bool IsFolder() const override { return true; }

  ProjectSettings& projectSettings() { return project_; }
  const ProjectSettings& projectSettings() const { return project_; }

  // The connection values: the project's Location is its root directory.
  const std::string& ServerAddress() const { return project_.server; }
  std::int32_t Port() const { return project_.port; }
  const std::string& User() const { return project_.user; }
  const std::string& Password() const { return project_.password; }
  const std::string& RootDirectory() const { return settings_.location; }

  // The file format number read from the project file (written as 10220).
  std::uint32_t Version() const { return version_; }
  void SetVersion(std::uint32_t version) { version_ = version; }
  // Items below the project as last saved or loaded, for progress display.
  std::int32_t ProjectSize() const { return projectSize_; }
  void SetProjectSize(std::int32_t size) { projectSize_ = size; }

  bool Modified() const { return modified_; }
  // Stores the flag and, when it changed, refreshes the project's tree node.
  void SetModified(bool modified);

  // Exclusive mode: the project file stays open and locked while the project
  // is open. The handle is the open project file in that mode.
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool exclusive) { exclusive_ = exclusive; }
  StoreFile& FileHandle() { return file_; }
  void CloseFileHandle() { file_.Close(); }

  // The project file's path; empty for an untitled project.
  const std::string& Path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }

  // Back to the no-project state: the file handle closed, every item
  // deleted, the defaults restored, the path forgotten.
  void Close();
  // Copies the project settings and the item settings of `other`.
  void CopyProjectFrom(const Project& other);
  // A copy of the whole project (settings, path and tree; no tree nodes, no
  // file handle), as the settings dialog edits it.
  std::unique_ptr<Project> Clone() const;

  // What the application attaches: the workspace tree that shows the project
  // and the editors told about template changes. Either may be null.
  void AttachTreeView(ProjectTreeView* view) { treeView_ = view; }
  ProjectTreeView* TreeView() const { return treeView_; }
  void AttachEditors(ProjectEditors* editors) { editors_ = editors; }
  ProjectEditors* Editors() const { return editors_; }

 private:
  ProjectSettings project_;
  std::uint32_t version_ = 0;
  std::int32_t projectSize_ = 0;
  bool modified_ = false;
  bool exclusive_ = false;
  StoreFile file_;
  std::string path_;
  ProjectTreeView* treeView_ = nullptr;
  ProjectEditors* editors_ = nullptr;
};

// The file name of `path` without its folder and, when `withoutExtension`,
// without the text from its last ".".
std::string ProjectFileTitle(std::string_view path, bool withoutExtension);

}  // namespace vandrel::project
