// Waiting in a GUI test: the user-interface thread handles its events while
// the condition is polled, so completions carried over to it arrive; bounded
// generously for a sanitizer build on a loaded machine, so a test fails
// instead of hanging when the event never comes.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>

#include "support/wait.h"

namespace vandrel::testing {

// Handles events until `done` holds or `limit` has passed; whether it held.
template <typename Condition>
bool WaitFor(Condition&& done, std::chrono::milliseconds limit = kEventTimeLimit) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limit.count()) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace vandrel::testing
