// The project's "Build" settings page: what a build of the whole project
// does, its build command, and the compiler output masks its builds are
// read with – templates' masks chosen by check box and custom masks made in
// the "Custom Output Mask" dialog.
#pragma once

#include "project/ui/project_settings_pages.h"

namespace vandrel::ui {

QWidget* MakeProjectBuildPage(const SettingsPageContext& context, QWidget* parent);

}  // namespace vandrel::ui
