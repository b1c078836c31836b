// vandrel: the editor's desktop application. Start-up runs in a fixed order:
// the command line (a file may go to the instance already running), the
// settings, the frame, templates and file types, a start-up script, the
// tip of the day, and finally the file or project asked for, or the most
// recent project or the Getting Started dialog.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>

#include "core/app_command_line.h"
#include "core/app_settings.h"
#include "core/recent_list.h"
#include "core/settings_store.h"
#include "editor/edit_journal.h"
#include "project/project_controller.h"
#include "project/project_file.h"
#include "project/startup_script_runner.h"
#include "project/ui/getting_started_dialog.h"
#include "shell/app_icon.h"
#include "shell/frame_script_application.h"
#include "shell/main_frame.h"
#include "shell/single_instance.h"
#include "shell/splash_window.h"
#include "shell/termination_signals.h"
#include "templates/file_types.h"

namespace {

QString AbsolutePath(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).absoluteFilePath();
}

// Toolbar pictures come from the desktop's icon theme; without one (a bare
// X server, the offscreen platform) from the classic theme we install.
void ChooseIconTheme() {
  const QString theme = QIcon::themeName();
  if (theme.isEmpty() || theme == "hicolor") QIcon::setThemeName("Tango");
  QIcon::setFallbackThemeName("Tango");
}

// The last start-up steps, once the splash has gone: the tip of the day,
// then the project or file asked for, or the most recent project or the
// Getting Started dialog.
void FinishStartUp(vandrel::shell::MainFrame& frame, vandrel::SettingsStore& store,
                   const vandrel::AppCommandLine& commandLine, const QStringList& localFiles) {
  vandrel::AppSettings& settings = frame.settings();
  frame.OfferTip(false);
  // What an editor that ended without saving left behind comes first.
  frame.OfferRecovery();
  // Closed meanwhile (a termination signal during the tip): nothing more.
  if (!frame.isVisible()) return;
  if (!commandLine.projectPath.empty()) {
    frame.OpenProject(AbsolutePath(commandLine.projectPath).toStdString());
    return;
  }
  if (!localFiles.isEmpty()) {
    for (const QString& file : localFiles) frame.OpenLocalFile(file);
    return;
  }
  if (commandLine.startupScript) return;
  if (settings.GettingStarted == 2) {
    std::string recent;
    if (vandrel::RecentListEntry(store, vandrel::kRecentProjects, 1, &recent))
      frame.OpenProject(recent);
    return;
  }
  if (settings.StartupDialog == 0) return;
  using Action = vandrel::ui::GettingStartedResult::Action;
  const vandrel::ui::GettingStartedResult chosen =
      vandrel::ui::GettingStartedDialog::Run(settings, store, &frame);
  switch (chosen.action) {
    case Action::kOpenProject:
    case Action::kOpenMostRecent:
      if (!chosen.projectPath.empty()) frame.OpenProject(chosen.projectPath);
      break;
    case Action::kBrowse:
      frame.projectController().Open();
      frame.UpdateCommandState();
      break;
    case Action::kNewProject:
      frame.projectController().New();
      frame.UpdateCommandState();
      break;
    case Action::kCancelled:
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vandrel");
  QApplication::setApplicationVersion(VANDREL_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription("Vandrel: an editor and build front end for host sources");
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption configOption(
      "config", "Keep the settings in DIR instead of the per-user configuration folder.", "DIR");
  parser.addOption(configOption);
  parser.addPositionalArgument(
      "file", "A file to edit, a project file to open, or /s:SCRIPT to run a start-up script.",
      "[/s:SCRIPT | PROJECT | FILE...]");
  parser.process(app);

  // The command line: a file to edit goes to the instance already running.
  std::vector<std::string> arguments;
  for (const QString& argument : parser.positionalArguments()) {
    arguments.push_back(argument.toStdString());
  }
  const vandrel::AppCommandLine commandLine = vandrel::ParseAppCommandLine(
      arguments,
      [](const std::string& path) { return vandrel::project::ReadFileVersion(path) != 0; });
  for (const std::string& ignored : commandLine.ignored) {
    std::fprintf(stderr, "vandrel: ignoring argument '%s'\n", ignored.c_str());
  }
  QStringList localFiles;
  for (const std::string& file : commandLine.localFiles) localFiles << AbsolutePath(file);

  const std::filesystem::path settingsFile =
      vandrel::SettingsStore::DefaultFile(parser.value(configOption).toStdString());
  vandrel::shell::SingleInstance instance(
      vandrel::shell::SingleInstance::ServerName(QString::fromStdString(settingsFile.string())));
  if (commandLine.HandsOffToRunningInstance() && instance.HandOff(localFiles)) return 0;

  ChooseIconTheme();
  QApplication::setWindowIcon(vandrel::shell::ApplicationIcon());
  const bool anyArgument =
      commandLine.startupScript || !commandLine.projectPath.empty() || !localFiles.isEmpty();
  auto* splash = new vandrel::shell::SplashWindow();
  splash->show();
  QApplication::processEvents();

  // The frame reads the settings (defaults first, the store over them).
  vandrel::SettingsStore store(settingsFile);
  vandrel::shell::MainFrame frame(&store);
  vandrel::AppSettings& settings = frame.settings();
  frame.StartJournal(vandrel::JournalFolder());
  vandrel::shell::CloseOnTerminationSignals(&frame);
  instance.SetWindow(&frame);
  instance.SetOpenFileHandler([&frame](const QString& path) { frame.OpenLocalFile(path); });
  // Without the server this instance still works; it just cannot take files.
  if (!instance.Listen()) {
    std::fprintf(stderr, "vandrel: not accepting files from other instances\n");
  }

  const bool maximized = frame.RestorePlacement();
  frame.RestoreLayout();
  // Editing one file needs no project views.
  if (!localFiles.isEmpty()) {
    if (frame.WorkspaceShown()) frame.ShowWorkspace(false);
    if (frame.OutputShown()) frame.ShowOutput(false);
  }
  if (maximized) {
    frame.showMaximized();
  } else {
    frame.show();
  }
  splash->raise();

  frame.LoadTemplates();
  frame.LoadCharacterMaps();
  if (settings.FirstRun != 0) vandrel::EnsureDefaultFileTypes(store);

  if (commandLine.startupScript) {
    vandrel::shell::FrameScriptApplication application(frame);
    vandrel::project::StartupScriptRunner runner(application, frame.userInterface());
    runner.RunFile(*commandLine.startupScript);
  }

  // Without an argument the splash stays a moment; with one it goes at once.
  QObject::connect(splash, &vandrel::shell::SplashWindow::finished, &frame,
                   [&frame, &store, &commandLine, &localFiles, splash] {
                     splash->deleteLater();
                     FinishStartUp(frame, store, commandLine, localFiles);
                   });
  splash->closeAfter(anyArgument ? 0 : vandrel::shell::SplashWindow::kMinimumShowMs);

  // A termination signal during the start-up script has closed the frame.
  const int result = frame.isVisible() ? app.exec() : 0;

  // Settings are kept on an orderly exit only.
  settings.FirstRun = 0;
  settings.Write(store);
  return result;
}
