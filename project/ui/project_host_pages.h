// The project settings pages of the host session: "Connection" (server,
// port, logon, autoexec command, root directory), "Environment" (the
// assignments sent after connecting) and "MPE/iX" (HPFS, posix shell, UDCs,
// file locking). They edit the project alone.
#pragma once

#include "project/ui/project_settings_pages.h"

namespace vandrel::ui {

QWidget* MakeConnectionPage(const SettingsPageContext& context, QWidget* parent);
QWidget* MakeEnvironmentPage(const SettingsPageContext& context, QWidget* parent);
QWidget* MakeMpePage(const SettingsPageContext& context, QWidget* parent);

}  // namespace vandrel::ui
