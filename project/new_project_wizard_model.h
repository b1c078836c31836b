// The new project wizard without its windows: the values it collects with
// their defaults, which page follows which, the scratch project that
// collects the chosen files, and what Finish puts into the project. The
// connection itself is the frame's session's, held for the wizard until
// Finish hands it over (remote/host_session.h); the wizard's login prompt
// below carries the Security page's answer to the connecting thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings_store.h"
#include "project/project.h"
#include "project/project_operations.h"
#include "remote/connect_thread.h"

namespace vandrel::project {

// The pages, in order.
enum class WizardPage : int {
  kServer = 0,
  kConnecting = 1,
  kConnectionFailed = 2,
  kSecurity = 3,
  kMpe = 4,
  kProjectRoot = 5,
  kInitialFiles = 6,
};
inline constexpr int kWizardPageCount = 7;

// The settings list of server addresses used before, most recent first
// (values "0", "1", ... like the search histories).
inline constexpr std::string_view kConnectionHistory = ".\\Connection History";

// The pages' texts.
inline constexpr std::string_view kWizardServerText =
    "Enter the address of the server to which you want to connect.";
inline constexpr std::string_view kWizardPortLabel = "Port Number:";
inline constexpr std::string_view kWizardConnectingText =
    "The wizard will now attempt to connect to the specified server. This may take a few "
    "minutes.";
inline constexpr std::string_view kWizardFailedText =
    "The attempt to connect to the server failed:";
// The checklist below it, one point a line.
inline constexpr std::string_view kWizardFailedChecklist =
    "Check that the server address is correct and that the server can be reached from "
    "this computer.\n"
    "Check that Tandrill is installed and running on the server.\n"
    "Check that the port number is the one Tandrill listens on.\n"
    "(Default installation port number is 11000)\n"
    "Check that no firewall between this computer and the server blocks the port.";
inline constexpr std::string_view kWizardUserLabel = "User Name:";
inline constexpr std::string_view kWizardPasswordLabel = "Password:";
inline constexpr std::string_view kWizardSavePassword = "Save the password within the project";
inline constexpr std::string_view kWizardHpfs = "Enable HPFS (posix) file system";
inline constexpr std::string_view kWizardPosixShell = "Execute commands within posix shell";
inline constexpr std::string_view kWizardUdcSupport = "UDC Support";
inline constexpr std::string_view kWizardLogonUdcs = "Logon UDC's:";
inline constexpr std::string_view kWizardUdcSystem = "&System";
inline constexpr std::string_view kWizardUdcAccount = "&Account";
inline constexpr std::string_view kWizardUdcUser = "&User";
inline constexpr std::string_view kWizardRootLabel = "Project Root:";
inline constexpr std::string_view kWizardCreateFolders = "Create default folders";
inline constexpr std::string_view kWizardFilesLabel = "Initial Project Files";
inline constexpr std::string_view kWizardAdd = "&Add";
inline constexpr std::string_view kWizardRemove = "&Remove";
// The filter of the "Add Files to Project" dialog.
inline constexpr std::string_view kWizardAddFilter = "All Files (*.*)";

// What the wizard collects; the defaults are the values it starts with.
struct WizardValues {
  std::string server;  // the first entry of "Connection History"
  std::int32_t port = kDefaultPort;
  std::string user;
  std::string password;
  bool savePassword = false;
  // Of the connection: the host's kind (1: MPE/iX) and security flags.
  std::int32_t hostKind = 0;
  std::int32_t securityFlags = 0;
  bool hpfsSupport = false;
  bool posixShell = false;
  bool udcEnabled = false;
  std::int32_t udcLogon = kUdcSystem | kUdcAccount | kUdcUser;
  std::string root;  // the host's current directory is proposed
  bool createDefaultFolders = true;
};

// Where Back leads from a page, and whether the wizard's connection is
// closed (or its attempt stopped) on the way.
struct WizardBackStep {
  WizardPage page = WizardPage::kServer;
  bool closesConnection = false;
  bool operator==(const WizardBackStep&) const = default;
};

class NewProjectWizardModel {
 public:
  // Starts with the defaults, the server address the first entry of
  // `connectionHistory`.
  explicit NewProjectWizardModel(std::vector<std::string> connectionHistory = {});

  WizardValues& values() { return values_; }
  const WizardValues& values() const { return values_; }
  const std::vector<std::string>& connectionHistory() const { return history_; }

  // ---- the flow -------------------------------------------------------------
  // The agent asked for a login while connecting (the attempt waits for the
  // Security page): the host's kind is known from its greeting.
  void LoginAsked(std::int32_t hostKind);
  // The attempt has ended: `connect` is the connect request with its status,
  // host kind and security flags (and the user it logged on with).
  void ConnectionEnded(const remote::RequestBlock& connect);
  // Back to the start: the connection is gone.
  void ConnectionClosed();
  bool loginAsked() const { return loginAsked_; }
  bool IsMpeHost() const { return values_.hostKind == remote::kHostKindMpe; }
  // The MPE/iX logon hints show on the Security page.
  bool ShowsMpeHints() const { return IsMpeHost(); }

  // The page Next leads to; nothing from the last page (Finish ends there)
  // and from the failure page. From the Connecting page: the failure page
  // when the attempt failed, the Security page when the agent asked for a
  // login, otherwise the project root. After the Security page: the MPE/iX
  // page for an MPE/iX host, the project root for any other.
  std::optional<WizardPage> NextPage(WizardPage page) const;
  // Where Back leads: the failure, Security and MPE/iX pages, and the
  // project root of a host that is not MPE/iX, go back to the start with
  // the connection closed; the Connecting page stops its attempt.
  std::optional<WizardBackStep> BackFrom(WizardPage page) const;
  // Finish is offered on the last page only.
  static bool CanFinish(WizardPage page) { return page == WizardPage::kInitialFiles; }

  // ---- the server page ------------------------------------------------------
  // Next: the address put first in "Connection History" (at most 255
  // characters kept); false when the store could not be written.
  bool RememberServer(SettingsStore* store);
  static std::vector<std::string> LoadConnectionHistory(SettingsStore* store);

  // ---- the project root and the files ---------------------------------------
  // The root, at most 259 characters. Files chosen already keep their
  // directories: their Locations are worked out again under the new root.
  void SetRoot(std::string_view root);
  // The files chosen in the host open dialog become file items of the
  // scratch project as Add files makes them; how many.
  int AddFiles(const AddFilesChoice& choice);
  // Removes the files at those rows of FileNames().
  void RemoveFiles(const std::vector<int>& rows);
  // The names of the chosen files, in the order chosen.
  std::vector<std::string> FileNames() const;
  const Project& scratch() const { return scratch_; }

  // ---- Finish ---------------------------------------------------------------
  // Fills `project` (empty): the server, port, user, the password when it is
  // to be saved, the MPE/iX options, Location = the root; the four default
  // folders when asked; the chosen files moved into the first of them (or
  // into the project), each keeping its directory. The project is marked
  // modified. The first default folder, or null.
  ProjectItem* Finish(Project& project);

 private:
  WizardValues values_;
  std::vector<std::string> history_;
  bool loginAsked_ = false;
  bool connected_ = false;
  bool failed_ = false;
  Project scratch_;
};

// The wizard's Security page as the connecting thread's login prompt.
// AskLogin tells the wizard through `asked` (on the connecting thread) and
// waits until the page answers: Next with the values, Back or Cancel with
// nothing. Once closed, every ask answers nothing at once, so an attempt
// never outwaits its wizard. One prompt serves one attempt.
class WizardLoginPrompt final : public remote::LoginPrompt {
 public:
  using Asked = std::function<void(const remote::LoginForm& form)>;
  explicit WizardLoginPrompt(Asked asked) : asked_(std::move(asked)) {}

  std::optional<remote::LoginAnswer> AskLogin(const remote::LoginForm& form) override;
  // The page's answer to the waiting ask (or to the next one).
  void Answer(std::optional<remote::LoginAnswer> answer);
  void Close();

 private:
  Asked asked_;
  std::mutex lock_;
  std::condition_variable answered_;
  std::optional<remote::LoginAnswer> answer_;
  bool hasAnswer_ = false;
  bool closed_ = false;
};

}  // namespace vandrel::project
