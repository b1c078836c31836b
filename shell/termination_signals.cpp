#include "shell/termination_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

namespace vandrel::shell {

namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe.
void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(signalPipe[0], &byte, 1);
}

}  // namespace

void CloseOnTerminationSignals(QWidget* window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
    char byte;
    [[maybe_unused]] ssize_t n = ::read(signalPipe[1], &byte, 1);
    // A dialog waiting for an answer (a tip, the Getting Started choice)
    // is dismissed first; questions about unsaved work then still come.
    for (int i = 0; i < 8; ++i) {
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!modal) break;
      modal->reject();
    }
    // exit() leaves every running event loop at once; quit() would only ask
    // and can be turned down.
    if (window->close()) QCoreApplication::exit(0);
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace vandrel::shell
