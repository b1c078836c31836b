// vandrel: the editor's desktop application.
#include <QApplication>
#include <QCommandLineParser>

#include "core/app_settings.h"
#include "core/settings_store.h"
#include "shell/main_frame.h"
#include "shell/termination_signals.h"

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
  parser.process(app);

  // Defaults first; what the store holds overrides them.
  vandrel::SettingsStore store(
      vandrel::SettingsStore::DefaultFile(parser.value(configOption).toStdString()));
  vandrel::AppSettings settings;
  settings.Read(store);

  vandrel::shell::MainFrame frame(&store);
  vandrel::shell::CloseOnTerminationSignals(&frame);
  if (frame.RestorePlacement()) {
    frame.showMaximized();
  } else {
    frame.show();
  }
  const int result = app.exec();

  // Settings are kept on an orderly exit only.
  settings.FirstRun = 0;
  settings.Write(store);
  return result;
}
