// When the next automatic attempt to restore a lost host session is made:
// the first after 2 seconds, each one after that waits twice as long as
// the one before, up to 30 seconds, and every later one waits 30 seconds.
// The frame counts the seconds down with a timer of its own.
#pragma once

namespace vandrel::remote {

class ReconnectSchedule {
 public:
  static constexpr int kFirstDelaySeconds = 2;
  static constexpr int kLongestDelaySeconds = 30;

  // A new series of attempts: the next delay is the first one again.
  void Start();
  // No further attempts until Start.
  void Stop();
  bool active() const { return active_; }
  // The seconds to wait before the next attempt, counted as made; 0 while
  // the schedule is stopped.
  int NextDelay();
  // Attempts counted since Start.
  int attempts() const { return attempts_; }

 private:
  bool active_ = false;
  int attempts_ = 0;
};

}  // namespace vandrel::remote
