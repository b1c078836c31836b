// The "Getting Started" dialog offered at start-up: open one of the recent
// projects, start the new project wizard, or always open the last project.
// The choice is remembered in the GettingStarted setting; the dialog only
// says what to do, the main frame does it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QButtonGroup;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace vandrel {
struct AppSettings;
class SettingsStore;
}  // namespace vandrel

namespace vandrel::ui {

// The values of the GettingStarted setting.
enum GettingStartedChoice : int {
  kStartOpenExisting = 0,
  kStartNewProject = 1,
  kStartOpenLast = 2,
};

struct GettingStartedResult {
  enum class Action {
    kCancelled,       // nothing to do
    kOpenProject,     // open `projectPath`
    kNewProject,      // start a new project (the wizard)
    kOpenMostRecent,  // open the most recent project, `projectPath` (empty: none)
    kBrowse,          // show the Open Project dialog
  };
  Action action = Action::kCancelled;
  std::string projectPath;
  bool operator==(const GettingStartedResult&) const = default;
};

// Entries 1 to 9 of the recent projects list whose files still exist, in
// list order, as full paths.
std::vector<std::string> ExistingRecentProjects(SettingsStore& store);

class GettingStartedDialog : public QDialog {
  Q_OBJECT

 public:
  // The help topic of the Help button.
  static constexpr int kHelpTopic = 1004;

  // `settings` and `store` must outlive the dialog. The choice is preset
  // from settings.GettingStarted; the list is read from the store.
  GettingStartedDialog(AppSettings& settings, SettingsStore& store, QWidget* parent = nullptr);

  // Runs the dialog and returns what the frame is to do.
  static GettingStartedResult Run(AppSettings& settings, SettingsStore& store,
                                  QWidget* parent = nullptr);

  int choice() const;
  void setChoice(int choice);
  // The full paths behind the list entries, in list order.
  const std::vector<std::string>& projects() const { return projects_; }
  QListWidget* projectList() const { return list_; }
  QPushButton* browseButton() const { return browse_; }
  QPushButton* helpButton() const { return help_; }
  // Selects list entry `row` (-1 clears the selection).
  void selectProject(int row);
  const GettingStartedResult& result() const { return result_; }

 signals:
  // The Help button: the frame shows help topic `topic` when it has help.
  void helpRequested(int topic);

 public slots:
  // OK: with "Open an existing project" and no entry selected nothing
  // happens; otherwise the choice is stored in GettingStarted and the dialog
  // closes with its action.
  void accept() override;
  // Browse: closes the dialog asking for the Open Project dialog.
  void browse();

 private:
  void EntryDoubleClicked(QListWidgetItem* item);

  AppSettings& settings_;
  SettingsStore& store_;
  QButtonGroup* choices_;
  QListWidget* list_;
  QPushButton* browse_;
  QPushButton* help_;
  std::vector<std::string> projects_;
  GettingStartedResult result_;
};

}  // namespace vandrel::ui
