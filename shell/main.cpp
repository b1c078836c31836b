// vandrel: the editor's desktop application.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

#include "core/app_command_line.h"
#include "core/app_settings.h"
#include "core/settings_store.h"
#include "project/project_file.h"
#include "shell/main_frame.h"
#include "shell/single_instance.h"
#include "shell/termination_signals.h"

namespace {

QString AbsolutePath(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).absoluteFilePath();
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
  // Files to edit go to the instance already running for these settings.
  if (commandLine.HandsOffToRunningInstance() && instance.HandOff(localFiles)) return 0;

  // Defaults first; what the store holds overrides them.
  vandrel::SettingsStore store(settingsFile);
  vandrel::AppSettings settings;
  settings.Read(store);

  vandrel::shell::MainFrame frame(&store);
  vandrel::shell::CloseOnTerminationSignals(&frame);
  instance.SetWindow(&frame);
  instance.SetOpenFileHandler([&frame](const QString& path) { frame.OpenLocalFile(path); });
  // Without the server this instance still works; it just cannot take files.
  if (!instance.Listen()) {
    std::fprintf(stderr, "vandrel: not accepting files from other instances\n");
  }
  if (frame.RestorePlacement()) {
    frame.showMaximized();
  } else {
    frame.show();
  }

  if (commandLine.startupScript) {
    std::fprintf(stderr, "vandrel: start-up scripts cannot be run yet ('%s')\n",
                 commandLine.startupScript->c_str());
  }
  if (!commandLine.projectPath.empty()) {
    std::fprintf(stderr, "vandrel: projects cannot be opened yet ('%s')\n",
                 commandLine.projectPath.c_str());
  }
  for (const QString& file : localFiles) frame.OpenLocalFile(file);

  const int result = app.exec();

  // Settings are kept on an orderly exit only.
  settings.FirstRun = 0;
  settings.Write(store);
  return result;
}
