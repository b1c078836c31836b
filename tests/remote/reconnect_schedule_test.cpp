#include "remote/reconnect_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace vandrel::remote {
namespace {

TEST(ReconnectSchedule, DoublesFromTwoSecondsUpToThirtyAndStartsOverAfterStop) {
  ReconnectSchedule schedule;
  EXPECT_EQ(schedule.NextDelay(), 0);  // nothing while stopped
  schedule.Start();
  std::vector<int> delays;
  for (int i = 0; i < 8; ++i) delays.push_back(schedule.NextDelay());
  EXPECT_EQ(delays, (std::vector<int>{2, 4, 8, 16, 30, 30, 30, 30}));
  EXPECT_EQ(schedule.attempts(), 8);
  // Far into a long outage the delay stays at the cap.
  for (int i = 0; i < 1000; ++i) schedule.NextDelay();
  EXPECT_EQ(schedule.NextDelay(), 30);

  schedule.Stop();
  EXPECT_FALSE(schedule.active());
  EXPECT_EQ(schedule.NextDelay(), 0);
  schedule.Start();
  EXPECT_EQ(schedule.NextDelay(), 2);
}

}  // namespace
}  // namespace vandrel::remote
