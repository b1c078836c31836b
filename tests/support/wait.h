// Waiting for something another thread or process does: polled, with a
// bound generous enough for a sanitizer build on a loaded machine, so a test
// waits on the event itself instead of sleeping a fixed time, and fails
// instead of hanging when the event never comes.
#pragma once

#include <chrono>
#include <thread>

namespace vandrel::testing {

inline constexpr std::chrono::milliseconds kEventTimeLimit{10000};

// Polls `condition` until it holds or `limit` has passed; whether it held.
template <typename Condition>
bool WaitUntil(Condition&& condition, std::chrono::milliseconds limit = kEventTimeLimit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace vandrel::testing
