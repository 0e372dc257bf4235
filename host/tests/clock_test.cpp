#include "host/clock.h"

#include <gtest/gtest.h>

#include "host/fake_clock.h"

namespace {

TEST(Clock, ElapsedAndDeadlinesSurviveTheWrap) {
  host::FakeClock clock(0xFFFFFF00u);
  host::ScopedClock installed(clock);
  uint32_t start = host::TickCount();
  uint32_t deadline = start + 1000;
  clock.Advance(600);
  EXPECT_EQ(host::TicksSince(start), 600u);
  EXPECT_FALSE(host::TickReached(host::TickCount(), deadline));
  clock.Advance(400);
  EXPECT_TRUE(host::TickReached(host::TickCount(), deadline));
}

TEST(Clock, CalendarSecondsFollowTheTicksInWholeSeconds) {
  host::FakeClock clock(0, 500);
  host::ScopedClock installed(clock);
  clock.Advance(999);
  EXPECT_EQ(host::CalendarSeconds(), 500);
  host::SleepMs(1);
  EXPECT_EQ(host::CalendarSeconds(), 501);
}

TEST(Clock, StepPerReadMovesBusyLoopsForward) {
  host::FakeClock clock;
  host::ScopedClock installed(clock);
  clock.SetStepPerRead(5);
  uint32_t start = host::TickCount();
  int polls = 0;
  while (host::TicksSince(start) < 100) ++polls;
  EXPECT_EQ(polls, 19);
}

TEST(Clock, SystemClockComesBackWhenTheFakeGoes) {
  {
    host::FakeClock clock;
    host::ScopedClock installed(clock);
    EXPECT_EQ(&host::CurrentClock(), &clock);
  }
  EXPECT_EQ(dynamic_cast<host::FakeClock*>(&host::CurrentClock()), nullptr);
}

}  // namespace
