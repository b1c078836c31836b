#include "remote/reconnect_schedule.h"

namespace vandrel::remote {

void ReconnectSchedule::Start() {
  active_ = true;
  attempts_ = 0;
}

void ReconnectSchedule::Stop() {
  active_ = false;
  attempts_ = 0;
}

int ReconnectSchedule::NextDelay() {
  if (!active_) return 0;
  int delay = kFirstDelaySeconds;
  for (int i = 0; i < attempts_ && delay < kLongestDelaySeconds; ++i) delay *= 2;
  ++attempts_;
  return delay < kLongestDelaySeconds ? delay : kLongestDelaySeconds;
}

}  // namespace vandrel::remote
