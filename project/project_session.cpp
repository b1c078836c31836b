#include "project/project_session.h"

namespace vandrel::project {

remote::SessionPreferences SessionPreferencesOf(const Project& project) {
  const ProjectSettings& p = project.projectSettings();
  remote::SessionPreferences preferences;
  preferences.hpfsSupport = p.hpfsSupport != 0;
  preferences.udcEnabled = p.udcEnabled != 0;
  preferences.logonUdcLevels = p.udcLogon;
  preferences.posixShell = p.posixShell != 0;
  preferences.environment = CutToField(p.environment, remote::kMaxEnvironmentText);
  preferences.autoexecCommand = p.autoexecCommand;
  return preferences;
}

remote::ConnectParameters ConnectParametersOf(const Project& project, bool showConnectingBox) {
  remote::ConnectParameters parameters;
  parameters.hostName = project.ServerAddress();
  parameters.port = project.Port();
  parameters.userName = project.User();
  parameters.password = project.Password();
  parameters.preferences = SessionPreferencesOf(project);
  parameters.showConnectingBox = showConnectingBox;
  return parameters;
}

}  // namespace vandrel::project
