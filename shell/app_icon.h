// The application's icon, drawn at the sizes window managers ask for.
#pragma once

#include <QIcon>

namespace vandrel::shell {

QIcon ApplicationIcon();

}  // namespace vandrel::shell
