// What the host connection takes from the open project: where to connect and
// as whom, and the preferences sent to the agent once the session is open.
#pragma once

#include "project/project.h"
#include "remote/host_session.h"
#include "remote/session_setup.h"

namespace vandrel::project {

remote::SessionPreferences SessionPreferencesOf(const Project& project);

// The server address, port, user and password with the session preferences.
remote::ConnectParameters ConnectParametersOf(const Project& project,
                                              bool showConnectingBox = true);

}  // namespace vandrel::project
