#include "project/new_project_wizard_model.h"

#include <algorithm>
#include <utility>

#include "core/find_history.h"
#include "core/string_ids.h"
#include "core/string_table.h"

namespace vandrel::project {

namespace {

// The default folders, in the order they are made.
constexpr int kDefaultFolders[] = {kStrDefaultFolderSource, kStrDefaultFolderInclude,
                                   kStrDefaultFolderExternal, kStrDefaultFolderDependencies};

}  // namespace

NewProjectWizardModel::NewProjectWizardModel(std::vector<std::string> connectionHistory)
    : history_(std::move(connectionHistory)) {
  if (!history_.empty()) values_.server = history_.front();
}

void NewProjectWizardModel::LoginAsked(std::int32_t hostKind) {
  loginAsked_ = true;
  values_.hostKind = hostKind;
}

void NewProjectWizardModel::ConnectionEnded(const remote::RequestBlock& connect) {
  connected_ = connect.status == remote::kStatusSuccess;
  failed_ = !connected_;
  if (connected_) {
    values_.hostKind = connect.hostKind;
    values_.securityFlags = connect.securityFlags;
  }
}

void NewProjectWizardModel::ConnectionClosed() {
  connected_ = false;
  failed_ = false;
  loginAsked_ = false;
  values_.hostKind = 0;
  values_.securityFlags = 0;
}

std::optional<WizardPage> NewProjectWizardModel::NextPage(WizardPage page) const {
  const WizardPage afterLogon = IsMpeHost() ? WizardPage::kMpe : WizardPage::kProjectRoot;
  switch (page) {
    case WizardPage::kServer:
      return WizardPage::kConnecting;
    case WizardPage::kConnecting:
      if (failed_) return WizardPage::kConnectionFailed;
      // Without a login the project root comes next on any host; Back from
      // it leads an MPE/iX host to its options.
      if (loginAsked_) return WizardPage::kSecurity;
      return WizardPage::kProjectRoot;
    case WizardPage::kSecurity:
      return afterLogon;
    case WizardPage::kMpe:
      return WizardPage::kProjectRoot;
    case WizardPage::kProjectRoot:
      return WizardPage::kInitialFiles;
    case WizardPage::kConnectionFailed:
    case WizardPage::kInitialFiles:
      break;
  }
  return std::nullopt;
}

std::optional<WizardBackStep> NewProjectWizardModel::BackFrom(WizardPage page) const {
  switch (page) {
    case WizardPage::kServer:
      break;
    case WizardPage::kConnecting:
    case WizardPage::kConnectionFailed:
    case WizardPage::kSecurity:
    case WizardPage::kMpe:
      return WizardBackStep{WizardPage::kServer, true};
    case WizardPage::kProjectRoot:
      if (IsMpeHost()) return WizardBackStep{WizardPage::kMpe, false};
      return WizardBackStep{WizardPage::kServer, true};
    case WizardPage::kInitialFiles:
      return WizardBackStep{WizardPage::kProjectRoot, false};
  }
  return std::nullopt;
}

std::vector<std::string> NewProjectWizardModel::LoadConnectionHistory(SettingsStore* store) {
  if (store == nullptr) return {};
  return LoadHistory(*store, kConnectionHistory);
}

bool NewProjectWizardModel::RememberServer(SettingsStore* store) {
  const std::string address = values_.server.substr(0, kMaxHistoryEntry);
  if (address.empty() || store == nullptr) return store == nullptr;
  if (!SaveHistory(*store, kConnectionHistory, address, history_)) return false;
  history_ = LoadHistory(*store, kConnectionHistory);
  return true;
}

void NewProjectWizardModel::SetRoot(std::string_view root) {
  std::vector<std::string> directories;
  for (const auto& child : scratch_.Children()) directories.push_back(child->FolderPath());
  values_.root = CutToField(root, kLocationSize);
  scratch_.SetLocation(values_.root);
  for (std::size_t i = 0; i < directories.size(); ++i) {
    scratch_.Child(i)->SetLocation(LocationForDirectory(scratch_, directories[i]));
  }
}

int NewProjectWizardModel::AddFiles(const AddFilesChoice& choice) {
  scratch_.SetLocation(values_.root);
  return project::AddFiles(scratch_, choice);
}

void NewProjectWizardModel::RemoveFiles(const std::vector<int>& rows) {
  std::vector<const ProjectItem*> doomed;
  for (int row : rows) {
    if (row >= 0 && static_cast<std::size_t>(row) < scratch_.ChildCount())
      doomed.push_back(scratch_.Child(static_cast<std::size_t>(row)));
  }
  for (const ProjectItem* item : doomed) scratch_.UnlinkChild(item);
}

std::vector<std::string> NewProjectWizardModel::FileNames() const {
  std::vector<std::string> names;
  for (const auto& child : scratch_.Children()) names.push_back(child->Name());
  return names;
}

ProjectItem* NewProjectWizardModel::Finish(Project& project) {
  ProjectSettings& settings = project.projectSettings();
  settings.server = CutToField(values_.server, kServerSize);
  settings.port = values_.port;
  // Without a login there is nobody to remember.
  settings.user = loginAsked_ ? CutToField(values_.user, kUserSize) : std::string();
  settings.password =
      loginAsked_ && values_.savePassword ? CutToField(values_.password, kPasswordSize) : "";
  if (IsMpeHost()) {
    settings.hpfsSupport = values_.hpfsSupport ? 1 : 0;
    settings.posixShell = values_.posixShell ? 1 : 0;
    settings.udcEnabled = values_.udcEnabled ? 1 : 0;
    settings.udcLogon = values_.udcLogon;
  }
  project.SetLocation(values_.root);

  ProjectItem* first = nullptr;
  if (values_.createDefaultFolders) {
    for (int id : kDefaultFolders) {
      auto folder = ProjectItem::Create(&project, true);
      folder->SetName(StringTableText(id));
      ProjectItem* added = project.AppendChild(std::move(folder));
      if (first == nullptr) first = added;
    }
  }
  // The files move from the scratch project, whose root is the project's,
  // into the project and from there into the first folder: MoveTo keeps
  // each one's directory.
  scratch_.SetLocation(values_.root);
  while (scratch_.ChildCount() > 0) {
    ProjectItem* file = project.AppendChild(scratch_.UnlinkChild(scratch_.Child(0)));
    if (first != nullptr) file->MoveTo(*first);
  }
  project.SetModified(true);
  return first;
}

std::optional<remote::LoginAnswer> WizardLoginPrompt::AskLogin(const remote::LoginForm& form) {
  {
    std::lock_guard guard(lock_);
    if (closed_) return std::nullopt;
  }
  if (asked_) asked_(form);
  std::unique_lock guard(lock_);
  answered_.wait(guard, [&] { return hasAnswer_ || closed_; });
  if (closed_ && !hasAnswer_) return std::nullopt;
  hasAnswer_ = false;
  return std::exchange(answer_, std::nullopt);
}

void WizardLoginPrompt::Answer(std::optional<remote::LoginAnswer> answer) {
  std::lock_guard guard(lock_);
  answer_ = std::move(answer);
  hasAnswer_ = true;
  answered_.notify_all();
}

void WizardLoginPrompt::Close() {
  std::lock_guard guard(lock_);
  closed_ = true;
  answered_.notify_all();
}

}  // namespace vandrel::project
