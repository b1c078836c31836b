// Turns SIGTERM and SIGINT into an orderly close of the main window, so that a
// session ending or a Ctrl+C in the terminal still keeps the settings.
#pragma once

class QWidget;

namespace vandrel::shell {

// Installs the handlers; on the signal, `window` is closed as if the user had
// closed it. Call once, after the window exists.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace vandrel::shell
